#pragma once
// What a choice of pictures means for safe storage under one account: which of them are
// stored, waiting for their first upload, stored but changed since, or not stored at all, and
// how many storage slots the ones not stored need. Plain values, so the counting is the same
// in the dialogs, the commands and the tests.
//
// A picture counts as stored only under the account it was stored for: one stored under an
// account the user has left is not stored for the current one.
//
// Threads: any (values only).

#include <cstdint>
#include <vector>

#include <wx/string.h>

namespace Brenmarle {

class File;

class SafeStorageSelection {
public:
    enum State { NOT_STORED, WAITING, TO_BE_UPDATED, STORED };

    // The fields of a picture that decide its state.
    struct Picture {
        wxString uri;
        int64_t size = 0;
        int32_t storageType = 0;
        wxString accountId;
        // The file time as of the last synchronisation; 0 before the first upload.
        int32_t revision = 0;
        int32_t fileModifyTime = 0;
        int32_t metaModifyTime = 0;
    };

    SafeStorageSelection(std::vector<Picture> pictures, const wxString& accountId);

    static Picture of(const File& file);
    static State stateOf(const Picture& picture, const wxString& accountId);
    // Only pictures of albums and the inbox have a place on the server.
    static bool isStorable(const wxString& uri);
    // Slots one file of `bytes` takes: the bytes rounded up to whole slots, at least one (the
    // service counts an empty file as one). Quorvel::ResponseException for a slot size that
    // is not positive: a service that answers so has nothing we could store in.
    static int64_t slotsFor(int64_t bytes, int slotSize);

    const std::vector<Picture>& getPictures() const { return m_pictures; }
    // The pictures not stored for the account, in the order given.
    std::vector<Picture> getNotStored() const;
    int count(State state) const;
    bool allStorable() const;
    // The bytes and slots that the pictures not stored need.
    int64_t getTotalSize() const;
    int64_t slotsNeeded(int slotSize) const;

private:
    std::vector<Picture> m_pictures;
    wxString m_accountId;
};

} // namespace Brenmarle

#pragma once
// The files of a camera reached through libgphoto2: every file in the camera's folder tree,
// named "<camera URI>/<folder path>/<name>". Reading a file downloads it into a temporary file
// first (the protocol transfers whole files), which is gone once the stream is closed.
//
// Threads: any thread, one operation at a time (m_mutex guards the session and the listing).
// The camera stays open while the folder lives.

#include <map>
#include <memory>
#include <mutex>

#include "folders/Folder2.h"

namespace Brenmarle {

class GPhotoSession;

class PtpDeviceFolder : public Folder2 {
public:
    PtpDeviceFolder(const wxString& cameraUri, const wxString& gphotoModel, const wxString& port);

    wxString getURI() const override { return m_uri; }
    // Throw Quorvel::IOException when the camera cannot be opened or listed.
    std::vector<wxString> getFileUris() override;
    int getFileCount() override;
    Quorvel::Ref<File> getFile(const wxString& uri) override;
    std::unique_ptr<Quorvel::InputFile> getFileInputStream(File& file) override;
    int64_t getFileSize(File& file) override;

protected:
    ~PtpDeviceFolder() override;

private:
    struct Entry {
        wxString folder;
        wxString name;
        int64_t size = -1;
    };

    void open();
    void list(const wxString& folder);
    const Entry& entry(const wxString& uri) const;

    wxString m_uri;
    wxString m_model;
    wxString m_port;
    std::mutex m_mutex;
    std::unique_ptr<GPhotoSession> m_session;
    bool m_listed = false;
    std::vector<wxString> m_uris;
    std::map<wxString, Entry> m_entries;
};

} // namespace Brenmarle

#pragma once
// Where the picture store keeps its files under the user data directory (DATA):
//   managed file        DATA/archive/P/U.vsaf
//   its thumbnail       DATA/thumbnails/P/U+T.vstf
//   a resized copy      DATA/resized/WxH/P/U+T.vstf
//   computer thumbnail  DATA/fsthumbs3/H3/H+T.vstf and DATA/fsresized/WxH/H3/H+T.vstf
//   temporary thumbnail DATA/tempthumbs/H+T+S.vstf
// with U the managed file's UUID (the last 36 characters of its URI), P its first three
// characters, T the file's modify time in seconds, S its size in bytes and H the MD5 of the
// computer or temporary file's URI. Because T is in the name, a picture whose contents change
// gets new thumbnails; temporary files, whose names come back for new pictures within moments,
// have their size in it too.
//
// Pure functions; any thread.

#include <cstdint>

#include <wx/string.h>

namespace Brenmarle {

class StoragePaths {
public:
    // `dataDir` ends in "/".
    explicit StoragePaths(const wxString& dataDir);

    // The last 36 characters of `uri`. Throws Quorvel::RuntimeException
    // (uri + ": URI does not contain file UUID") when it is shorter or they contain "/".
    static wxString fileUuid(const wxString& uri);
    // Lower-case hexadecimal MD5 of the URI's UTF-8 bytes.
    static wxString uriDigest(const wxString& uri);

    wxString managedFile(const wxString& uri) const;
    wxString managedThumbnail(const wxString& uri, int32_t modifyTime) const;
    wxString managedResized(const wxString& uri, int32_t modifyTime, int width, int height) const;
    wxString computerThumbnail(const wxString& uri, int32_t modifyTime) const;
    wxString computerResized(const wxString& uri, int32_t modifyTime, int width, int height) const;
    wxString tempThumbnail(const wxString& uri, int32_t modifyTime, int32_t size) const;

    const wxString& getDataDir() const { return m_dataDir; }

private:
    wxString m_dataDir;
};

} // namespace Brenmarle

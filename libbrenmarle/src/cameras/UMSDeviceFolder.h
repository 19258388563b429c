#pragma once
// The files of a drive of a camera or card reader: those in the sub-folders of "DCIM" on the
// drive whose names begin with three digits (the camera file system's convention: "100CANON",
// "101_PANA"). Cards write the names in any case, so both are matched without regard to case.
// Files are named by their "file://" URIs and read straight from the drive. A drive without
// DCIM has no files.
//
// Threads: one thread at a time; the listing is made on first use.

#include "folders/LocalFolder.h"

namespace Brenmarle {

class UMSDeviceFolder : public LocalFolder {
public:
    UMSDeviceFolder(const wxString& cameraUri, const wxString& drive);

    wxString getURI() const override { return m_uri; }
    std::vector<wxString> getFileUris() override;
    int getFileCount() override;
    // The file described from the drive.
    Quorvel::Ref<File> getFile(const wxString& uri) override;
    wxString getLocalPath(const File& file) override;

    // Whether `name` is a folder name of the camera file system (three digits first).
    static bool isCameraFolderName(const wxString& name);

private:
    void scan();

    wxString m_uri;
    wxString m_drive;
    bool m_scanned = false;
    std::vector<wxString> m_uris;
};

} // namespace Brenmarle

#pragma once
// Temporary files of one run (pictures being edited, downloads): "temp://" + file name, kept in
// the user data directory's "temp" folder, which start-up empties. A temporary file is removed
// when its last user lets go, so its URI never names a path outside that folder.

#include "folders/LocalFolder.h"

namespace Brenmarle {

class TempFolder : public LocalFolder {
public:
    TempFolder() : TempFolder("temp://", "temp") {}

    wxString getURI() const override { return m_uri; }
    int getFileCount() override { return 0; }
    // The files in the folder, sorted by name; files still being written are hidden and left
    // out.
    std::vector<wxString> getFileUris() override;
    Quorvel::Ref<File> getFile(const wxString& uri) override;

    // Both throw Quorvel::RuntimeException (uri + ": URI leads out of temp://") for a URI of
    // another folder or one with a ".." step.
    wxString getLocalPath(const File& file) override;
    wxString getThumbnailPath(File& file) override;
    // Throws "No resized path for temp files".
    wxString getResizedPath(File& file, int width, int height) override;

    // Throws "Cannot delete from temp folder".
    void deleteFile(File& file) override;
    // Throws "Cannot move to temp folder".
    void moveFileIn(File& file) override;
    Quorvel::Ref<File> copyFileIn(File& file) override;
    // Throws "Method is not implemented".
    wxString createFileURI() override;
    void onDestroyFile(File& file) override;

    // The folder holding the files, created on demand.
    wxString getDirectory() const;

protected:
    TempFolder(const wxString& uri, const wxString& directoryName);

private:
    // The URI's path below the folder, refused when it could lead out of the folder.
    wxString pathInFolder(const File& file) const;

    wxString m_uri;
    wxString m_directoryName;
};

} // namespace Brenmarle

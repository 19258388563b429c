#pragma once
// A directory of the user's disk shown in place: its pictures are listed, never moved into the
// picture store, and their metadata lives in memory only. The listing is in name order as a
// desktop file manager shows it (see isListedBefore), so every view, slide show and import of
// the folder meets the pictures in the order the user knows.
//
// Threads: any thread; the listing is guarded by the library lock.

#include "folders/LocalFolder.h"

namespace Brenmarle {

class ComputerFolder : public LocalFolder {
public:
    // `uri` is "file://" + absolute directory path + "/".
    explicit ComputerFolder(const wxString& uri);

    wxString getURI() const override { return m_uri; }
    wxString getName() const override;

    std::vector<wxString> getFileUris() override;
    void loadFiles(FileMap& files) override;
    int getFileCount() override;
    // A file of this folder described from the disk.
    Quorvel::Ref<File> getFile(const wxString& uri) override;

    wxString getLocalPath(const File& file) override;
    wxString getThumbnailPath(File& file) override;
    wxString getResizedPath(File& file, int width, int height) override;

    // Throws Quorvel::UnsupportedException "File operation not supported".
    void deleteFile(File& file) override;
    // Copies under the file's own name, numbered when taken; returns the new file.
    Quorvel::Ref<File> copyFileIn(File& file) override;
    // Computer files are named by their paths, not by new URIs: empty.
    wxString createFileURI() override { return wxString(); }

    // The extensions listed as pictures: jpeg, jpg, png, gif, tif, tiff (any case).
    static bool isListedExtension(const wxString& fileName);
    // The order of the listing: names compared without regard to case, runs of digits by their
    // value ("IMG_2.jpg" before "IMG_10.jpg"); names equal that way by their exact text, so
    // the order is the same every time.
    static bool isListedBefore(const wxString& name, const wxString& other);

private:
    void scan();

    wxString m_uri;
    wxString m_directory;
    bool m_scanned = false;
    std::vector<wxString> m_uris;
};

} // namespace Brenmarle

#pragma once
// Folders whose files the program owns (albums, the picture inbox): the files lie in the
// picture store under their UUIDs and their metadata in the catalogue.
//
// The list of a folder's files is read from the catalogue when first asked for, not when the
// folder is made: start-up makes every album, and one may hold 100,000 pictures. Until then its
// count is read alone, along the catalogue's key, and kept as files come and go.
//
// Threads: any thread; the file list and count are guarded by the library lock. Files entering the
// folder are read and get their thumbnails outside it; only their registration holds it.

#include <vector>

#include "exif/IPTCReader.h"
#include "files/UriList.h"
#include "folders/LocalFolder.h"
#include "imaging/PictureInfo.h"

namespace Brenmarle {

class ManagedFolder : public LocalFolder {
public:
    std::vector<wxString> getFileUris() override;
    void loadFiles(FileMap& files) override;
    std::vector<Quorvel::Ref<File>> loadFileList() override;
    int getFileCount() override;
    Quorvel::Ref<File> getFile(const wxString& uri) override;

    wxString getLocalPath(const File& file) override;
    wxString getThumbnailPath(File& file) override;
    wxString getResizedPath(File& file, int width, int height) override;

    bool canMoveByRename(const File& file) override;
    bool canDeleteFile(const File&) override { return true; }
    bool canEditFile(const File&) override { return true; }
    bool canReceiveFile(const File&) override { return true; }

    void deleteFile(File& file) override;
    void moveFileIn(File& file) override;
    Quorvel::Ref<File> copyFileIn(File& file) override;

    void onFileAdded(File& file, const wxString& oldUri, bool newFile) override;
    void onFileRemoved(File& file, const wxString& newUri) override;
    wxString createFileURI() override;
    void saveFileMetadata(File& file) override;
    void onDestroyFile(File& file) override;

    // Reads the file list if it is not read yet.
    bool contains(const wxString& uri);

    // Reads what the disk and the picture say about a file entering the folder: size and
    // (for a new file) modify times, picture type, time and copyright, then marks it scanned.
    // The reading is done without the library lock: call it without holding it.
    void readFileInformation(File& file, bool newFile);
    // The picture part of it: type, time and copyright from the picture itself.
    void initializeImageInfo(File& file);

protected:
    // A folder made new in this run has no files yet: its list needs no reading, and files
    // coming in keep the order they came in.
    void setNewlyMade();

private:
    // The file list, read from the catalogue when first needed. Under the library lock.
    UriList& uris();

    static PictureInfo readPictureInfo(const File& file, const wxString& path);
    static void applyImageInfo(File& file, const PictureInfo& info);
    // Fields the picture's IPTC block names replace the file's (the user has not edited them).
    static void applyIptc(File& file, const IPTCData& iptc);

    UriList m_uris;
    bool m_urisRead = false;
    // The number of files while the list is unread; -1 until it is first counted.
    int m_count = -1;
};

} // namespace Brenmarle

#pragma once
// Folders whose files are files on the local disk: streams, sizes and thumbnails work on the
// local path each subclass names.

#include "folders/Folder2.h"

namespace Brenmarle {

class StoragePaths;

class LocalFolder : public Folder2 {
public:
    std::unique_ptr<Quorvel::InputFile> getFileInputStream(File& file) override;
    // Creates missing folders first ("Could not create directory: %s").
    std::unique_ptr<Quorvel::OutputFile> getFileOutputStream(File& file) override;
    int64_t getFileSize(File& file) override;
    // Throws Quorvel::RuntimeException "Unsupported File type" for a non-picture.
    void createThumbnail(File& file) override;
    // Makes the thumbnail file first when it is missing.
    Quorvel::Ref<ImageData> loadThumbnail(File& file) override;

    // Where the picture store keeps its files, under the user data directory.
    static StoragePaths storagePaths();

protected:
    // Copies `file`'s bytes into `directory` under its own name made safe for any file system,
    // numbered when taken ("photo (2).jpg"). Returns the path written.
    wxString copyIntoDirectory(File& file, const wxString& directory);
    // Fills name, size, modify time and content type of a file of this folder from the disk.
    static void readFileSystemData(File& file, const wxString& localPath);
    static void makeDirectory(const wxString& directory, const wxString& errorFormat);
};

} // namespace Brenmarle

#pragma once
// A place that holds files, named by a URI ending in "/". Subclasses: managed folders (albums,
// the inbox; the program owns their files), computer folders (the user's directories shown in
// place) and temporary folders. The base answers "unsupported" for what only some kinds can do.
//
// Threads: any thread; every method takes the library lock, except while bytes are copied.
// Lifetime: reference counted; the file manager keeps every folder it resolved.

#include <cstdint>
#include <memory>
#include <vector>

#include <wx/string.h>

#include "files/File.h"
#include "threads/ReferenceCounted.h"

namespace Quorvel {
class HttpCallbackObj;
class InputFile;
class OutputFile;
} // namespace Quorvel

namespace Brenmarle {

class ImageData;

class Folder2 : public Quorvel::ReferenceCounted {
public:
    // Stores the folder's own metadata (albums write their catalogue row).
    virtual void update() {}
    virtual wxString getURI() const = 0;
    virtual wxString getName() const { return getURI(); }

    // The URIs of the folder's files, in the folder's order.
    virtual std::vector<wxString> getFileUris();
    // Puts the folder's files into `files`, each as the file manager's one object for its URI
    // (registered when it was not in memory); entries already there are kept.
    virtual void loadFiles(FileMap& files);
    // The folder's files in the folder's order, each the file manager's one object for its URI:
    // files not in memory yet are read (all in one go) and registered.
    virtual std::vector<Quorvel::Ref<File>> loadFileList();
    virtual int getFileCount() { return 0; }
    // A new object for the file named `uri` (callers go through the file manager, which keeps
    // one object per URI).
    virtual Quorvel::Ref<File> getFile(const wxString& uri);

    virtual std::unique_ptr<Quorvel::InputFile> getFileInputStream(File& file);
    // getFileInputStream for a file that may come over the network: `transfer` (may be null)
    // hears the download's progress and stops it, waits included. Folders whose files are at
    // hand ignore it.
    virtual std::unique_ptr<Quorvel::InputFile>
    fetchFileInputStream(File& file, Quorvel::HttpCallbackObj* transfer);
    // Writes under a temporary name; the caller commits.
    virtual std::unique_ptr<Quorvel::OutputFile> getFileOutputStream(File& file);
    // Size of the stored file in bytes; -2 when it cannot be read.
    virtual int64_t getFileSize(File& file);
    virtual wxString getThumbnailPath(File& file);
    virtual wxString getResizedPath(File& file, int width, int height);
    // Makes the thumbnail file of a picture.
    virtual void createThumbnail(File& file);
    // The thumbnail picture of a file.
    virtual Quorvel::Ref<ImageData> loadThumbnail(File& file);
    virtual wxString getLocalPath(const File& file);

    // Whether a file of this folder can be moved elsewhere by renaming it (same store).
    virtual bool canMoveByRename(const File&) { return false; }
    virtual bool canDeleteFile(const File&) { return false; }
    virtual bool canEditFile(const File&) { return false; }
    virtual bool canReceiveFile(const File&) { return false; }

    virtual void deleteFile(File& file);
    // Moves `file` into this folder when its folder allows it (canMoveByRename); a file that
    // cannot be moved is left where it is.
    virtual void moveFileIn(File& file);
    // Copies `file` (of any folder) into this folder; returns the new file.
    virtual Quorvel::Ref<File> copyFileIn(File& file);

    // `file` arrived in this folder: `oldUri` is its URI before a move (empty otherwise).
    // `newFile` marks a file new to the catalogue, to be scanned; a moved file, or a copy of a
    // catalogued one, keeps the metadata it has.
    virtual void onFileAdded(File& file, const wxString& oldUri, bool newFile);
    // `file` left this folder: `newUri` is where it went (empty when deleted).
    virtual void onFileRemoved(File& file, const wxString& newUri);
    // A URI for a new file of this folder.
    virtual wxString createFileURI();
    // The file's folder part equals this folder's URI.
    virtual bool fileBelongsTo(const File& file) const;
    // Stores the file's metadata when it changed.
    virtual void saveFileMetadata(File&) {}
    // The last user of `file` let go: store what must not be lost, drop what is temporary.
    virtual void onDestroyFile(File&) {}

protected:
    ~Folder2() override = default;
    [[noreturn]] static void unsupported(const char* operation);
};

using FolderRef = Quorvel::Ref<Folder2>;

} // namespace Brenmarle

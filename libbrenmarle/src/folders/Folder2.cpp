#include "folders/Folder2.h"

#include "core/LibraryLock.h"
#include "files/Uri.h"
#include "imaging/ImageData.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "util/InputFile.h"
#include "util/OutputFile.h"

namespace Brenmarle {

void Folder2::unsupported(const char* operation)
{
    throw Quorvel::UnsupportedException(wxString::Format("%s is not supported by this folder", operation));
}

std::vector<wxString> Folder2::getFileUris() { unsupported("Listing files"); }
void Folder2::loadFiles(FileMap&) { unsupported("Loading files"); }
Quorvel::Ref<File> Folder2::getFile(const wxString&) { unsupported("getFile"); }

std::vector<Quorvel::Ref<File>> Folder2::loadFileList()
{
    // One reading of the folder instead of one per file; loadFiles gives the manager's objects.
    const std::vector<wxString> uris = getFileUris();
    FileMap loaded;
    loadFiles(loaded);
    std::vector<Quorvel::Ref<File>> files;
    files.reserve(uris.size());
    for (const wxString& uri : uris) {
        auto found = loaded.find(uri);
        if (found != loaded.end() && found->second)
            files.push_back(found->second);
    }
    return files;
}
std::unique_ptr<Quorvel::InputFile> Folder2::getFileInputStream(File&) { unsupported("Reading files"); }

std::unique_ptr<Quorvel::InputFile> Folder2::fetchFileInputStream(File& file,
                                                                  Quorvel::HttpCallbackObj*)
{
    return getFileInputStream(file);
}
std::unique_ptr<Quorvel::OutputFile> Folder2::getFileOutputStream(File&) { unsupported("Writing files"); }
int64_t Folder2::getFileSize(File&) { unsupported("getFileSize"); }
wxString Folder2::getThumbnailPath(File&) { unsupported("getThumbnailPath"); }
wxString Folder2::getResizedPath(File&, int, int) { unsupported("getResizedPath"); }
void Folder2::createThumbnail(File&) { unsupported("Making thumbnails"); }
Quorvel::Ref<ImageData> Folder2::loadThumbnail(File&) { unsupported("Loading thumbnails"); }
wxString Folder2::getLocalPath(const File&) { unsupported("Local paths"); }
void Folder2::deleteFile(File&) { unsupported("Deleting files"); }
void Folder2::moveFileIn(File&) { unsupported("Moving files"); }
Quorvel::Ref<File> Folder2::copyFileIn(File&) { unsupported("Copying files"); }
void Folder2::onFileAdded(File&, const wxString&, bool) {}
void Folder2::onFileRemoved(File&, const wxString&) {}
wxString Folder2::createFileURI() { unsupported("createFileURI"); }

bool Folder2::fileBelongsTo(const File& file) const
{
    LibraryLock lock;
    const wxString fileUri = file.getURI();
    QDEBUG("[FOLDER]     File    %s", fileUri);
    QDEBUG("[FOLDER] and Folder  %s", getURI());
    return Uri::folderOf(fileUri) == getURI();
}

} // namespace Brenmarle

#include "folders/LocalFolder.h"

#include <sys/stat.h>

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>

#include "core/LibraryLock.h"
#include "filemanager/FileManager.h"
#include "files/FileCopier.h"
#include "files/SafeFileName.h"
#include "files/StoragePaths.h"
#include "imaging/ImageData.h"
#include "imaging/ThumbnailMaker.h"
#include "system/Environment.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "util/InputFile.h"
#include "util/OutputFile.h"

namespace Brenmarle {

StoragePaths LocalFolder::storagePaths()
{
    return StoragePaths(Quorvel::Environment::getUserDataDir());
}

std::unique_ptr<Quorvel::InputFile> LocalFolder::getFileInputStream(File& file)
{
    const wxString path = getLocalPath(file);
    QDEBUG("[LOCALFOLDER] getFileInputStream for %s", file.getURI());
    QDEBUG("[LOCALFOLDER] Local path: %s", path);
    return std::make_unique<Quorvel::InputFile>(path);
}

std::unique_ptr<Quorvel::OutputFile> LocalFolder::getFileOutputStream(File& file)
{
    const wxString path = getLocalPath(file);
    QDEBUG("[LOCALFOLDER] getFileOutputStream for %s", file.getURI());
    makeDirectory(wxFileName(path).GetPath(), "Could not create directory: %s");
    return std::make_unique<Quorvel::OutputFile>(path);
}

int64_t LocalFolder::getFileSize(File& file)
{
    struct stat info {};
    if (::stat(getLocalPath(file).utf8_str(), &info) != 0)
        return -2;
    return info.st_size;
}

void LocalFolder::createThumbnail(File& file)
{
    if (!file.isImage()) {
        QDEBUG("Unsupported File type in createFileThumbnail");
        throw Quorvel::RuntimeException(wxS("Unsupported File type"));
    }
    const wxString picture = getLocalPath(file);
    QDEBUG("[LOCALFOLDER] Reading %s with ImageMagick", picture);
    ThumbnailMaker::makeThumbnail(picture, getThumbnailPath(file), file.getImageRotation(),
                                  file.getContentType());
}

Quorvel::Ref<ImageData> LocalFolder::loadThumbnail(File& file)
{
    const wxString path = getThumbnailPath(file);
    // Thumbnails are a cache: computer folders have none until first shown, and the user may
    // have cleared it. Make a missing one again instead of failing for ever.
    if (!wxFileExists(path))
        createThumbnail(file);
    auto image = Quorvel::makeRef<ImageData>();
    image->load(path);
    return image;
}

void LocalFolder::makeDirectory(const wxString& directory, const wxString& errorFormat)
{
    // Made as any program makes folders: the user's umask decides who may look in. Another
    // thread may make one of the parents at the same moment (copies side by side into a new
    // store), which fails the attempt half-way: try again while each try gets further.
    for (int attempt = 0; attempt < 8 && !wxDirExists(directory); ++attempt) {
        wxLogNull quiet;
        wxFileName::Mkdir(directory, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    }
    if (!wxDirExists(directory))
        throw Quorvel::IOException(wxString::Format(errorFormat, directory));
}

wxString LocalFolder::copyIntoDirectory(File& file, const wxString& directory)
{
    FolderRef source;
    {
        LibraryLock lock;
        source = FileManager::get().getFolder(file.getURI());
    }
    makeDirectory(directory, "Could not create directory: %s");
    std::unique_ptr<Quorvel::InputFile> input = source->getFileInputStream(file);
    FileCopier copier;
    return copier.copyToFreeName(*input, directory, SafeFileName::make(file.getFileName()));
}

void LocalFolder::readFileSystemData(File& file, const wxString& localPath)
{
    const wxFileName name(localPath);
    file.setFileName(name.GetFullName());
    struct stat info {};
    if (::stat(localPath.utf8_str(), &info) == 0) {
        file.setFileSize(info.st_size);
        file.setFileModifyTime(static_cast<int32_t>(info.st_mtime));
    }
    file.setContentType(File::getContentTypeForFileName(name.GetFullName()));
}

} // namespace Brenmarle

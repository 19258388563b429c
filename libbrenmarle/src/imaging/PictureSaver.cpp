#include "imaging/PictureSaver.h"

#include <atomic>
#include <cstdio>
#include <ctime>
#include <set>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

#include <wx/dir.h>
#include <wx/filename.h>
#include <wx/intl.h>

#include "core/LibraryLock.h"
#include "database/Database.h"
#include "filemanager/FileEvent.h"
#include "filemanager/FileManager.h"
#include "files/SafeFileName.h"
#include "folders/ComputerFolder.h"
#include "folders/LocalFolder.h"
#include "folders/ManagedFolder.h"
#include "folders/TempFolder.h"
#include "system/Environment.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "thumbnails/ThumbnailManager.h"

namespace Brenmarle {

namespace {

LocalFolder& localFolderOf(const FolderRef& folder)
{
    auto* local = dynamic_cast<LocalFolder*>(folder.get());
    if (!local)
        throw Quorvel::RuntimeException(wxS("Folder is not a local folder"));
    return *local;
}

wxString uniqueSuffix()
{
    static std::atomic<unsigned> counter{0};
    return wxString::Format("%ld-%u", static_cast<long>(getpid()), counter.fetch_add(1));
}

// A file or directory that must not outlive the save, whatever happens.
class Leftover {
public:
    explicit Leftover(wxString path, bool directory = false)
        : m_path(std::move(path)), m_directory(directory)
    {
    }
    ~Leftover()
    {
        if (m_path.empty())
            return;
        if (m_directory)
            wxFileName::Rmdir(m_path, wxPATH_RMDIR_RECURSIVE);
        else if (wxFileExists(m_path))
            wxRemoveFile(m_path);
    }
    Leftover(const Leftover&) = delete;
    Leftover& operator=(const Leftover&) = delete;
    void keep() { m_path.clear(); }

private:
    wxString m_path;
    bool m_directory;
};

// The display sizes resized copies were made for, from the folders holding them ("1024x768").
std::set<std::pair<int, int>> resizedSizes()
{
    std::set<std::pair<int, int>> sizes;
    const wxString data = Quorvel::Environment::getUserDataDir();
    for (const char* store : {"resized", "fsresized"}) {
        wxDir dir;
        if (!wxDirExists(data + store) || !dir.Open(data + store))
            continue;
        wxString name;
        for (bool more = dir.GetFirst(&name, wxEmptyString, wxDIR_DIRS); more;
             more = dir.GetNext(&name)) {
            long width = 0;
            long height = 0;
            if (name.BeforeFirst('x').ToLong(&width) && name.AfterFirst('x').ToLong(&height) &&
                width > 0 && height > 0)
                sizes.emplace(int(width), int(height));
        }
    }
    return sizes;
}

} // namespace

Quorvel::Ref<ImageData> PictureSaver::loadForEditing(File& file)
{
    FolderRef folder = FileManager::get().getFolder(file.getURI());
    const wxString path = localFolderOf(folder).getLocalPath(file);
    auto image = Quorvel::makeRef<ImageData>();
    image->load(path);
    // Also when 0: the pixels now stand as shown, whatever the orientation tag said.
    image->rotate(file.getImageRotation());
    return image;
}

wxString PictureSaver::whyReadOnly(File& file)
{
    FolderRef folder = FileManager::get().getFolder(file.getURI());
    if (!dynamic_cast<LocalFolder*>(folder.get()) || dynamic_cast<TempFolder*>(folder.get()))
        return "Folder is not a local folder";
    const wxString path = folder->getLocalPath(file);
    // Replacing means writing a new file beside it and renaming: both need the directory.
    if (access(path.fn_str(), W_OK) != 0 ||
        access(wxFileName(path).GetPath().fn_str(), W_OK | X_OK) != 0)
        return "File is read only";
    return wxString();
}

void PictureSaver::dropCachedCopies(File& file)
{
    FolderRef folder = FileManager::get().getFolder(file.getURI());
    try {
        if (ThumbnailManager::exists())
            ThumbnailManager::get().removeThumbnail(file);
        else if (wxFileExists(folder->getThumbnailPath(file)))
            wxRemoveFile(folder->getThumbnailPath(file));
        for (const auto& [width, height] : resizedSizes()) {
            const wxString resized = folder->getResizedPath(file, width, height);
            if (wxFileExists(resized))
                wxRemoveFile(resized);
        }
    } catch (const Quorvel::Exception& e) {
        // Folders without thumbnails or resized copies have nothing to drop.
        QDEBUG("[PICTURESAVER] No cached copies dropped: %s", e.getMessage());
    }
}

void PictureSaver::requireStillThere(File& file, Folder2& folder, const wxString& path)
{
    LibraryLock lock;
    struct stat info {};
    const bool onDisk = ::stat(path.fn_str(), &info) == 0 && S_ISREG(info.st_mode);
    const bool catalogued =
        !dynamic_cast<ManagedFolder*>(&folder) || Database::getInstance().hasFile(file.getURI());
    if (!onDisk || !catalogued)
        throw Quorvel::FileNotFoundException(
            _("The picture was deleted while you edited it. Use Save As New Copy to keep your "
              "changes."));
}

void PictureSaver::saveOver(File& file, const ImageData& image)
{
    FolderRef folder = FileManager::get().getFolder(file.getURI());
    LocalFolder& local = localFolderOf(folder);
    const wxString path = local.getLocalPath(file);
    // A picture deleted meanwhile would come back as a file nothing lists, with a catalogue
    // row of no album's.
    requireStillThere(file, *folder, path);
    const wxString temporary =
        wxFileName(path).GetPathWithSep() + "saving-" + uniqueSuffix() + ".tmp";
    Leftover leftover(temporary);
    image.save(temporary, ImageData::FORMAT_JPEG, SAVE_QUALITY);

    // The old thumbnail and resized copies are named after the old modify time.
    dropCachedCopies(file);
    struct stat info {};
    {
        // Deleting takes the library lock too: the picture is either gone before this, and
        // refused, or deleted after it with the saved file.
        LibraryLock lock;
        requireStillThere(file, *folder, path);
        if (std::rename(temporary.fn_str(), path.fn_str()) != 0)
            throw Quorvel::IOException(wxS("Could not move temporary file after saving image"));
        leftover.keep();
        if (::stat(path.fn_str(), &info) != 0)
            throw Quorvel::IOException(wxS("Could not stat file after saving image"));
        file.setFileSize(info.st_size);
        file.setFileModifyTime(static_cast<int32_t>(info.st_mtime));
        file.setContentType("image/jpeg");
        file.setImageWidth(image.getWidth());
        file.setImageHeight(image.getHeight());
        file.setImageRotation(0);
        file.setFileUserModified(true);
        file.setMetaModifyTime(static_cast<int32_t>(std::time(nullptr)));
        folder->saveFileMetadata(file);
    }
    FileManager::get().fileChanged(file, FileEvent::CHANGED_PICTURE);
}

wxString PictureSaver::copyName(const wxString& typedName, int format)
{
    // Only the last step counts: a typed path never leads elsewhere.
    wxString name = typedName.AfterLast('/').Strip(wxString::both);
    const wxString extension = wxFileName(name).GetExt().Lower();
    if (extension == "jpg" || extension == "jpeg" || extension == "png")
        name = name.BeforeLast('.');
    if (name.empty() || name == "." || name == "..")
        name = "picture";
    return SafeFileName::make(name + (format == ImageData::FORMAT_PNG ? ".png" : ".jpg"));
}

Quorvel::Ref<File> PictureSaver::saveCopy(const ImageData& image, const wxString& folderUri,
                                          const wxString& typedName, int format, int quality)
{
    FolderRef destination = FileManager::get().getFolder(folderUri);
    const bool album = dynamic_cast<ManagedFolder*>(destination.get()) != nullptr;
    if (!album && !dynamic_cast<ComputerFolder*>(destination.get()))
        throw Quorvel::RuntimeException(wxS("Unknown scheme: ") + folderUri);

    // The picture is written under its final name into a folder of its own among the
    // temporary files, and copied from there like any other picture.
    FolderRef temp = FileManager::get().getFolder("temp://");
    const wxString subfolder = "saving-" + uniqueSuffix();
    const wxString directory = static_cast<TempFolder&>(*temp).getDirectory() + subfolder;
    Leftover leftover(directory, true);
    const wxString name = copyName(typedName, format);
    image.save(directory + "/" + name, format, quality);

    Quorvel::Ref<File> source = temp->getFile("temp://" + subfolder + "/" + name);
    {
        LibraryLock lock;
        source->setImageWidth(image.getWidth());
        source->setImageHeight(image.getHeight());
        source->setImageRotation(0);
    }
    Quorvel::Ref<File> copy = destination->copyFileIn(*source);
    if (!album)
        QDEBUG("New file uri: %s", copy->getURI());
    return copy;
}

} // namespace Brenmarle

#include "sharing/EmailScalingTask.h"

#include <wx/dir.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/log.h>

#include "filemanager/FileManager.h"
#include "files/File.h"
#include "files/FileCopier.h"
#include "files/SafeFileName.h"
#include "folders/LocalFolder.h"
#include "folders/TempFolder.h"
#include "imaging/ImageData.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "util/Uuid.h"

namespace Brenmarle {

EmailScalingTask::Box EmailScalingTask::boxOf(int size)
{
    switch (size) {
    case 160:
        return {160, 120};
    case 320:
        return {320, 240};
    case 640:
        return {640, 480};
    case 1280:
        return {1280, 960};
    default:
        throw Quorvel::RuntimeException(
            wxString::Format(_("Unsupported preview size: %s"), wxString::Format("%d", size)));
    }
}

wxString EmailScalingTask::attachmentName(const wxString& fileName, bool scaled)
{
    // Only the last step counts: a name never leads out of the attachments' folder.
    wxString name = fileName.AfterLast('/').Strip(wxString::both);
    if (scaled) {
        const wxString extension = name.AfterLast('.').Lower();
        const bool jpeg = name.Contains(".") && (extension == "jpg" || extension == "jpeg");
        if (!jpeg) {
            if (name.Contains(".") && !name.BeforeLast('.').empty())
                name = name.BeforeLast('.');
            name += ".jpg";
        }
    }
    if (name.empty() || name.StartsWith("."))
        name = "picture" + name;
    return SafeFileName::make(name);
}

wxString EmailScalingTask::newFolder()
{
    FolderRef temp = FileManager::get().getFolder("temp://");
    return static_cast<TempFolder&>(*temp).getDirectory() + FOLDER_PREFIX +
           Quorvel::Uuid::create() + "/";
}

EmailScalingTask::EmailScalingTask(const std::vector<wxString>& uris, int size,
                                   const wxString& folder, PictureLookup lookup)
    : m_uris(uris), m_size(size), m_folder(folder.EndsWith("/") ? folder : folder + "/"),
      m_lookup(lookup ? std::move(lookup) : PictureLookup(&EmailScalingTask::lookUpInLibrary))
{
}

EmailScalingTask::~EmailScalingTask() = default;

EmailScalingTask::Picture EmailScalingTask::lookUpInLibrary(const wxString& uri)
{
    FileManager& files = FileManager::get();
    Quorvel::Ref<File> file = files.getImage(uri);
    if (!dynamic_cast<LocalFolder*>(files.getFolder(uri).get()))
        throw Quorvel::RuntimeException(_("Folder is not local folder, abort email sending"));
    Picture picture;
    picture.path = files.getLocalPath(*file);
    picture.fileName = file->getFileName();
    picture.contentType = file->getContentType();
    picture.rotation = file->getImageRotation();
    return picture;
}

void EmailScalingTask::run()
{
    try {
        if (m_size > 0)
            boxOf(m_size); // an unknown size fails before anything is written
        if (!ImageData::makeDirectory(m_folder))
            throw Quorvel::IOException("Could not create directory: " + m_folder);
        const int count = static_cast<int>(m_uris.size());
        for (int i = 0; i < count; ++i) {
            checkAbort();
            setProgress(wxString::Format(_("Resizing file %d..."), i + 1), i, count);
            notifyProgress();
            const wxString path = attach(m_lookup(m_uris[static_cast<size_t>(i)]), i);
            std::lock_guard<std::mutex> lock(m_mutex);
            m_attachments.push_back(path);
        }
        setProgress(wxString::Format(_("Resizing file %d..."), count), count, count);
    } catch (...) {
        removeWritten();
        throw;
    }
}

wxString EmailScalingTask::attach(const Picture& picture, int index)
{
    const bool scaled = m_size > 0;
    const wxString path = freePath(attachmentName(picture.fileName, scaled));
    if (!scaled) {
        FileCopier().copy(picture.path, path);
        QDEBUG("[EMAILSCALINGTASK] File %d attached as it is: %s", index + 1, path);
        return path;
    }
    // The box is a screen's: the upright picture is fitted into it as it lies.
    const Box box = boxOf(m_size);
    Quorvel::Ref<ImageData> image = Quorvel::makeRef<ImageData>();
    image->loadFitted(picture.path, box.width, box.height, picture.rotation,
                      ImageData::Fit::Display, picture.contentType);
    image->save(path, ImageData::FORMAT_JPEG, JPEG_QUALITY);
    QDEBUG("[EMAILSCALINGTASK] File %d scaled to %d x %d: %s", index + 1, image->getWidth(),
           image->getHeight(), path);
    return path;
}

wxString EmailScalingTask::freePath(const wxString& name)
{
    wxString candidate = name;
    for (int number = 2; m_taken.count(candidate.Lower()) || wxFileExists(m_folder + candidate);
         ++number)
        candidate = SafeFileName::numbered(name, number);
    m_taken.insert(candidate.Lower());
    return m_folder + candidate;
}

void EmailScalingTask::removeWritten()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    wxLogNull quiet; // the folder goes with the temporary files at the next start anyway
    for (const wxString& path : m_attachments)
        wxRemoveFile(path);
    m_attachments.clear();
}

std::vector<wxString> EmailScalingTask::getAttachments() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_attachments;
}

} // namespace Brenmarle

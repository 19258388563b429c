#include "archive/ArchiveExportTask.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include <wx/filefn.h>

#include "archive/XmpSidecar.h"
#include "filemanager/FileManager.h"
#include "files/File.h"
#include "files/FileCopier.h"
#include "files/StoragePaths.h"
#include "folders/ManagedFolder.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "util/InputFile.h"
#include "util/OutputFile.h"

namespace Brenmarle {

namespace {

using Quorvel::OutputFile;

// The name a picture without one is exported under: its UUID.
wxString fallbackName(const File& file)
{
    return StoragePaths::fileUuid(file.getURI());
}

void keepFileTime(const wxString& path, int32_t seconds)
{
    if (seconds <= 0)
        return;
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    // The copy is whole without it; only its date in a file browser would differ.
    if (::utimensat(AT_FDCWD, path.utf8_str(), times, 0) != 0)
        QDEBUG("[ARCHIVEEXPORT] Could not set the time of %s", path);
}

bool isDiskFull(const Quorvel::Exception& e)
{
    return e.getCode() == ArchiveExportTask::DISK_FULL;
}

} // namespace

ArchiveExportTask::ArchiveExportTask(std::vector<wxString> folderUris, const wxString& target)
    : m_folderUris(std::move(folderUris)), m_target(target.EndsWith("/") ? target : target + "/")
{
}

int ArchiveExportTask::getTotalCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_total;
}

int ArchiveExportTask::getExportedCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_exported;
}

std::vector<std::pair<wxString, wxString>> ArchiveExportTask::getFailures() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_failures;
}

std::vector<wxString> ArchiveExportTask::getCreatedFolders() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_createdFolders;
}

void ArchiveExportTask::checkTarget() const
{
    if (!wxDirExists(m_target))
        throw Quorvel::FileNotFoundException(
            wxString::Format("The folder %s does not exist.", m_target.BeforeLast('/')));
    if (::access(m_target.utf8_str(), W_OK | X_OK) != 0)
        throw Quorvel::FileAccessException(
            wxString::Format("You may not write into the folder %s. Please choose another folder.",
                             m_target.BeforeLast('/')));
}

void ArchiveExportTask::raiseDiskFull() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    throw Quorvel::IOException(
        DISK_FULL,
        wxString::Format("The disk that holds %s is full. %d of %d pictures were exported; "
                         "please make room or choose another folder.",
                         m_target.BeforeLast('/'), m_exported, m_total));
}

wxString ArchiveExportTask::makeAlbumFolder(const wxString& albumName)
{
    const wxString name = ExportName::clean(albumName, "Album");
    for (;;) {
        const wxString path = m_target + m_albumNames.reserve(name);
        if (::mkdir(path.utf8_str(), 0777) == 0) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_createdFolders.push_back(path);
            return path + "/";
        }
        const int error = errno;
        if (error == EEXIST)
            continue;
        if (error == ENOSPC || error == EDQUOT)
            raiseDiskFull();
        throw Quorvel::IOException(wxString::Format("Could not create the folder %s (%s)", path,
                                                    wxString::FromUTF8(std::strerror(error))));
    }
}

void ArchiveExportTask::countDone(const wxString& albumName)
{
    int done = 0;
    int total = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        done = ++m_done;
        total = m_total;
    }
    setProgress(wxString::Format("Exporting %s", albumName), done, total);
    notifyProgress();
}

void ArchiveExportTask::exportFile(ManagedFolder& folder, File& file, const wxString& dir,
                                   ExportName::Folder& names)
{
    const size_t suffixBytes = strlen(XmpSidecar::SUFFIX);
    const wxString name = ExportName::clean(file.getFileName(), fallbackName(file), suffixBytes);
    Quorvel::InputFile source(folder.getLocalPath(file));
    OutputFile picture(dir + names.reserve(name));
    FileCopier().transfer(source, picture);
    // A file that appeared under the name meanwhile is not ours to replace.
    while (!FileCopier::commit(picture, false))
        picture.rename(dir + names.reserve(name));
    keepFileTime(picture.getPath(), file.getFileModifyTime());

    const std::string sidecar = XmpSidecar::make(file);
    OutputFile text(picture.getPath() + XmpSidecar::SUFFIX);
    text.write(sidecar.data(), sidecar.size());
    if (!text.commit(OutputFile::Replace::No))
        throw Quorvel::IOException(
            wxString::Format("%s is in the way of the picture's sidecar", text.getPath()));
}

void ArchiveExportTask::exportFolder(ManagedFolder& folder, const wxString& albumName)
{
    const std::vector<wxString> uris = folder.getFileUris();
    const wxString dir = makeAlbumFolder(albumName);
    QDEBUG("[ARCHIVEEXPORT] Exporting %s (%d files) to %s", albumName, int(uris.size()), dir);
    ExportName::Folder names(XmpSidecar::SUFFIX);
    for (const wxString& uri : uris) {
        checkAbort();
        wxString shownName = uri;
        try {
            const Quorvel::Ref<File> file = FileManager::get().getFile(uri);
            shownName = file->getFileName().empty() ? uri : file->getFileName();
            setDetail(shownName, 0, 0);
            exportFile(folder, *file, dir, names);
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_exported;
        } catch (const Quorvel::AbortException&) {
            throw;
        } catch (const Quorvel::Exception& e) {
            if (isDiskFull(e))
                raiseDiskFull();
            QDEBUG("[ARCHIVEEXPORT] Could not export %s: %s", uri, e.getMessage());
            std::lock_guard<std::mutex> lock(m_mutex);
            m_failures.emplace_back(shownName, e.getMessage());
        }
        countDone(albumName);
    }
}

void ArchiveExportTask::run()
{
    setProgress("Preparing export", 0, 0);
    notifyProgress();
    checkTarget();
    std::vector<std::pair<Quorvel::Ref<ManagedFolder>, wxString>> folders;
    int total = 0;
    for (const wxString& uri : m_folderUris) {
        FolderRef folder = FileManager::get().getFolder(uri);
        auto* managed = dynamic_cast<ManagedFolder*>(folder.get());
        if (!managed)
            throw Quorvel::RuntimeException(
                wxString::Format("%s is not an album of the program", uri));
        total += managed->getFileCount();
        folders.emplace_back(Quorvel::Ref<ManagedFolder>(managed), managed->getName());
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_total = total;
    }
    for (auto& [folder, name] : folders) {
        checkAbort();
        exportFolder(*folder, name);
    }
    setResultText(wxString::Format("%d of %d pictures exported", getExportedCount(), total));
}

} // namespace Brenmarle

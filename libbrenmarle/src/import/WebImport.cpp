#include "import/WebImport.h"

#include "filemanager/FileManager.h"
#include "folders/AlbumFolder.h"
#include "folders/InboxFolder.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "threads/TaskRunnerThread.h"

namespace Brenmarle {

namespace {

bool isWebAddress(const wxString& uri)
{
    const wxString lower = uri.Lower();
    return lower.StartsWith("http://") || lower.StartsWith("https://");
}

// The album of that name, shown or hidden; null when there is none.
Quorvel::Ref<AlbumFolder> albumNamed(const wxString& name)
{
    for (const AlbumFolder::AlbumMap& albums :
         {AlbumFolder::getAlbums(), AlbumFolder::getHiddenAlbums()}) {
        for (const auto& entry : albums) {
            if (entry.second->getName() == name)
                return entry.second;
        }
    }
    return Quorvel::Ref<AlbumFolder>();
}

} // namespace

WebImport::WebImport(const wxString& albumName, const wxString& description,
                     std::vector<wxString> uris)
    : m_albumName(albumName), m_description(description), m_uris(std::move(uris))
{
}

Quorvel::Ref<ManagedFolder> WebImport::resolveDestination()
{
    if (m_albumName.empty()) {
        FolderRef inbox = FileManager::get().getFolder(InboxFolder::URI);
        return Quorvel::Ref<ManagedFolder>(dynamic_cast<ManagedFolder*>(inbox.get()));
    }
    Quorvel::Ref<AlbumFolder> album = albumNamed(m_albumName);
    if (!album) {
        album = Quorvel::makeRef<AlbumFolder>();
        album->setName(m_albumName);
        album->setDescription(m_description);
        AlbumFolder::createAlbum(album);
    }
    return album;
}

Quorvel::Ref<ImportTask> WebImport::prepare()
{
    m_failures.clear();
    m_task = Quorvel::Ref<ImportTask>();
    // Only web addresses: a page must not be able to make the program copy the user's own
    // files into the library.
    ImportTask::Files files;
    for (const wxString& uri : m_uris) {
        try {
            if (!isWebAddress(uri))
                throw Quorvel::RuntimeException("Not a web address");
            files.push_back(FileManager::get().getFile(uri));
        } catch (const Quorvel::Exception& e) {
            fail(uri, e.getMessage());
        }
    }
    // Nothing to fetch makes no empty album either.
    if (files.empty())
        return m_task;
    m_destination = resolveDestination();
    if (!m_destination)
        throw Quorvel::RuntimeException("The pictures have no place to go");
    m_task = Quorvel::makeRef<ImportTask>(std::move(files), FolderRef(), m_destination);
    return m_task;
}

void WebImport::finish()
{
    if (!m_task)
        return;
    for (const auto& failure : m_task->getFailures())
        fail(failure.first, failure.second);
    // A stop or a full disk ends the task early; the files it did not reach must not pass
    // unsaid.
    const int untried = m_task->getTotalCount() - m_task->getImportedCount() -
                        m_task->getFailedCount() - m_task->getSkippedCount();
    if (untried > 0)
        fail(wxString::Format("%d more files", untried),
             m_task->isAborted()
                 ? wxString("The import was stopped before them")
                 : wxString("The import stopped before them (is the disk that holds your "
                            "pictures full?)"));
}

void WebImport::run()
{
    if (const Quorvel::Ref<ImportTask> task = prepare()) {
        Quorvel::TaskRunnerThread runner;
        runner.addTask(task, nullptr);
        runner.waitUntilStopped();
    }
    finish();
}

void WebImport::fail(const wxString& uri, const wxString& reason)
{
    wxLogError("Web import of %s failed: %s", uri, reason);
    m_failures.emplace_back(uri, reason);
}

ImportTask::Files WebImport::getImportedFiles() const
{
    return m_task ? m_task->getImportedFiles() : ImportTask::Files();
}

} // namespace Brenmarle

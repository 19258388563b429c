#include "safestorage/SafeStorageCommands.h"

#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/msgdlg.h>

#include "filemanager/FileEvent.h"
#include "filemanager/FileManager.h"
#include "safestorage/AlreadySafeDialog.h"
#include "safestorage/SafeStorageAccount.h"
#include "safestorage/SubscriptionsDialog.h"
#include "service/NetworkSettings.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "threads/TaskEvent.h"
#include "threads/TaskRunnerThread.h"

using Brenmarle::SafeStorageSelection;
using Brenmarle::SafeStorageTask;
using Brenmarle::StorageClient_3_0;

namespace {

// Reads an album's pictures for storing, so a large album never holds the window.
class AlbumFilesTask : public Quorvel::Task {
public:
    explicit AlbumFilesTask(Quorvel::Ref<Brenmarle::AlbumFolder> album) : m_album(std::move(album))
    {
    }
    void run() override { files = m_album->loadFileList(); }

    SafeStorageCommands::Files files;

private:
    Quorvel::Ref<Brenmarle::AlbumFolder> m_album;
};

} // namespace

SafeStorageCommands::SafeStorageCommands(wxWindow* parent, Quorvel::Configuration& configuration,
                                         Hooks hooks, Quorvel::NetworkSettings* settings)
    : m_parent(parent), m_configuration(configuration),
      m_settings(settings ? *settings : Quorvel::NetworkSettings::get()), m_hooks(std::move(hooks)),
      m_runner(std::make_unique<Quorvel::TaskRunnerThread>())
{
    Bind(Quorvel::EVT_TASK_FINISHED, &SafeStorageCommands::onFinished, this);
    Bind(Quorvel::EVT_TASK_FAILED, &SafeStorageCommands::onFailed, this);
    Bind(Quorvel::EVT_TASK_ABORTED, &SafeStorageCommands::onFailed, this);
}

SafeStorageCommands::~SafeStorageCommands()
{
    // The window's steps stop with it; their handlers would reach commands that have gone.
    if (m_progress) {
        m_progress->detach();
        m_progress->Destroy();
    }
    m_runner->removeListener(this);
    m_runner->abortAll(true);
    m_runner.reset();
}

bool SafeStorageCommands::anyStored(const Files& pictures)
{
    for (const auto& picture : pictures)
        if (picture && picture->getSafeStorageType() != 0)
            return true;
    return false;
}

wxString SafeStorageCommands::deleteQuestion(const Files& pictures, const wxString& usual)
{
    if (!anyStored(pictures))
        return usual;
    return _("WARNING: The file you are about to delete will also be REMOVED FROM SAFE STORAGE. "
             "Please confirm that you wish to do this.");
}

bool SafeStorageCommands::ask(const wxString& question, const wxString& title, const wxString& yes)
{
    wxMessageDialog dialog(m_parent, question, title, wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION);
    dialog.SetYesNoLabels(yes, _("Cancel"));
    return dialog.ShowModal() == wxID_YES;
}

void SafeStorageCommands::showError(const wxString& message)
{
    wxMessageDialog dialog(m_parent, message, _("Safe Storage Error"), wxOK | wxICON_ERROR);
    dialog.ShowModal();
}

bool SafeStorageCommands::accountReady()
{
    if (!SafeStorageAccount::accountId(m_configuration).empty())
        return true;
    if (!ask(_("You need to register an account to use the safe storage function"),
             _("Account needed for safe storage!"), _("Register")) ||
        !m_hooks.registerAccount)
        return false;
    return m_hooks.registerAccount() && !SafeStorageAccount::accountId(m_configuration).empty();
}

bool SafeStorageCommands::storable(const Files& pictures)
{
    for (const auto& picture : pictures) {
        if (!picture || !SafeStorageSelection::isStorable(picture->getURI())) {
            showError(_("Safe storage only works with files in albums or in the inbox."));
            return false;
        }
    }
    return true;
}

void SafeStorageCommands::add(const Files& pictures)
{
    if (pictures.empty() || !accountReady() || !storable(pictures))
        return;
    std::vector<SafeStorageSelection::Picture> values;
    for (const auto& picture : pictures)
        values.push_back(SafeStorageSelection::of(*picture));
    const SafeStorageSelection selection(values, SafeStorageAccount::accountId(m_configuration));
    QDEBUG("[SAFESTORAGE] Add %zu pictures", pictures.size());
    if (selection.count(SafeStorageSelection::NOT_STORED) == 0) {
        AlreadySafeDialog dialog(m_parent, selection);
        dialog.ShowModal();
        return;
    }
    SafeStorageDialog dialog(m_parent, pictures, m_configuration,
                             {m_hooks.rentSlots, m_hooks.changesToSynchronize}, &m_settings);
    dialog.ShowModal();
}

void SafeStorageCommands::storeAlbum(const Quorvel::Ref<Brenmarle::AlbumFolder>& album)
{
    if (!album || !accountReady())
        return;
    QDEBUG("[SAFESTORAGE] Store album %s", album->getURI());
    auto task = Quorvel::makeRef<AlbumFilesTask>(album);
    m_pending[task.get()] = {};
    m_runner->addTask(task, this);
}

SafeStorageCommands::Files SafeStorageCommands::storedOf(const Files& pictures)
{
    Files stored;
    if (pictures.empty() || !accountReady())
        return stored;
    for (const auto& picture : pictures)
        if (picture && picture->getSafeStorageType() != 0)
            stored.push_back(picture);
    if (stored.empty())
        showError(_("None of the selected pictures is in safe storage."));
    return stored;
}

void SafeStorageCommands::remove(const Files& pictures)
{
    const Files stored = storedOf(pictures);
    if (stored.empty())
        return;
    const int count = static_cast<int>(stored.size());
    const bool one = count == 1;
    if (!ask(one ? _("Do you wish to remove the selected file from safe storage?")
                 : wxString::Format(_("Do you wish to remove the selected %d files from safe "
                                      "storage?"),
                                    count),
             one ? _("Remove file from safe storage?") : _("Remove files from safe storage?"),
             _("Remove")))
        return;
    std::vector<StorageClient_3_0::FileId> ids;
    for (const auto& picture : stored)
        ids.push_back({wxString(), StorageClient_3_0::fileReference(picture->getURI()), 0, 0});
    QDEBUG("[SAFESTORAGE] Remove %d pictures", count);
    progress(_("Remove from Safe Storage"),
             wxString::Format(wxPLURAL("Removing %d picture from safe storage.",
                                       "Removing %d pictures from safe storage.", count),
                              count))
        .addStep([ids](const auto& client) { return SafeStorageTask::remove(client, ids); },
                 _("Releasing slots..."),
                 [this, stored](SafeStorageTask* task, bool, const wxString& message) {
                     // Also after a failure or Cancel: those released before are released.
                     released(stored, task ? task->releasedCount : 0);
                     if (!message.empty())
                         m_errors.push_back(message);
                 });
}

void SafeStorageCommands::replace(const Files& pictures)
{
    const Files stored = storedOf(pictures);
    if (stored.empty())
        return;
    if (!ask(wxPLURAL("Replace the selected picture with its copy in safe storage? Changes made "
                      "to it since it was stored are lost.",
                      "Replace the selected pictures with their copies in safe storage? Changes "
                      "made to them since they were stored are lost.",
                      stored.size()),
             _("Replace from Safe Storage"), _("Replace")))
        return;
    const int count = static_cast<int>(stored.size());
    QDEBUG("[SAFESTORAGE] Replace %d pictures", count);
    StorageProgressDialog& window =
        progress(_("Replace from Safe Storage"),
                 wxString::Format(
                     wxPLURAL("Replacing %d picture with its copy in safe storage.",
                              "Replacing %d pictures with their copies in safe storage.", count),
                     count));
    for (const auto& picture : stored) {
        const wxString uri = picture->getURI();
        const wxString local = Brenmarle::FileManager::get().getLocalPath(*picture);
        window.addStep(
            [uri, local](const auto& client) {
                return SafeStorageTask::replace(client, uri, local);
            },
            wxString::Format(_("Downloading %s..."), picture->getFileName()),
            [this, picture](SafeStorageTask* task, bool finished, const wxString& message) {
                try {
                    if (finished && task)
                        replaced(*picture, *task);
                } catch (const Quorvel::Exception& e) {
                    m_errors.push_back(e.getMessage());
                }
                if (!message.empty())
                    m_errors.push_back(
                        wxString::Format(_("Could not replace %s from safe storage:\n\n%s"),
                                         picture->getFileName(), message));
            });
    }
}

void SafeStorageCommands::showStatus()
{
    SubscriptionsDialog dialog(m_parent, m_configuration, &m_settings);
    dialog.ShowModal();
}

StorageProgressDialog& SafeStorageCommands::progress(const wxString& title, const wxString& message)
{
    if (!m_progress) {
        m_progress = new StorageProgressDialog(m_parent, title, message, m_configuration,
                                               &m_settings, [this](bool) { allStepsEnded(); });
        m_progress->Show();
    }
    return *m_progress;
}

void SafeStorageCommands::allStepsEnded()
{
    // Called from the window's own event: it goes once the event is handled.
    if (m_progress)
        m_progress->Destroy();
    m_progress = nullptr;
    if (m_errors.empty())
        return;
    wxString text;
    for (const wxString& error : m_errors)
        text += (text.empty() ? wxString() : wxString(wxS("\n\n"))) + error;
    m_errors.clear();
    m_telling = true;
    CallAfter([this, text] {
        showError(text);
        m_telling = false;
    });
}

void SafeStorageCommands::released(const Files& pictures, int count)
{
    for (int i = 0; i < count && i < static_cast<int>(pictures.size()); ++i) {
        try {
            SafeStorageAccount::setStatus(*pictures[i], StorageClient_3_0::NO_SAFE_STORAGE,
                                          wxString());
        } catch (const Quorvel::Exception& e) {
            QDEBUG("[SAFESTORAGE] Could not clear %s: %s", pictures[i]->getURI(), e.getMessage());
        }
    }
    if (count > 0 && m_hooks.changesToSynchronize)
        m_hooks.changesToSynchronize();
}

void SafeStorageCommands::replaced(Brenmarle::File& picture, SafeStorageTask& task)
{
    // The local picture is now the server's copy: its size and time are the server's, and it
    // has nothing to send.
    picture.setFileSize(static_cast<int64_t>(wxFileName::GetSize(task.downloadedPath).GetValue()));
    picture.setFileModifyTime(static_cast<int32_t>(task.file.fileModifyTime));
    picture.setSafeStorageRevision(static_cast<int32_t>(task.file.fileModifyTime));
    // A copy in a format not recognised leaves the size known before.
    if (task.replacedWidth > 0 && task.replacedHeight > 0) {
        picture.setImageWidth(task.replacedWidth);
        picture.setImageHeight(task.replacedHeight);
    }
    Brenmarle::FileManager& manager = Brenmarle::FileManager::get();
    manager.getFolder(picture.getURI())->saveFileMetadata(picture);
    manager.fileChanged(picture, Brenmarle::FileEvent::CHANGED_PICTURE);
}

void SafeStorageCommands::onFinished(Quorvel::TaskEvent& event)
{
    const auto found = m_pending.find(event.getTask().get());
    if (found == m_pending.end())
        return;
    m_pending.erase(found);
    if (auto* album = dynamic_cast<AlbumFilesTask*>(event.getTask().get()))
        add(album->files);
}

void SafeStorageCommands::onFailed(Quorvel::TaskEvent& event)
{
    const auto found = m_pending.find(event.getTask().get());
    if (found == m_pending.end())
        return;
    m_pending.erase(found);
    QDEBUG("[SAFESTORAGE] Failed: %s (%s)", event.getErrorMessage(), event.getErrorCode());
    showError(event.getErrorMessage());
}

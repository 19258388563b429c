#pragma once
// The safe-storage commands of the main window: "&Add to Safe Storage" and "Store Album
// Safely..." (the Safe Storage dialog, or the Already Marked dialog when every picture is
// stored), "&Remove from Safe Storage" (asks, releases the pictures' slots and clears their
// status), "&Replace from Safe Storage" (asks, then the server copy of each stored picture
// replaces the local file, only once it arrived whole, and the catalogue takes its size and
// time) and "S&afe Storage Status".
//
// Storing needs an account and pictures of albums or the inbox. Every call to the service
// runs off the GUI thread: reading an album on the commands' own task runner, removing and
// replacing in a progress window with Cancel (StorageProgressDialog), whose failures are told
// together once its steps have ended.
//
// GUI thread only. The parent window must outlive the commands.

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include <wx/event.h>
#include <wx/weakref.h>

#include "files/File.h"
#include "folders/AlbumFolder.h"
#include "safestorage/SafeStorageDialog.h"
#include "safestorage/StorageProgressDialog.h"

namespace Quorvel {
class Configuration;
class NetworkSettings;
class TaskEvent;
class TaskRunnerThread;
} // namespace Quorvel
class wxWindow;

class SafeStorageCommands : public wxEvtHandler {
public:
    using Files = std::vector<Quorvel::Ref<Brenmarle::File>>;
    struct Hooks {
        // Leads the user through registering an account; whether there is one afterwards.
        std::function<bool()> registerAccount;
        // As SafeStorageDialog::Hooks.
        std::function<bool()> rentSlots;
        std::function<void()> changesToSynchronize;
    };

    // `settings` null: the program's network settings.
    SafeStorageCommands(wxWindow* parent, Quorvel::Configuration& configuration, Hooks hooks,
                        Quorvel::NetworkSettings* settings = nullptr);
    ~SafeStorageCommands() override;

    void add(const Files& pictures);
    // Lists the album's pictures off the GUI thread, then add().
    void storeAlbum(const Quorvel::Ref<Brenmarle::AlbumFolder>& album);
    void remove(const Files& pictures);
    void replace(const Files& pictures);
    void showStatus();

    // Whether any of the pictures is in safe storage (deleting it removes it there too).
    static bool anyStored(const Files& pictures);
    // The question before deleting pictures, the safe-storage warning when any is stored.
    static wxString deleteQuestion(const Files& pictures, const wxString& usual);

    // A step of remove() or replace() (or the reading of an album) is still running.
    // The failures told count as part of it.
    bool isBusy() const
    {
        return !m_pending.empty() || (m_progress && m_progress->hasSteps()) || m_telling;
    }
    // The window showing remove() and replace() at work; null when none is.
    StorageProgressDialog* getProgressDialog() const { return m_progress.get(); }

private:
    // Without an account, offers to register one; whether there is one now.
    bool accountReady();
    bool storable(const Files& pictures);
    // The pictures of `pictures` in safe storage, once there is an account; says so when
    // there are none.
    Files storedOf(const Files& pictures);
    bool ask(const wxString& question, const wxString& title, const wxString& yes);
    void showError(const wxString& message);
    // The progress window, opened when none is.
    StorageProgressDialog& progress(const wxString& title, const wxString& message);
    void allStepsEnded();
    void onFinished(Quorvel::TaskEvent& event);
    void onFailed(Quorvel::TaskEvent& event);
    void released(const Files& pictures, int count);
    void replaced(Brenmarle::File& picture, Brenmarle::SafeStorageTask& task);

    wxWindow* m_parent;
    Quorvel::Configuration& m_configuration;
    Quorvel::NetworkSettings& m_settings;
    Hooks m_hooks;
    std::unique_ptr<Quorvel::TaskRunnerThread> m_runner;
    // The albums being read for storing.
    std::map<const Quorvel::Task*, Files> m_pending;
    wxWeakRef<StorageProgressDialog> m_progress;
    // What went wrong in the progress window's steps, told when they have all ended.
    std::vector<wxString> m_errors;
    bool m_telling = false;
};

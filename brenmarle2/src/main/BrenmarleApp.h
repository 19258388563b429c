#pragma once
// The program's application object. It settles the single running instance, runs the start-up
// steps (each at most once, after the steps it needs), dispatches start-up and IPC commands,
// and shuts everything down in a fixed order under the watchdog.
//
// GUI thread only.

#include <memory>
#include <vector>

#include <wx/timer.h>

#include "main/CommandFile.h"
#include "main/CommandLine.h"
#include "main/CommandQueue.h"
#include "main/ProgramUpdateSearch.h"
#include "plugins/PluginExecutor.h"
#include "service/AccountSettings.h"
#include "service/UpdateNewsThread.h"
#include "service/VManagerClient_1_0.h"
#include "system/Application.h"

namespace Quorvel {
class SingleInstanceLock;
}
namespace Brenmarle {
class FileManager;
class ImageLoader;
class ThumbnailManager;
} // namespace Brenmarle
class BrenmarleServer;
class FileMonitor;
class MainFrame;
class Ordering;
class PluginRegistry;
class PluginWindowHost;
class Preferences;
class WebImportRunner;

class BrenmarleApp : public Quorvel::Application {
public:
    BrenmarleApp();
    ~BrenmarleApp() override;

    bool OnInit() override;
    int OnExit() override;
    bool OnExceptionInMainLoop() override;
    // Logs "Main loop running" once: from then on the instance answers hand-overs and input.
    void OnEventLoopEnter(wxEventLoopBase* loop) override;

    // Runs a start-up or IPC command; returns whether the process is to keep running. A
    // command that would end the process gives the status to end with in `exitStatus` (0 when
    // it was handled); only a process's own start-up command decides how it ends.
    bool runCommand(const wxString& command, const wxString& argument, int& exitStatus);

    // Start-up steps. Each logs "<ms> <name>" under STARTUP, runs at most once and first runs
    // the steps it needs.
    void initBasic();
    void initDatabase();
    void initKeywords();
    void initAlbums();
    void initImageMagick();
    void initPlugins();
    void initMainFrame();
    void openMainFrame();
    void openMainFrameWithSplash();
    void startUpdateChecks();

    using Account = Brenmarle::AccountSettings::Account;
    const Account& getAccount() const { return m_account; }
    Preferences* getPreferences() const { return m_preferences.get(); }
    MainFrame* getMainFrame() const;

    // Keeps an IPC command until the GUI thread runs it, after those that came before it.
    void queueCommand(const wxString& command, const wxString& argument);

    // The plug-in commands for the menu slots (null before initPlugins).
    const PluginRegistry* getPluginRegistry() const { return m_pluginRegistry.get(); }
    // Runs a plug-in command of the registry on the user's choice; false after a failure, which
    // the user was told about.
    bool runPlugin(const PluginCommand& command, const PluginExecutor::Selection& selection);
    // The price list and the shopping cart of this run (null before the main frame is made).
    Ordering* getOrdering() const { return m_ordering.get(); }
    // Watches copies of pictures edited in other programs (null before the main frame is made).
    FileMonitor* getFileMonitor() const { return m_fileMonitor.get(); }

private:
    enum Step {
        STEP_BASIC,
        STEP_DATABASE,
        STEP_KEYWORDS,
        STEP_ALBUMS,
        STEP_IMAGEMAGICK,
        STEP_PLUGINS,
        STEP_MAINFRAME,
        STEP_COUNT
    };
    // Marks the step done and logs it; false when it had run already. During start-up it
    // first ends start-up (see interruptIfRequested) when a termination signal has arrived.
    bool beginStep(Step step, const char* name);

    // OnInit's work; returns whether the process keeps running.
    bool startUp();
    // A second start: hands the command to the running instance, waiting (within its bound)
    // for the instance's server while it holds the lock. True when the command was delivered.
    bool handOverToRunningInstance();
    // Throws Quorvel::AbortException during start-up when a termination signal has arrived.
    void interruptIfRequested();
    // The exit steps, in order; run once, by OnExit or by a start-up that ends early.
    void shutDown();
    bool startIpcServer();
    void onLockTimer(wxTimerEvent& event);
    void cleanRunFolders();
    // Runs a command another start handed over.
    void runHandedOver(const wxString& command, const wxString& argument);
    void onIdle(wxIdleEvent& event);
    void runCommandFile(const wxString& path);
    // Downloads the command's files into its album in the background, with a progress window.
    void webImport(const CommandFile::Action& action);
    void importShare(const CommandFile::Action& action);
    // "internet/webserviceport" of the global configuration (80 when absent).
    int servicePort();
    void endWebImport(WebImportRunner* runner);
    void notAvailable(const wxString& function);
    // False when `version` is not this program's version.
    bool removeData(const wxString& version);
    // Closes the catalogue and stops the writes into the data folder, before it is removed.
    void releaseData();
    void openCamera(wxString argument);
    // The picture window on its own, for a path or URI ("open", or "edit" with its tabs).
    void openPicture(const wxString& pathOrUri, bool edit);

    StartupCommand m_startup;
    std::unique_ptr<Quorvel::SingleInstanceLock> m_instanceLock;
    CommandQueue m_handedOver;
    // The single-instance socket; an instance that started without the lock (the holder did
    // not answer) tries to take the lock over with this timer.
    wxString m_socketPath;
    wxTimer m_lockTimer;
    bool m_starting = false;
    bool m_shutDown = false;
    // The data folder is being removed: nothing is written there any more.
    bool m_dataReleased = false;
    bool m_mainLoopEntered = false;
    bool m_done[STEP_COUNT] = {};
    Account m_account;
    // The background checks for news, plug-in updates and a new program version, from the
    // main window's start to the exit.
    std::unique_ptr<Brenmarle::VManagerClient_1_0> m_vmanager;
    std::unique_ptr<Brenmarle::UpdateNewsThread> m_newsThread;
    std::unique_ptr<ProgramUpdateSearch> m_updateSearch;
    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<Brenmarle::FileManager> m_fileManager;
    // The process's thumbnail manager and image loader (their get()), made with the image
    // library; their threads end in OnExit.
    std::unique_ptr<Brenmarle::ThumbnailManager> m_thumbnailManager;
    std::unique_ptr<Brenmarle::ImageLoader> m_imageLoader;

    // What plug-ins are told about this run and its user, as it is now.
    PluginExecutor::Session pluginSession();
    void startFileMonitor();
    std::unique_ptr<PluginRegistry> m_pluginRegistry;
    std::unique_ptr<PluginWindowHost> m_pluginHost;
    std::unique_ptr<PluginExecutor> m_pluginExecutor;
    std::unique_ptr<FileMonitor> m_fileMonitor;
    // The web imports running; each goes when it ends, the rest at exit.
    std::vector<std::unique_ptr<WebImportRunner>> m_webImports;
    std::unique_ptr<Ordering> m_ordering;
};

wxDECLARE_APP(BrenmarleApp);

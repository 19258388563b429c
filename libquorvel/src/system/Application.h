#pragma once
// The toolkit application object of every program built on the framework. It fixes the
// program's identity (IPC name, display name, version), sets up the locale and translation
// catalogues, initialises the Environment and owns the configuration stores, the main window
// and the single-instance server.
//
// GUI thread only, except the configuration accessors (see Configuration).

#include <memory>
#include <optional>

#include <wx/app.h>
#include <wx/intl.h>
#include <wx/weakref.h>
#include <wx/window.h>

#include "system/Configuration.h"

#include <wx/ipc.h>

namespace Quorvel {

class OrderlyExit;
class SelfDestructThread;
class Skin;

class Application : public wxApp {
public:
    // The IPC name is the executable's file name without folder and extension.
    Application(const wxString& displayName, int major, int minor, int build);
    ~Application() override;

    static Application& get();

    const wxString& getIpcName() const { return m_ipcName; }
    const wxString& getDisplayName() const { return m_displayName; }
    void setDisplayName(const wxString& name) { m_displayName = name; }
    int getMajorVersion() const { return m_major; }
    int getMinorVersion() const { return m_minor; }
    int getBuildVersion() const { return m_build; }
    // "%d.%d.%d", for example 2.4.16.
    wxString getVersionString() const;

    Configuration& getConfiguration() { return *m_configuration; }
    ConfigFile& getGlobalConfig() { return m_configuration->getGlobalConfig(); }
    ConfigFile& getUserConfig() { return m_configuration->getUserConfig(); }
    std::recursive_mutex& getConfigLock() { return m_configuration->getLock(); }

    wxLocale& getLocale() { return m_locale; }
    Skin& getSkin() { return *m_skin; }

    // The main window; null before it is made and again from the moment it is destroyed.
    wxWindow* getMainWindow() const { return m_mainWindow; }
    void setMainWindow(wxWindow* window) { m_mainWindow = window; }

    // The single-instance server; owned, null in a second instance.
    wxServer* getIpcServer() const { return m_ipcServer.get(); }
    void setIpcServer(std::unique_ptr<wxServer> server);

    // Empty when the resource folder holds everything; else what is missing and where it was
    // looked for (see ResourceFolder), for the program to tell the user once it can.
    const wxString& getResourceProblem() const { return m_resourceProblem; }

    const wxString& getUserAgent() const { return m_userAgent; }
    void setUserAgent(const wxString& agent);

    // The status the process ends with. A program that ends from OnInit sets it; otherwise
    // the toolkit's own result stands. Kept outside the object, which is gone when main returns.
    static void setExitStatus(int status);
    static std::optional<int> getExitStatus();

    // Whether a termination signal has arrived. Before the main loop runs a signal is only
    // recorded: start-up asks here between its steps and ends in order. Delivers a signal
    // that arrived since the last call first.
    bool isTerminationRequested();

    // Runs the main loop. Once it returns, the watchdog of the closing phase stands down:
    // shut-down (OnExit) has its own.
    int OnRun() override;

protected:
    // Ends the process (SIGKILL) when the windows have not closed this long after a
    // termination signal: a desktop session waits only a few seconds.
    static constexpr int CLOSING_LIMIT_MS = 8000;

    // Handles SIGTERM, SIGINT and SIGHUP from here on. With the main loop running, a signal
    // ends the modal dialogs and then closes the main window as if the user chose Exit, so
    // shut-down runs in its order; before that it is only recorded (and ends modal dialogs).
    void installTerminationHandlers();

private:
    static void onTerminationSignal(int signal);
    void onIdle(wxIdleEvent& event);

    wxString m_ipcName;
    wxString m_displayName;
    int m_major;
    int m_minor;
    int m_build;
    wxLocale m_locale;
    std::unique_ptr<Configuration> m_configuration;
    std::unique_ptr<Skin> m_skin;
    wxWeakRef<wxWindow> m_mainWindow;
    std::unique_ptr<OrderlyExit> m_orderlyExit;
    bool m_terminationRequested = false;
    std::unique_ptr<SelfDestructThread> m_closingWatchdog;
    std::unique_ptr<wxServer> m_ipcServer;
    wxString m_userAgent;
    wxString m_resourceProblem;
};

} // namespace Quorvel

#include "system/Application.h"

#include <csignal>

#include <wx/filename.h>
#include <wx/ipc.h>
#include <wx/log.h>
#include <wx/stdpaths.h>
#include <wx/toplevel.h>

#include "system/Environment.h"
#include "system/Log.h"
#include "system/OrderlyExit.h"
#include "system/ProcessLocale.h"
#include "system/ResourceFolder.h"
#include "system/UserAgent.h"
#include "threads/IdleCallbackSlot.h"
#include "threads/SelfDestructThread.h"
#include "ui/Skin.h"

namespace Quorvel {

namespace {
std::optional<int> g_exitStatus;
}

Application::Application(const wxString& displayName, int major, int minor, int build)
    : m_displayName(displayName), m_major(major), m_minor(minor), m_build(build)
{
    setUpProcessLocale();
    const wxFileName executable(wxStandardPaths::Get().GetExecutablePath());
    m_ipcName = executable.GetName();
    const ResourceFolder resources = ResourceFolder::find(executable.GetPath(), m_ipcName);
    Environment::init(m_ipcName, executable.GetPath(), resources.getDir());
    m_resourceProblem = resources.describeMissing();

    {
        // A missing translation for the user's language is normal; say nothing about it.
        wxLogNull quiet;
        m_locale.Init(wxLANGUAGE_DEFAULT, wxLOCALE_LOAD_DEFAULT);
        // wxLocale::Init sets the C library locale again; keep the character set usable.
        setUpProcessLocale();
        wxLocale::AddCatalogLookupPathPrefix(Environment::getResourceDir());
        wxLocale::AddCatalogLookupPathPrefix(Environment::getResourceDir() + "locale");
        for (const char* catalog : {"libquorvel", "wxwidgets", "brenmarle"})
            m_locale.AddCatalog(catalog);
    }
    ConfigFile::setLocaleName(m_locale.GetCanonicalName());

    m_configuration = std::make_unique<Configuration>();
    Configuration::set(m_configuration.get());
    m_skin = std::make_unique<Skin>(Environment::getSkinDir());
    setUserAgent(UserAgent::compose(getVersionString(), m_locale.GetCanonicalName(), m_ipcName));
    m_orderlyExit = std::make_unique<OrderlyExit>();
    Bind(wxEVT_IDLE, &Application::onIdle, this);
}

// Workers that need the GUI thread for a moment (creating a texture) wait here.
void Application::onIdle(wxIdleEvent& event)
{
    if (IdleCallbackSlot::instance().serveIdleRequest())
        event.RequestMore();
    event.Skip();
}

Application::~Application()
{
    Configuration::set(nullptr);
}

Application& Application::get()
{
    return *static_cast<Application*>(wxApp::GetInstance());
}

wxString Application::getVersionString() const
{
    return wxString::Format("%d.%d.%d", m_major, m_minor, m_build);
}

void Application::setIpcServer(std::unique_ptr<wxServer> server)
{
    m_ipcServer = std::move(server);
}

void Application::setUserAgent(const wxString& agent)
{
    m_userAgent = agent;
    UserAgent::set(agent);
}

void Application::setExitStatus(int status) { g_exitStatus = status; }

std::optional<int> Application::getExitStatus() { return g_exitStatus; }

void Application::installTerminationHandlers()
{
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        SetSignalHandler(signal, &Application::onTerminationSignal);
}

bool Application::isTerminationRequested()
{
    CheckSignal();
    return m_terminationRequested;
}

// Runs on the GUI thread: the toolkit records the signal and calls this from its event loop (or
// from isTerminationRequested() during start-up).
void Application::onTerminationSignal(int signal)
{
    QDEBUG("[APPLICATION] Signal %d: closing", signal);
    Application& app = get();
    app.m_terminationRequested = true;
    // Nothing may wait on the user any more: errors from here on go to standard error only.
    keepLogOutOfDialogs();
    if (!IsMainLoopRunning()) {
        // Start-up ends in order after its running step; a dialog it shows must not hold it.
        app.m_orderlyExit->endModalDialogs();
        return;
    }
    if (!app.m_closingWatchdog)
        app.m_closingWatchdog =
            std::make_unique<SelfDestructThread>(std::chrono::milliseconds(CLOSING_LIMIT_MS));
    app.m_orderlyExit->closeMainWindow(app.getMainWindow());
}

int Application::OnRun()
{
    const int result = wxApp::OnRun();
    m_closingWatchdog.reset();
    return result;
}

} // namespace Quorvel

#include "main/BrenmarleApp.h"

#include <chrono>

#include <wx/dir.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/stdpaths.h>
#include <wx/thread.h>

#include "database/Database.h"
#include "filemanager/FileManager.h"
#include "folders/AlbumFolder.h"
#include "imaging/ImageMagickSetup.h"
#include "importexport/FileMonitor.h"
#include "main/BrenmarleServer.h"
#include "main/CommandFile.h"
#include "main/DesktopIntegration.h"
#include "main/InstanceHandOver.h"
#include "main/Preferences.h"
#include "mainframe/MainFrame.h"
#include "plugins/PluginLoader.h"
#include "plugins/PluginRegistry.h"
#include "plugins/PluginWindowHost.h"
#include "system/Environment.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "system/SingleInstanceLock.h"
#include "threads/SelfDestructThread.h"
#include "thumbnails/ImageLoader.h"
#include "thumbnails/ThumbnailManager.h"
#include "ui/Skin.h"
#include "widgets/AlertDialog.h"
#include "widgets/SplashScreen2.h"

using Quorvel::Environment;
using Quorvel::elapsedMs;

namespace {

// How long a second start waits for the running instance to take its command.
constexpr std::chrono::milliseconds HAND_OVER_TIMEOUT{3000};
// No single shut-down step may take longer.
constexpr std::chrono::seconds SHUTDOWN_STEP_LIMIT{5};

enum ExitStatus { EXIT_OK = 0, EXIT_FAILED = 1 };

} // namespace

BrenmarleApp::BrenmarleApp() : Quorvel::Application(wxS("Quorvel Vistrelle"), 2, 4, 16)
{
    wxString name;
    getGlobalConfig().readLocalisedString("Application/Name", name, wxString());
    setDisplayName(name);
    wxString subfolder;
    if (getGlobalConfig().readString("Application/UserDataDir", subfolder))
        Environment::setUserDataSubfolder(subfolder);
    m_commandTimer.SetOwner(this);
    Bind(wxEVT_TIMER, &BrenmarleApp::onPendingCommand, this, m_commandTimer.GetId());
    Bind(wxEVT_IDLE, &BrenmarleApp::onIdle, this);
}

// Files nobody uses any more leave memory here, their changes stored.
void BrenmarleApp::onIdle(wxIdleEvent& event)
{
    if (m_fileManager && m_fileManager->hasOrphans())
        m_fileManager->releaseOrphans();
    event.Skip();
}

BrenmarleApp::~BrenmarleApp() = default;

bool BrenmarleApp::OnExceptionInMainLoop()
{
    // The last resort: say what went wrong instead of vanishing.
    try {
        throw;
    } catch (const Quorvel::Exception& e) {
        wxLogError("%s", e.getMessage());
    } catch (const std::exception& e) {
        wxLogError("%s", wxString::FromUTF8(e.what()));
    }
    return true;
}

MainFrame* BrenmarleApp::getMainFrame() const
{
    return dynamic_cast<MainFrame*>(getMainWindow());
}

bool BrenmarleApp::OnInit()
{
    const bool keepRunning = startUp();
    if (!keepRunning) {
        // The process ends without a main loop: an error dialog now would keep it waiting
        // for a click (and a script that started it waiting for ever). The message is on
        // stderr already.
        Quorvel::logOnlyToStderr();
    }
    return keepRunning;
}

bool BrenmarleApp::startUp()
{
    Quorvel::chainLogToStderr();
    Quorvel::enableStartupTraceMasks();
    if (Environment::isDebug())
        wxLog::AddTraceMask(Quorvel::TraceMask::DEBUG);
    QTRACE(STARTUP, "%ld OnInit", elapsedMs());
    QTRACE(STARTUP, "%ld Resources in %s", elapsedMs(), Environment::getResourceDir());
    if (!getResourceProblem().empty())
        wxLogError("%s", getResourceProblem());
    QTRACE(STARTUP, "%ld Checking parameters", elapsedMs());

    wxArrayString arguments;
    for (int i = 1; i < argc && i <= 2; ++i)
        arguments.push_back(argv[i]);
    m_startup = CommandLine::parse(arguments);
    if (m_startup.registerCameraHandler) {
        DesktopIntegration desktop(wxStandardPaths::Get().GetExecutablePath(), getDisplayName());
        setExitStatus(desktop.registerCameraHandler() ? EXIT_OK : EXIT_FAILED);
        return false;
    }

    const wxString runtimeDir = Environment::getRuntimeDir();
    wxFileName::Mkdir(runtimeDir, 0700, wxPATH_MKDIR_FULL);
    QDEBUG("[APPLICATION] IPC Name = %s", getIpcName());
    m_instanceLock = std::make_unique<Quorvel::SingleInstanceLock>(
        InstanceHandOver::lockPath(runtimeDir, getIpcName()));
    if (m_instanceLock->alreadyExisted()) {
        QTRACE(STARTUP, "%ld Try contacting DDC server", elapsedMs());
        const auto result =
            InstanceHandOver::handOver(InstanceHandOver::socketPath(runtimeDir, getIpcName()),
                                       m_startup.command, m_startup.argument, HAND_OVER_TIMEOUT);
        if (result == InstanceHandOver::Result::Delivered) {
            setExitStatus(EXIT_OK);
            return false;
        }
        wxLogInfo("Could not establish DDE/IPC connection");
    }

    initBasic();
    if (m_startup.command != "start") {
        if (!runCommand(m_startup.command, m_startup.argument))
            return false;
        QTRACE(STARTUP, "%ld Start DDC server", elapsedMs());
        if (!startIpcServer())
            return false;
        QTRACE(STARTUP, "%ld Started with custom command", elapsedMs());
        installTerminationHandlers();
        return true;
    }

    QTRACE(STARTUP, "%ld Starting DDC server", elapsedMs());
    if (!startIpcServer())
        return false;
    cleanRunFolders();
    QTRACE(STARTUP, "%ld Checking directories done", elapsedMs());
    openMainFrameWithSplash();
    Quorvel::logTiming(0, "Started");
    installTerminationHandlers();
    return true;
}

bool BrenmarleApp::startIpcServer()
{
    auto server = std::make_unique<BrenmarleServer>(
        [this](const wxString& command, const wxString& argument) {
            queueCommand(command, argument);
        });
    if (!server->start(InstanceHandOver::socketPath(Environment::getRuntimeDir(), getIpcName()))) {
        wxLogError("Could not create DDC/TCP IPC Server");
        setExitStatus(EXIT_FAILED);
        return false;
    }
    setIpcServer(std::move(server));
    return true;
}

void BrenmarleApp::queueCommand(const wxString& command, const wxString& argument)
{
    m_pendingCommand = command;
    m_pendingArgument = argument;
    m_commandTimer.StartOnce(1);
}

void BrenmarleApp::onPendingCommand(wxTimerEvent&)
{
    const wxString command = m_pendingCommand;
    const wxString argument = m_pendingArgument;
    m_pendingCommand.clear();
    m_pendingArgument.clear();
    QTRACE(EXTERNAL, "%ld IPC command %s", elapsedMs(), command);
    // A running instance never ends because of a command sent by another start.
    runCommand(command, argument);
    if (getMainFrame())
        openMainFrame();
}

void BrenmarleApp::cleanRunFolders()
{
    const wxString data = Environment::getUserDataDir();
    for (const char* folder : {"fsthumbnails", "fsthumbs2", "tempthumbs"}) {
        if (wxDirExists(data + folder))
            wxFileName::Rmdir(data + folder, wxPATH_RMDIR_RECURSIVE);
    }
    if (wxDirExists(data + "temp"))
        wxFileName::Rmdir(data + "temp", wxPATH_RMDIR_RECURSIVE);
    wxFileName::Mkdir(data + "temp", 0755, wxPATH_MKDIR_FULL);
}

// --- Commands ---------------------------------------------------------------------------

bool BrenmarleApp::runCommand(const wxString& command, const wxString& argument)
{
    QDEBUG("[BRENMARLEAPP] Command %s (%s)", command, argument);
    if (command == "start") {
        openMainFrame();
    } else if (command == "runquery") {
        openMainFrame();
        if (argument.empty())
            wxLogError("Empty query");
        else
            notAvailable("Picture search");
    } else if (command == "open" && wxDirExists(argument)) {
        // The desktop entry also handles camera media: the file manager hands over the mount
        // point of a camera or card as the file to open.
        openCamera(argument);
    } else if (command == "open" || command == "edit") {
        QTRACE(EXTERNAL, "%ld openPicture request", elapsedMs());
        notAvailable("The picture window");
        openMainFrame();
    } else if (command == "openuri") {
        openMainFrameWithSplash();
        if (MainFrame* frame = getMainFrame())
            frame->openAddress(argument);
    } else if (command == "addtocart") {
        openMainFrame();
        notAvailable("The shopping cart");
    } else if (command == "removedata") {
        return removeData(argument);
    } else if (command == "regdefhandlers") {
        DesktopIntegration desktop(wxStandardPaths::Get().GetExecutablePath(), getDisplayName());
        setExitStatus(desktop.registerPictureHandler() ? EXIT_OK : EXIT_FAILED);
        return false;
    } else if (command == "removebrenmarle") {
        DesktopIntegration desktop(wxStandardPaths::Get().GetExecutablePath(), getDisplayName());
        desktop.removeInstallation(Environment::getProgramDir());
        setExitStatus(EXIT_OK);
        return false;
    } else if (command == "camera") {
        openCamera(argument);
    } else if (command == "command") {
        runCommandFile(argument);
    } else {
        wxLogError("Unknown startup command: %s", command);
        setExitStatus(EXIT_FAILED);
        return false;
    }
    return true;
}

bool BrenmarleApp::removeData(const wxString& version)
{
    const wxString ours = getVersionString();
    if (version != ours) {
        wxLogError("%s does not match %s", version, ours);
        setExitStatus(EXIT_FAILED);
        return false;
    }
    initAlbums();
    notAvailable("The remove-data assistant");
    setExitStatus(EXIT_OK);
    return false;
}

void BrenmarleApp::openCamera(wxString argument)
{
    // A drive root handed over with a stray closing quote.
    if (argument.EndsWith("\""))
        argument.RemoveLast();
    openMainFrame();
    if (!argument.empty() && wxDirExists(argument))
        notAvailable("Importing from a folder");
    else
        notAvailable("Importing from a camera");
}

void BrenmarleApp::runCommandFile(const wxString& path)
{
    std::vector<CommandFile::Action> actions;
    if (CommandFile::read(path, actions)) {
        for (const CommandFile::Action& action : actions) {
            if (action.name == "start") {
                openMainFrameWithSplash();
            } else if (action.name == "openuri") {
                openMainFrameWithSplash();
                if (MainFrame* frame = getMainFrame())
                    frame->openAddress(action.fields.at("uri"));
            } else if (action.name == "webimport") {
                notAvailable("Web import");
            } else if (action.name == "importshare") {
                notAvailable("Importing a share");
            } else if (action.name == "installpackage") {
                notAvailable("Installing a plug-in package");
            }
        }
    }
    openMainFrame();
}

// Functions whose work has not been built yet say so instead of failing silently.
void BrenmarleApp::notAvailable(const wxString& function)
{
    wxLogInfo("%s is not available in this version.", function);
}

// --- Start-up steps -----------------------------------------------------------------------

bool BrenmarleApp::beginStep(Step step, const char* name)
{
    if (m_done[step])
        return false;
    m_done[step] = true;
    QTRACE(STARTUP, "%ld %s", elapsedMs(), name);
    return true;
}

void BrenmarleApp::initBasic()
{
    if (!beginStep(STEP_BASIC, "initBasic"))
        return;
    {
        std::lock_guard<std::recursive_mutex> lock(getConfigLock());
        Quorvel::ConfigFile& user = getUserConfig();
        user.readString("Account/AccountId", m_account.accountId, wxString());
        user.readString("Account/EmailAddress", m_account.emailAddress, wxString());
        m_account.password = getConfiguration().readPassword();
        user.readString("Account/PortalId", m_account.portalId, wxString());
        user.readString("Account/PortalName", m_account.portalName, wxString());
    }
    wxImage::AddHandler(new wxPNGHandler);
    wxImage::AddHandler(new wxGIFHandler);
    wxImage::AddHandler(new wxJPEGHandler);
    wxImage::AddHandler(new wxXPMHandler);
    getLocale().AddCatalog("libbrenmarle");
    if (!m_account.portalId.empty())
        notAvailable("Loading the price list");

    const long start = elapsedMs();
    QDEBUG("[INIT] Creating data directories");
    const wxString thumbnails = Environment::getThumbnailDir();
    QDEBUG("- %s", thumbnails);
    wxFileName::Mkdir(thumbnails, 0700, wxPATH_MKDIR_FULL);
    Quorvel::logTiming(start, "Created directories");

    QDEBUG("[INIT] Loading preferences");
    m_preferences = std::make_unique<Preferences>(Environment::getPreferencesPath());
    QDEBUG("Loaded preferences");
}

void BrenmarleApp::initDatabase()
{
    initBasic();
    if (!beginStep(STEP_DATABASE, "initDatabase"))
        return;
    try {
        Brenmarle::Database::getInstance().open(Environment::getDatabasePath());
    } catch (const Quorvel::Exception& e) {
        if (e.getCode() == Brenmarle::Database::NEWER_VERSION_CODE) {
            Quorvel::AlertDialog::show(nullptr, e.getMessage(), getDisplayName());
            setExitStatus(EXIT_FAILED);
            throw;
        }
        wxLogError("Could not open database: %s", e.getMessage());
    }
    // Files and folders are reached through the file manager from here on.
    m_fileManager = std::make_unique<Brenmarle::FileManager>();
}

void BrenmarleApp::initKeywords()
{
    initDatabase();
    if (!beginStep(STEP_KEYWORDS, "initKeywords"))
        return;
    notAvailable("Keywords");
}

void BrenmarleApp::initAlbums()
{
    initDatabase();
    initKeywords();
    if (!beginStep(STEP_ALBUMS, "initAlbums"))
        return;
    QDEBUG("[INIT] Loading albums");
    if (!Brenmarle::Database::getInstance().isOpen())
        return;
    try {
        Brenmarle::AlbumFolder::loadAlbums();
        Brenmarle::AlbumFolder::loadHiddenAlbums();
    } catch (const Quorvel::Exception& e) {
        wxLogError("Could not load the albums: %s", e.getMessage());
    }
}

void BrenmarleApp::initImageMagick()
{
    if (!beginStep(STEP_IMAGEMAGICK, "initImageMagick"))
        return;
    QDEBUG("[INIT] INITIALIZATING IMAGEMAGICK");
    Brenmarle::initImageMagick();
    // Making a missing thumbnail costs a decode of the picture (a computer folder has none
    // until first shown): with two cores, two loader threads fill a view twice as fast.
    const int cores = wxThread::GetCPUCount();
    m_thumbnailManager = std::make_unique<Brenmarle::ThumbnailManager>(cores >= 2 ? 2 : 1);
    m_imageLoader = std::make_unique<Brenmarle::ImageLoader>();
}

void BrenmarleApp::initPlugins()
{
    if (!beginStep(STEP_PLUGINS, "initPlugins"))
        return;
    // The program's own bundles first: a user's copy of the same bundle does not replace them.
    const std::vector<wxString> dirs{Environment::getResourceDir() + "plugins/",
                                     Environment::getUserDataDir() + "plugins/"};
    m_pluginRegistry = std::make_unique<PluginRegistry>();
    m_pluginRegistry->load(dirs, PluginLoader(getVersionString()));
    wxString shortName;
    {
        std::lock_guard<std::recursive_mutex> lock(getConfigLock());
        getGlobalConfig().readLocalisedString("Application/ShortName", shortName, "Vistrelle");
    }
    m_pluginHost = std::make_unique<PluginWindowHost>(
        wxString::FromUTF8("Copyright \u00a9 Quorvel. ") + shortName);
    m_pluginExecutor = std::make_unique<PluginExecutor>(*m_pluginRegistry, *m_pluginHost);
}

PluginExecutor::Session BrenmarleApp::pluginSession()
{
    PluginExecutor::Session session;
    session.executablePath = wxStandardPaths::Get().GetExecutablePath();
    session.language = Quorvel::ConfigFile::getLocaleName();
    session.ipcName = getIpcName();
    session.version = getVersionString();
    session.userDataDir = Environment::getUserDataDir();
    session.sharedDataDir = Environment::getResourceDir();
    session.databasePath = Environment::getDatabasePath();
    session.portalId = m_account.portalId;
    session.portalName = m_account.portalName;
    session.accountId = m_account.accountId;
    session.password = m_account.password;
    std::lock_guard<std::recursive_mutex> lock(getConfigLock());
    getGlobalConfig().readLocalisedString("Application/Name", session.distribution, wxString());
    session.requiredUpdates = PluginExecutor::readRequiredUpdates(getUserConfig());
    return session;
}

bool BrenmarleApp::runPlugin(const PluginCommand& command,
                             const PluginExecutor::Selection& selection)
{
    initPlugins();
    m_pluginExecutor->setSession(pluginSession());
    return m_pluginExecutor->execute(command.packageId, command.id, selection);
}

// Pictures other programs hand in through the spool folder, and copies edited elsewhere, go into
// the catalogue from now on.
void BrenmarleApp::startFileMonitor()
{
    if (m_fileMonitor || !Brenmarle::FileManager::exists())
        return;
    m_fileMonitor = std::make_unique<FileMonitor>(Environment::getUserDataDir() + "spool/");
}

void BrenmarleApp::initMainFrame()
{
    initAlbums();
    initImageMagick();
    initPlugins();
    startFileMonitor();
    if (getMainWindow())
        return;
    beginStep(STEP_MAINFRAME, "initMainFrame");
    auto* frame = new MainFrame(getDisplayName()); // the toolkit owns top-level windows
    setMainWindow(frame);
    SetTopWindow(frame);
}

void BrenmarleApp::openMainFrame()
{
    initMainFrame();
    QTRACE(STARTUP, "%ld openMainFrame", elapsedMs());
    wxTopLevelWindow* frame = getMainFrame();
    if (!frame)
        return;
    frame->Show();
    if (frame->IsIconized())
        frame->Iconize(false);
    frame->Raise();
}

void BrenmarleApp::openMainFrameWithSplash()
{
    if (getMainWindow()) {
        openMainFrame();
        return;
    }
    QTRACE(STARTUP, "%ld openMainFrameWithSplash", elapsedMs());
    Quorvel::SplashScreen2* splash = nullptr;
    {
        std::lock_guard<std::recursive_mutex> lock(getConfigLock());
        wxString shortName;
        getGlobalConfig().readLocalisedString("Application/ShortName", shortName, "Vistrelle");
        const Quorvel::Skin& skin = getSkin();
        const wxBitmap background = skin.loadBitmap("vssplash/splash.jpg");
        if (background.IsOk()) {
            splash = new Quorvel::SplashScreen2(
                background, skin.loadBitmap("vssplash/splash_logo.png"),
                skin.loadBitmap("vssplash/splash_vendor.png"), _("Loading application..."),
                wxString::FromUTF8("Copyright \u00a9 Quorvel. ") + shortName);
            splash->Show();
            splash->Update();
        }
        QTRACE(STARTUP, "%ld Splash created", elapsedMs());
    }
    openMainFrame();
    if (splash)
        splash->Destroy();
}

// --- Shut-down ----------------------------------------------------------------------------

int BrenmarleApp::OnExit()
{
    Quorvel::SelfDestructThread watchdog(SHUTDOWN_STEP_LIMIT);
    // Nothing can be shown any more; keep errors from here on out of dialogs.
    Quorvel::logOnlyToStderr();

    getConfiguration().flushUserConfig();
    watchdog.resetTimer();

    QDEBUG("BRENMARLE IS EXITING");
    setIpcServer(nullptr);
    watchdog.resetTimer();

    // Steps whose parts are not in this build yet are logged in their place in the order.
    QDEBUG("--- Clear file selection");
    watchdog.resetTimer();
    // The file monitor's thread uses the loaders, the file manager and the catalogue that go
    // below: it ends before them, and the object goes in its place in the order.
    if (m_fileMonitor)
        m_fileMonitor->stop();
    QDEBUG("--- Remove all items from image loader");
    // Both loaders let go of every file before the file manager goes below.
    if (m_imageLoader)
        m_imageLoader->clear();
    if (m_thumbnailManager)
        m_thumbnailManager->clear();
    watchdog.resetTimer();

    QDEBUG("--- Unload albums");
    Brenmarle::AlbumFolder::unloadAlbums();
    watchdog.resetTimer();

    if (m_fileManager) {
        m_fileManager->dumpFileMap();
        m_fileManager.reset();
    }
    watchdog.resetTimer();

    QDEBUG("--- Save keywords");
    watchdog.resetTimer();
    QDEBUG("--- Stop synchronization manager");
    watchdog.resetTimer();

    QDEBUG("--- Close database");
    try {
        Brenmarle::Database::getInstance().close();
    } catch (const Quorvel::Exception& e) {
        QDEBUG("[BRENMARLEAPP] %s", e.getMessage());
    }
    watchdog.resetTimer();

    QDEBUG("--- Stop file monitor");
    m_fileMonitor.reset();
    watchdog.resetTimer();
    QDEBUG("--- plugins");
    if (m_pluginExecutor)
        m_pluginExecutor->stopProcesses();
    m_pluginExecutor.reset();
    m_pluginHost.reset();
    m_pluginRegistry.reset();
    watchdog.resetTimer();
    QDEBUG("--- Shutdown image loader");
    if (m_imageLoader)
        m_imageLoader->shutdown();
    m_imageLoader.reset();
    m_thumbnailManager.reset();
    watchdog.resetTimer();

    QDEBUG("--- Stopped");
    { std::lock_guard<std::recursive_mutex> lock(getConfigLock()); }
    return Quorvel::Application::OnExit();
}

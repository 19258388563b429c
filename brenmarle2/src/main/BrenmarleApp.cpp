#include "main/BrenmarleApp.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <utility>

#include <sys/stat.h>

#include <wx/dir.h>
#include <wx/evtloop.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/stdpaths.h>
#include <wx/thread.h>
#include <wx/utils.h>

#include "database/Database.h"
#include "dialogs/WebImportRunner.h"
#include "filemanager/FileManager.h"
#include "folders/AlbumFolder.h"
#include "folders/SharedFolder.h"
#include "imaging/ImageMagickSetup.h"
#include "import/ImportWizard.h"
#include "import/ShareImportWizard.h"
#include "import/WebImport.h"
#include "importexport/FileMonitor.h"
#include "keywords/KeywordManager.h"
#include "main/BrenmarleServer.h"
#include "main/CommandFile.h"
#include "main/DesktopIntegration.h"
#include "main/InstanceHandOver.h"
#include "main/Preferences.h"
#include "main/RemoveDataWizard.h"
#include "mainframe/CommandIds.h"
#include "mainframe/MainFrame.h"
#include "mainframe/PictureSearchPage.h"
#include "ordering/Ordering.h"
#include "plugins/PluginCommands.h"
#include "plugins/PluginLoader.h"
#include "plugins/PluginRegistry.h"
#include "plugins/PluginWindowHost.h"
#include "safestorage/SynchronizeManager.h"
#include "safestorage/SynchronizeTask.h"
#include "search/CountryList.h"
#include "service/NetworkSettings.h"
#include "system/Environment.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "system/SingleInstanceLock.h"
#include "threads/SelfDestructThread.h"
#include "thumbnails/ImageLoader.h"
#include "thumbnails/ThumbnailManager.h"
#include "ui/Skin.h"
#include "viewedit/ImageFrame.h"
#include "widgets/AlertDialog.h"
#include "widgets/SplashScreen2.h"

using Quorvel::elapsedMs;
using Quorvel::Environment;

namespace {

#ifndef VISTRELLE_SLOWDOWN
#define VISTRELLE_SLOWDOWN 1
#endif

// How long a second start waits for the running instance to take its command.
constexpr std::chrono::milliseconds HAND_OVER_TIMEOUT{3000 * VISTRELLE_SLOWDOWN};
// How often a second start looks again for a server that is not listening yet.
constexpr std::chrono::milliseconds SERVER_POLL_INTERVAL{20};
// How often an instance running without the single-instance lock tries to take it.
constexpr int LOCK_RETRY_MS = 500;
// No single shut-down step may take longer.
constexpr std::chrono::seconds SHUTDOWN_STEP_LIMIT{5};

enum ExitStatus { EXIT_OK = 0, EXIT_FAILED = 1 };

// Start-up commands after which the process ends at once; the others keep it running, and
// their process serves later starts from the first moment.
bool keepsRunning(const wxString& command)
{
    return command != "removedata" && command != "regdefhandlers" && command != "removebrenmarle";
}

bool socketExists(const wxString& path)
{
    struct stat info {};
    return !path.empty() && ::stat(path.utf8_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

// Whether skipToolkitGl() set GDK_GL, for OnInit to take it out again.
bool g_setGdkGl = false;

} // namespace

BrenmarleApp::BrenmarleApp()
    : Quorvel::Application(wxS("Quorvel Vistrelle"), VISTRELLE_VERSION_MAJOR,
                           VISTRELLE_VERSION_MINOR, VISTRELLE_VERSION_PATCH),
      m_handedOver([this](const wxString& command, const wxString& argument) {
          runHandedOver(command, argument);
      })
{
    wxString name;
    getGlobalConfig().readLocalisedString("Application/Name", name, wxString());
    setDisplayName(name);
    wxString subfolder;
    if (getGlobalConfig().readString("Application/UserDataDir", subfolder))
        Environment::setUserDataSubfolder(subfolder);
    m_lockTimer.SetOwner(this);
    Bind(wxEVT_TIMER, &BrenmarleApp::onLockTimer, this, m_lockTimer.GetId());
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

void BrenmarleApp::OnEventLoopEnter(wxEventLoopBase* loop)
{
    Quorvel::Application::OnEventLoopEnter(loop);
    if (!m_mainLoopEntered && loop && loop->IsMain()) {
        m_mainLoopEntered = true;
        QTRACE(STARTUP, "%ld Main loop running", elapsedMs());
    }
}

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

void BrenmarleApp::skipToolkitGl()
{
    g_setGdkGl = !wxGetEnv("GDK_GL", nullptr) && wxSetEnv("GDK_GL", "disable");
}

bool BrenmarleApp::OnInit()
{
    // The toolkit read it when it opened the display.
    if (std::exchange(g_setGdkGl, false))
        wxUnsetEnv("GDK_GL");
    bool keepRunning = false;
    m_starting = true;
    try {
        keepRunning = startUp();
    } catch (const Quorvel::AbortException&) {
        QDEBUG("[BRENMARLEAPP] Start-up ended by a termination signal");
        setExitStatus(EXIT_OK);
    } catch (const Quorvel::Exception& e) {
        // A catalogue written by a newer version, for one.
        QDEBUG("[BRENMARLEAPP] Start-up failed: %s", e.getMessage());
        if (!isTerminationRequested()) {
            Quorvel::AlertDialog::show(nullptr, e.getMessage(), getDisplayName());
        } else {
            // Asked to end: no dialog that would wait for an answer.
            Quorvel::logOnlyToStderr();
            wxLogError("%s", e.getMessage());
        }
        setExitStatus(EXIT_FAILED);
    }
    m_starting = false;
    if (!keepRunning && (m_done[STEP_BASIC] || getIpcServer())) {
        // Start-up ended early: its windows go before the exit steps, as at a normal end.
        delete getMainWindow();
        shutDown();
    }
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
    // From the first moment: a signal during start-up ends it in order after the running step.
    installTerminationHandlers();
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
    CommandLine::makePathsAbsolute(m_startup, wxGetCwd());
    if (m_startup.registerCameraHandler) {
        DesktopIntegration desktop(wxStandardPaths::Get().GetExecutablePath(), getDisplayName());
        setExitStatus(desktop.registerCameraHandler() ? EXIT_OK : EXIT_FAILED);
        return false;
    }

    const wxString runtimeDir = Environment::getRuntimeDir();
    wxFileName::Mkdir(runtimeDir, 0700, wxPATH_MKDIR_FULL);
    QDEBUG("[APPLICATION] IPC Name = %s", getIpcName());
    m_socketPath = InstanceHandOver::socketPath(runtimeDir, getIpcName());
    m_instanceLock = std::make_unique<Quorvel::SingleInstanceLock>(
        InstanceHandOver::lockPath(runtimeDir, getIpcName()));
    if (m_instanceLock->alreadyExisted() && handOverToRunningInstance()) {
        setExitStatus(EXIT_OK);
        return false;
    }
    interruptIfRequested();

    if (m_startup.command != "start") {
        // Served from here on: another start in the next moments finds the server and waits
        // for the answer that comes once the main loop runs.
        if (keepsRunning(m_startup.command)) {
            QTRACE(STARTUP, "%ld Start DDC server", elapsedMs());
            if (!startIpcServer())
                return false;
        }
        initBasic();
        int status = EXIT_OK;
        if (!runCommand(m_startup.command, m_startup.argument, status)) {
            setExitStatus(status);
            return false;
        }
        if (!getIpcServer() && !startIpcServer())
            return false;
        QTRACE(STARTUP, "%ld Started with custom command", elapsedMs());
        interruptIfRequested();
        return true;
    }

    QTRACE(STARTUP, "%ld Starting DDC server", elapsedMs());
    if (!startIpcServer())
        return false;
    initBasic();
    cleanRunFolders();
    QTRACE(STARTUP, "%ld Checking directories done", elapsedMs());
    openMainFrameWithSplash();
    interruptIfRequested();
    Quorvel::logTiming(0, "Started");
    return true;
}

bool BrenmarleApp::handOverToRunningInstance()
{
    QTRACE(STARTUP, "%ld Try contacting DDC server", elapsedMs());
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + HAND_OVER_TIMEOUT;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;
        if (socketExists(m_socketPath)) {
            const auto result = InstanceHandOver::handOver(m_socketPath, m_startup.command,
                                                           m_startup.argument, left);
            if (result == InstanceHandOver::Result::Delivered)
                return true;
            if (result == InstanceHandOver::Result::NoAnswer)
                break;
        }
        // The lock holder is still starting (its server comes next), or has just ended.
        if (m_instanceLock->tryAcquire()) {
            QDEBUG("[APPLICATION] The running instance ended; starting as the first");
            return false;
        }
        wxMilliSleep(static_cast<unsigned long>(std::min(left, SERVER_POLL_INTERVAL).count()));
    }
    wxLogInfo("Could not establish DDE/IPC connection");
    return false;
}

void BrenmarleApp::interruptIfRequested()
{
    if (m_starting && isTerminationRequested())
        throw Quorvel::AbortException("Start-up ended by a termination signal");
}

bool BrenmarleApp::startIpcServer()
{
    auto server = std::make_unique<BrenmarleServer>(
        [this](const wxString& command, const wxString& argument) {
            queueCommand(command, argument);
        });
    if (m_socketPath.empty() || !server->start(m_socketPath)) {
        wxLogError("Could not create DDC/TCP IPC Server");
        setExitStatus(EXIT_FAILED);
        return false;
    }
    setIpcServer(std::move(server));
    if (!m_instanceLock->isHeld()) {
        // The holder did not answer; once it ends, this instance is the one later starts find.
        m_lockTimer.Start(LOCK_RETRY_MS);
    }
    return true;
}

void BrenmarleApp::onLockTimer(wxTimerEvent&)
{
    if (!m_instanceLock->tryAcquire())
        return;
    m_lockTimer.Stop();
    QDEBUG("[APPLICATION] Took over the single-instance lock");
}

void BrenmarleApp::queueCommand(const wxString& command, const wxString& argument)
{
    m_handedOver.push(command, argument);
}

void BrenmarleApp::runHandedOver(const wxString& command, const wxString& argument)
{
    QTRACE(EXTERNAL, "%ld IPC command %s", elapsedMs(), command);
    if (m_done[STEP_MAINFRAME] && !getMainWindow()) {
        // The main window has gone and the program is ending: nothing new opens now.
        QDEBUG("[BRENMARLEAPP] Ending; command %s dropped", command);
        return;
    }
    // A running instance never ends, nor changes how it ends, because of a command sent by
    // another start: that start has ended already.
    int ignored = EXIT_OK;
    runCommand(command, argument, ignored);
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

bool BrenmarleApp::runCommand(const wxString& command, const wxString& argument, int& exitStatus)
{
    QDEBUG("[BRENMARLEAPP] Command %s (%s)", command, argument);
    if (command == "start") {
        openMainFrame();
    } else if (command == "runquery") {
        openMainFrame();
        MainFrame* frame = getMainFrame();
        if (argument.empty()) {
            wxLogError("Empty query");
        } else if (frame) {
            frame->showSection(Section::Search);
            frame->getSearchPage()->runCustomQuery(argument);
        }
    } else if (command == "open" && wxDirExists(argument)) {
        // The desktop entry also handles camera media: the file manager hands over the mount
        // point of a camera or card as the file to open.
        openCamera(argument);
    } else if (command == "open" || command == "edit") {
        QTRACE(EXTERNAL, "%ld openPicture request", elapsedMs());
        openPicture(argument, command == "edit");
    } else if (command == "openuri") {
        openMainFrameWithSplash();
        if (MainFrame* frame = getMainFrame())
            frame->openAddress(argument);
    } else if (command == "addtocart") {
        openMainFrame();
        // Pricing the item needs an account and a fresh price list: offered (and downloaded)
        // first. The item is added whatever the user chose, so nothing another program
        // prepared is lost; without a price list it waits in the cart unpriced.
        if (MainFrame* frame = getMainFrame())
            frame->prepareOrdering();
        if (m_ordering && m_ordering->addExternalItem(argument)) {
            if (MainFrame* frame = getMainFrame())
                frame->showSidebar(ID_VIEW_SHOPPING_CART);
        }
    } else if (command == "removedata") {
        exitStatus = removeData(argument) ? EXIT_OK : EXIT_FAILED;
        return false;
    } else if (command == "regdefhandlers") {
        DesktopIntegration desktop(wxStandardPaths::Get().GetExecutablePath(), getDisplayName());
        exitStatus = desktop.registerPictureHandler() ? EXIT_OK : EXIT_FAILED;
        return false;
    } else if (command == "removebrenmarle") {
        DesktopIntegration desktop(wxStandardPaths::Get().GetExecutablePath(), getDisplayName());
        desktop.removeInstallation(Environment::getProgramDir());
        exitStatus = EXIT_OK;
        return false;
    } else if (command == "camera") {
        openCamera(argument);
    } else if (command == "command") {
        runCommandFile(argument);
    } else {
        wxLogError("Unknown startup command: %s", command);
        exitStatus = EXIT_FAILED;
        return false;
    }
    return true;
}

bool BrenmarleApp::removeData(const wxString& version)
{
    const wxString ours = getVersionString();
    if (version != ours) {
        wxLogError("%s does not match %s", version, ours);
        return false;
    }
    if (m_done[STEP_MAINFRAME] || getMainWindow()) {
        // Handed over to a running program, whose catalogue is open and in use.
        wxLogError("Please close %s before removing its data", getDisplayName());
        return false;
    }
    initAlbums();
    RemoveDataWizard wizard(nullptr, Environment::getUserDataDir(), wxGetHomeDir(),
                            [this] { releaseData(); });
    QDEBUG("[BRENMARLEAPP] Remove-data assistant opened");
    wizard.ShowModal();
    return true;
}

void BrenmarleApp::releaseData()
{
    // What is unsaved goes now, and nothing writes into the data folder afterwards.
    getConfiguration().flushUserConfig();
    Brenmarle::AlbumFolder::unloadAlbums();
    m_fileManager.reset();
    Brenmarle::Database::getInstance().close();
    m_dataReleased = true;
    QDEBUG("[BRENMARLEAPP] Catalogue closed for the removal of the data");
}

void BrenmarleApp::openCamera(wxString argument)
{
    // A drive root handed over with a stray closing quote.
    if (argument.EndsWith("\""))
        argument.RemoveLast();
    openMainFrame();
    // The desktop hands over the mount point of a card it recognised: search it as a folder.
    // Anything else asks which camera to import from. The assistants are modal: they start
    // once the main loop runs.
    const bool drive = !argument.empty() && wxDirExists(argument);
    CallAfter([this, argument, drive] {
        if (drive)
            ImportWizard::runFileImport(getMainFrame(), argument);
        else
            ImportWizard::runCameraImport(getMainFrame());
    });
}

void BrenmarleApp::openPicture(const wxString& pathOrUri, bool edit)
{
    initAlbums();
    initImageMagick();
    QTRACE(EXTERNAL, "%ld new imageframe", elapsedMs());
    ImageFrame* frame = ImageFrame::open(nullptr, wxArrayString(1, &pathOrUri), 0, edit);
    QTRACE(EXTERNAL, "%ld imageframe show", elapsedMs());
    if (frame)
        frame->Raise();
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
                webImport(action);
            } else if (action.name == "importshare") {
                importShare(action);
            } else if (action.name == "installpackage") {
                notAvailable("Installing a plug-in package");
            }
        }
    }
    openMainFrame();
}

void BrenmarleApp::webImport(const CommandFile::Action& action)
{
    initAlbums();
    const auto field = [&action](const char* name) {
        auto found = action.fields.find(name);
        return found == action.fields.end() ? wxString() : found->second.Strip(wxString::both);
    };
    // The progress window belongs with the main window, which then stays usable meanwhile.
    openMainFrame();
    // Each file that fails is logged by the import itself, which the user sees.
    auto import = std::make_unique<Brenmarle::WebImport>(field("defaultalbum"),
                                                         field("description"), action.files);
    try {
        auto runner = std::make_unique<WebImportRunner>(std::move(import), getMainFrame());
        if (!runner->isRunning())
            return;
        runner->setFinishedHandler([this](WebImportRunner& finished) {
            // Not from within the runner's own handler.
            WebImportRunner* done = &finished;
            CallAfter([this, done] { endWebImport(done); });
        });
        m_webImports.push_back(std::move(runner));
    } catch (const Quorvel::Exception& e) {
        wxLogError("Web import failed: %s", e.getMessage());
    }
}

void BrenmarleApp::importShare(const CommandFile::Action& action)
{
    std::optional<Brenmarle::ShareImport> share;
    try {
        share = Brenmarle::ShareImport::read(action.fields, action.files);
    } catch (const Quorvel::Exception& e) {
        wxLogError("Refused to import a share: %s", e.getMessage());
        return;
    }
    initAlbums();
    openMainFrame();
    // Modal, so it starts once the main loop runs.
    CallAfter([this, share] { ShareImportWizard::run(getMainFrame(), *share, servicePort()); });
}

int BrenmarleApp::servicePort()
{
    int port = Brenmarle::SharedFolder::DEFAULT_PORT;
    getGlobalConfig().readInt("internet/webserviceport", port,
                              Brenmarle::SharedFolder::DEFAULT_PORT);
    return port;
}

void BrenmarleApp::endWebImport(WebImportRunner* runner)
{
    auto found = std::find_if(m_webImports.begin(), m_webImports.end(),
                              [runner](const auto& held) { return held.get() == runner; });
    if (found != m_webImports.end())
        m_webImports.erase(found);
}

// Functions whose work has not been built yet say so instead of failing silently.
void BrenmarleApp::notAvailable(const wxString& function)
{
    wxLogInfo("%s is not available in this version.", function);
}

// --- Start-up steps -----------------------------------------------------------------------

bool BrenmarleApp::beginStep(Step step, const char* name)
{
    interruptIfRequested();
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
    m_account = Brenmarle::AccountSettings::read(getConfiguration());
    wxImage::AddHandler(new wxPNGHandler);
    wxImage::AddHandler(new wxGIFHandler);
    wxImage::AddHandler(new wxJPEGHandler);
    wxImage::AddHandler(new wxXPMHandler);
    getLocale().AddCatalog("libbrenmarle");

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
        // The program cannot run on a catalogue it does not understand; start-up shows why.
        if (e.getCode() == Brenmarle::Database::NEWER_VERSION_CODE)
            throw;
        wxLogError("Could not open database: %s", e.getMessage());
    }
    // Files and folders are reached through the file manager from here on.
    m_fileManager = std::make_unique<Brenmarle::FileManager>();
    Brenmarle::SharedFolder::registerScheme(*m_fileManager, servicePort());
}

void BrenmarleApp::initKeywords()
{
    initDatabase();
    if (!beginStep(STEP_KEYWORDS, "initKeywords"))
        return;
    // The country names are translated here, on the GUI thread, before any scan or search
    // thread looks them up.
    Brenmarle::CountryList::getInstance();
    if (!Brenmarle::Database::getInstance().isOpen())
        return;
    try {
        Brenmarle::KeywordManager::getInstance().load();
    } catch (const Quorvel::Exception& e) {
        // Left unloaded, the list is not saved at exit either, so the catalogue keeps it.
        wxLogError("Could not load keywords: %s", e.getMessage());
    }
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
    // The commands take the main window's selection when they are chosen or their items are
    // updated, not when the menus are built.
    PluginCommands::get().load(
        *m_pluginRegistry,
        [this](const PluginCommand& command) {
            const MainFrame* frame = getMainFrame();
            runPlugin(command, frame ? frame->getPluginSelection() : PluginExecutor::Selection());
        },
        [this](const PluginCommand& command) {
            std::vector<wxString> contentTypes;
            if (const MainFrame* frame = getMainFrame())
                for (const auto& file : frame->getPluginSelection().files)
                    contentTypes.push_back(file->getContentType());
            return command.isEnabledFor(contentTypes);
        });
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
    auto* frame = new MainFrame(getDisplayName(), m_preferences.get()); // the toolkit owns it
    m_ordering = std::make_unique<Ordering>(Environment::getUserDataDir(), getUserConfig(),
                                            m_account.portalId, m_fileManager.get());
    frame->setOrdering(m_ordering.get());
    initSynchronization(*frame);
    frame->setAccountListener([this] {
        m_account = Brenmarle::AccountSettings::read(getConfiguration());
        if (m_ordering)
            m_ordering->setPortal(m_account.portalId);
        if (m_synchronizeManager)
            m_synchronizeManager->accountChanged();
    });
    setMainWindow(frame);
    SetTopWindow(frame);
}

void BrenmarleApp::initSynchronization(MainFrame& frame)
{
    if (!Brenmarle::Database::getInstance().isOpen())
        return;
    // Each run is made for the account as it is when the timer runs out.
    SynchronizeManager::TaskFactory makeTask = [this]() -> Quorvel::Ref<Quorvel::Task> {
        Quorvel::Configuration& configuration = getConfiguration();
        const auto account = Brenmarle::AccountSettings::read(configuration);
        if (!account.exists() || !m_fileManager)
            return nullptr;
        return Quorvel::makeRef<Brenmarle::SynchronizeTask>(
            *m_fileManager, Brenmarle::Database::getInstance(),
            Brenmarle::AccountSettings::portalAddress(configuration, account),
            Quorvel::NetworkSettings::get(), account.accountId);
    };
    m_synchronizeManager = std::make_unique<SynchronizeManager>(
        getConfiguration(), Brenmarle::Database::getInstance(), std::move(makeTask));
    frame.setSynchronizeManager(m_synchronizeManager.get());
}

void BrenmarleApp::openMainFrame()
{
    initMainFrame();
    QTRACE(STARTUP, "%ld openMainFrame", elapsedMs());
    wxTopLevelWindow* frame = getMainFrame();
    if (!frame)
        return;
    frame->Show();
    startUpdateChecks();
    if (frame->IsIconized())
        frame->Iconize(false);
    frame->Raise();
}

void BrenmarleApp::startUpdateChecks()
{
    if (m_newsThread)
        return;
    Quorvel::NetworkSettings& settings = Quorvel::NetworkSettings::get();
    m_vmanager = std::make_unique<Brenmarle::VManagerClient_1_0>(settings);
    m_newsThread = std::make_unique<Brenmarle::UpdateNewsThread>(
        getConfiguration(), settings, *m_vmanager, getVersionString(),
        Brenmarle::UpdateNewsThread::Timing());
    m_newsThread->start();
    m_updateSearch = std::make_unique<ProgramUpdateSearch>(
        getConfiguration(), settings, Environment::getUpdaterConfigPath(),
        Quorvel::VersionNumber(getMajorVersion(), getMinorVersion(), getBuildVersion()));
    m_updateSearch->start();
}

void BrenmarleApp::openMainFrameWithSplash()
{
    if (getMainWindow()) {
        openMainFrame();
        return;
    }
    QTRACE(STARTUP, "%ld openMainFrameWithSplash", elapsedMs());
    // Closed on every way out, a start-up that ends early included.
    struct SplashCloser {
        void operator()(Quorvel::SplashScreen2* splash) const { splash->Destroy(); }
    };
    std::unique_ptr<Quorvel::SplashScreen2, SplashCloser> splash;
    {
        std::lock_guard<std::recursive_mutex> lock(getConfigLock());
        wxString shortName;
        getGlobalConfig().readLocalisedString("Application/ShortName", shortName, "Vistrelle");
        const Quorvel::Skin& skin = getSkin();
        const wxBitmap background = skin.loadBitmap("vssplash/splash.jpg");
        if (background.IsOk()) {
            splash.reset(new Quorvel::SplashScreen2(
                background, skin.loadBitmap("vssplash/splash_logo.png"),
                skin.loadBitmap("vssplash/splash_vendor.png"), _("Loading application..."),
                wxString::FromUTF8("Copyright \u00a9 Quorvel. ") + shortName));
            splash->Show();
            splash->Update();
        }
        QTRACE(STARTUP, "%ld Splash created", elapsedMs());
    }
    openMainFrame();
}

// --- Shut-down ----------------------------------------------------------------------------

int BrenmarleApp::OnExit()
{
    shutDown();
    return Quorvel::Application::OnExit();
}

void BrenmarleApp::shutDown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    const long start = Quorvel::elapsedMs();
    Quorvel::SelfDestructThread watchdog(SHUTDOWN_STEP_LIMIT);
    // Nothing can be shown any more; keep errors from here on out of dialogs.
    Quorvel::logOnlyToStderr();

    // Data removed: writing the settings would make them again.
    if (!m_dataReleased)
        getConfiguration().flushUserConfig();
    watchdog.resetTimer();

    QDEBUG("BRENMARLE IS EXITING");
    // A check under way is interrupted, not waited out.
    m_updateSearch.reset();
    m_newsThread.reset();
    m_vmanager.reset();
    watchdog.resetTimer();
    m_lockTimer.Stop();
    setIpcServer(nullptr);
    watchdog.resetTimer();

    // Web imports write into the albums, the store and the catalogue that go below; a stopped
    // download ends at once.
    m_webImports.clear();
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

    // The search thread reads files through the file manager and the catalogue, both going
    // below. A main window already destroyed took its search with it.
    if (MainFrame* frame = getMainFrame())
        frame->getSearchPage()->stopSearch();
    watchdog.resetTimer();

    Quorvel::logTiming(start, "Exit: loaders and search stopped");

    // The cart follows pictures through the file manager that goes below; a main window not
    // yet destroyed lets go of the cart first. Going, the cart saves its order.
    if (MainFrame* frame = getMainFrame())
        frame->setOrdering(nullptr);
    m_ordering.reset();
    watchdog.resetTimer();

    // A running synchronisation writes through the albums, the file manager and the catalogue
    // that go below: it is aborted and waited for first.
    QDEBUG("--- Stop synchronization manager");
    if (MainFrame* frame = getMainFrame())
        frame->setSynchronizeManager(nullptr);
    m_synchronizeManager.reset();
    watchdog.resetTimer();

    QDEBUG("--- Unload albums");
    Brenmarle::AlbumFolder::unloadAlbums();
    watchdog.resetTimer();
    Quorvel::logTiming(start, "Exit: albums unloaded");

    if (m_fileManager) {
        m_fileManager->dumpFileMap();
        m_fileManager.reset();
    }
    watchdog.resetTimer();
    Quorvel::logTiming(start, "Exit: files stored");

    QDEBUG("--- Save keywords");
    try {
        if (!m_dataReleased)
            Brenmarle::KeywordManager::getInstance().save();
    } catch (const Quorvel::Exception& e) {
        wxLogError("Could not save keywords: %s", e.getMessage());
    }
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
    // The menu entries point into the registry.
    PluginCommands::get().clear();
    m_pluginRegistry.reset();
    watchdog.resetTimer();
    QDEBUG("--- Shutdown image loader");
    if (m_imageLoader)
        m_imageLoader->shutdown();
    m_imageLoader.reset();
    m_thumbnailManager.reset();
    watchdog.resetTimer();

    QDEBUG("--- Stopped");
    Quorvel::logTiming(start, "Exit: stopped");
    {
        std::lock_guard<std::recursive_mutex> lock(getConfigLock());
    }
}

#include "plugins/PluginExecutor.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>

#include <sys/wait.h>

#include <wx/config.h>
#include <wx/filefn.h>
#include <wx/filename.h>

#include "filemanager/FileManager.h"
#include "files/SafeFileName.h"
#include "plugins/PluginCommandLine.h"
#include "plugins/PluginDescriptionFiles.h"
#include "plugins/PluginHost.h"
#include "plugins/PluginLoader.h"
#include "plugins/PluginProcess.h"
#include "plugins/PluginRegistry.h"
#include "system/Exceptions.h"
#include "system/Log.h"

extern char** environ;

namespace {

constexpr int SPLASH_TIMEOUT_MS = 20000;
// How long a plug-in the program waits for has to end on SIGTERM when the program ends.
constexpr int STOP_GRACE_MS = 1000;

std::string utf8(const wxString& text)
{
    return std::string(text.utf8_str());
}

wxString withoutSlash(wxString dir)
{
    while (dir.length() > 1 && dir.EndsWith("/"))
        dir.RemoveLast();
    return dir;
}

void makeDir(const wxString& dir, const wxString& failure)
{
    if (!wxFileName::DirExists(dir) && !wxFileName::Mkdir(dir, 0700, wxPATH_MKDIR_FULL))
        throw Quorvel::IOException(failure);
}

} // namespace

// Where a process that ends after its run reports a failure; emptied when the executor goes, so
// a late waiter thread never reaches a host that is gone.
struct PluginExecutor::Reporter {
    std::mutex mutex;
    PluginHost* host = nullptr;

    void report(const wxString& message)
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (host)
            host->reportFailure(message);
    }
};

struct PluginExecutor::Prepared {
    PluginCommandLine::Substitutions substitutions;
    std::vector<std::string> environment;
    wxString workingDirectory;
};

PluginExecutor::PluginExecutor(const PluginRegistry& registry, PluginHost& host)
    : m_registry(registry), m_host(host), m_reporter(std::make_shared<Reporter>())
{
    m_reporter->host = &host;
}

PluginExecutor::~PluginExecutor()
{
    std::lock_guard<std::mutex> lock(m_reporter->mutex);
    m_reporter->host = nullptr;
}

wxString PluginExecutor::safeId(const wxString& id)
{
    return Brenmarle::SafeFileName::make(id);
}

std::map<wxString, wxString> PluginExecutor::readRequiredUpdates(const wxConfigBase& config)
{
    std::map<wxString, wxString> updates;
    for (int i = 1;; ++i) {
        wxString uuid;
        if (!config.Read(wxString::Format("PluginUpdates/ReqUpdate%d", i), &uuid) || uuid.empty())
            break;
        wxString version;
        config.Read(wxString::Format("PluginUpdates/ReqUpdate%dVersion", i), &version);
        updates[uuid] = version;
    }
    return updates;
}

bool PluginExecutor::execute(const wxString& packageId, const wxString& pluginId,
                             const Selection& selection)
{
    try {
        run(packageId, pluginId, selection);
        return true;
    } catch (const Quorvel::Exception& e) {
        QDEBUG("[PLUGINEXECUTOR] %s", e.getMessage());
        m_host.reportFailure("Plugin execution failed: " + e.getMessage());
    } catch (const std::exception& e) {
        QDEBUG("[PLUGINEXECUTOR] %s", e.what());
        m_host.reportFailure("Plugin execution failed: " + wxString::FromUTF8(e.what()));
    }
    return false;
}

void PluginExecutor::run(const wxString& packageId, const wxString& pluginId,
                         const Selection& selection)
{
    QDEBUG("Execute plugin %s", pluginId);
    const PluginCommand* found = m_registry.findCommand(packageId, pluginId);
    if (!found) {
        throw Quorvel::RuntimeException(
            wxString::Format("Plugin %s is no longer available after update", pluginId));
    }
    const PluginCommand& command = *found;
    checkRequiredUpdate(packageId);

    switch (command.type) {
    case PluginCommand::WEBLINK:
        if (command.executeMode != PluginCommand::ASYNC)
            throw Quorvel::RuntimeException("Only ASYNC is supported for weblink plugins");
        m_host.openUrl(command.webLinkUrl);
        return;
    case PluginCommand::FILECOPYFILTER:
        if (command.executeMode != PluginCommand::ASYNC)
            throw Quorvel::RuntimeException("Unsupported execute mode");
        if (command.forEachExecute.empty()) {
            throw Quorvel::RuntimeException(
                "Currently, only ForEachExecuteCommand issupported for FILECOPYFILTER plugins");
        }
        break;
    case PluginCommand::FILEFILTER:
        if (command.forEachExecute.empty())
            throw Quorvel::RuntimeException("The plugin has no ForEachExecute command");
        break;
    case PluginCommand::COMMAND:
    case PluginCommand::IMPORT:
        if (command.execute.empty())
            throw Quorvel::RuntimeException("The plugin has no Execute command");
        break;
    default:
        throw Quorvel::RuntimeException("Unsupported plugin type");
    }
    if (command.executeMode == PluginCommand::MODE_NONE)
        throw Quorvel::RuntimeException("Unsupported execute mode");
    const Prepared prepared = prepare(command, selection);
    runProcesses(command, selection, prepared);
}

void PluginExecutor::checkRequiredUpdate(const wxString& packageId)
{
    const auto required = m_session.requiredUpdates.find(packageId);
    if (required == m_session.requiredUpdates.end())
        return;
    const PluginBundle* bundle = m_registry.findBundle(packageId);
    if (bundle && PluginLoader::compareVersions(bundle->version, required->second) < 0) {
        throw Quorvel::RuntimeException(wxString::Format(
            "The extension needed to be updated to at least version %s", required->second));
    }
}

PluginExecutor::Prepared PluginExecutor::prepare(const PluginCommand& command,
                                                 const Selection& selection)
{
    // Consent first: a refused run leaves no files behind and starts nothing.
    bool withLogin = false;
    if (command.requireLoginInfo) {
        const bool hasAccount = !m_session.accountId.empty();
        if (!m_host.askLoginConsent(command, hasAccount) || !hasAccount)
            throw Quorvel::RuntimeException("Plugin was not allowed to access login information");
        withLogin = true;
    }
    Prepared prepared;
    prepared.substitutions.bundleDir = command.bundleDir;
    prepared.substitutions.userDataDir = m_session.userDataDir;

    const wxString tempDir = m_session.userDataDir + "temp";
    makeDir(tempDir, "Could not create temp directory");
    if (command.needsFileSelInfo)
        PluginDescriptionFiles::writeFileSelection(tempDir + "/fileselinfo.xml", selection.files);
    if (command.needsFolderInfo)
        PluginDescriptionFiles::writeFolder(tempDir + "/folderinfo.xml", selection.folder);

    wxString closeSplash;
    if (!command.splashTitle.empty()) {
        closeSplash = tempDir + "/closesplash_" + safeId(command.id);
        if (wxFileExists(closeSplash))
            wxRemoveFile(closeSplash);
    }
    const wxString dllDir = m_session.userDataDir + "plugins/dlls";
    makeDir(dllDir, "Could not create plugin DLL directory");
    prepared.workingDirectory =
        command.workingDirectory.empty()
            ? dllDir
            : PluginCommandLine::substitute(command.workingDirectory, prepared.substitutions);
    QDEBUG("Setting current working directory to %s", prepared.workingDirectory);

    std::map<std::string, std::string> values = onceValues();
    values["VS_DLL_DIRECTORY"] = utf8(dllDir);
    values["VS_PLUGIN_ID"] = utf8(command.id);
    values["VS_PACKAGE_ID"] = utf8(command.packageId);
    values["VS_PARENTWIN_LEFT"] = std::to_string(selection.parentWindow.x);
    values["VS_PARENTWIN_TOP"] = std::to_string(selection.parentWindow.y);
    values["VS_PARENTWIN_WIDTH"] = std::to_string(selection.parentWindow.width);
    values["VS_PARENTWIN_HEIGHT"] = std::to_string(selection.parentWindow.height);
    values["VS_SPOOL_DIR"] = utf8(m_session.userDataDir + "spool");
    values["VS_FILESELINFO_XML"] = utf8(tempDir + "/fileselinfo.xml");
    values["VS_FOLDERINFO_XML"] = utf8(tempDir + "/folderinfo.xml");
    values["VS_USER_PORTALID"] = utf8(m_session.portalId);
    values["VS_USER_PORTALNAME"] = utf8(m_session.portalName);
    if (withLogin) {
        values["VS_USER_ACCOUNTID"] = utf8(m_session.accountId);
        values["VS_USER_PASSWORD"] = utf8(m_session.password);
    }
    if (!closeSplash.empty())
        values["VS_CLOSESPLASH_FILE"] = utf8(closeSplash);

    // The program's own environment, less any "VS_" value it was started with: a plug-in
    // learns those only from us, and a login never reaches a command that was not allowed it.
    for (char** entry = environ; entry && *entry; ++entry) {
        if (std::strncmp(*entry, "VS_", 3) != 0)
            prepared.environment.emplace_back(*entry);
    }
    for (const auto& [name, value] : values)
        prepared.environment.push_back(name + "=" + value);

    if (!closeSplash.empty())
        m_host.showSplash(command.splashTitle, closeSplash, SPLASH_TIMEOUT_MS);
    return prepared;
}

const std::map<std::string, std::string>& PluginExecutor::onceValues()
{
    if (m_onceDone)
        return m_onceValues;
    const wxString orderDir = m_session.userDataDir + "order";
    makeDir(orderDir, "Could not create order directory");
    std::map<std::string, std::string>& v = m_onceValues;
    v["VS_EXECUTABLE"] = utf8(m_session.executablePath);
    v["VS_EXECUTABLE_DIR"] = utf8(wxFileName(m_session.executablePath).GetPath());
    v["VS_DISTRIBUTION"] = utf8(m_session.distribution);
    v["VS_LANG"] = utf8(m_session.language);
    v["VS_IPC_NAME"] = utf8(m_session.ipcName);
    v["VS_VERSION"] = utf8(m_session.version);
    v["VS_PLUGIN_IFACE_VER"] = PluginLoader::PLUGIN_INTERFACE_VERSION;
    v["VS_USER_DATA_DIR"] = utf8(m_session.userDataDir);
    v["VS_SHARED_DATA_DIR"] = utf8(m_session.sharedDataDir);
    v["VS_DATABASE"] = utf8(m_session.databasePath);
    v["VS_ORDER_DIR"] = utf8(orderDir);
    wxString dirs;
    for (const wxString& dir : m_registry.getPluginDirs())
        dirs += (dirs.empty() ? "" : ";") + withoutSlash(dir);
    v["VS_PLUGIN_DIRS"] = utf8(dirs);
    const wxString priceList =
        m_session.userDataDir + "portals/" + m_session.portalId + "/pricelist.xml";
    if (!m_session.portalId.empty() && wxFileExists(priceList))
        v["VS_PRICELIST_XML"] = utf8(priceList);
    m_onceDone = true;
    return m_onceValues;
}

void PluginExecutor::runProcesses(const PluginCommand& command, const Selection& selection,
                                  const Prepared& prepared)
{
    const bool forEach = command.type == PluginCommand::FILEFILTER;
    std::vector<wxString> paths;
    for (const Quorvel::Ref<Brenmarle::File>& file : selection.files) {
        if (!forEach && command.type != PluginCommand::FILECOPYFILTER)
            break;
        try {
            paths.push_back(Brenmarle::FileManager::get().getLocalPath(*file));
        } catch (const Quorvel::Exception& e) {
            throw Quorvel::RuntimeException(file->getFileName() + ": " + e.getMessage());
        }
    }
    if (command.type == PluginCommand::FILECOPYFILTER) {
        for (size_t i = 0; i < paths.size(); ++i) {
            const std::vector<wxString> arguments = PluginCommandLine::build(
                command.forEachExecute, prepared.substitutions, {paths[i]});
            wxString line;
            for (const wxString& argument : arguments)
                line += (line.empty() ? "" : " ") + argument;
            QDEBUG("[PLUGINEXECUTOR] %s", line);
            startProcess(command, arguments, prepared, true);
            if (command.forEachPauseMs > 0 && i + 1 < paths.size() &&
                !m_host.pause(command.forEachPauseMs))
                throw Quorvel::AbortException("The program is ending: the filter was stopped");
        }
        return;
    }
    const std::vector<wxString> arguments =
        PluginCommandLine::build(forEach ? command.forEachExecute : command.execute,
                                 prepared.substitutions, forEach ? paths : std::vector<wxString>());
    switch (command.executeMode) {
    case PluginCommand::ASYNC:
        startProcess(command, arguments, prepared, true);
        break;
    case PluginCommand::SYNC:
        waitAndCheck(*startProcess(command, arguments, prepared, false), false);
        break;
    case PluginCommand::MODAL:
        waitAndCheck(*startProcess(command, arguments, prepared, false), true);
        break;
    default:
        throw Quorvel::RuntimeException("Unsupported execute mode");
    }
}

std::shared_ptr<PluginProcess> PluginExecutor::startProcess(const PluginCommand& command,
                                                            const std::vector<wxString>& arguments,
                                                            const Prepared& prepared, bool remember)
{
    std::vector<std::string> argv;
    for (const wxString& argument : arguments)
        argv.push_back(utf8(argument));
    PluginProcess::ExitHandler onExit;
    if (remember) {
        // Nobody waits for this one: a failure is reported when the waiter sees it end.
        std::shared_ptr<Reporter> reporter = m_reporter;
        const wxString name = command.id;
        onExit = [reporter, name](int status) {
            if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
                return;
            QDEBUG("Process returned non-zero!");
            reporter->report(wxString::Format("Plugin execution failed: %s ended with %s", name,
                                              PluginProcess::describeStatus(status)));
        };
    }
    std::shared_ptr<PluginProcess> process;
    try {
        process = PluginProcess::start(argv, prepared.environment, utf8(prepared.workingDirectory),
                                       std::move(onExit));
    } catch (const Quorvel::Exception& e) {
        QDEBUG("Could not run command %s", argv.empty() ? wxString() : wxString::FromUTF8(argv[0]));
        throw;
    }
    if (remember) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_running.erase(std::remove_if(m_running.begin(), m_running.end(),
                                       [](const auto& entry) { return !entry.first->isRunning(); }),
                        m_running.end());
        m_running.emplace_back(process, command.quitAction);
    }
    return process;
}

void PluginExecutor::waitAndCheck(PluginProcess& process, bool modal)
{
    if (modal)
        m_host.waitWhileRunning(process);
    if (!m_host.waitUntilEnded(process)) {
        // The program is told to end, and the plug-in it waits for ends with it.
        QDEBUG("[PLUGINEXECUTOR] Stopping the plugin: the program is ending");
        process.signalGroup(SIGTERM);
        if (!process.waitForExit(std::chrono::milliseconds(STOP_GRACE_MS)))
            process.signalGroup(SIGKILL);
        throw Quorvel::AbortException("The program is ending: the plugin was stopped");
    }
    const int status = process.getStatus();
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return;
    QDEBUG("Process returned non-zero!");
    throw Quorvel::RuntimeException(
        wxString::Format("The plugin ended with %s", PluginProcess::describeStatus(status)));
}

void PluginExecutor::stopProcesses()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& [process, action] : m_running) {
        if (action == PluginCommand::QUIT_TERM)
            process->signalGroup(SIGTERM);
        else if (action == PluginCommand::QUIT_KILL)
            process->signalGroup(SIGKILL);
    }
    m_running.clear();
}

int PluginExecutor::countRunningProcesses() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    int count = 0;
    for (const auto& entry : m_running)
        count += entry.first->isRunning() ? 1 : 0;
    return count;
}

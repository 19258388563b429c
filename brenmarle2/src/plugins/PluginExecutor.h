#pragma once
// Runs plug-in commands: refuses bundles that must be updated first, asks for consent to hand
// out the login, writes the description files, builds each process's environment and argument
// vector, starts the processes in the command's mode and watches them. Processes started without
// waiting are remembered and, at exit, those still running are stopped as their command asks.
//
// Nothing of this process is changed for a plug-in: no environment variable, no working
// directory; every child gets its own (see PluginProcess).
//
// Threads: GUI thread, except that remembered processes end on their waiter threads, which
// only report through the host.

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <wx/gdicmn.h>
#include <wx/string.h>

#include "files/File.h"
#include "folders/Folder2.h"
#include "plugins/PluginCommand.h"

class PluginHost;
class PluginProcess;
class PluginRegistry;

class PluginExecutor {
public:
    // What a plug-in is told about this program run and its user.
    struct Session {
        wxString executablePath;
        wxString distribution;
        wxString language;
        wxString ipcName;
        wxString version;
        // Ending in "/".
        wxString userDataDir;
        wxString sharedDataDir;
        wxString databasePath;
        wxString portalId;
        wxString portalName;
        wxString accountId;
        wxString password;
        // Bundles (by identity) that must be at least this version before they run.
        std::map<wxString, wxString> requiredUpdates;
    };

    // What the user chose the command for.
    struct Selection {
        std::vector<Quorvel::Ref<Brenmarle::File>> files;
        Brenmarle::FolderRef folder;
        // The window the command was started from; an empty rectangle when there is none.
        wxRect parentWindow;
    };

    // The registry and host must outlive the executor.
    PluginExecutor(const PluginRegistry& registry, PluginHost& host);
    ~PluginExecutor();

    void setSession(const Session& session) { m_session = session; }
    const Session& getSession() const { return m_session; }

    // Runs the command; false after a failure, which was logged and reported to the user as
    // "Plugin execution failed: " and the reason.
    bool execute(const wxString& packageId, const wxString& pluginId, const Selection& selection);
    // As execute(), but throws Quorvel::RuntimeException with the reason.
    void run(const wxString& packageId, const wxString& pluginId, const Selection& selection);

    // At exit: each remembered process that still runs gets SIGTERM or SIGKILL to its process
    // group, as its command's quit action says; the others are left alone.
    void stopProcesses();
    // Processes started without waiting that still run.
    int countRunningProcesses() const;

    // The command's identity as part of a file name: no "/", no "..".
    static wxString safeId(const wxString& id);
    // Reads "PluginUpdates/ReqUpdate%d" and "PluginUpdates/ReqUpdate%dVersion" (from 1 up to
    // the first missing number) into bundle identity and version.
    static std::map<wxString, wxString> readRequiredUpdates(const class wxConfigBase& config);

private:
    struct Prepared;
    struct Reporter;

    void checkRequiredUpdate(const wxString& packageId);
    Prepared prepare(const PluginCommand& command, const Selection& selection);
    std::vector<std::string> environmentFor(const PluginCommand& command,
                                            const Selection& selection, const Prepared& prepared);
    const std::map<std::string, std::string>& onceValues();
    void runProcesses(const PluginCommand& command, const Selection& selection,
                      const Prepared& prepared);
    std::shared_ptr<PluginProcess> startProcess(const PluginCommand& command,
                                                const std::vector<wxString>& arguments,
                                                const Prepared& prepared, bool remember);
    void waitAndCheck(PluginProcess& process, bool modal);

    const PluginRegistry& m_registry;
    PluginHost& m_host;
    Session m_session;
    std::map<std::string, std::string> m_onceValues;
    bool m_onceDone = false;
    std::shared_ptr<Reporter> m_reporter;

    mutable std::mutex m_mutex; // guards m_running
    std::vector<std::pair<std::shared_ptr<PluginProcess>, PluginCommand::QuitAction>> m_running;
};

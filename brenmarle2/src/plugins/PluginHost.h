#pragma once
// What running a plug-in needs from the windows: asking for consent, opening a web address,
// the splash and the running panel, and telling the user about a failure. The application
// gives the executor a window-backed host; tests give their own.

#include <wx/string.h>

class PluginCommand;
class PluginProcess;

class PluginHost {
public:
    virtual ~PluginHost() = default;

    // A command wants the account's identity and password. Without an account the host offers
    // registration; either way only a true return lets the run go on. GUI thread.
    virtual bool askLoginConsent(const PluginCommand& command, bool hasAccount) = 0;
    // GUI thread.
    virtual void openUrl(const wxString& url) = 0;
    // Shows `title` until `closeFile` exists or `timeoutMs` pass; returns at once. GUI thread.
    virtual void showSplash(const wxString& title, const wxString& closeFile, int timeoutMs) = 0;
    // Shows that `process` runs, offering to stop or kill it, and returns once it ended, or
    // once the program is told to end. GUI thread.
    virtual void waitWhileRunning(PluginProcess& process) = 0;
    // Returns once `process` ended, without holding the GUI thread (windows are painted, a
    // termination signal is read); false when the program is told to end first, the process
    // still running. GUI thread.
    virtual bool waitUntilEnded(PluginProcess& process) = 0;
    // Lets `ms` pass in the same way; false when the program is told to end meanwhile.
    virtual bool pause(int ms) = 0;
    // "Plugin execution failed: ..." for the user. Any thread: a process started without
    // waiting reports its failure from the thread that saw it end.
    virtual void reportFailure(const wxString& message) = 0;
};

#pragma once
// The program's windows for running plug-ins: the consent questions, the web browser, the
// start-up splash, the running panel of MODAL commands and the failure message.
//
// GUI thread, except reportFailure() (any thread; the message is shown on the GUI thread).

#include "plugins/PluginHost.h"

class wxWindow;

class PluginWindowHost : public PluginHost {
public:
    // `maker` is the line naming the program's maker on the splash.
    explicit PluginWindowHost(const wxString& maker);

    bool askLoginConsent(const PluginCommand& command, bool hasAccount) override;
    void openUrl(const wxString& url) override;
    void showSplash(const wxString& title, const wxString& closeFile, int timeoutMs) override;
    void waitWhileRunning(PluginProcess& process) override;
    bool waitUntilEnded(PluginProcess& process) override;
    bool pause(int ms) override;
    void reportFailure(const wxString& message) override;

private:
    static wxWindow* parentWindow();

    wxString m_maker;
};

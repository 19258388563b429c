#include "plugins/PluginWindowHost.h"

#include <wx/app.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include "plugins/PluginCommand.h"
#include "plugins/PluginProcess.h"
#include "plugins/PluginRunningDialog.h"
#include "plugins/PluginSplash.h"
#include "system/Application.h"
#include "ui/NestedLoops.h"
#include "ui/Skin.h"

PluginWindowHost::PluginWindowHost(const wxString& maker) : m_maker(maker) {}

wxWindow* PluginWindowHost::parentWindow()
{
    return wxTheApp ? wxTheApp->GetTopWindow() : nullptr;
}

bool PluginWindowHost::askLoginConsent(const PluginCommand&, bool hasAccount)
{
    if (!hasAccount) {
        wxMessageDialog dialog(parentWindow(),
                               _("The plugin you just started requires an account to work "
                                 "properly. Registering an account requires you only to provide "
                                 "an email address"),
                               _("Plugin requires an account"), wxYES_NO | wxICON_INFORMATION);
        dialog.SetYesNoLabels(_("Register..."), _("Cancel"));
        if (dialog.ShowModal() == wxID_YES)
            wxLogInfo("%s is not available in this version.", _("Registering an account"));
        return false;
    }
    wxMessageDialog dialog(parentWindow(),
                           _("The plugin you started has requested to access the login "
                             "information to your account. This information is needed for the "
                             "plugin to run"),
                           _("Login Access Needed"), wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION);
    dialog.SetYesNoLabels(_("Allow"), _("Cancel"));
    return dialog.ShowModal() == wxID_YES;
}

void PluginWindowHost::openUrl(const wxString& url)
{
    if (!wxLaunchDefaultBrowser(url))
        wxLogError(_("Could not open %s in the web browser."), url);
}

void PluginWindowHost::showSplash(const wxString& title, const wxString& closeFile, int timeoutMs)
{
    const Quorvel::Skin& skin = Quorvel::Application::get().getSkin();
    const wxBitmap background = skin.loadBitmap("vssplash/splash.jpg");
    if (!background.IsOk())
        return;
    auto* splash = new PluginSplash(background, skin.loadBitmap("vssplash/splash_vendor.png"),
                                    m_maker, title, closeFile, timeoutMs);
    splash->Show();
    splash->Update();
}

void PluginWindowHost::waitWhileRunning(PluginProcess& process)
{
    const Quorvel::Skin& skin = Quorvel::Application::get().getSkin();
    PluginRunningDialog dialog(parentWindow(), wxTheApp->GetAppDisplayName(), process,
                               skin.loadBitmap("stop_plugin.png"),
                               skin.loadBitmap("kill_plugin.png"));
    if (process.isRunning())
        dialog.ShowModal();
}

bool PluginWindowHost::waitUntilEnded(PluginProcess& process)
{
    using Quorvel::NestedLoops;
    return NestedLoops::waitUntil([&process] { return !process.isRunning(); }) ==
           NestedLoops::WaitResult::DONE;
}

bool PluginWindowHost::pause(int ms)
{
    using Quorvel::NestedLoops;
    return NestedLoops::waitUntil([] { return false; }, std::chrono::milliseconds(ms)) !=
           NestedLoops::WaitResult::ENDED;
}

void PluginWindowHost::reportFailure(const wxString& message)
{
    if (!wxTheApp)
        return;
    wxTheApp->CallAfter([message] { wxLogError("%s", message); });
}

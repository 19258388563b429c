#include "mainframe/MainFrame.h"

#include <wx/menu.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "dialogs/PreferencesDialog.h"
#include "system/Environment.h"
#include "system/Log.h"

MainFrame::MainFrame(const wxString& title)
    : wxFrame(nullptr, wxID_ANY, title, wxDefaultPosition, wxSize(1000, 700))
{
    auto* fileMenu = new wxMenu;
    fileMenu->Append(wxID_PREFERENCES, _("&Preferences..."));
    fileMenu->AppendSeparator();
    fileMenu->Append(wxID_EXIT, _("E&xit"));
    auto* menuBar = new wxMenuBar;
    menuBar->Append(fileMenu, _("&File"));
    SetMenuBar(menuBar);
    CreateStatusBar();

    Bind(wxEVT_MENU, &MainFrame::onPreferences, this, wxID_PREFERENCES);
    Bind(wxEVT_MENU, &MainFrame::onExit, this, wxID_EXIT);
}

void MainFrame::openAddress(const wxString& address)
{
    QDEBUG("[MAINFRAME] Address: %s", address);
    SetStatusText(address);
}

void MainFrame::onPreferences(wxCommandEvent&)
{
    PreferencesDialog dialog(this, Quorvel::Environment::getNetworkSettingsPath());
    dialog.ShowModal();
}

void MainFrame::onExit(wxCommandEvent&) { Close(); }

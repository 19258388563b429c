#include "dialogs/NetworkPage.h"

#include <wx/checkbox.h>
#include <wx/filefn.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "system/ConfigFile.h"
#include "system/Log.h"
#include "ui/Accessibility.h"

NetworkPage::NetworkPage(wxWindow* parent, const wxString& networkSettingsPath)
    : wxPanel(parent), m_path(networkSettingsPath)
{
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* heading = new wxStaticText(this, wxID_ANY, _("Network Options"));
    heading->SetFont(heading->GetFont().Bold().Larger());
    sizer->Add(heading, 0, wxALL, 8);
    auto* text = new wxStaticText(
        this, wxID_ANY,
        _("If you have problems connecting to the online services, it may be because you have "
          "to pass through an HTTP proxy to connect to Internet hosts (Check with your IT "
          "department)."));
    text->Wrap(FromDIP(420));
    sizer->Add(text, 0, wxLEFT | wxRIGHT | wxBOTTOM, 8);

    m_enabled = new wxCheckBox(this, wxID_ANY, _("Enable HTTP proxy support"));
    sizer->Add(m_enabled, 0, wxALL, 8);

    auto* grid = new wxFlexGridSizer(2, wxSize(8, 6));
    grid->AddGrowableCol(1);
    auto addField = [this, grid](const wxString& label, long style) {
        grid->Add(new wxStaticText(this, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL);
        auto* field = new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition,
                                     wxDefaultSize, style);
        grid->Add(field, 1, wxEXPAND);
        Quorvel::setAccessibleName(*field, wxString(label).BeforeLast(':'));
        return field;
    };
    m_host = addField(_("Proxy Host:"), 0);
    m_port = addField(_("Proxy Port:"), 0);
    m_user = addField(_("User ID:"), 0);
    m_password = addField(_("Password:"), wxTE_PASSWORD);
    sizer->Add(grid, 0, wxLEFT | wxRIGHT | wxEXPAND, 24);
    SetSizer(sizer);

    m_enabled->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { updateEnabled(); });
    load();
}

void NetworkPage::load()
{
    wxString host, user, password;
    int port = 8080;
    if (wxFileExists(m_path)) {
        Quorvel::ConfigFile settings(m_path);
        settings.readString("HttpProxy/Host", host, wxString());
        settings.readInt("HttpProxy/Port", port, 8080);
        settings.readString("HttpProxy/UserId", user, wxString());
        settings.readString("HttpProxy/Password", password, wxString());
    }
    m_host->ChangeValue(host);
    m_port->ChangeValue(wxString::Format("%d", port));
    m_user->ChangeValue(user);
    m_password->ChangeValue(password);
    m_enabled->SetValue(!host.empty());
    updateEnabled();
}

bool NetworkPage::save()
{
    QDEBUG("[PREFERENCESDIALOG] save ()");
    long port = 0;
    if (!m_port->GetValue().Trim().Trim(false).ToLong(&port, 10))
        port = 0;
    if (!m_enabled->GetValue())
        port = 0;
    if (!wxFileExists(m_path))
        return false;
    Quorvel::ConfigFile settings(m_path);
    settings.writeString("HttpProxy/Host", m_host->GetValue());
    settings.writeInt("HttpProxy/Port", static_cast<int>(port));
    settings.writeString("HttpProxy/UserId", m_user->GetValue());
    settings.writeString("HttpProxy/Password", m_password->GetValue());
    return settings.flush();
}

void NetworkPage::updateEnabled()
{
    const bool enabled = m_enabled->GetValue();
    for (wxTextCtrl* field : {m_host, m_port, m_user, m_password})
        field->Enable(enabled);
}

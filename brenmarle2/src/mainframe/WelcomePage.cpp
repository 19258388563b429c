#include "mainframe/WelcomePage.h"

#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "database/Database.h"
#include "folders/AlbumFolder.h"
#include "system/Configuration.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "ui/Accessibility.h"

WelcomePage::WelcomePage(wxWindow* parent, const wxString& shortName) : wxPanel(parent, wxID_ANY)
{
    SetName("WelcomePage");
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* title = new wxStaticText(this, wxID_ANY, wxString::Format(_("Welcome to %s"), shortName));
    title->SetFont(title->GetFont().Scaled(1.8f).Bold());
    sizer->Add(title, 0, wxALL, 24);
    m_counts = new wxStaticText(this, wxID_ANY, wxString());
    m_counts->SetFont(m_counts->GetFont().Larger());
    sizer->Add(m_counts, 0, wxLEFT | wxRIGHT, 24);

    auto* noteLabel = new wxStaticText(this, wxID_ANY, _("Reminder note:"));
    sizer->Add(noteLabel, 0, wxLEFT | wxRIGHT | wxTOP, 24);
    m_reminder = new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, wxSize(360, 160),
                                wxTE_MULTILINE);
    m_reminder->SetName("Reminder");
    Quorvel::setAccessibleName(*m_reminder, _("Reminder note"));
    // A sticky note: pale yellow whatever the theme, with dark text on it.
    m_reminder->SetBackgroundColour(wxColour(255, 247, 170));
    m_reminder->SetForegroundColour(*wxBLACK);
    m_reminder->SetHint(_("Write yourself a note here"));
    wxString text;
    if (auto* configuration = Quorvel::Configuration::get())
        configuration->getUserConfig().readString("Reminder/Text", text, wxString());
    m_reminder->ChangeValue(text);
    m_reminder->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { saveReminder(); });
    sizer->Add(m_reminder, 0, wxALL, 24);
    SetSizer(sizer);
    refresh();
}

wxString WelcomePage::getCountsText() const
{
    return m_counts->GetLabel();
}

void WelcomePage::refresh()
{
    Brenmarle::Database& database = Brenmarle::Database::getInstance();
    if (!database.isOpen()) {
        m_counts->SetLabel(_("The picture catalogue could not be opened."));
        return;
    }
    try {
        const int pictures = database.getFileCount();
        const int favorites = database.getFavoriteCount();
        const auto albums = Brenmarle::AlbumFolder::getAlbums().size();
        Brenmarle::UriList inbox;
        database.getFileUris("inbox://", inbox);
        wxString text = wxString::Format(_("Your catalogue holds %d pictures in %zu albums; %d "
                                           "of them are favorites."),
                                         pictures, albums, favorites);
        text += "\n";
        text += inbox.empty() ? _("No new pictures are waiting in the Picture Inbox.")
                              : wxString::Format(_("%zu new pictures are waiting in the Picture "
                                                   "Inbox."),
                                                 inbox.size());
        m_counts->SetLabel(text);
    } catch (const Quorvel::Exception& e) {
        QDEBUG("[WELCOMEPAGE] %s", e.getMessage());
    }
    Layout();
}

void WelcomePage::saveReminder()
{
    if (auto* configuration = Quorvel::Configuration::get())
        configuration->getUserConfig().writeString("Reminder/Text", m_reminder->GetValue());
}

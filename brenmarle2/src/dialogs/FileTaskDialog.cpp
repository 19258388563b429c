#include "dialogs/FileTaskDialog.h"

#include <algorithm>
#include <utility>

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "system/Log.h"

namespace {
// Every text of the window stands under the heading, indented.
const wxString INDENT = "    ";
const int TEXT_WIDTH = 360;
// Lines of the reason seen without scrolling.
const int REASON_LINES = 6;
} // namespace

FileTaskDialog::FileTaskDialog(wxWindow* parent, const wxString& title)
    : wxDialog(parent, wxID_ANY, title, wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER)
{
    m_heading = new wxStaticText(this, wxID_ANY, _("Current Operation:"));
    m_text = new wxStaticText(this, wxID_ANY, wxString(), wxDefaultPosition, wxSize(TEXT_WIDTH, -1),
                              wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE);
    m_reason = new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition,
                              wxSize(TEXT_WIDTH, GetCharHeight() * REASON_LINES),
                              wxTE_MULTILINE | wxTE_READONLY | wxTE_WORDWRAP);
    m_reason->Hide();
    m_gauge = new wxGauge(this, wxID_ANY, 1);
    m_button = new wxButton(this, wxID_ANY, _("Stop"));

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_heading, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP));
    sizer->Add(m_text, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP));
    sizer->Add(m_reason, wxSizerFlags(1).Expand().Border(wxLEFT | wxRIGHT | wxTOP));
    sizer->Add(m_gauge, wxSizerFlags().Expand().Border());
    sizer->Add(m_button, wxSizerFlags().Center().Border(wxLEFT | wxRIGHT | wxBOTTOM));
    SetSizerAndFit(sizer);
    // Escape does what the one button does.
    SetEscapeId(m_button->GetId());

    m_button->Bind(wxEVT_BUTTON, &FileTaskDialog::onButton, this);
    Bind(wxEVT_CLOSE_WINDOW, &FileTaskDialog::onClose, this);
    Bind(wxEVT_SHOW, &FileTaskDialog::onShow, this);
}

void FileTaskDialog::setStopHandler(std::function<void()> handler)
{
    m_onStop = std::move(handler);
}

void FileTaskDialog::showProgress(const wxString& text, int done, int count)
{
    setText(text);
    const int range = std::max(count, 1);
    m_gauge->SetRange(range);
    m_gauge->SetValue(std::clamp(done, 0, range));
}

void FileTaskDialog::showFailure(const wxString& reason)
{
    m_failed = true;
    m_heading->SetLabelText(_("File operation failed"));
    wxString indented = INDENT + reason;
    indented.Replace("\n", "\n" + INDENT);
    m_reason->ChangeValue(indented);
    m_reason->ShowPosition(0);
    m_text->Hide();
    m_reason->Show();
    m_button->SetLabel(_("Close"));
    m_button->Enable();
    // Room for the box; a window already on screen grows, never shrinks.
    wxSize size = GetSize();
    Fit();
    size.IncTo(GetSize());
    SetSize(size);
    Layout();
}

wxString FileTaskDialog::getHeading() const
{
    return m_heading->GetLabelText();
}

wxString FileTaskDialog::getText() const
{
    return m_failed ? m_reason->GetValue() : m_text->GetLabelText();
}

void FileTaskDialog::setText(const wxString& text)
{
    // As text: a file name with "&" must not turn into a mnemonic.
    m_text->SetLabelText(INDENT + text);
}

void FileTaskDialog::onButton(wxCommandEvent&)
{
    QDEBUG("[FILETASTDIALOG] Button event");
    Close();
}

void FileTaskDialog::onShow(wxShowEvent& event)
{
    event.Skip();
    // GTK reports a window shown when the server's map notice arrives, even when that comes
    // after a quick Stop hid it again; a stopped operation's window stays away.
    if (event.IsShown() && m_stopping)
        Hide();
}

void FileTaskDialog::onClose(wxCloseEvent&)
{
    QDEBUG("[FILETASTDIALOG] Close event");
    Hide();
    if (m_failed) {
        Destroy();
        return;
    }
    if (m_stopping)
        return;
    m_stopping = true;
    setText(_("Stopping..."));
    m_button->Disable();
    if (m_onStop)
        m_onStop();
}

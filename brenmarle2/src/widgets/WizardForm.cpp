#include "widgets/WizardForm.h"

#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "threads/TaskEvent.h"
#include "ui/Accessibility.h"

wxStaticText* WizardForm::addText(wxWindow* page, wxSizer* sizer, const wxString& text, bool bold)
{
    auto* label = new wxStaticText(page, wxID_ANY, text);
    // Wrapped in the font it is shown in: bold letters are wider.
    if (bold)
        label->SetFont(label->GetFont().Bold());
    label->Wrap(WRAP_WIDTH);
    sizer->Add(label, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, BORDER));
    return label;
}

wxTextCtrl* WizardForm::addField(wxWindow* page, wxFlexGridSizer* grid, const wxString& label,
                                 long style)
{
    grid->Add(new wxStaticText(page, wxID_ANY, label), wxSizerFlags().CentreVertical());
    auto* field =
        new wxTextCtrl(page, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize, style);
    Quorvel::setAccessibleName(*field, wxStripMenuCodes(label).BeforeLast(':'));
    grid->Add(field, wxSizerFlags().Expand());
    return field;
}

wxGauge* WizardForm::addGauge(wxWindow* page, wxSizer* sizer, const wxString& name)
{
    auto* gauge = new wxGauge(page, wxID_ANY, 100);
    Quorvel::setAccessibleName(*gauge, name);
    sizer->Add(gauge, wxSizerFlags().Expand().Border(wxALL, BORDER));
    return gauge;
}

void WizardForm::showProgress(const Quorvel::TaskEvent& event, wxStaticText* status, wxGauge* gauge)
{
    // A task that names what it is at (the file being sent) says more than its stage does.
    if (!event.getDetailText().empty())
        status->SetLabel(event.getDetailText());
    else if (!event.getProgressText().empty())
        status->SetLabel(event.getProgressText());
    if (event.getProgressTotal() > 0) {
        gauge->SetRange(static_cast<int>(event.getProgressTotal()));
        gauge->SetValue(static_cast<int>(event.getProgressDone()));
    }
}

wxFlexGridSizer* WizardForm::addGrid(wxSizer* sizer)
{
    auto* grid = new wxFlexGridSizer(2, BORDER / 2, BORDER);
    grid->AddGrowableCol(1);
    sizer->Add(grid, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, BORDER));
    return grid;
}

void WizardForm::ErrorLine::create(wxWindow* page, wxSizer* sizer)
{
    m_label = new wxStaticText(page, wxID_ANY, wxString());
    m_label->SetForegroundColour(*wxRED);
    sizer->Add(m_label, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, BORDER));
}

void WizardForm::ErrorLine::report(Quorvel::Wizard::Page& page, const wxString& error)
{
    m_error = error;
    if (m_label) {
        m_label->SetLabel(error);
        m_label->Wrap(WRAP_WIDTH);
        page.Layout();
    }
    page.getWizard()->updateHeader();
}

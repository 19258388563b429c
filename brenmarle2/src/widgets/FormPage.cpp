#include "widgets/FormPage.h"

#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "threads/TaskEvent.h"

FormPage::FormPage(Quorvel::Wizard* wizard, const wxString& title, int step)
    : Page(wizard, wxID_ANY, title), m_step(step), m_sizer(new wxBoxSizer(wxVERTICAL))
{
    SetSizer(m_sizer);
}

bool FormPage::refuse(const wxString& problem)
{
    m_error.report(*this, problem);
    return !problem.empty();
}

void FormPage::showProgress(Quorvel::TaskEvent& event, wxStaticText* status, wxGauge* gauge)
{
    if (!event.getDetailText().empty())
        status->SetLabel(event.getDetailText());
    else if (!event.getProgressText().empty())
        status->SetLabel(event.getProgressText());
    if (event.getProgressTotal() > 0)
        gauge->SetValue(static_cast<int>(100 * event.getProgressDone() / event.getProgressTotal()));
}

#include "widgets/FormPage.h"

#include <wx/sizer.h>

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

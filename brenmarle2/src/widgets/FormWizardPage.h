#pragma once
// A wizard page of the program's assistants that asks something: a vertical sizer to add its
// controls to, its side-bar step, and the problem with what the user chose, shown in red under
// the fields and in the wizard's header.
//
// GUI thread only.

#include <wx/string.h>

#include "widgets/WizardForm.h"
#include "widgets/WizardPage.h"

class wxGauge;
class wxSizer;
class wxStaticText;

class FormWizardPage : public Quorvel::Wizard::Page {
public:
    FormWizardPage(Quorvel::Wizard* wizard, const wxString& title, int step);
    int getStep() const override { return m_step; }
    void getHeaderMessages(wxString& error, wxString&) const override { error = m_error.error(); }
    // The problem shown under the fields (empty: none).
    const wxString& getProblem() const { return m_error.error(); }

    // A task's progress on a status line and a gauge: its detail or progress text and share.
    static void showProgress(Quorvel::TaskEvent& event, wxStaticText* status, wxGauge* gauge);

protected:
    // Reports a problem with what the user chose (empty: none); returns whether there was one.
    bool refuse(const wxString& problem);
    wxSizer* sizer() const { return m_sizer; }

    WizardForm::ErrorLine m_error;

private:
    int m_step;
    wxSizer* m_sizer;
};

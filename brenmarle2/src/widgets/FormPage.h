#pragma once
// A wizard page that asks something: its texts and fields in one column, its side-bar step,
// and the line that tells what is wrong with what was typed (also shown in the wizard's
// header).
//
// GUI thread only; made and owned by the wizard.

#include <wx/string.h>

#include "widgets/WizardForm.h"
#include "widgets/WizardPage.h"

class wxSizer;

class FormPage : public Quorvel::Wizard::Page {
public:
    // `step`: the side-bar step the page belongs to (-1: none).
    FormPage(Quorvel::Wizard* wizard, const wxString& title, int step = -1);
    int getStep() const override { return m_step; }
    void getHeaderMessages(wxString& error, wxString&) const override { error = m_error.error(); }
    // The problem shown under the fields (empty: none).
    const wxString& getProblem() const { return m_error.error(); }

protected:
    // Reports a problem with what the user typed (empty: none); returns whether there was one.
    bool refuse(const wxString& problem);
    wxSizer* sizer() const { return m_sizer; }

    WizardForm::ErrorLine m_error;

private:
    int m_step;
    wxSizer* m_sizer;
};

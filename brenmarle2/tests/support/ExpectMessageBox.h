#pragma once
// A message box the code under test shows modally: its title and text are noted for the test
// to look at, and the user answers `answer`. Use inside wxTEST_DIALOG.

#include <wx/msgdlg.h>
#include <wx/testing.h>

class ExpectMessageBox : public wxExpectModalBase<wxMessageDialog, ExpectMessageBox> {
public:
    ExpectMessageBox(wxString& title, wxString& message, int answer)
        : m_title(title), m_message(message), m_answer(answer)
    {
    }

protected:
    int OnInvoked(wxMessageDialog* dialog) const override
    {
        m_title = dialog->GetTitle();
        m_message = dialog->GetMessage();
        return m_answer;
    }

private:
    wxString& m_title;
    wxString& m_message;
    int m_answer;
};

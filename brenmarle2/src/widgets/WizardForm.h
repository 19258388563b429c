#pragma once
// Building blocks of wizard pages that ask something: wrapped texts, labelled fields that a
// screen reader names after their label, and the line under the fields that tells what is
// wrong (also shown in the wizard's header).
//
// GUI thread only.

#include <wx/string.h>

#include "widgets/WizardPage.h"

namespace Quorvel {
class TaskEvent;
}
class wxFlexGridSizer;
class wxGauge;
class wxSizer;
class wxStaticText;
class wxTextCtrl;
class wxWindow;

class WizardForm {
public:
    static constexpr int BORDER = 10;
    static constexpr int WRAP_WIDTH = 420;

    // A wrapped text under the ones before it.
    static wxStaticText* addText(wxWindow* page, wxSizer* sizer, const wxString& text,
                                 bool bold = false);
    // A label and its field in a two-column grid; the field is named after the label.
    static wxTextCtrl* addField(wxWindow* page, wxFlexGridSizer* grid, const wxString& label,
                                long style = 0);
    // A progress bar named `name` (for screen readers) under the controls before it.
    static wxGauge* addGauge(wxWindow* page, wxSizer* sizer, const wxString& name);
    // A task's progress: its detail (else its progress) text in `status`, its counts in `gauge`
    // (left as it is while the task does not know its total).
    static void showProgress(const Quorvel::TaskEvent& event, wxStaticText* status, wxGauge* gauge);
    // A two-column grid whose second column grows, added to `sizer`.
    static wxFlexGridSizer* addGrid(wxSizer* sizer);

    // The page's error, in red under its fields and in the header.
    class ErrorLine {
    public:
        void create(wxWindow* page, wxSizer* sizer);
        void report(Quorvel::Wizard::Page& page, const wxString& error);
        const wxString& error() const { return m_error; }

    private:
        wxStaticText* m_label = nullptr;
        wxString m_error;
    };
};

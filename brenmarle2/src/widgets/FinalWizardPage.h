#pragma once
// The last page of an assistant whose work is done (an account stored, a price list
// installed): there is nothing to go back to or to cancel, so only "Close" remains, and it and
// the window's close box end the assistant with wxID_OK.
//
// GUI thread only.

#include "widgets/WizardPage.h"

class FinalWizardPage : public Quorvel::Wizard::Page {
public:
    using Page::Page;

    void afterShow() override;
    void onNext(wxCommandEvent& event) override;
    void onCancel(wxCommandEvent& event) override;
};

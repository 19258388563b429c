#include "widgets/FinalWizardPage.h"

#include <wx/intl.h>

void FinalWizardPage::afterShow()
{
    getWizard()->setButtonLabel(Quorvel::Wizard::ID_BACK, wxString());
    getWizard()->setButtonLabel(wxID_CANCEL, wxString());
    getWizard()->setButtonLabel(Quorvel::Wizard::ID_NEXT, _("Close"));
}

void FinalWizardPage::onNext(wxCommandEvent&)
{
    getWizard()->endWizard(wxID_OK);
}

void FinalWizardPage::onCancel(wxCommandEvent&)
{
    getWizard()->endWizard(wxID_OK);
}

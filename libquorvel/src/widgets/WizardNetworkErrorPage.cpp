#include "widgets/WizardNetworkErrorPage.h"

#include <wx/translation.h>

namespace Quorvel {

Wizard::NetworkErrorPage::NetworkErrorPage(Wizard* wizard, const wxString& title)
    : Wizard::ErrorPage(wizard, title)
{
    setRetryAllowed(true);
}

void Wizard::NetworkErrorPage::addTexts(wxSizer* sizer)
{
    Wizard::ErrorPage::addTexts(sizer);
    addText(sizer, _("You may retry the operation or press cancel to abort"));
}

} // namespace Quorvel

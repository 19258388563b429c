#pragma once
// The error page of a refused connection: the same texts as any error page and a hint that
// the user may retry, with Retry enabled.
//
// GUI thread only.

#include "widgets/WizardErrorPage.h"

namespace Quorvel {

class Wizard::NetworkErrorPage : public Wizard::ErrorPage {
public:
    NetworkErrorPage(Wizard* wizard, const wxString& title);

protected:
    void addTexts(wxSizer* sizer) override;
};

} // namespace Quorvel

#include "widgets/BrenmarleWizard.h"

#include "system/Environment.h"
#include "system/Exceptions.h"
#include "ui/Skin.h"

BrenmarleWizard::BrenmarleWizard(wxWindow* parent, const wxString& title,
                                 const std::vector<wxString>& steps)
    : Quorvel::Wizard(parent, wxID_ANY, title)
{
    setStepNames(steps);
    // Without a program folder (a test) or with a skin that lacks it, the bar has no picture.
    if (Quorvel::Environment::isInitialised())
        setSideBarPicture(
            Quorvel::Skin(Quorvel::Environment::getSkinDir()).loadBitmap(SIDEBAR_PICTURE));
}

void BrenmarleWizard::showFailure(const wxString& operation, const Quorvel::Exception& failure)
{
    setOperationDescription(operation);
    showFailure(failure.getCode(), failure.getMessage());
}

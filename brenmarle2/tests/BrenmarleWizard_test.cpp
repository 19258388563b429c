#include <gtest/gtest.h>

#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/tokenzr.h>

#include "system/Exceptions.h"
#include "widgets/BrenmarleWizard.h"
#include "widgets/WizardForm.h"
#include "widgets/WizardNetworkErrorPage.h"
#include "widgets/WizardPage.h"

using Quorvel::Wizard;

// A failure found on the GUI thread reads like a failed task's, Retry included.
TEST(BrenmarleWizard, FailuresOfWindowWorkGoToTheErrorPages)
{
    auto* wizard = new BrenmarleWizard(nullptr, "Online Ordering Assistant", {"Review"});
    wizard->pushPage(new Wizard::Page(wizard, wxID_ANY, "Review your order"));

    wizard->showFailure(
        "Could not choose delivery method",
        Quorvel::RuntimeException("Brenmarle.NoDeliveryMethod",
                                  "Mail order is not allowed and no pickup locations are defined"));
    auto* error = dynamic_cast<Wizard::ErrorPage*>(wizard->getCurrentPage());
    ASSERT_NE(error, nullptr);
    EXPECT_FALSE(error->isRetryAllowed());
    EXPECT_EQ(error->getOperation(), "Could not choose delivery method");
    EXPECT_EQ(error->getCode(), "Brenmarle.NoDeliveryMethod");

    wizard->showFailure("Could not log in to server",
                        Quorvel::ConnectionRefusedException("Connection refused"));
    EXPECT_NE(dynamic_cast<Wizard::NetworkErrorPage*>(wizard->getCurrentPage()), nullptr);
    delete wizard;
}

// A bold text is wrapped in its bold letters, so no line is wider than the page allows.
TEST(WizardForm, BoldTextIsWrappedToTheWidthInItsOwnFont)
{
    auto* wizard = new BrenmarleWizard(nullptr, "Remove Data");
    auto* page = new Wizard::Page(wizard, wxID_ANY, "Remove");
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    page->SetSizer(sizer);
    wxStaticText* label = WizardForm::addText(
        page, sizer,
        "2 of your pictures exist only on this computer and are not safely stored. They will be "
        "lost. To keep them, press Cancel and copy them first.",
        true);
    const wxString wrapped = label->GetLabel();
    EXPECT_TRUE(wrapped.Contains("\n"));
    for (const wxString& line : wxSplit(wrapped, '\n'))
        EXPECT_LE(label->GetTextExtent(line).GetWidth(), WizardForm::WRAP_WIDTH) << line;
    delete wizard;
}

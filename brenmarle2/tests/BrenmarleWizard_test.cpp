#include <gtest/gtest.h>

#include "system/Exceptions.h"
#include "widgets/BrenmarleWizard.h"
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

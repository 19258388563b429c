#pragma once
// Drives an assistant as the user does and reads what it shows: the current page and its
// title, Next pressed and the step it started waited for, the page's texts, its error page,
// and a check that every control is named for a screen reader (with a screenshot when
// VISTRELLE_SHOTS asks for one). GUI thread.

#include <algorithm>
#include <vector>

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "FindControls.h"
#include "PressButton.h"
#include "Screenshot.h"
#include "WaitUntil.h"
#include "ui/Accessibility.h"
#include "widgets/PaymentPages.h"
#include "widgets/WizardErrorPage.h"
#include "widgets/WizardPage.h"

template <typename W> class WizardDriver {
public:
    // `shotPrefix` starts the names of the screenshots.
    explicit WizardDriver(const wxString& shotPrefix) : m_shotPrefix(shotPrefix) {}

    Quorvel::Wizard::Page* page() const { return wizard->getCurrentPage(); }
    wxString title() const { return page() ? page()->getTitle() : wxString(); }
    template <typename P> P* pageAs() const { return dynamic_cast<P*>(page()); }

    // Presses Next and waits until the step it started has ended.
    void next()
    {
        ASSERT_TRUE(wizard->getButton(Quorvel::Wizard::ID_NEXT)->IsEnabled()) << "on " << title();
        pressButton(wizard->getButton(Quorvel::Wizard::ID_NEXT));
        ASSERT_TRUE(waitUntil([this] { return !wizard->isBusy(); }));
        waitUntil([] { return true; });
    }
    // On the error page of `operation`, which must offer Retry: presses it and waits for the
    // step it started again.
    void retry(const wxString& operation)
    {
        auto* error = pageAs<Quorvel::Wizard::ErrorPage>();
        ASSERT_NE(error, nullptr) << title();
        EXPECT_TRUE(failure().StartsWith(operation + " | ")) << failure();
        ASSERT_TRUE(error->isRetryAllowed()) << error->getCode();
        EXPECT_EQ(wizard->getButton(Quorvel::Wizard::ID_NEXT)->GetLabel(), "Retry");
        next();
    }
    // From the payment method page, the card chosen, to the card's details filled with a valid
    // card, up to their Next.
    void fillCardDetails()
    {
        ASSERT_EQ(title(), "Please choose a payment method") << failure();
        next();
        ASSERT_EQ(title(), "Enter your card details") << failure();
        auto* card = pageAs<BrenmarleWizard::CardDetailsPage>();
        card->m_holder->ChangeValue("Anna Berg");
        card->m_number->ChangeValue("4111111111111111");
        card->m_expiry->ChangeValue("12/30");
        card->m_code->ChangeValue("123");
    }
    // The texts the page shows, in order, as written before they were wrapped.
    std::vector<wxString> texts() const
    {
        std::vector<wxString> found;
        for (wxStaticText* label : findControls<wxStaticText>(page())) {
            wxString text = label->GetLabel();
            text.Replace("\n", " ");
            found.push_back(text);
        }
        return found;
    }
    bool shows(const wxString& text) const
    {
        const auto all = texts();
        return std::find(all.begin(), all.end(), text) != all.end();
    }
    // The page is finished for a screen reader: every control named.
    void expectAllNamed(const wxString& shot)
    {
        shootIfAsked(*wizard, m_shotPrefix + shot);
        const auto unnamed = Quorvel::findUnnamedControls(*page());
        EXPECT_TRUE(unnamed.empty()) << title() << ": " << unnamed.size() << " unnamed, first "
                                     << (unnamed.empty() ? wxString() : unnamed[0]);
    }
    // "operation | message" of the error page shown.
    wxString failure() const
    {
        auto* error = dynamic_cast<Quorvel::Wizard::ErrorPage*>(page());
        return error ? error->getOperation() + " | " + error->getMessage() : "no error page";
    }

    W* wizard = nullptr;

private:
    wxString m_shotPrefix;
};

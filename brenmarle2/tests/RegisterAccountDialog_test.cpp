// The account assistant driven as the user drives it, against the reference provider on
// loopback: the pages, their refusals, what the provider saw and what lands in user.ini.
// With VISTRELLE_SHOTS set to a folder, each page looked at is also saved there as a picture.
#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/listbox.h>
#include <wx/radiobut.h>
#include <wx/statbmp.h>
#include <wx/textctrl.h>

#include "AccountFixture.h"
#include "ChildProcess.h"
#include "FindControls.h"
#include "PressButton.h"
#include "Screenshot.h"
#include "WaitUntil.h"
#include "dialogs/registeraccountdialog/RegisterAccountDialog.h"
#include "ui/Accessibility.h"
#include "widgets/WizardErrorPage.h"
#include "widgets/WizardPage.h"

using Brenmarle::AccountSettings;
using Quorvel::Wizard;
using namespace std::chrono_literals;

class RegisterAccountDialogTest : public AccountFixture {
protected:
    ~RegisterAccountDialogTest() override
    {
        if (dialog)
            dialog->Destroy();
        waitUntil([] { return true; });
    }
    void open(RegisterAccountDialog::Path path)
    {
        dialog = new RegisterAccountDialog(nullptr, path, configuration, &settings);
        dialog->Show();
    }
    Wizard::Page* page() const { return dialog->getCurrentPage(); }
    wxString title() const { return page() ? page()->getTitle() : wxString(); }
    wxString headerError() const
    {
        const Wizard::HeaderStatus status = dialog->getHeaderStatus();
        return status.kind == Wizard::HeaderStatus::Error ? status.text : wxString();
    }
    // Presses Next and waits until the step it started has ended.
    void next()
    {
        ASSERT_TRUE(dialog->getButton(Wizard::ID_NEXT)->IsEnabled()) << "on " << title();
        pressButton(dialog->getButton(Wizard::ID_NEXT));
        ASSERT_TRUE(waitUntil([this] { return !dialog->isBusy(); }));
        waitUntil([] { return true; });
    }
    // The page is finished for a screen reader: every control named.
    void expectAllNamed(const wxString& shot)
    {
        shootIfAsked(*dialog, "account-" + shot);
        const auto unnamed = Quorvel::findUnnamedControls(*page());
        EXPECT_TRUE(unnamed.empty()) << title() << ": " << unnamed.size() << " unnamed, first "
                                     << (unnamed.empty() ? wxString() : unnamed[0]);
    }
    void choose(const wxString& entry)
    {
        auto* list = findControl<wxListBox>(page());
        ASSERT_NE(list, nullptr) << title();
        const int index = list->FindString(entry);
        ASSERT_NE(index, wxNOT_FOUND) << entry;
        list->SetSelection(index);
    }
    void type(wxTextCtrl* field, const wxString& text) { field->ChangeValue(text); }
    // The text fields of the page, in order.
    std::vector<wxTextCtrl*> fields() const { return findControls<wxTextCtrl>(page()); }
    // The error shown right under the field named `name` ("EmailAddress", ...), or "hidden";
    // fails unless it sits below that field, where a reader's eye (and a screen reader, after
    // the field) finds it, and the field carries it as its description.
    wxString fieldError(const wxString& name) const
    {
        auto* field = dynamic_cast<wxTextCtrl*>(wxWindow::FindWindowByName(name, page()));
        auto* error = wxWindow::FindWindowByName(name + "Error", page());
        if (!field || !error)
            return "missing " + name;
        if (!error->IsShown())
            return field->GetToolTipText().empty() ? "hidden" : "hidden with a tip";
        const wxRect below = field->GetRect();
        const wxRect at = error->GetRect();
        if (at.x != below.x || at.y < below.GetBottom() || at.y > below.GetBottom() + 8)
            return wxString::Format("%s not under its field", error->GetLabel());
        // A long error is wrapped to the field's width.
        wxString text = error->GetLabel();
        text.Replace("\n", " ");
        if (field->GetToolTipText() != text)
            return "no description on " + name;
        return text;
    }
    wxString failure() const
    {
        auto* error = dynamic_cast<Wizard::ErrorPage*>(page());
        return error ? error->getOperation() + " | " + error->getMessage() : "no error page";
    }

    RegisterAccountDialog* dialog = nullptr;
};

TEST_F(RegisterAccountDialogTest, RegisteringThroughDirectoryAndPortalStoresTheAccount)
{
    open(RegisterAccountDialog::NEW_ACCOUNT);
    EXPECT_EQ(title(), "Welcome to the account registration assistant");
    expectAllNamed("intro");
    next();
    ASSERT_EQ(title(), "Please choose an entry from the list below");
    // Going on without a choice is refused, and nothing is asked.
    next();
    EXPECT_EQ(headerError(), "You must choose an entry from the list");
    EXPECT_EQ(journalled("getDirectoryContents"), 1u);
    expectAllNamed("directory");
    choose("Nordic shops");
    next();
    ASSERT_EQ(title(), "Please choose a photo services provider");
    choose("Fjord Foto (Bergen)");
    next();
    ASSERT_EQ(title(), "Sign up with Fjord Foto?");
    next();
    ASSERT_EQ(title(), "Terms of service");
    next();
    EXPECT_EQ(headerError(), "You must accept the terms of service to continue");
    expectAllNamed("terms");
    findControl<wxCheckBox>(page())->SetValue(true);
    next();
    ASSERT_EQ(title(), "Enter your email address and choose a password");
    expectAllNamed("registration");
    // The token picture is shown, large enough to read.
    auto* picture = findControl<wxStaticBitmap>(page());
    ASSERT_NE(picture, nullptr);
    ASSERT_TRUE(picture->GetBitmap().IsOk());
    EXPECT_GE(picture->GetBitmap().GetWidth(), 200);

    auto typed = fields();
    ASSERT_EQ(typed.size(), 4u);
    type(typed[0], "bo@example.com");
    type(typed[1], "sekret-1");
    type(typed[2], "sekret-2");
    next();
    EXPECT_EQ(headerError(), "Passwords do not match");
    EXPECT_EQ(journalled("createAccount"), 0u);
    EXPECT_FALSE(AccountSettings::read(configuration).exists());
    // The error stands under the repeated password, which has the focus to be typed again;
    // Next stayed on the page.
    EXPECT_EQ(title(), "Enter your email address and choose a password");
    EXPECT_EQ(fieldError("ReenteredPassword"), "Passwords do not match");
    for (const char* other : {"EmailAddress", "NewPassword", "Letters"})
        EXPECT_EQ(fieldError(other), "hidden") << other;
    if (dialog->IsActive()) {
        EXPECT_EQ(wxWindow::FindFocus(), typed[2]);
    }
    expectAllNamed("registration-mismatch");

    // Mended, the next problem is the letters': the error moves there.
    type(typed[2], "sekret-1");
    next();
    EXPECT_EQ(fieldError("Letters"), "You must type in the letters shown on the image");
    EXPECT_EQ(fieldError("ReenteredPassword"), "hidden");
    type(typed[0], " ");
    next();
    EXPECT_EQ(fieldError("EmailAddress"), "You must type your email address");
    EXPECT_EQ(fieldError("Letters"), "hidden");
    type(typed[0], "bo@example.com");
    EXPECT_EQ(journalled("createAccount"), 0u);

    type(typed[2], "sekret-1");
    type(typed[3], tokenText(dialog->getToken().id));
    next();
    ASSERT_EQ(title(), "Your new account was successfully created") << failure();
    EXPECT_EQ(dialog->getButton(Wizard::ID_NEXT)->GetLabel(), "Close");
    expectAllNamed("created");

    const auto stored = AccountSettings::read(configuration);
    EXPECT_FALSE(stored.accountId.empty());
    EXPECT_EQ(stored.emailAddress, "bo@example.com");
    EXPECT_EQ(stored.password, "sekret-1");
    EXPECT_EQ(stored.portalId, "fjord");
    EXPECT_EQ(stored.portalName, "Fjord Foto");
    const std::string file = readUserFile("user.ini");
    EXPECT_NE(file.find("AccountId=" + std::string(stored.accountId.utf8_str())),
              std::string::npos);
    EXPECT_NE(file.find("Password="), std::string::npos);
    EXPECT_EQ(file.find("sekret-1"), std::string::npos);
    EXPECT_EQ(journalledArguments("createAccount", "portalid"),
              (std::vector<std::string>{"fjord"}));

    // Asking for information by e-mail is told to the portal, as the new account, before the
    // assistant closes.
    EXPECT_EQ(journalled("setReceiveEmailInformation"), 0u);
    findControl<wxCheckBox>(page())->SetValue(true);
    next();
    EXPECT_EQ(journalledArguments("setReceiveEmailInformation", "userinformation"),
              (std::vector<std::string>{"true"}))
        << failure();
    EXPECT_FALSE(dialog->IsShown());
    EXPECT_EQ(dialog->GetReturnCode(), wxID_OK);
}

TEST_F(RegisterAccountDialogTest, AWrongPasswordEndsOnTheErrorPageAndKeepsTheAccount)
{
    const auto before = anna();
    AccountSettings::store(configuration, before);
    open(RegisterAccountDialog::EXISTING_ACCOUNT);
    ASSERT_TRUE(findControl<wxRadioButton>(page()));
    next();
    choose("Demo Photo (Oslo)");
    next();
    ASSERT_EQ(title(), "Sign up with Demo Photo?");
    next();
    ASSERT_EQ(title(), "Enter your registered email address and password");
    EXPECT_TRUE(dialog->getButton(Wizard::ID_BACK)->IsEnabled());
    expectAllNamed("login");
    auto typed = fields();
    ASSERT_EQ(typed.size(), 2u);
    next();
    EXPECT_EQ(headerError(), "You must type your email address");
    EXPECT_EQ(fieldError("EmailAddress"), "You must type your email address");
    EXPECT_EQ(fieldError("Password"), "hidden");
    type(typed[0], "anna@example.com");
    next();
    EXPECT_EQ(title(), "Enter your registered email address and password");
    EXPECT_EQ(fieldError("EmailAddress"), "hidden");
    EXPECT_EQ(fieldError("Password"), "You must type your account password");
    expectAllNamed("login-no-password");
    EXPECT_EQ(journalled("getAccountId"), 1u) << "only the fixture's own look-up of Anna";
    type(typed[1], "wrong");
    next();
    EXPECT_TRUE(failure().StartsWith("Could not validate account | ")) << failure();
    expectAllNamed("login-failed");
    const auto after = AccountSettings::read(configuration);
    EXPECT_EQ(after.accountId, before.accountId);
    EXPECT_EQ(after.password, "secret");

    // Back to the login page, and the right password logs in.
    pressButton(dialog->getButton(Wizard::ID_BACK));
    ASSERT_TRUE(waitUntil(
        [this] { return title() == "Enter your registered email address and password"; }));
    type(fields()[1], "secret");
    next();
    ASSERT_EQ(title(), "Account login succeeded") << failure();
    EXPECT_EQ(AccountSettings::read(configuration).accountId, before.accountId);
    // Restoring from safe storage is offered, off until the user asks for it; ticked, the
    // assistant ends asking for it (the main window then synchronises).
    auto* restore = findControl<wxCheckBox>(page());
    ASSERT_NE(restore, nullptr);
    EXPECT_EQ(restore->GetLabel(), "Download your pictures from safe storage");
    EXPECT_TRUE(restore->IsEnabled());
    EXPECT_FALSE(restore->GetValue());
    EXPECT_FALSE(dialog->isRestoreRequested());
    restore->SetValue(true);
    next();
    EXPECT_FALSE(dialog->IsShown());
    EXPECT_EQ(dialog->GetReturnCode(), wxID_OK);
    EXPECT_TRUE(dialog->isRestoreRequested());
}

TEST_F(RegisterAccountDialogTest, ALocatorRedirectingToItselfGivesUpAfterFiveCalls)
{
    startProvider("[faults]\nrule = locator/getDirectoryContents | redirect-self\n");
    open(RegisterAccountDialog::NEW_ACCOUNT);
    next();
    EXPECT_EQ(failure(), "Could not look up list of service providers | Too many redirects (5)");
    EXPECT_EQ(journalled("getDirectoryContents"), 5u);
    expectAllNamed("redirect-loop");
    // Back to where it started; no retry of a failure that would only repeat.
    EXPECT_TRUE(dialog->getButton(Wizard::ID_BACK)->IsEnabled());
    EXPECT_FALSE(dialog->getButton(Wizard::ID_NEXT)->IsEnabled());
}

// The real program with the assistant open ends on a termination signal, as when the desktop
// session ends.
TEST(RegisterAccountDialogProgram, SignalEndsTheProgramWithTheAssistantOpen)
{
    ScratchDir home{ScratchDir::AsHome};
    wxSetEnv("WXTRACE", "DEBUG");
    ChildProcess program({VISTRELLE_BINARY, "--openuri", "app://account/login"});
    wxUnsetEnv("WXTRACE");
    ASSERT_TRUE(
        program.waitForOutput("[REGISTERACCOUNTDIALOG] Opened for an existing account", 30s))
        << program.output();
    EXPECT_EQ(program.endOnSignal(SIGTERM, 5s), "");
}

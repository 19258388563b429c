#pragma once
// The pages of the sharing assistant (SharingWizard): each asks one thing or waits on one
// step and hands what the user chose to the wizard, which runs the flow. Private to the
// wizard's sources and its tests.
//
// GUI thread only; made and owned by the wizard.

#include <vector>

#include <wx/string.h>

#include "sharing/SharingWizard.h"
#include "widgets/FinalWizardPage.h"
#include "widgets/FormPage.h"
#include "widgets/WizardForm.h"
#include "widgets/WizardPage.h"

class wxButton;
class wxCheckBox;
class wxChoice;
class wxGauge;
class wxRadioButton;
class wxStaticText;
class wxTextCtrl;

// A page of the assistant: knows its wizard.
class SharingPage : public FormPage {
public:
    SharingPage(SharingWizard* wizard, const wxString& title, SharingWizard::Step step)
        : FormPage(wizard, title, step), m_wizard(wizard)
    {
    }
    SharingWizard* wizard() const { return m_wizard; }

private:
    SharingWizard* m_wizard;
};

class SharingWizard::SharingMethodPage : public SharingPage {
public:
    explicit SharingMethodPage(SharingWizard* wizard);
    void onNext(wxCommandEvent& event) override;
    // The choice for `method`, or null when it is not offered.
    wxRadioButton* getChoice(Method method) const;

private:
    std::vector<std::pair<Method, wxRadioButton*>> m_choices;
};

// Offers the account registration a method needs, and goes on once there is an account.
class SharingWizard::AccountNeededPage : public SharingPage {
public:
    AccountNeededPage(SharingWizard* wizard, Method method);
    void onNext(wxCommandEvent& event) override;
    void afterShow() override;
    // The account is there: the page says to go on.
    void accountReady();

private:
    wxStaticText* m_text;
};

// Recipients typed as text and the size to share in.
class SharingRecipientsPage : public SharingPage {
public:
    SharingRecipientsPage(SharingWizard* wizard, const wxString& title, const wxString& prompt);
    void onNext(wxCommandEvent& event) override;
    void afterShow() override;
    wxTextCtrl* getRecipients() const { return m_recipients; }
    wxChoice* getSizes() const { return m_sizes; }

protected:
    // The problem with the typed recipients (empty: none).
    virtual wxString check(const std::vector<wxString>& recipients) const;
    virtual bool shareInfo() const { return false; }
    void addSizes(const wxString& label, SharingWizard::Method method);

    wxTextCtrl* m_recipients;
    wxChoice* m_sizes = nullptr;
    std::vector<int> m_sizeValues;
};

class SharingWizard::ShareByWebPage : public SharingRecipientsPage {
public:
    explicit ShareByWebPage(SharingWizard* wizard);
    wxCheckBox* getShareInfoBox() const { return m_info; }

protected:
    bool shareInfo() const override;

private:
    wxCheckBox* m_info;
};

// Fetches the price of an MMS picture when shown, and tells what the typed recipients cost.
class SharingWizard::ShareByMmsPage : public SharingRecipientsPage {
public:
    explicit ShareByMmsPage(SharingWizard* wizard);
    void afterShow() override;
    void onNext(wxCommandEvent& event) override;
    bool isRetryPoint() const override { return true; }
    void runOperation() override;
    // The price has come: the cost of what is typed, and who pays.
    void showPrice();
    wxStaticText* getCost() const { return m_cost; }

protected:
    wxString check(const std::vector<wxString>& recipients) const override;

private:
    wxStaticText* m_cost;
    wxStaticText* m_billing;
};

// Activates the account's mobile phone, which MMS are charged to: a code is sent to the number
// typed, and the code received is typed back.
class SharingWizard::MobileActivationPage : public SharingPage {
public:
    explicit MobileActivationPage(SharingWizard* wizard);
    void afterShow() override;
    void onNext(wxCommandEvent& event) override;
    // The code is on its way: the page asks for it.
    void codeSent();
    wxTextCtrl* getPhone() const { return m_phone; }
    wxButton* getSendCode() const { return m_sendCode; }
    wxTextCtrl* getCode() const { return m_code; }
    wxStaticText* getSentText() const { return m_sent; }

private:
    void sendCode();

    wxTextCtrl* m_phone;
    wxButton* m_sendCode;
    wxStaticText* m_sent;
    wxTextCtrl* m_code;
};

class SharingWizard::ShareByEmailPage : public SharingRecipientsPage {
public:
    explicit ShareByEmailPage(SharingWizard* wizard);
};

class SharingWizard::ShareByPrintsPage : public SharingPage {
public:
    explicit ShareByPrintsPage(SharingWizard* wizard);
    void onNext(wxCommandEvent& event) override;
    void afterShow() override;
};

class SharingWizard::DescriptionPage : public SharingPage {
public:
    explicit DescriptionPage(SharingWizard* wizard);
    void onNext(wxCommandEvent& event) override;
    wxTextCtrl* getSubject() const { return m_subject; }
    wxTextCtrl* getComment() const { return m_comment; }

private:
    wxTextCtrl* m_subject;
    wxTextCtrl* m_comment;
};

// Waits on work of the wizard, showing its progress; Back passes over it and Retry repeats it.
class SharingProgressPage : public SharingPage {
public:
    SharingProgressPage(SharingWizard* wizard, const wxString& title, const wxString& status);
    bool skipOnBack() const override { return true; }
    bool isRetryPoint() const override { return true; }
    void afterShow() override;
    void onTaskProgress(Quorvel::TaskEvent& event) override;
    wxStaticText* getStatus() const { return m_status; }

private:
    wxStaticText* m_status;
    wxGauge* m_gauge;
};

class SharingWizard::UploadPage : public SharingProgressPage {
public:
    explicit UploadPage(SharingWizard* wizard);
    void runOperation() override;
    void onTaskProgress(Quorvel::TaskEvent& event) override;
};

class SharingWizard::EmailPage : public SharingProgressPage {
public:
    explicit EmailPage(SharingWizard* wizard);
    void runOperation() override;
};

class SharingWizard::ReceiptPage : public FinalWizardPage {
public:
    explicit ReceiptPage(SharingWizard* wizard);
    int getStep() const override { return STEP_RECEIPT; }
};

#pragma once
// The pages of the ordering assistant (SendOrderWizard): each asks one thing or waits on one
// step, and hands what the user chose to the wizard, which runs the flow. Private to the
// wizard's sources and its tests.
//
// GUI thread only; made and owned by the wizard.

#include <functional>
#include <vector>

#include <wx/string.h>

#include "ordering/Address.h"
#include "ordering/Money.h"
#include "ordering/PickupChoice.h"
#include "ordering/SendOrderWizard.h"
#include "widgets/AddressFields.h"
#include "widgets/FormPage.h"
#include "widgets/WizardForm.h"
#include "widgets/WizardPage.h"

class wxCheckBox;
class wxChoice;
class wxGauge;
class wxListBox;
class wxRadioButton;
class wxSpinCtrl;
class wxStaticText;
class wxTextCtrl;

namespace Brenmarle {
class DeliveryOption;
}

// A page of the assistant: knows its wizard.
class SendOrderPage : public FormPage {
public:
    SendOrderPage(SendOrderWizard* wizard, const wxString& title, SendOrderWizard::Step step)
        : FormPage(wizard, title, step), m_wizard(wizard)
    {
    }
    SendOrderWizard* wizard() const { return m_wizard; }

private:
    SendOrderWizard* m_wizard;
};

// A page whose Next starts a service step: Retry after a refused connection repeats it.
class SendOrderStepPage : public SendOrderPage {
public:
    using SendOrderPage::SendOrderPage;
    bool isRetryPoint() const override { return true; }
    void retryOperation() override;
};

class SendOrderWizard::IntroPage : public SendOrderStepPage {
public:
    explicit IntroPage(SendOrderWizard* wizard);
    void onNext(wxCommandEvent& event) override;
    wxCheckBox* getCdBox() const { return m_cd; }

private:
    wxCheckBox* m_cd = nullptr;
    wxSpinCtrl* m_cdCount = nullptr;
};

// A page whose only button is Close.
class SendOrderClosingPage : public SendOrderPage {
public:
    using SendOrderPage::SendOrderPage;
    void afterShow() override;
    void onNext(wxCommandEvent& event) override;
    void onCancel(wxCommandEvent& event) override;

protected:
    virtual void close();
};

class SendOrderWizard::MissingProductPage : public SendOrderClosingPage {
public:
    explicit MissingProductPage(SendOrderWizard* wizard);
    void close() override;
};

class SendOrderWizard::NewPricePage : public SendOrderPage {
public:
    NewPricePage(SendOrderWizard* wizard, const wxString& oldPrice, const wxString& newPrice,
                 std::function<void()> accepted);
    void onNext(wxCommandEvent& event) override;

private:
    std::function<void()> m_accepted;
};

class SendOrderWizard::DeliveryMethodPage : public SendOrderPage {
public:
    explicit DeliveryMethodPage(SendOrderWizard* wizard);
    void onNext(wxCommandEvent& event) override;
    wxRadioButton* getMail() const { return m_mail; }
    wxRadioButton* getPickup() const { return m_pickup; }

private:
    wxRadioButton* m_mail;
    wxRadioButton* m_pickup;
};

class SendOrderWizard::ChoosePickupPage : public SendOrderStepPage {
public:
    explicit ChoosePickupPage(SendOrderWizard* wizard);
    void onNext(wxCommandEvent& event) override;
    wxChoice* getRegions() const { return m_regions; }
    wxListBox* getLocations() const { return m_locations; }
    // Shows the locations of the region at `index` of the drop-down list.
    void showRegion(int index);

private:
    Brenmarle::PickupChoice m_choice;
    std::vector<wxString> m_regionNames;
    std::vector<const Brenmarle::PickupChoice::Location*> m_shown;
    wxChoice* m_regions;
    wxListBox* m_locations;
};

// The delivery options to choose from, with their times; OutletOptionsPage for a pickup
// location, ChooseMailDeliveryPage for mail.
class SendOrderOptionListPage : public SendOrderPage {
public:
    SendOrderOptionListPage(SendOrderWizard* wizard, const wxString& title, const wxString& text,
                            const std::vector<const Brenmarle::DeliveryOption*>& options);
    void onNext(wxCommandEvent& event) override;
    wxListBox* getList() const { return m_list; }

private:
    std::vector<const Brenmarle::DeliveryOption*> m_options;
    wxListBox* m_list;
};

class SendOrderWizard::OutletOptionsPage : public SendOrderOptionListPage {
public:
    OutletOptionsPage(SendOrderWizard* wizard, const Brenmarle::PickupChoice::Location& location);
};

class SendOrderWizard::ChooseMailDeliveryPage : public SendOrderOptionListPage {
public:
    explicit ChooseMailDeliveryPage(SendOrderWizard* wizard);
};

class SendOrderWizard::UserInfoPage : public SendOrderStepPage {
public:
    UserInfoPage(SendOrderWizard* wizard, const wxString& name, const wxString& phone);
    void afterShow() override;
    void onNext(wxCommandEvent& event) override;
    wxTextCtrl* m_name;
    wxTextCtrl* m_phone;
};

class SendOrderWizard::DeliveryAddressPage : public SendOrderPage {
public:
    explicit DeliveryAddressPage(SendOrderWizard* wizard);
    void afterShow() override;
    void onNext(wxCommandEvent& event) override;
    AddressFields m_fields;
};

class SendOrderWizard::OptionsPage : public SendOrderPage {
public:
    explicit OptionsPage(SendOrderWizard* wizard);
    void onNext(wxCommandEvent& event) override;
    wxTextCtrl* m_comment;
};

class SendOrderWizard::ScalingPage : public SendOrderStepPage {
public:
    explicit ScalingPage(SendOrderWizard* wizard);
    void onNext(wxCommandEvent& event) override;
    wxCheckBox* m_allow;
};

// Waits on the creation steps; Back passes over it.
class SendOrderWizard::CreateOrderPage : public SendOrderStepPage {
public:
    explicit CreateOrderPage(SendOrderWizard* wizard);
    bool skipOnBack() const override { return true; }
    void runOperation() override;
    void retryOperation() override { runOperation(); }
    void afterShow() override;
};

class SendOrderWizard::StartUploadPage : public SendOrderPage {
public:
    explicit StartUploadPage(SendOrderWizard* wizard);
    void onNext(wxCommandEvent& event) override;
};

// Shows the upload's progress, then waits on verification, payment and confirmation.
class SendOrderWizard::UploadPage : public SendOrderStepPage {
public:
    explicit UploadPage(SendOrderWizard* wizard);
    bool skipOnBack() const override { return true; }
    void runOperation() override;
    void retryOperation() override { runOperation(); }
    void afterShow() override;
    void onTaskProgress(Quorvel::TaskEvent& event) override;
    wxStaticText* getStatus() const { return m_status; }

private:
    wxStaticText* m_status;
    wxGauge* m_gauge;
};

class SendOrderWizard::ReceiptPage : public SendOrderClosingPage {
public:
    explicit ReceiptPage(SendOrderWizard* wizard);
    wxCheckBox* getClearBox() const { return m_clear; }

protected:
    void close() override;

private:
    wxCheckBox* m_clear;
};

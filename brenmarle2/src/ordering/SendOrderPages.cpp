#include "ordering/SendOrderPages.h"

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/gauge.h>
#include <wx/listbox.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "ordering/CdParts.h"
#include "ordering/CustomerForm.h"
#include "ordering/DeliveryOption.h"
#include "ordering/Order.h"
#include "ordering/Pricelist.h"
#include "ordering/SendOrderTexts.h"
#include "threads/TaskEvent.h"
#include "ui/Accessibility.h"

using Brenmarle::DeliveryOption;
using WF = WizardForm;

// ---- Common parts -----------------------------------------------------------------------

void SendOrderStepPage::retryOperation()
{
    wxCommandEvent next(wxEVT_BUTTON, Quorvel::Wizard::ID_NEXT);
    onNext(next);
}

void SendOrderClosingPage::afterShow()
{
    getWizard()->setButtonLabel(Quorvel::Wizard::ID_BACK, wxString());
    getWizard()->setButtonLabel(wxID_CANCEL, wxString());
    getWizard()->setButtonLabel(Quorvel::Wizard::ID_NEXT, _("Close"));
}

void SendOrderClosingPage::onNext(wxCommandEvent&)
{
    close();
}

void SendOrderClosingPage::onCancel(wxCommandEvent&)
{
    close();
}

void SendOrderClosingPage::close()
{
    getWizard()->endWizard(wxID_CANCEL);
}

// ---- Review --------------------------------------------------------------------------------

SendOrderWizard::IntroPage::IntroPage(SendOrderWizard* wizard)
    : SendOrderStepPage(wizard, _("Welcome to the ordering assistant"), STEP_REVIEW)
{
    const Brenmarle::Order& order = wizard->getOrder();
    int products = 0;
    for (size_t i = 0; i < order.getPartCount(); ++i)
        products += order.getPart(i).included ? order.getPart(i).quantity : 0;
    const auto& pricelist = wizard->getPricelist();
    const wxString total =
        pricelist ? pricelist->formatAmount(order.getBaseCost()) : wxString("???");
    for (const wxString& line :
         Brenmarle::SendOrderTexts::intro(wizard->getProviderName(), products, total))
        WF::addText(this, sizer(), line);
    if (pricelist && Brenmarle::CdParts::findCdProduct(*pricelist)) {
        m_cd = new wxCheckBox(this, wxID_ANY, _("I would also like to order the files on CD"));
        sizer()->Add(m_cd, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, WF::BORDER));
        auto* row = new wxBoxSizer(wxHORIZONTAL);
        auto* label = new wxStaticText(this, wxID_ANY, _("Number of CDs:"));
        m_cdCount = new wxSpinCtrl(this, wxID_ANY, "1", wxDefaultPosition, wxDefaultSize,
                                   wxSP_ARROW_KEYS, 1, 99, 1);
        Quorvel::setAccessibleName(*m_cdCount, _("Number of CDs"));
        m_cdCount->Enable(false);
        m_cd->Bind(wxEVT_CHECKBOX,
                   [this](wxCommandEvent&) { m_cdCount->Enable(m_cd->GetValue()); });
        row->Add(label, wxSizerFlags().CentreVertical().Border(wxRIGHT, WF::BORDER));
        row->Add(m_cdCount);
        sizer()->Add(row, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, WF::BORDER));
    }
}

void SendOrderWizard::IntroPage::onNext(wxCommandEvent&)
{
    const bool cd = m_cd && m_cd->GetValue();
    wizard()->start(cd, cd ? m_cdCount->GetValue() : 0);
}

SendOrderWizard::MissingProductPage::MissingProductPage(SendOrderWizard* wizard)
    : SendOrderClosingPage(wizard, _("Products have been removed from price list!"), STEP_REVIEW)
{
    WF::addText(this, sizer(),
                _("One or more of your ordered products have been removed from the price list. "
                  "There may be new equivalent products available."));
    WF::addText(this, sizer(),
                _("Please close this window and update your shopping cart. The items in "
                  "question are clearly marked."));
    WF::addText(this, sizer(), _("We sincerely apologize for this inconvenience."));
}

void SendOrderWizard::MissingProductPage::close()
{
    getWizard()->endWizard(wxID_CANCEL);
}

SendOrderWizard::NewPricePage::NewPricePage(SendOrderWizard* wizard, const wxString& oldPrice,
                                            const wxString& newPrice,
                                            std::function<void()> accepted)
    : SendOrderPage(wizard, _("The price list has been updated!"), STEP_REVIEW),
      m_accepted(std::move(accepted))
{
    auto* grid = WF::addGrid(sizer());
    grid->Add(new wxStaticText(this, wxID_ANY, _("Old Price:")));
    grid->Add(new wxStaticText(this, wxID_ANY, oldPrice));
    grid->Add(new wxStaticText(this, wxID_ANY, _("New Price:")));
    auto* price = new wxStaticText(this, wxID_ANY, newPrice);
    price->SetFont(price->GetFont().Bold());
    grid->Add(price);
    WF::addText(this, sizer(),
                _("If the new price is acceptable to you, just click 'Next' to continue. "
                  "Otherwise, please cancel now."));
}

void SendOrderWizard::NewPricePage::onNext(wxCommandEvent&)
{
    m_accepted();
}

// ---- Delivery ------------------------------------------------------------------------------

SendOrderWizard::DeliveryMethodPage::DeliveryMethodPage(SendOrderWizard* wizard)
    : SendOrderPage(wizard, _("Please choose your preferred method of delivery"), STEP_DELIVERY)
{
    m_mail = new wxRadioButton(this, wxID_ANY, _("Send the order by mail"), wxDefaultPosition,
                               wxDefaultSize, wxRB_GROUP);
    sizer()->Add(m_mail, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, WF::BORDER));
    WF::addText(this, sizer(),
                _("If you choose this option, standard postage will be added to the order total "
                  "and you will be asked for shipping address on the following pages."));
    m_pickup = new wxRadioButton(this, wxID_ANY, _("Leave the order for pickup"));
    sizer()->Add(m_pickup, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, WF::BORDER));
    const Brenmarle::PickupChoice choice(wizard->getOrder(), *wizard->getPricelist());
    WF::addText(this, sizer(),
                Brenmarle::SendOrderTexts::pickupChoiceHint(choice.getLocations().size()));
    m_mail->Enable(wizard->hasMailDelivery());
    m_pickup->Enable(wizard->hasPickupDelivery());
    const bool mail =
        wizard->hasMailDelivery() &&
        (wizard->getDeliveryMethod() == SendOrderWizard::BY_MAIL || !wizard->hasPickupDelivery());
    (mail ? m_mail : m_pickup)->SetValue(true);
    m_error.create(this, sizer());
}

void SendOrderWizard::DeliveryMethodPage::onNext(wxCommandEvent&)
{
    wizard()->setDeliveryMethod(m_mail->GetValue() ? BY_MAIL : PICKUP);
}

SendOrderWizard::ChoosePickupPage::ChoosePickupPage(SendOrderWizard* wizard)
    : SendOrderStepPage(wizard, _("Please choose where you want to pick up the order"),
                        STEP_DELIVERY),
      m_choice(wizard->getOrder(), *wizard->getPricelist())
{
    m_regions = new wxChoice(this, wxID_ANY);
    m_regions->Append(_("Choose specific region..."));
    m_regionNames = m_choice.getRegions();
    for (const wxString& region : m_regionNames)
        m_regions->Append(region.empty() ? _("Other") : region);
    Quorvel::setAccessibleName(*m_regions, _("Region"));
    sizer()->Add(m_regions, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, WF::BORDER));
    m_locations = new wxListBox(this, wxID_ANY);
    Quorvel::setAccessibleName(*m_locations, _("Pickup locations"));
    sizer()->Add(m_locations, wxSizerFlags(1).Expand().Border(wxALL, WF::BORDER));
    m_error.create(this, sizer());
    m_regions->Bind(wxEVT_CHOICE,
                    [this](wxCommandEvent&) { showRegion(m_regions->GetSelection()); });
    m_locations->Bind(wxEVT_LISTBOX_DCLICK, [this](wxCommandEvent&) { pressNext(); });

    // The user's usual location first; with one region only, that region.
    int region = m_regionNames.size() == 1 ? 1 : 0;
    const auto* usual = m_choice.findLocation(wizard->getDefaultPickupLocation());
    for (size_t i = 0; usual && i < m_regionNames.size(); ++i) {
        if (m_regionNames[i] == usual->region)
            region = static_cast<int>(i) + 1;
    }
    m_regions->SetSelection(region);
    showRegion(region);
    for (size_t i = 0; usual && i < m_shown.size(); ++i) {
        if (m_shown[i] == usual)
            m_locations->SetSelection(static_cast<int>(i));
    }
}

void SendOrderWizard::ChoosePickupPage::showRegion(int index)
{
    m_locations->Clear();
    m_shown.clear();
    if (index <= 0 || static_cast<size_t>(index) > m_regionNames.size()) {
        m_locations->Append(_("Please choose a region from the above drop-down list."));
        m_locations->Enable(false);
        return;
    }
    m_locations->Enable(true);
    m_shown = m_choice.getLocationsIn(m_regionNames[index - 1]);
    for (const auto* location : m_shown)
        m_locations->Append(wxString::Format("%s - %s, %s", location->name,
                                             Brenmarle::PickupChoice::addressText(*location),
                                             Brenmarle::PickupChoice::cityText(*location)));
    if (m_shown.size() == 1)
        m_locations->SetSelection(0);
}

void SendOrderWizard::ChoosePickupPage::onNext(wxCommandEvent&)
{
    const int chosen = m_locations->IsEnabled() ? m_locations->GetSelection() : wxNOT_FOUND;
    if (refuse(chosen == wxNOT_FOUND || static_cast<size_t>(chosen) >= m_shown.size()
                   ? _("Please choose a pickup location")
                   : wxString()))
        return;
    wizard()->registerPickupLocation(m_shown[chosen]->uuid);
}

SendOrderOptionListPage::SendOrderOptionListPage(SendOrderWizard* wizard, const wxString& title,
                                                 const wxString& text,
                                                 const std::vector<const DeliveryOption*>& options)
    : SendOrderPage(wizard, title, SendOrderWizard::STEP_DELIVERY), m_options(options)
{
    WF::addText(this, sizer(), text);
    m_list = new wxListBox(this, wxID_ANY);
    Quorvel::setAccessibleName(*m_list, title);
    const Brenmarle::Order& order = wizard->getOrder();
    const Brenmarle::Pricelist& pricelist = *wizard->getPricelist();
    for (const DeliveryOption* option : m_options) {
        const int64_t seconds = order.getDeliveryTime(*option, pricelist);
        m_list->Append(wxString::Format("%s (%s) - %s", option->description.get(),
                                        pricelist.formatAmount(option->price),
                                        Brenmarle::SendOrderTexts::deliveryTimeEntry(seconds)));
    }
    if (!m_options.empty())
        m_list->SetSelection(0);
    m_list->Bind(wxEVT_LISTBOX_DCLICK, [this](wxCommandEvent&) { pressNext(); });
    sizer()->Add(m_list, wxSizerFlags(1).Expand().Border(wxALL, WF::BORDER));
    m_error.create(this, sizer());
}

void SendOrderOptionListPage::onNext(wxCommandEvent&)
{
    const int chosen = m_list->GetSelection();
    if (refuse(chosen == wxNOT_FOUND ? _("Please choose a delivery option") : wxString()))
        return;
    wizard()->setDeliveryOption(m_options[chosen]->uuid);
}

namespace {

std::vector<const DeliveryOption*> usableOptions(const SendOrderWizard& wizard, int type)
{
    std::vector<const DeliveryOption*> options;
    const Brenmarle::Pricelist& pricelist = *wizard.getPricelist();
    for (const DeliveryOption& option : pricelist.deliveryOptions) {
        if (option.type == type && wizard.getOrder().isDeliveryOptionUsable(option, pricelist))
            options.push_back(&option);
    }
    return options;
}

} // namespace

SendOrderWizard::OutletOptionsPage::OutletOptionsPage(
    SendOrderWizard* wizard, const Brenmarle::PickupChoice::Location& location)
    : SendOrderOptionListPage(wizard, _("Please choose an alternative below"),
                              _("Please choose how fast you would like the order produced in the "
                                "list below."),
                              location.options)
{
}

SendOrderWizard::ChooseMailDeliveryPage::ChooseMailDeliveryPage(SendOrderWizard* wizard)
    : SendOrderOptionListPage(wizard, _("Mail delivery options"),
                              _("Please choose a mail delivery option from the list below."),
                              usableOptions(*wizard, DeliveryOption::BY_MAIL))
{
}

SendOrderWizard::UserInfoPage::UserInfoPage(SendOrderWizard* wizard, const wxString& name,
                                            const wxString& phone)
    : SendOrderStepPage(wizard, _("Please update your user information"), STEP_DELIVERY)
{
    auto* grid = WF::addGrid(sizer());
    m_name = WF::addField(this, grid, _("Full Name:"));
    m_phone = WF::addField(this, grid, _("Mobile Phone:"));
    m_name->ChangeValue(name);
    m_phone->ChangeValue(phone);
    m_error.create(this, sizer());
}

void SendOrderWizard::UserInfoPage::afterShow()
{
    m_name->SetFocus();
}

void SendOrderWizard::UserInfoPage::onNext(wxCommandEvent&)
{
    if (refuse(Brenmarle::CustomerForm::checkUserInfo(m_name->GetValue(), m_phone->GetValue())))
        return;
    wizard()->storeCustomer(m_name->GetValue(), m_phone->GetValue());
}

SendOrderWizard::DeliveryAddressPage::DeliveryAddressPage(SendOrderWizard* wizard)
    : SendOrderPage(wizard, _("Provide the delivery address for this order"), STEP_DELIVERY)
{
    m_fields.create(this, WF::addGrid(sizer()), wizard->getMailAddress());
    m_error.create(this, sizer());
}

void SendOrderWizard::DeliveryAddressPage::afterShow()
{
    m_fields.name->SetFocus();
}

void SendOrderWizard::DeliveryAddressPage::onNext(wxCommandEvent&)
{
    const Brenmarle::Address address = m_fields.get();
    if (refuse(Brenmarle::CustomerForm::checkDeliveryAddress(address)))
        return;
    wizard()->setDeliveryAddress(address);
}

SendOrderWizard::OptionsPage::OptionsPage(SendOrderWizard* wizard)
    : SendOrderPage(wizard, _("Extra order options"), STEP_DELIVERY)
{
    WF::addText(this, sizer(), _("Add a short comment to the order"));
    m_comment = new wxTextCtrl(this, wxID_ANY, wizard->getOrder().comment, wxDefaultPosition,
                               wxDefaultSize, wxTE_MULTILINE);
    Quorvel::setAccessibleName(*m_comment, _("Comment"));
    sizer()->Add(m_comment, wxSizerFlags(1).Expand().Border(wxALL, WF::BORDER));
}

void SendOrderWizard::OptionsPage::onNext(wxCommandEvent&)
{
    wizard()->setComment(m_comment->GetValue());
}

// ---- Upload --------------------------------------------------------------------------------

SendOrderWizard::ScalingPage::ScalingPage(SendOrderWizard* wizard)
    : SendOrderStepPage(wizard, _("Resize pictures before sending order"), STEP_UPLOAD)
{
    m_allow = new wxCheckBox(this, wxID_ANY, _("Allow resize of unnecessarily large pictures"));
    sizer()->Add(m_allow, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, WF::BORDER));
    if (wizard->isOrderingFilesOnCd()) {
        m_allow->Enable(false);
        WF::addText(this, sizer(),
                    _("(Picture resizing is disabled because you also have ordered the files on "
                      "CD)"));
    } else {
        m_allow->SetValue(true);
    }
}

void SendOrderWizard::ScalingPage::onNext(wxCommandEvent&)
{
    wizard()->scalePictures(m_allow->IsEnabled() && m_allow->GetValue());
}

SendOrderWizard::CreateOrderPage::CreateOrderPage(SendOrderWizard* wizard)
    : SendOrderStepPage(wizard, _("Checking order details with server"), STEP_UPLOAD)
{
    WF::addText(this, sizer(), _("Please wait while the order is checked with the server."));
}

void SendOrderWizard::CreateOrderPage::afterShow()
{
    // Shown anew, or back from an error page: the steps not done yet.
    if (!wizard()->isBusy() && wizard()->getCreationState() < UPLOAD_LIST_RECEIVED)
        runOperation();
}

void SendOrderWizard::CreateOrderPage::runOperation()
{
    wizard()->continueCreation();
}

SendOrderWizard::StartUploadPage::StartUploadPage(SendOrderWizard* wizard)
    : SendOrderPage(wizard, wxString(), STEP_UPLOAD)
{
    setTitle(_("Review order summary and start upload"));
    const auto text = Brenmarle::SendOrderTexts::startUpload(
        wizard->getUploadCount(), wizard->getUploadBytes(), wizard->getOrderFileCount());
    WF::addText(this, sizer(), text.title, true);
    for (const wxString& line : text.lines)
        WF::addText(this, sizer(), line);
}

void SendOrderWizard::StartUploadPage::onNext(wxCommandEvent&)
{
    wizard()->pushPage(new UploadPage(wizard()));
}

SendOrderWizard::UploadPage::UploadPage(SendOrderWizard* wizard)
    : SendOrderStepPage(wizard, _("Uploading order to server..."), STEP_UPLOAD)
{
    m_status = WF::addText(this, sizer(), _("Preparing to upload files.."));
    m_gauge = new wxGauge(this, wxID_ANY, 100);
    Quorvel::setAccessibleName(*m_gauge, _("Upload progress"));
    sizer()->Add(m_gauge, wxSizerFlags().Expand().Border(wxALL, WF::BORDER));
}

void SendOrderWizard::UploadPage::afterShow()
{
    if (!wizard()->isBusy())
        runOperation();
}

void SendOrderWizard::UploadPage::runOperation()
{
    wizard()->startUpload();
}

void SendOrderWizard::UploadPage::onTaskProgress(Quorvel::TaskEvent& event)
{
    WizardForm::showProgress(event, m_status, m_gauge);
}

// ---- Receipt -------------------------------------------------------------------------------

SendOrderWizard::ReceiptPage::ReceiptPage(SendOrderWizard* wizard)
    : SendOrderClosingPage(wizard, _("Your order has been confirmed"), STEP_RECEIPT)
{
    const Brenmarle::Order& order = wizard->getOrder();
    const bool mail = wizard->getDeliveryMethod() == BY_MAIL;
    const Brenmarle::Address& address = mail ? order.deliveryAddress : order.pickupLocation.address;
    wxString place = mail ? address.addressLine1 : order.pickupLocation.name;
    if (mail && !address.city.empty())
        place += ", " + address.postalCode + " " + address.city;
    int64_t seconds = 0;
    if (const auto* option = wizard->getPricelist()->findDeliveryOption(order.deliveryOptionUuid))
        seconds = order.getDeliveryTime(*option, *wizard->getPricelist());
    const auto lines =
        Brenmarle::SendOrderTexts::receipt(wizard->getReference(), mail, place, seconds);
    for (size_t i = 0; i < lines.size(); ++i)
        WF::addText(this, sizer(), lines[i], i == 1);
    m_clear = new wxCheckBox(this, wxID_ANY, _("Clear all items from the shopping cart"));
    m_clear->SetValue(true);
    sizer()->Add(m_clear, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, WF::BORDER));
}

void SendOrderWizard::ReceiptPage::close()
{
    wizard()->finish(m_clear->GetValue());
}

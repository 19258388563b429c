#pragma once
// The ordering assistant ("Online Ordering Assistant"): sends the shopping cart's order to the
// provider of the user's account. It refreshes the price list and prices the order again, lets
// the user choose mail or pickup and the delivery option, collects the customer's details and
// the delivery address, optionally scales large pictures, creates the order on the ordering
// service, uploads the pictures the service does not hold yet, verifies the total the user
// accepted, confirms the order and shows the receipt.
//
// Every call runs off the GUI thread (a task, or for the price list a slave, of the wizard)
// with its waiting text; the wizard continues when it succeeds, dispatching on the operation
// number, and a failure shows the step's error text with the reason on the error page, from
// which a refused connection can be retried.
//
// When the service opens a payment transaction, the payment pages of the wizard base take the
// payment for the verified total; a processed payment goes on to confirmation. An order the
// service asks no payment for goes straight on to confirmation.
//
// Cancelling closes the assistant; the cart keeps its order, with the new price list and any
// pictures already replaced by their scaled copies. Files ordered on CD are added to the cart
// as CD items while the assistant runs and taken out again unless the order was confirmed.
//
// Entry points for the application: run() (modal) and open() (modeless). GUI thread only.
// `ordering` and `configuration` must outlive the wizard.

#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "ordering/Address.h"
#include "ordering/DownloadPriceListSlave.h"
#include "ordering/Money.h"
#include "service/AccountSettings.h"
#include "service/OrderingClient_3_0.h"
#include "service/OrderingClient_3_0_Task.h"
#include "service/PortalClient_3_0.h"
#include "service/PortalClient_3_0_Task.h"
#include "widgets/BrenmarleWizard.h"

class Ordering;
namespace Brenmarle {
class Order;
class OrderPart;
class Pricelist;
class ShoppingCart;
} // namespace Brenmarle
namespace Quorvel {
class Configuration;
class NetworkSettings;
} // namespace Quorvel

class SendOrderWizard : public BrenmarleWizard {
public:
    // Side-bar steps.
    enum Step { STEP_REVIEW, STEP_DELIVERY, STEP_UPLOAD, STEP_PAYMENT, STEP_RECEIPT };
    // How the order reaches the customer.
    enum DeliveryMethod { PICKUP = 0, BY_MAIL = 1 };
    // How far the order got on the server.
    enum CreationState {
        NOT_CREATED = 0,
        ORDER_CREATED = 4,
        DETAILS_UPLOADED = 5,
        UPLOAD_LIST_RECEIVED = 6
    };

    SendOrderWizard(wxWindow* parent, Ordering& ordering,
                    const Brenmarle::AccountSettings::Account& account,
                    Quorvel::Configuration& configuration,
                    Quorvel::NetworkSettings* settings = nullptr);
    ~SendOrderWizard() override;

    // Shows the assistant modally; returns wxID_OK when the order was confirmed.
    static int run(wxWindow* parent, Ordering& ordering,
                   const Brenmarle::AccountSettings::Account& account,
                   Quorvel::Configuration& configuration);
    // Shows the assistant without blocking the caller; it destroys itself when it ends.
    static SendOrderWizard* open(wxWindow* parent, Ordering& ordering,
                                 const Brenmarle::AccountSettings::Account& account,
                                 Quorvel::Configuration& configuration);

    // ---- The flow, in its order. Each step starts work or shows the next page. -----------
    // Welcome page's Next: the CD choice, then the price list refresh.
    void start(bool filesOnCd, int cdCount);
    void refreshPriceList();
    // The refreshed price list has arrived.
    void priceListDownloaded(std::shared_ptr<const Brenmarle::Pricelist> pricelist);
    void readDefaultPickupLocation();
    void chooseDeliveryMethod();
    void setDeliveryMethod(DeliveryMethod method);
    void registerPickupLocation(const wxString& locationUuid);
    void setDeliveryOption(const wxString& optionUuid);
    void readCustomer();
    void storeCustomer(const wxString& name, const wxString& phone);
    void afterCustomer();
    void setDeliveryAddress(const Brenmarle::Address& address);
    void setComment(const wxString& comment);
    void scalePictures(bool allowed);
    // The creation steps: log in, create the order, upload its details, fetch the upload list;
    // each runs when the one before has succeeded and only when still needed.
    void continueCreation();
    void startUpload();
    void verifyOrder();
    void requestTransaction();
    // Runs the payment pages for `transactionId` at `paymentServer` (the ordering service's
    // "host[:port]"); paymentCompleted() follows a processed payment.
    void runPayment(const wxString& transactionId, const wxString& paymentServer);
    void paymentCompleted() override;
    void confirmOrder();
    // The receipt page closes; `clearCart` empties the cart as its Remove All does.
    void finish(bool clearCart);

    // ---- State, for the pages and tests. ---------------------------------------------------
    Brenmarle::ShoppingCart& getCart() const;
    const Brenmarle::Order& getOrder() const;
    const std::shared_ptr<const Brenmarle::Pricelist>& getPricelist() const;
    const wxString& getProviderName() const { return m_account.portalName; }
    DeliveryMethod getDeliveryMethod() const { return m_deliveryMethod; }
    CreationState getCreationState() const { return m_creationState; }
    const wxString& getDefaultPickupLocation() const { return m_defaultPickupLocation; }
    const wxString& getServerOrderId() const { return m_serverOrderId; }
    const wxString& getReference() const { return m_reference; }
    Brenmarle::Money getAcceptedTotal() const { return m_acceptedTotal; }
    // The files the service asked for and their bytes.
    size_t getUploadCount() const { return m_uploads.size(); }
    int64_t getUploadBytes() const { return m_uploadBytes; }
    size_t getOrderFileCount() const;
    bool hasMailDelivery() const;
    bool hasPickupDelivery() const;
    bool isOrderingFilesOnCd() const { return m_filesOnCd; }
    bool wasConfirmed() const { return m_confirmed; }
    const Brenmarle::Address& getMailAddress() const { return m_mailAddress; }

    class IntroPage;
    class MissingProductPage;
    class NewPricePage;
    class DeliveryMethodPage;
    class ChoosePickupPage;
    class OutletOptionsPage;
    class ChooseMailDeliveryPage;
    class UserInfoPage;
    class DeliveryAddressPage;
    class OptionsPage;
    class ScalingPage;
    class CreateOrderPage;
    class StartUploadPage;
    class UploadPage;
    class ReceiptPage;

protected:
    void onCancel(wxCommandEvent& event) override;
    void onSlaveSucceeded(Quorvel::SlaveManagerEvent& event) override;
    void onTaskSucceeded(Quorvel::TaskEvent& event) override;

private:
    void runOrdering(const Quorvel::Ref<Brenmarle::OrderingClient_3_0_Task>& task,
                     const wxString& busyText, const wxString& errorText);
    void runPortal(const Quorvel::Ref<Brenmarle::PortalClient_3_0_Task>& task,
                   const wxString& busyText, const wxString& errorText);
    // Runs `step` once a session is open, logging in first when there is none.
    void withSession(std::function<void()> step);
    void orderingSucceeded(Brenmarle::OrderingClient_3_0_Task& task);
    void portalSucceeded(Brenmarle::PortalClient_3_0_Task& task);
    void scalingSucceeded();
    void detailsUploaded(double serviceTotal);
    void uploadListReceived(const std::vector<Brenmarle::OrderingClient_3_0::FileUpload>& list,
                            int64_t bytes);
    // Reprices the cart's order; a missing product shows the missing-product page. Returns
    // whether the order is priced.
    bool repriced();
    void addCdParts();
    void removeCdParts();
    // The XML the service gets for the order: the cart's order with its customer and delivery,
    // each picture under the reference the service will ask for it by (kept in m_files).
    std::string orderDetails();
    wxString textWithProvider(const wxString& format) const;
    bool failed(const wxString& operation, const std::function<void()>& step);

    Ordering& m_ordering;
    Brenmarle::AccountSettings::Account m_account;
    Quorvel::Configuration& m_configuration;
    Quorvel::NetworkSettings& m_settings;
    Quorvel::Ref<Brenmarle::OrderingClient_3_0> m_client;
    Quorvel::Ref<Brenmarle::PortalClient_3_0> m_portal;
    std::shared_ptr<Brenmarle::DownloadPriceListSlave::Result> m_priceListResult;
    Quorvel::Ref<Quorvel::Task> m_scaling;

    bool m_filesOnCd = false;
    int m_cdCount = 1;
    std::vector<const Brenmarle::OrderPart*> m_cdParts;
    Brenmarle::Money m_totalBeforeRefresh;
    wxString m_sessionId;
    std::function<void()> m_afterLogin;
    wxString m_serverOrderId;
    CreationState m_creationState = NOT_CREATED;
    wxString m_defaultPickupLocation;
    DeliveryMethod m_deliveryMethod = PICKUP;
    Brenmarle::Address m_mailAddress;
    std::vector<Brenmarle::OrderingClient_3_0_Task::OrderFile> m_files;
    std::vector<Brenmarle::OrderingClient_3_0::FileUpload> m_uploads;
    int64_t m_uploadBytes = 0;
    Brenmarle::Money m_acceptedTotal;
    wxString m_transactionId;
    wxString m_reference;
    bool m_confirmed = false;
};

#include "ordering/SendOrderWizard.h"

#include <algorithm>
#include <ctime>
#include <tuple>
#include <utility>

#include <wx/app.h>
#include <wx/filefn.h>
#include <wx/log.h>

#include "core/Exceptions.h"
#include "filemanager/FileManager.h"
#include "files/File.h"
#include "files/Uri.h"
#include "ordering/CdParts.h"
#include "ordering/CustomerForm.h"
#include "ordering/DeliveryOption.h"
#include "ordering/Order.h"
#include "ordering/OrderScalingTask.h"
#include "ordering/Ordering.h"
#include "ordering/PickupChoice.h"
#include "ordering/PriceCheck.h"
#include "ordering/Pricelist.h"
#include "ordering/PricelistCache.h"
#include "ordering/ScaledCopies.h"
#include "ordering/SendOrderPages.h"
#include "ordering/SendOrderTexts.h"
#include "ordering/ShoppingCart.h"
#include "service/NetworkSettings.h"
#include "system/Configuration.h"
#include "system/Environment.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "threads/SlaveManagerEvent.h"
#include "threads/TaskEvent.h"

using Brenmarle::OrderingClient_3_0;
using Brenmarle::OrderingClient_3_0_Task;
using Brenmarle::PortalClient_3_0_Task;

QUORVEL_DECLARE_EXCEPTION(NoDeliveryMethodException, Quorvel::RuntimeException,
                          "Brenmarle.NoDeliveryMethod")

SendOrderWizard::SendOrderWizard(wxWindow* parent, Ordering& ordering,
                                 const Brenmarle::AccountSettings::Account& account,
                                 Quorvel::Configuration& configuration,
                                 Quorvel::NetworkSettings* settings)
    : BrenmarleWizard(parent, _("Online Ordering Assistant"),
                      {_("Review"), _("Delivery"), _("Upload"), _("Payment"), _("Receipt")}),
      m_ordering(ordering), m_account(account), m_configuration(configuration),
      m_settings(settings ? *settings : Quorvel::NetworkSettings::get())
{
    SetName("SendOrderWizard");
    m_mailAddress = Brenmarle::CustomerForm::readMailAddress(m_configuration.getUserConfig());
    if (getOrder().deliveryType == BY_MAIL)
        m_deliveryMethod = BY_MAIL;
    pushPage(new IntroPage(this));
    QDEBUG("[SENDORDERWIZARD] Opened for %d order parts",
           static_cast<int>(getCart().getPartCount()));
}

SendOrderWizard::~SendOrderWizard()
{
    if (!m_confirmed)
        removeCdParts();
}

int SendOrderWizard::run(wxWindow* parent, Ordering& ordering,
                         const Brenmarle::AccountSettings::Account& account,
                         Quorvel::Configuration& configuration)
{
    auto* wizard = new SendOrderWizard(parent, ordering, account, configuration);
    const int result = wizard->ShowModal();
    wizard->Destroy();
    return result;
}

SendOrderWizard* SendOrderWizard::open(wxWindow* parent, Ordering& ordering,
                                       const Brenmarle::AccountSettings::Account& account,
                                       Quorvel::Configuration& configuration)
{
    auto* wizard = new SendOrderWizard(parent, ordering, account, configuration);
    // endWizard() hides a modeless wizard; it goes once hidden.
    wizard->Bind(wxEVT_SHOW, [wizard](wxShowEvent& event) {
        event.Skip();
        if (!event.IsShown())
            wizard->CallAfter([wizard] { wizard->Destroy(); });
    });
    wizard->Show();
    return wizard;
}

// ---- State -------------------------------------------------------------------------------

Brenmarle::ShoppingCart& SendOrderWizard::getCart() const
{
    return m_ordering.getCart();
}

const Brenmarle::Order& SendOrderWizard::getOrder() const
{
    return getCart().getOrder();
}

const std::shared_ptr<const Brenmarle::Pricelist>& SendOrderWizard::getPricelist() const
{
    return getCart().getPricelist();
}

size_t SendOrderWizard::getOrderFileCount() const
{
    std::set<wxString> files;
    for (size_t i = 0; i < getOrder().getPartCount(); ++i) {
        for (const auto& file : getOrder().getPart(i).files)
            files.insert(file.uri);
    }
    return files.size();
}

bool SendOrderWizard::hasMailDelivery() const
{
    const auto& pricelist = getPricelist();
    if (!pricelist)
        return false;
    for (const auto& option : pricelist->deliveryOptions) {
        if (option.type == Brenmarle::DeliveryOption::BY_MAIL &&
            getOrder().isDeliveryOptionUsable(option, *pricelist))
            return true;
    }
    return false;
}

bool SendOrderWizard::hasPickupDelivery() const
{
    return getPricelist() &&
           !Brenmarle::PickupChoice(getOrder(), *getPricelist()).getLocations().empty();
}

wxString SendOrderWizard::textWithProvider(const wxString& format) const
{
    return wxString::Format(format, m_account.portalName);
}

bool SendOrderWizard::failed(const wxString& operation, const std::function<void()>& step)
{
    try {
        step();
        return false;
    } catch (const Quorvel::Exception& e) {
        showFailure(operation, e);
        return true;
    }
}

// ---- Running the work ----------------------------------------------------------------------

void SendOrderWizard::runOrdering(const Quorvel::Ref<OrderingClient_3_0_Task>& task,
                                  const wxString& busyText, const wxString& errorText)
{
    failed(errorText, [&] { runTask(task, busyText, errorText); });
}

void SendOrderWizard::runPortal(const Quorvel::Ref<PortalClient_3_0_Task>& task,
                                const wxString& busyText, const wxString& errorText)
{
    failed(errorText, [&] { runTask(task, busyText, errorText); });
}

void SendOrderWizard::onSlaveSucceeded(Quorvel::SlaveManagerEvent&)
{
    if (const auto result = std::move(m_priceListResult))
        priceListDownloaded(result->pricelist);
}

void SendOrderWizard::onTaskSucceeded(Quorvel::TaskEvent& event)
{
    Quorvel::Task* task = event.getTask().get();
    if (auto* ordering = dynamic_cast<OrderingClient_3_0_Task*>(task))
        orderingSucceeded(*ordering);
    else if (auto* portal = dynamic_cast<PortalClient_3_0_Task*>(task))
        portalSucceeded(*portal);
    else if (task && task == m_scaling.get())
        scalingSucceeded();
    else
        BrenmarleWizard::onTaskSucceeded(event);
}

void SendOrderWizard::onCancel(wxCommandEvent& event)
{
    QDEBUG("[SENDORDERWIZARD] Cancelled");
    BrenmarleWizard::onCancel(event);
}

// ---- Review --------------------------------------------------------------------------------

void SendOrderWizard::start(bool filesOnCd, int cdCount)
{
    m_filesOnCd = filesOnCd;
    m_cdCount = cdCount;
    if (failed(_("Could not order files on CD"), [this] {
            removeCdParts();
            if (m_filesOnCd)
                addCdParts();
        }))
        return;
    refreshPriceList();
}

void SendOrderWizard::addCdParts()
{
    const Brenmarle::Product* cd = Brenmarle::CdParts::findCdProduct(*getPricelist());
    if (!cd)
        return;
    auto parts = Brenmarle::CdParts::build(getOrder(), *cd, m_cdCount, [](const wxString& uri) {
        Quorvel::Ref<Brenmarle::File> file = Brenmarle::FileManager::get().getFile(uri);
        return Brenmarle::CdParts::FileFacts{file->getFileSize(), file->getFileName()};
    });
    for (const auto& part : parts)
        m_cdParts.push_back(part.get());
    getCart().addParts(std::move(parts));
}

void SendOrderWizard::removeCdParts()
{
    if (m_cdParts.empty())
        return;
    std::set<const Brenmarle::OrderPart*> parts;
    Brenmarle::ShoppingCart& cart = getCart();
    for (size_t i = 0; i < cart.getPartCount(); ++i) {
        const Brenmarle::OrderPart* part = &cart.getPart(i);
        if (std::find(m_cdParts.begin(), m_cdParts.end(), part) != m_cdParts.end())
            parts.insert(part);
    }
    m_cdParts.clear();
    if (!parts.empty())
        cart.deleteParts(parts);
}

void SendOrderWizard::refreshPriceList()
{
    const wxString errorText = textWithProvider(_("Could not download price list from %s"));
    failed(errorText, [&] {
        auto slave = std::make_unique<Brenmarle::DownloadPriceListSlave>(
            Brenmarle::AccountSettings::portalAddress(m_configuration, m_account), &m_settings);
        m_priceListResult = slave->getResult();
        runSlave(std::move(slave), SIZE_MAX, _("Updating price list - please wait"), errorText);
    });
}

void SendOrderWizard::priceListDownloaded(std::shared_ptr<const Brenmarle::Pricelist> pricelist)
{
    if (!pricelist) {
        showFailure(_("Could not load price list from XML document"),
                    Quorvel::RuntimeException(_("Could not load price list from XML document")));
        return;
    }
    const Brenmarle::Money before = getOrder().getBaseCost();
    if (!m_ordering.getPricelists().install(m_account.portalId, pricelist, std::time(nullptr))) {
        showFailure(_("Could not load price list from XML document"),
                    Quorvel::IOException(_("Error setting new price list")));
        return;
    }
    // The CD items follow the new price list's CD product.
    if (m_filesOnCd && failed(_("Could not order files on CD"), [this] {
            removeCdParts();
            addCdParts();
        }))
        return;
    if (!repriced())
        return;
    const Brenmarle::Money after = getOrder().getBaseCost();
    if (Brenmarle::PriceCheck::differs(before, after)) {
        pushPage(new NewPricePage(this, getPricelist()->formatAmount(before),
                                  getPricelist()->formatAmount(after),
                                  [this] { readDefaultPickupLocation(); }));
        return;
    }
    readDefaultPickupLocation();
}

bool SendOrderWizard::repriced()
{
    Brenmarle::Order& order = getCart().editOrder();
    try {
        if (order.calculate(true))
            return true;
        showFailure(_("Could not calculate the order"),
                    Quorvel::RuntimeException(order.getPricingFailure()));
    } catch (const Brenmarle::ProductException&) {
        pushPage(new MissingProductPage(this));
    }
    return false;
}

// ---- Delivery ------------------------------------------------------------------------------

void SendOrderWizard::readDefaultPickupLocation()
{
    const wxString errorText =
        textWithProvider(_("Could not retrieve default pickup location from %s"));
    if (failed(errorText, [&] {
            if (!m_client) {
                m_client = Quorvel::makeRef<OrderingClient_3_0>(m_settings);
                m_client->setAddress(
                    Brenmarle::AccountSettings::portalAddress(m_configuration, m_account));
            }
        }))
        return;
    withSession([this, errorText] {
        runOrdering(OrderingClient_3_0_Task::getDefaultPickupLocation(m_client),
                    _("Retrieving default pickup location"), errorText);
    });
}

void SendOrderWizard::withSession(std::function<void()> step)
{
    if (!m_sessionId.empty()) {
        step();
        return;
    }
    // Every call but the log-in itself belongs to a session.
    m_afterLogin = std::move(step);
    runOrdering(OrderingClient_3_0_Task::createSession(m_client), _("Logging in..."),
                _("Could not log in to server"));
}

void SendOrderWizard::chooseDeliveryMethod()
{
    if (!hasMailDelivery() && !hasPickupDelivery()) {
        showFailure(_("Could not choose delivery method"),
                    NoDeliveryMethodException(
                        _("Mail order is not allowed and no pickup locations are defined")));
        return;
    }
    pushPage(new DeliveryMethodPage(this));
}

void SendOrderWizard::setDeliveryMethod(DeliveryMethod method)
{
    m_deliveryMethod = method;
    if (method == BY_MAIL)
        pushPage(new ChooseMailDeliveryPage(this));
    else
        pushPage(new ChoosePickupPage(this));
}

void SendOrderWizard::registerPickupLocation(const wxString& locationUuid)
{
    const Brenmarle::PickupChoice choice(getOrder(), *getPricelist());
    const auto* location = choice.findLocation(locationUuid);
    if (!location)
        return;
    Brenmarle::Order& order = getCart().editOrder();
    order.pickupLocation = Brenmarle::PickupLocation();
    order.pickupLocation.uuid = location->uuid;
    order.pickupLocation.name = location->name;
    order.pickupLocation.address.addressLine1 = location->address;
    order.pickupLocation.address.postalCode = location->postalCode;
    order.pickupLocation.address.city = location->city;
    getCart().orderChanged();
    const wxString errorText =
        wxString::Format(_("Could not register default pickup location for %s"), location->name);
    runOrdering(OrderingClient_3_0_Task::setDefaultPickupLocation(m_client, locationUuid),
                _("Registering default pickup location"), errorText);
}

void SendOrderWizard::setDeliveryOption(const wxString& optionUuid)
{
    const Brenmarle::DeliveryOption* option = getPricelist()->findDeliveryOption(optionUuid);
    if (!option)
        return;
    if (!Brenmarle::SendOrderTexts::isKnownTimeUnit(option->deliveryTimeUnit))
        QDEBUG("%c - unknown delivery time unit", static_cast<char>(option->deliveryTimeUnit));
    Brenmarle::Order& order = getCart().editOrder();
    order.deliveryType = option->type;
    order.deliveryOptionUuid = option->uuid;
    getCart().orderChanged();
    if (!repriced())
        return;
    readCustomer();
}

void SendOrderWizard::readCustomer()
{
    const wxString errorText = textWithProvider(_("Could not retrieve user information from %s"));
    failed(errorText, [&] {
        if (!m_portal) {
            m_portal = Quorvel::makeRef<Brenmarle::PortalClient_3_0>(m_settings);
            m_portal->setAddress(
                Brenmarle::AccountSettings::portalAddress(m_configuration, m_account));
        }
        runPortal(PortalClient_3_0_Task::getUserInformation(m_portal),
                  _("Retrieving user information - please wait"), errorText);
    });
}

void SendOrderWizard::storeCustomer(const wxString& name, const wxString& phone)
{
    Brenmarle::PortalClient_3_0::UserInformation info;
    info.name = wxString(name).Trim(true).Trim(false);
    info.mobilePhone = wxString(phone).Trim(true).Trim(false);
    const Brenmarle::UserInfo& known = getOrder().userInfo;
    info.address = known.address.addressLine1;
    info.postalCode = known.address.postalCode;
    info.city = known.address.city;
    info.emailAddress = known.contactInfo.emailAddress;
    runPortal(PortalClient_3_0_Task::setUserInformation(m_portal, info),
              _("Sending user information - please wait"),
              textWithProvider(_("Could not send user information to %s")));
}

namespace {

// The customer as the portal knows them, into the order.
void takeCustomer(Brenmarle::UserInfo& customer,
                  const Brenmarle::PortalClient_3_0::UserInformation& info)
{
    std::tie(customer.firstName, customer.lastName) = Brenmarle::CustomerForm::splitName(info.name);
    customer.address.name = info.name;
    customer.address.addressLine1 = info.address;
    customer.address.postalCode = info.postalCode;
    customer.address.city = info.city;
    customer.contactInfo.emailAddress = info.emailAddress;
    customer.contactInfo.mobilePhone = info.mobilePhone;
}

} // namespace

void SendOrderWizard::portalSucceeded(PortalClient_3_0_Task& task)
{
    Brenmarle::Order& order = getCart().editOrder();
    switch (task.getOperation()) {
    case PortalClient_3_0_Task::GET_USER_INFORMATION:
        takeCustomer(order.userInfo, task.userInformation);
        getCart().orderChanged();
        if (Brenmarle::CustomerForm::needsUserInfo(order.userInfo.firstName,
                                                   order.userInfo.lastName) ||
            task.userInformation.mobilePhone.empty())
            pushPage(new UserInfoPage(this, task.userInformation.name,
                                      task.userInformation.mobilePhone));
        else
            afterCustomer();
        break;
    case PortalClient_3_0_Task::SET_USER_INFORMATION:
        takeCustomer(order.userInfo, task.userInformation);
        getCart().orderChanged();
        afterCustomer();
        break;
    default:
        break;
    }
}

void SendOrderWizard::afterCustomer()
{
    if (m_deliveryMethod == BY_MAIL)
        pushPage(new DeliveryAddressPage(this));
    else
        pushPage(new OptionsPage(this));
}

void SendOrderWizard::setDeliveryAddress(const Brenmarle::Address& address)
{
    Brenmarle::Address trimmed = address;
    for (wxString* field : {&trimmed.name, &trimmed.addressLine1, &trimmed.addressLine2,
                            &trimmed.postalCode, &trimmed.city})
        field->Trim(true).Trim(false);
    m_mailAddress = trimmed;
    Quorvel::ConfigFile& config = m_configuration.getUserConfig();
    Brenmarle::CustomerForm::writeMailAddress(config, trimmed);
    config.flush();
    getCart().editOrder().deliveryAddress = trimmed;
    getCart().orderChanged();
    pushPage(new OptionsPage(this));
}

void SendOrderWizard::setComment(const wxString& comment)
{
    getCart().editOrder().comment = comment;
    getCart().orderChanged();
    pushPage(new ScalingPage(this));
}

// ---- Upload --------------------------------------------------------------------------------

void SendOrderWizard::scalePictures(bool allowed)
{
    // Back here from later pages: what the user chose since may differ, so the details go to
    // the service again (the order created there stays).
    if (m_creationState > ORDER_CREATED)
        m_creationState = ORDER_CREATED;
    if (!allowed) {
        pushPage(new CreateOrderPage(this));
        return;
    }
    const wxString folder =
        Brenmarle::ScaledCopies::folderOf(Quorvel::Environment::getUserDataDir());
    auto task = Quorvel::makeRef<Brenmarle::OrderScalingTask>(getOrder(), folder);
    m_scaling = task;
    failed(_("Could not resize pictures"),
           [&] { runTask(task, _("Resizing pictures..."), _("Could not resize pictures")); });
}

void SendOrderWizard::scalingSucceeded()
{
    auto* task = static_cast<Brenmarle::OrderScalingTask*>(m_scaling.get());
    const auto copies = task->getCopies();
    m_scaling = nullptr;
    if (Brenmarle::OrderScalingTask::applyTo(getCart().editOrder(), copies) > 0)
        getCart().orderChanged();
    pushPage(new CreateOrderPage(this));
}

void SendOrderWizard::continueCreation()
{
    if (isBusy())
        return;
    if (m_sessionId.empty()) {
        runOrdering(OrderingClient_3_0_Task::createSession(m_client), _("Logging in..."),
                    _("Could not log in to server"));
    } else if (m_serverOrderId.empty()) {
        runOrdering(OrderingClient_3_0_Task::createOrder(m_client, getPricelist()->uuid),
                    _("Creating order on server"), _("Could not create order on server"));
    } else if (m_creationState < DETAILS_UPLOADED) {
        std::string details;
        if (failed(_("Could not upload order details"), [&] { details = orderDetails(); }))
            return;
        runOrdering(OrderingClient_3_0_Task::uploadOrderDetails(m_client, details),
                    _("Uploading order details"), _("Could not upload order details"));
    } else if (m_creationState < UPLOAD_LIST_RECEIVED) {
        runOrdering(OrderingClient_3_0_Task::getFileUploadList(m_client, m_files),
                    _("Creating order on server"), _("Could not create order on server"));
    } else {
        pushPage(new StartUploadPage(this));
    }
}

namespace {

// What registerFile tells the service about a picture of the library.
OrderingClient_3_0::FileInfo fileInfoOf(Brenmarle::File& picture)
{
    OrderingClient_3_0::FileInfo info;
    info.fileName = picture.getFileName();
    info.contentType = picture.getContentType();
    info.caption = picture.getCaption();
    info.time = picture.getTime();
    const int mask = picture.getTimeMask();
    info.timeMask = {(mask & 1) != 0, (mask & 2) != 0,  (mask & 4) != 0,
                     (mask & 8) != 0, (mask & 16) != 0, (mask & 32) != 0};
    info.creator = picture.getCreator();
    info.copyright = picture.getCopyright();
    info.city = picture.getCity();
    info.countryCode = picture.getCountryCode();
    info.imageWidth = picture.getImageWidth();
    info.imageHeight = picture.getImageHeight();
    info.imageRotation = picture.getImageRotation();
    return info;
}

} // namespace

std::string SendOrderWizard::orderDetails()
{
    Brenmarle::Order& order = getCart().editOrder();
    m_files.clear();
    std::set<wxString> listed;
    const wxString copies =
        Brenmarle::ScaledCopies::folderOf(Quorvel::Environment::getUserDataDir());
    for (size_t i = 0; i < order.getPartCount(); ++i) {
        for (Brenmarle::OrderPartFile& file : order.getPart(i).files) {
            OrderingClient_3_0_Task::OrderFile local;
            local.path = Brenmarle::ScaledCopies::pathOf(copies, file.uri);
            if (local.path.empty()) {
                Brenmarle::FileManager& files = Brenmarle::FileManager::get();
                Quorvel::Ref<Brenmarle::File> picture = files.getFile(file.uri);
                local.path = files.getLocalPath(*picture);
                local.info = fileInfoOf(*picture);
                file.fileModifyTime = picture->getFileModifyTime();
                file.metaModifyTime = picture->getMetaModifyTime();
                file.clientRef = Brenmarle::Uri::fromLocalPath(local.path);
            } else {
                // A scaled copy: upright, as the service gets it.
                file.fileModifyTime = wxFileModificationTime(local.path);
                file.metaModifyTime = file.fileModifyTime;
                file.clientRef = file.uri;
                local.info.contentType = "image/jpeg";
            }
            local.clientRef = file.clientRef;
            if (listed.insert(local.clientRef).second)
                m_files.push_back(local);
        }
    }
    order.orderTime = std::time(nullptr);
    getCart().orderChanged();
    return order.toXML();
}

void SendOrderWizard::detailsUploaded(double serviceTotal)
{
    const Brenmarle::Money ours = getOrder().getTotalCost();
    const std::optional<Brenmarle::Money> theirs = Brenmarle::PriceCheck::fromService(serviceTotal);
    if (!theirs) {
        showFailure(_("Could not upload order details"),
                    Quorvel::RuntimeException(_("The server sent no valid order total")));
        return;
    }
    if (!Brenmarle::PriceCheck::differs(ours, *theirs)) {
        m_acceptedTotal = ours;
        continueCreation();
        return;
    }
    // What the service charges is what the user accepts and what is verified.
    pushPage(new NewPricePage(this, getPricelist()->formatAmount(ours),
                              getPricelist()->formatAmount(*theirs), [this, theirs] {
                                  m_acceptedTotal = *theirs;
                                  continueCreation();
                              }));
}

void SendOrderWizard::uploadListReceived(const std::vector<OrderingClient_3_0::FileUpload>& list,
                                         int64_t bytes)
{
    m_uploads = list;
    m_uploadBytes = bytes;
    pushPage(new StartUploadPage(this));
}

void SendOrderWizard::startUpload()
{
    if (isBusy())
        return;
    if (m_uploads.empty()) {
        verifyOrder();
        return;
    }
    runOrdering(OrderingClient_3_0_Task::uploadFiles(m_client, m_files, m_uploads),
                _("Uploading order to server"), _("Could not upload file to server"));
}

void SendOrderWizard::verifyOrder()
{
    runOrdering(OrderingClient_3_0_Task::verifyOrder(m_client, m_acceptedTotal.toDouble()),
                _("Verifying uploaded order..."), _("Verifying uploaded order failed"));
}

void SendOrderWizard::requestTransaction()
{
    runOrdering(OrderingClient_3_0_Task::getTransactionId(m_client), _("Creating transaction..."),
                _("Could not create payment transaction"));
}

void SendOrderWizard::runPayment(const wxString& transactionId, const wxString& paymentServer)
{
    QDEBUG("[SENDORDERWIZARD] Payment of transaction %s at %s", transactionId, paymentServer);
    PaymentRequest request;
    request.transactionId = transactionId;
    request.server = paymentServer;
    // The payment service must ask for exactly what the service verified.
    request.verifiedTotal = m_acceptedTotal.toDouble();
    request.currency = getPricelist()->currencyCode;
    request.step = STEP_PAYMENT;
    startPayment(request, m_configuration.getUserConfig());
}

void SendOrderWizard::paymentCompleted()
{
    confirmOrder();
}

void SendOrderWizard::confirmOrder()
{
    runOrdering(OrderingClient_3_0_Task::confirmOrder(m_client), _("Confirming order..."),
                _("Could not confirm order"));
}

void SendOrderWizard::orderingSucceeded(OrderingClient_3_0_Task& task)
{
    switch (task.getOperation()) {
    case OrderingClient_3_0_Task::CREATE_SESSION: {
        m_sessionId = task.sessionId;
        const auto step = std::exchange(m_afterLogin, nullptr);
        if (step)
            step();
        else
            continueCreation();
        break;
    }
    case OrderingClient_3_0_Task::CREATE_ORDER:
        m_serverOrderId = task.orderId;
        m_creationState = ORDER_CREATED;
        continueCreation();
        break;
    case OrderingClient_3_0_Task::UPLOAD_ORDER_DETAILS:
        m_creationState = DETAILS_UPLOADED;
        detailsUploaded(task.orderTotal);
        break;
    case OrderingClient_3_0_Task::GET_FILE_UPLOAD_LIST:
        m_creationState = UPLOAD_LIST_RECEIVED;
        uploadListReceived(task.uploadList, task.uploadSize);
        break;
    case OrderingClient_3_0_Task::UPLOAD_FILES:
        m_uploads.clear();
        verifyOrder();
        break;
    case OrderingClient_3_0_Task::VERIFY_ORDER:
        // Nothing to pay: the service opens no transaction, and the order is confirmed.
        if (m_acceptedTotal <= Brenmarle::Money())
            confirmOrder();
        else
            requestTransaction();
        break;
    case OrderingClient_3_0_Task::GET_TRANSACTION_ID:
        m_transactionId = task.transaction.transactionId;
        // No transaction: the service asks no payment for this order.
        if (m_transactionId.empty())
            confirmOrder();
        else
            runPayment(m_transactionId, task.transaction.paymentServer);
        break;
    case OrderingClient_3_0_Task::CONFIRM_ORDER:
        m_reference = task.confirmedOrderId;
        m_confirmed = true;
        QDEBUG("[SENDORDERWIZARD] Order %s confirmed", m_reference);
        pushPage(new ReceiptPage(this));
        break;
    case OrderingClient_3_0_Task::GET_DEFAULT_PICKUP_LOCATION:
        m_defaultPickupLocation = task.pickupLocation;
        chooseDeliveryMethod();
        break;
    case OrderingClient_3_0_Task::SET_DEFAULT_PICKUP_LOCATION: {
        const Brenmarle::PickupChoice choice(getOrder(), *getPricelist());
        if (const auto* location = choice.findLocation(getOrder().pickupLocation.uuid))
            pushPage(new OutletOptionsPage(this, *location));
        break;
    }
    default:
        break;
    }
}

// ---- Receipt -------------------------------------------------------------------------------

void SendOrderWizard::finish(bool clearCart)
{
    if (clearCart) {
        try {
            getCart().empty();
        } catch (const Quorvel::Exception& e) {
            // The items are gone; only the folder of other programs' items could not be made anew.
            wxLogError("%s", e.getMessage());
        }
    }
    endWizard(wxID_OK);
}

#include "sharing/SharingWizard.h"

#include <wx/intl.h>

#include "service/AccountSettings.h"
#include "service/NetworkSettings.h"
#include "service/PortalClient_3_0_Task.h"
#include "sharing/EmailHandOver.h"
#include "sharing/EmailScalingTask.h"
#include "sharing/SharingPages.h"
#include "system/Configuration.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "threads/TaskEvent.h"

QUORVEL_DECLARE_EXCEPTION(PrintsUnavailableException, Quorvel::UnsupportedException,
                          "Ordering.Unavailable")

SharingWizard::SharingWizard(wxWindow* parent, const std::vector<wxString>& pictures,
                             Quorvel::Configuration& configuration, Hooks hooks, int method,
                             Quorvel::NetworkSettings* settings)
    : BrenmarleWizard(parent, _("Photo Sharing Assistant"),
                      {_("Method"), _("Recipients"), _("Description"), _("Sharing"), _("Done")}),
      m_pictures(pictures), m_configuration(configuration),
      m_settings(settings ? *settings : Quorvel::NetworkSettings::get()), m_hooks(std::move(hooks)),
      m_preselected(method)
{
    SetName("SharingWizard");
    m_subject = defaultSubject(m_pictures.size());
    pushPage(new SharingMethodPage(this));
    QDEBUG("[SHARINGWIZARD] Opened for %d pictures", static_cast<int>(m_pictures.size()));
}

SharingWizard::~SharingWizard() = default;

int SharingWizard::run(wxWindow* parent, const std::vector<wxString>& pictures,
                       Quorvel::Configuration& configuration, Hooks hooks, int method)
{
    auto* wizard = new SharingWizard(parent, pictures, configuration, std::move(hooks), method);
    const int result = wizard->ShowModal();
    wizard->Destroy();
    return result;
}

std::vector<SharingWizard::Method> SharingWizard::getOfferedMethods() const
{
    bool mobile = false;
    bool prints = false;
    Quorvel::ConfigFile& global = m_configuration.getGlobalConfig();
    global.readBool("Functions/EnableMobilePhoneServices", mobile, false);
    global.readBool("Functions/EnableShareByPrints", prints, false);
    std::vector<Method> methods = {OVER_INTERNET};
    if (mobile)
        methods.push_back(BY_MMS);
    if (prints)
        methods.push_back(AS_PRINTS);
    methods.push_back(BY_EMAIL);
    return methods;
}

std::vector<SharingWizard::SizeChoice> SharingWizard::sizesFor(Method method)
{
    if (method == BY_MMS)
        return {{_("Small mobile size (160x120)"), 160},
                {_("Medium mobile size (320x240)"), 320},
                {_("Large mobile size (640x480)"), 640}};
    return {{_("Thumbnail size (160x120)"), 160},
            {_("Suitable for web (320x240)"), 320},
            {_("Small screen size (640x480)"), 640},
            {_("Large screen size (1280x960)"), 1280},
            {_("Full size (Do not resize photos)"), 0}};
}

wxString SharingWizard::defaultSubject(size_t pictures)
{
    return pictures == 1 ? _("Shared picture!") : _("Shared pictures!");
}

bool SharingWizard::hasAccount() const
{
    return Brenmarle::AccountSettings::read(m_configuration).exists();
}

bool SharingWizard::failed(const wxString& operation, const std::function<void()>& step)
{
    try {
        step();
        return false;
    } catch (const Quorvel::Exception& e) {
        showFailure(operation, e);
        return true;
    }
}

// ---- Method and recipients -----------------------------------------------------------------

wxString SharingWizard::chooseMethod(Method method)
{
    switch (method) {
    case OVER_INTERNET:
    case BY_MMS:
    case AS_PRINTS:
    case BY_EMAIL:
        break;
    default:
        return _("Unsupported sharing method (not implemented in this version!");
    }
    m_method = method;
    // Refused before anything else is asked of the user, the account included.
    if (method == BY_MMS && m_pictures.size() > MMS_PICTURE_LIMIT)
        return _("You cannot share more than two photos at a time by MMS");
    if (method != BY_EMAIL && !hasAccount()) {
        pushPage(new AccountNeededPage(this, method));
        return wxString();
    }
    showMethodPage();
    return wxString();
}

void SharingWizard::continueAfterAccount()
{
    if (!hasAccount() && (!m_hooks.registerAccount || !m_hooks.registerAccount()))
        return;
    auto* page = dynamic_cast<AccountNeededPage*>(getCurrentPage());
    if (page && hasAccount())
        page->accountReady();
}

void SharingWizard::showMethodPage()
{
    switch (m_method) {
    case OVER_INTERNET:
        pushPage(new ShareByWebPage(this));
        break;
    case BY_MMS:
        pushPage(new ShareByMmsPage(this));
        break;
    case AS_PRINTS:
        pushPage(new ShareByPrintsPage(this));
        break;
    case BY_EMAIL:
        pushPage(new ShareByEmailPage(this));
        break;
    }
}

void SharingWizard::setRecipients(const std::vector<wxString>& recipients, int size, bool shareInfo)
{
    m_recipients = recipients;
    m_size = size;
    m_shareInfo = shareInfo;
    if (m_method == BY_EMAIL)
        pushPage(new EmailPage(this));
    else if (m_method == BY_MMS && m_activatedPhone.empty())
        pushPage(new MobileActivationPage(this));
    else
        pushPage(new DescriptionPage(this));
}

void SharingWizard::setDescription(const wxString& subject, const wxString& comment)
{
    m_subject = subject;
    m_comment = comment;
    pushPage(new UploadPage(this));
}

// ---- Sharing -------------------------------------------------------------------------------

bool SharingWizard::sharingClientReady(const wxString& operation)
{
    return !failed(operation, [&] {
        if (m_client)
            return;
        m_client = Quorvel::makeRef<Brenmarle::SharingClient_3_0>(m_settings);
        m_client->setAddress(Brenmarle::AccountSettings::portalAddress(
            m_configuration, Brenmarle::AccountSettings::read(m_configuration)));
    });
}

bool SharingWizard::portalClientReady(const wxString& operation)
{
    return !failed(operation, [&] {
        if (m_portal)
            return;
        m_portal = Quorvel::makeRef<Brenmarle::PortalClient_3_0>(m_settings);
        m_portal->setAddress(Brenmarle::AccountSettings::portalAddress(
            m_configuration, Brenmarle::AccountSettings::read(m_configuration)));
    });
}

void SharingWizard::fetchMmsPrice()
{
    const wxString operation = _("Could not retrieve MMS pricing");
    if (isBusy() || !sharingClientReady(operation))
        return;
    failed(operation, [&] {
        runTask(Brenmarle::SharingClient_3_0_Task::getMmsInfo(m_client),
                _("Retrieving MMS pricing..."), operation);
    });
}

void SharingWizard::sendActivationCode(const wxString& phoneNumber)
{
    const wxString operation = _("Could not send the activation code");
    if (isBusy() || !portalClientReady(operation))
        return;
    failed(operation, [&] {
        runTask(Brenmarle::PortalClient_3_0_Task::sendMobileActivationCode(m_portal, phoneNumber),
                _("Sending the activation code..."), operation);
    });
}

void SharingWizard::activateMobile(const wxString& activationCode)
{
    const wxString operation = _("Could not activate your mobile phone");
    if (isBusy() || !portalClientReady(operation))
        return;
    failed(operation, [&] {
        runTask(Brenmarle::PortalClient_3_0_Task::activateMobile(m_portal, activationCode),
                _("Activating your mobile phone..."), operation);
    });
}

Brenmarle::SharingClient_3_0_Task::Share SharingWizard::shareInputs() const
{
    Brenmarle::SharingClient_3_0_Task::Share share;
    share.subject = m_subject;
    share.message = m_comment;
    share.previewSize = m_size;
    share.shareMeta = m_shareInfo;
    share.recipients = m_recipients;
    return share;
}

namespace {

bool sameShare(const Brenmarle::SharingClient_3_0_Task::Share& a,
               const Brenmarle::SharingClient_3_0_Task::Share& b)
{
    return a.subject == b.subject && a.message == b.message && a.previewSize == b.previewSize &&
           a.shareMeta == b.shareMeta && a.recipients == b.recipients;
}

} // namespace

void SharingWizard::startShare()
{
    const wxString operation = _("Could not share photos");
    if (isBusy() || !sharingClientReady(operation))
        return;
    using Task = Brenmarle::SharingClient_3_0_Task;
    const Task::Share share = shareInputs();
    failed(operation, [&] {
        if (m_share && sameShare(m_share->share, share)) {
            // Goes on from what the failed run did: no share made twice, no recipient served
            // twice.
            QDEBUG("[SHARINGWIZARD] Retrying share %s", m_share->progress.shareId);
            m_share = Task::retry(*m_share);
        } else {
            std::vector<Task::SharedPicture> pictures(m_pictures.size());
            for (size_t i = 0; i < m_pictures.size(); ++i)
                pictures[i].uri = m_pictures[i];
            m_share = m_method == BY_MMS ? Task::shareByMms(m_client, pictures, share)
                                         : Task::shareByWeb(m_client, pictures, share);
        }
        runTask(m_share, _("Sharing photos"), operation);
    });
}

void SharingWizard::shareSucceeded(Brenmarle::SharingClient_3_0_Task& task)
{
    using Task = Brenmarle::SharingClient_3_0_Task;
    switch (task.getOperation()) {
    case Task::GET_MMS_INFO: {
        m_mmsInfo = task.mmsInfo;
        // The price counts as known once the phone that pays is known too.
        const wxString operation = _("Could not retrieve MMS pricing");
        if (!portalClientReady(operation))
            break;
        failed(operation, [&] {
            runTask(Brenmarle::PortalClient_3_0_Task::getActivatedMobile(m_portal),
                    _("Retrieving MMS pricing..."), operation);
        });
        break;
    }
    case Task::SHARE_BY_WEB:
    case Task::SHARE_BY_MMS:
        m_served = task.progress.served;
        m_share = nullptr;
        QDEBUG("[SHARINGWIZARD] Shared with %d recipients", static_cast<int>(m_served.size()));
        pushPage(new ReceiptPage(this));
        break;
    default:
        break;
    }
}

void SharingWizard::portalSucceeded(Brenmarle::PortalClient_3_0_Task& task)
{
    using Task = Brenmarle::PortalClient_3_0_Task;
    switch (task.getOperation()) {
    case Task::GET_ACTIVATED_MOBILE:
        m_activatedPhone = task.activatedMobile.phoneNumber;
        m_hasMmsPrice = true;
        // The page stays: the user goes on from it.
        enableButton(ID_NEXT);
        if (auto* page = dynamic_cast<ShareByMmsPage*>(getCurrentPage()))
            page->showPrice();
        break;
    case Task::SEND_MOBILE_ACTIVATION_CODE:
        // The page stays: the user types the code in and goes on.
        enableButton(ID_NEXT);
        if (auto* page = dynamic_cast<MobileActivationPage*>(getCurrentPage()))
            page->codeSent();
        break;
    case Task::ACTIVATE_MOBILE:
        m_activatedPhone = task.activatedMobile.phoneNumber;
        QDEBUG("[SHARINGWIZARD] Mobile phone %s activated", m_activatedPhone);
        pushPage(new DescriptionPage(this));
        break;
    default:
        break;
    }
}

void SharingWizard::addPrints()
{
    if (!m_hooks.addPrints || !m_hooks.addPrints(m_pictures)) {
        showFailure(_("Could not add the photos to the shopping cart"),
                    PrintsUnavailableException(_("Ordering prints is not available")));
        return;
    }
    QDEBUG("[SHARINGWIZARD] %d pictures added to the cart as prints",
           static_cast<int>(m_pictures.size()));
    endWizard(wxID_OK);
}

void SharingWizard::startEmail()
{
    if (isBusy())
        return;
    m_attachments.clear();
    const wxString operation = _("An error occures while scaling photos for email transmisstion");
    failed(operation, [&] {
        m_scaling = Quorvel::makeRef<Brenmarle::EmailScalingTask>(
            m_pictures, m_size, Brenmarle::EmailScalingTask::newFolder());
        runTask(m_scaling, _("Scaling photos for email"), operation);
    });
}

void SharingWizard::handOverEmail(const std::vector<wxString>& attachments)
{
    m_attachments = attachments;
    const wxString operation = _("Could not send email");
    failed(operation, [&] {
        m_handOver = Quorvel::makeRef<Brenmarle::EmailHandOver>(
            Brenmarle::EmailHandOver::sharedPhotos(m_recipients, m_attachments));
        runTask(m_handOver, _("Opening your email program..."), operation);
    });
}

void SharingWizard::onTaskSucceeded(Quorvel::TaskEvent& event)
{
    Quorvel::Task* task = event.getTask().get();
    if (!task)
        return;
    if (auto* sharing = dynamic_cast<Brenmarle::SharingClient_3_0_Task*>(task)) {
        shareSucceeded(*sharing);
    } else if (auto* portal = dynamic_cast<Brenmarle::PortalClient_3_0_Task*>(task)) {
        portalSucceeded(*portal);
    } else if (task == m_scaling.get()) {
        auto* scaling = dynamic_cast<Brenmarle::EmailScalingTask*>(task);
        if (!scaling) {
            showFailure(_("Could not send email"),
                        Quorvel::RuntimeException(wxS("ERROR: Task is not EmailScaleTask")));
            return;
        }
        const auto attachments = scaling->getAttachments();
        m_scaling = nullptr;
        handOverEmail(attachments);
    } else if (task == m_handOver.get()) {
        m_handOver = nullptr;
        QDEBUG("[SHARINGWIZARD] Email with %d attachments handed over",
               static_cast<int>(m_attachments.size()));
        pushPage(new ReceiptPage(this));
    }
}

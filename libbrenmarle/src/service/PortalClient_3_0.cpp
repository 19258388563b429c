#include "service/PortalClient_3_0.h"

#include <wx/intl.h>

#include "SoapPortalH.h"
#include "service/SoapText.h"
#include "service/TokenPicture.h"
#include "system/Exceptions.h"
#include "system/Log.h"

namespace Brenmarle {

namespace {

constexpr auto* text = &Quorvel::SoapText::fromWire;
constexpr auto* bytes = &Quorvel::SoapText::toWire;

} // namespace

bool PortalClient_3_0::UserInformation::operator==(const UserInformation& other) const
{
    return name == other.name && address == other.address && postalCode == other.postalCode &&
           city == other.city && countryCode == other.countryCode &&
           emailAddress == other.emailAddress && mobilePhone == other.mobilePhone;
}

PortalClient_3_0::PortalClient_3_0(Quorvel::NetworkSettings& settings)
    : GSoapClient("portal", SERVICE_PATH, settings)
{
}

PortalClient_3_0::PortalClient_3_0() : GSoapClient("portal", SERVICE_PATH) {}

PortalClient_3_0::~PortalClient_3_0() = default;

void PortalClient_3_0::succeeded() const
{
    QDEBUG("[PORTALCLIENT_3_0] Call was successful");
}

PortalClient_3_0::PortalInformation PortalClient_3_0::getPortalInformation(const wxString& portalId,
                                                                           const wxString& language)
{
    Call call(*this, "getPortalInformation");
    SoapPortal::portal__getPortalInformationResponse reply;
    call.check(SoapPortal::soap_call_portal__getPortalInformation(
        call.context(), call.endpoint(), "", bytes(portalId), bytes(language), reply));
    succeeded();
    return {text(reply.portalid), text(reply.name), text(reply.websiteurl),
            text(reply.description)};
}

wxString PortalClient_3_0::getTermsOfService()
{
    Call call(*this, "getTermsOfService");
    SoapPortal::portal__getTermsOfServiceResponse reply;
    call.check(SoapPortal::soap_call_portal__getTermsOfService(call.context(), call.endpoint(), "",
                                                               reply));
    succeeded();
    return text(reply.serviceterms);
}

PortalClient_3_0::RegistrationToken PortalClient_3_0::getRegistrationToken(const wxString& format)
{
    RegistrationToken token;
    {
        Call call(*this, "getRegistrationToken");
        SoapPortal::portal__getRegistrationTokenResponse reply;
        call.check(SoapPortal::soap_call_portal__getRegistrationToken(
            call.context(), call.endpoint(), "", bytes(format), reply));
        token.id = text(reply.tokenid);
        if (reply.tokenimage && reply.tokenimage->__ptr && reply.tokenimage->__size > 0)
            token.png.assign(reinterpret_cast<const char*>(reply.tokenimage->__ptr),
                             static_cast<size_t>(reply.tokenimage->__size));
    }
    TokenPicture::check(token.png);
    succeeded();
    return token;
}

wxString PortalClient_3_0::createAccount(const wxString& tokenId, const wxString& tokenText,
                                         const wxString& portalId, const wxString& emailAddress,
                                         const wxString& password)
{
    // The password stays out of the log.
    QDEBUG("[PORTALCLIENT_3_0] RegisterAccount (%s, %s, %s)", tokenId, portalId, emailAddress);
    Call call(*this, "createAccount");
    SoapPortal::portal__createAccountResponse reply;
    call.check(SoapPortal::soap_call_portal__createAccount(
        call.context(), call.endpoint(), "", bytes(tokenId), bytes(tokenText), bytes(portalId),
        bytes(emailAddress), bytes(password), reply));
    succeeded();
    return text(reply.accountid);
}

std::string PortalClient_3_0::downloadPriceList(const wxString& maxVersion)
{
    Call call(*this, "downloadPriceList");
    SoapPortal::portal__downloadPriceListResponse reply;
    call.check(SoapPortal::soap_call_portal__downloadPriceList(call.context(), call.endpoint(), "",
                                                               bytes(maxVersion), reply));
    succeeded();
    return reply.pricelistxml;
}

PortalClient_3_0::News PortalClient_3_0::getHtmlNews(std::time_t lastUpdate)
{
    Call call(*this, "getHtmlNews");
    SoapPortal::portal__getHtmlNewsResponse reply;
    call.check(SoapPortal::soap_call_portal__getHtmlNews(call.context(), call.endpoint(), "",
                                                         lastUpdate, reply));
    News news;
    news.html = text(reply.htmlnews);
    for (int i = 0; reply.resources && i < reply.resources->__size; ++i)
        news.resources.push_back(text(reply.resources->__ptr[i]));
    news.updateTime = reply.updatetime;
    news.expiryTime = reply.expirytime;
    succeeded();
    return news;
}

wxString PortalClient_3_0::getTemplateListUrl()
{
    Call call(*this, "getTemplateListUrl");
    SoapPortal::portal__getTemplateListUrlResponse reply;
    call.check(SoapPortal::soap_call_portal__getTemplateListUrl(call.context(), call.endpoint(), "",
                                                                reply));
    succeeded();
    return text(reply.templatelisturl);
}

wxString PortalClient_3_0::getAccountId()
{
    Call call(*this, "getAccountId");
    SoapPortal::portal__getAccountIdResponse reply;
    call.check(
        SoapPortal::soap_call_portal__getAccountId(call.context(), call.endpoint(), "", reply));
    succeeded();
    return text(reply.accountid);
}

PortalClient_3_0::UserInformation PortalClient_3_0::getUserInformation()
{
    Call call(*this, "getUserInformation");
    SoapPortal::portal__getUserInformationResponse reply;
    call.check(SoapPortal::soap_call_portal__getUserInformation(call.context(), call.endpoint(), "",
                                                                reply));
    if (!reply.userinformation)
        throw Quorvel::RuntimeException(_("Empty return data"));
    const SoapPortal::portal__UserInformation& info = *reply.userinformation;
    succeeded();
    return {text(info.name),        text(info.address),      text(info.postalcode), text(info.city),
            text(info.countrycode), text(info.emailaddress), text(info.mobilephone)};
}

void PortalClient_3_0::setUserInformation(const UserInformation& info)
{
    Call call(*this, "setUserInformation");
    SoapPortal::portal__UserInformation sent;
    sent.name = bytes(info.name);
    sent.address = bytes(info.address);
    sent.postalcode = bytes(info.postalCode);
    sent.city = bytes(info.city);
    sent.countrycode = bytes(info.countryCode);
    sent.emailaddress = bytes(info.emailAddress);
    sent.mobilephone = bytes(info.mobilePhone);
    SoapPortal::portal__setUserInformationResponse reply;
    call.check(SoapPortal::soap_call_portal__setUserInformation(call.context(), call.endpoint(), "",
                                                                &sent, reply));
    succeeded();
}

void PortalClient_3_0::setReceiveEmailInformation(bool receive)
{
    Call call(*this, "setReceiveEmailInformation");
    SoapPortal::portal__setReceiveEmailInformationResponse reply;
    call.check(SoapPortal::soap_call_portal__setReceiveEmailInformation(
        call.context(), call.endpoint(), "", receive, reply));
    succeeded();
}

PortalClient_3_0::ActivatedMobile PortalClient_3_0::getActivatedMobile()
{
    Call call(*this, "getActivatedMobile");
    SoapPortal::portal__getActivatedMobileResponse reply;
    call.check(SoapPortal::soap_call_portal__getActivatedMobile(call.context(), call.endpoint(), "",
                                                                reply));
    succeeded();
    return {text(reply.phonenumber), reply.smsprice, text(reply.smscurrency), reply.mmsprice,
            text(reply.mmscurrency)};
}

void PortalClient_3_0::sendMobileActivationCode(const wxString& phoneNumber)
{
    Call call(*this, "sendMobileActivationCode");
    SoapPortal::portal__sendMobileActivationCodeResponse reply;
    call.check(SoapPortal::soap_call_portal__sendMobileActivationCode(
        call.context(), call.endpoint(), "", bytes(phoneNumber), reply));
    succeeded();
}

void PortalClient_3_0::activateMobile(const wxString& activationCode)
{
    Call call(*this, "activateMobile");
    SoapPortal::portal__activateMobileResponse reply;
    call.check(SoapPortal::soap_call_portal__activateMobile(call.context(), call.endpoint(), "",
                                                            bytes(activationCode), reply));
    succeeded();
}

} // namespace Brenmarle

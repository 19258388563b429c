// The portal service: portal information and terms, registration with a picture token,
// accounts and their user information, mobile activation, price lists, news and the template
// list address.

#include <cstring>
#include <ctime>

#include "EmailAddress.h"
#include "ProviderPortalH.h"
#include "ProviderRequest.h"
#include "SecureRandom.h"
#include "TokenImage.h"

using Provider::ProviderConfig;
using Provider::ProviderRequest;
using Provider::ProviderStore;
using Provider::SecureRandom;

namespace {

const size_t TOKEN_LETTERS = 5;
const int ACTIVATION_DIGITS = 6;
// News counts as fresh for this long after it was fetched.
const std::time_t NEWS_LIFETIME = 7 * 24 * 3600;

int missingPortal(struct soap* soap)
{
    return ProviderRequest::serverFault(soap, "NoPortal", "This provider has no portal configured");
}

// The price list named in the configuration file; a fault when it cannot be read.
int priceList(struct soap* soap, const std::string& file, std::string& xml)
{
    ProviderRequest& request = ProviderRequest::of(soap);
    if (file.empty())
        return ProviderRequest::clientFault(soap, "NotFound", "No price list is configured");
    try {
        xml = request.config().readFile(file);
    } catch (const std::exception& e) {
        request.log(e.what());
        return ProviderRequest::serverFault(soap, "PriceList", "The price list could not be read");
    }
    return SOAP_OK;
}

} // namespace

int ProviderPortal::portal__createSession(struct soap* soap, portal__createSessionResponse& result)
{
    int status = SOAP_OK;
    const auto account = ProviderRequest::of(soap).requireAccount(status);
    if (account)
        result.sessionid = ProviderRequest::of(soap).store().createSession(account->id);
    return status;
}

int ProviderPortal::portal__closeSession(struct soap* soap, portal__closeSessionResponse&)
{
    int status = SOAP_OK;
    ProviderRequest& request = ProviderRequest::of(soap);
    if (request.requireAccount(status) && request.usesSession())
        request.store().closeSession(request.sessionId());
    return status;
}

int ProviderPortal::portal__getPortalInformation(struct soap* soap, std::string portalid,
                                                 std::string language,
                                                 portal__getPortalInformationResponse& result)
{
    ProviderRequest::of(soap).arguments({{"portalid", portalid}, {"language", language}});
    ProviderRequest& request = ProviderRequest::of(soap);
    request.log("getPortalInformation('" + portalid + "', '" + language + "')");
    const ProviderConfig::Portal* portal =
        portalid.empty() ? request.portal() : request.config().findPortal(portalid);
    if (!portal)
        return ProviderRequest::clientFault(soap, "UnknownPortal", "No such portal: " + portalid);
    result.portalid = portal->id;
    result.name = portal->name;
    result.websiteurl = portal->websiteUrl;
    result.description = portal->description;
    return SOAP_OK;
}

int ProviderPortal::portal__getTermsOfService(struct soap* soap,
                                              portal__getTermsOfServiceResponse& result)
{
    result.serviceterms = ProviderRequest::of(soap).config().terms;
    return SOAP_OK;
}

int ProviderPortal::portal__getRegistrationToken(struct soap* soap, std::string format,
                                                 portal__getRegistrationTokenResponse& result)
{
    ProviderRequest::of(soap).arguments({{"format", format}});
    if (!format.empty() && format != "png" && format != "PNG" && format != "image/png")
        return ProviderRequest::clientFault(soap, "UnsupportedFormat",
                                            "Token pictures come as PNG only");
    ProviderRequest& request = ProviderRequest::of(soap);
    const std::string text = SecureRandom::text(TOKEN_LETTERS, Provider::TokenImage::ALPHABET);
    result.tokenid = request.store().createToken(text, request.config().tokenLifetimeSeconds);
    const std::string png = Provider::TokenImage::png(text);
    result.tokenimage = soap_new_xsd__base64Binary(soap);
    result.tokenimage->__size = static_cast<int>(png.size());
    result.tokenimage->__ptr = static_cast<unsigned char*>(soap_malloc(soap, png.size()));
    std::memcpy(result.tokenimage->__ptr, png.data(), png.size());
    return SOAP_OK;
}

int ProviderPortal::portal__createAccount(struct soap* soap, std::string tokenid,
                                          std::string tokentext, std::string portalid,
                                          std::string emailaddress, std::string password,
                                          portal__createAccountResponse& result)
{
    ProviderRequest::of(soap).arguments({{"tokenid", tokenid},
                                         {"tokentext", tokentext},
                                         {"portalid", portalid},
                                         {"emailaddress", emailaddress},
                                         {"password", password}});
    ProviderRequest& request = ProviderRequest::of(soap);
    request.log("createAccount('" + portalid + "', '" + emailaddress + "')");
    // Mistakes in what was typed are told before the token is used up, so mending them does
    // not need a new picture.
    if (!request.config().findPortal(portalid))
        return ProviderRequest::clientFault(soap, "UnknownPortal", "No such portal: " + portalid);
    if (!Provider::EmailAddress::isWellFormed(emailaddress))
        return ProviderRequest::clientFault(soap, "InvalidEmail",
                                            "Not an e-mail address: " + emailaddress);
    if (password.empty())
        return ProviderRequest::clientFault(soap, "InvalidPassword", "The password is empty");
    if (!request.store().takeToken(tokenid, tokentext, request.config().tokenLifetimeSeconds))
        return ProviderRequest::clientFault(soap, "InvalidToken",
                                            "The text does not match the picture");
    // The store's uniqueness decides, also between two requests at the same moment.
    try {
        result.accountid = request.store().createAccount(portalid, emailaddress, password).id;
    } catch (const Provider::AccountExistsError&) {
        return ProviderRequest::clientFault(soap, "AccountExists",
                                            "An account with this e-mail address exists");
    }
    return SOAP_OK;
}

int ProviderPortal::portal__sendPasswordReminder(struct soap* soap, std::string portalid,
                                                 std::string emailaddress,
                                                 portal__sendPasswordReminderResponse&)
{
    ProviderRequest::of(soap).arguments({{"portalid", portalid}, {"emailaddress", emailaddress}});
    ProviderRequest& request = ProviderRequest::of(soap);
    if (!request.store().findAccount(portalid, emailaddress))
        return ProviderRequest::clientFault(soap, "UnknownAccount",
                                            "No account with this e-mail address");
    // The reference provider sends no mail; the operator sees the request in its log.
    request.log("Password reminder asked for " + emailaddress + " on " + portalid);
    return SOAP_OK;
}

int ProviderPortal::portal__downloadPriceList(struct soap* soap, std::string maxversion,
                                              portal__downloadPriceListResponse& result)
{
    ProviderRequest::of(soap).arguments({{"maxversion", maxversion}});
    const ProviderConfig::Portal* portal = ProviderRequest::of(soap).portal();
    if (!portal)
        return missingPortal(soap);
    return priceList(soap, portal->priceListFile, result.pricelistxml);
}

int ProviderPortal::portal__downloadPriceListByUuid(struct soap* soap, std::string uuid,
                                                    std::string maxversion,
                                                    portal__downloadPriceListByUuidResponse& result)
{
    ProviderRequest::of(soap).arguments({{"uuid", uuid}, {"maxversion", maxversion}});
    for (const auto& [name, list] : ProviderRequest::of(soap).config().priceLists)
        if (list.uuid == uuid)
            return priceList(soap, list.file, result.pricelistxml);
    return ProviderRequest::clientFault(soap, "NotFound", "No price list with id " + uuid);
}

int ProviderPortal::portal__downloadPriceListByName(struct soap* soap, std::string name,
                                                    std::string maxversion,
                                                    portal__downloadPriceListByNameResponse& result)
{
    ProviderRequest::of(soap).arguments({{"name", name}, {"maxversion", maxversion}});
    const auto& lists = ProviderRequest::of(soap).config().priceLists;
    const auto found = lists.find(name);
    if (found == lists.end())
        return ProviderRequest::clientFault(soap, "NotFound", "No price list named " + name);
    return priceList(soap, found->second.file, result.pricelistxml);
}

int ProviderPortal::portal__getHtmlNews(struct soap* soap, time_t lastupdate,
                                        portal__getHtmlNewsResponse& result)
{
    ProviderRequest& request = ProviderRequest::of(soap);
    request.arguments({{"lastupdate", std::to_string(lastupdate)}});
    const ProviderConfig& config = request.config();
    result.updatetime = config.newsUpdated;
    result.expirytime = std::time(nullptr) + NEWS_LIFETIME;
    result.resources = soap_new_StringArray(soap);
    result.resources->__size = 0;
    result.resources->__ptr = nullptr;
    // Who has the current news gets none again.
    if (lastupdate >= config.newsUpdated && config.newsUpdated != 0)
        return SOAP_OK;
    result.htmlnews = config.news;
    const auto& resources = config.newsResources;
    result.resources->__size = static_cast<int>(resources.size());
    result.resources->__ptr = soap_new_std__string(soap, result.resources->__size);
    for (size_t i = 0; i < resources.size(); ++i)
        result.resources->__ptr[i] = request.address(resources[i]);
    return SOAP_OK;
}

int ProviderPortal::portal__getTemplateListUrl(struct soap* soap,
                                               portal__getTemplateListUrlResponse& result)
{
    ProviderRequest& request = ProviderRequest::of(soap);
    result.templatelisturl = request.address(request.config().templateListUrl);
    return SOAP_OK;
}

int ProviderPortal::portal__getAccountId(struct soap* soap, portal__getAccountIdResponse& result)
{
    int status = SOAP_OK;
    if (const auto account = ProviderRequest::of(soap).requireAccount(status))
        result.accountid = account->id;
    return status;
}

int ProviderPortal::portal__getUserInformation(struct soap* soap,
                                               portal__getUserInformationResponse& result)
{
    int status = SOAP_OK;
    const auto account = ProviderRequest::of(soap).requireAccount(status);
    if (!account)
        return status;
    result.userinformation = soap_new_portal__UserInformation(soap);
    portal__UserInformation& info = *result.userinformation;
    info.name = account->info.name;
    info.address = account->info.address;
    info.postalcode = account->info.postalCode;
    info.city = account->info.city;
    info.countrycode = account->info.countryCode;
    info.emailaddress = account->info.emailAddress;
    info.mobilephone = account->info.mobilePhone;
    return SOAP_OK;
}

int ProviderPortal::portal__setReceiveEmailInformation(struct soap* soap, bool userinformation,
                                                       portal__setReceiveEmailInformationResponse&)
{
    ProviderRequest::of(soap).arguments({{"userinformation", userinformation ? "true" : "false"}});
    int status = SOAP_OK;
    ProviderRequest& request = ProviderRequest::of(soap);
    auto account = request.requireAccount(status);
    if (!account)
        return status;
    account->receiveEmail = userinformation;
    request.store().saveAccount(*account);
    return SOAP_OK;
}

int ProviderPortal::portal__setUserInformation(struct soap* soap,
                                               portal__UserInformation* userinformation,
                                               portal__setUserInformationResponse&)
{
    int status = SOAP_OK;
    ProviderRequest& request = ProviderRequest::of(soap);
    auto account = request.requireAccount(status);
    if (!account)
        return status;
    if (!userinformation)
        return ProviderRequest::clientFault(soap, "MissingData", "No user information given");
    request.arguments({{"name", userinformation->name},
                       {"address", userinformation->address},
                       {"postalcode", userinformation->postalcode},
                       {"city", userinformation->city},
                       {"countrycode", userinformation->countrycode},
                       {"emailaddress", userinformation->emailaddress},
                       {"mobilephone", userinformation->mobilephone}});
    account->info = {userinformation->name,        userinformation->address,
                     userinformation->postalcode,  userinformation->city,
                     userinformation->countrycode, userinformation->emailaddress,
                     userinformation->mobilephone};
    request.store().saveAccount(*account);
    return SOAP_OK;
}

int ProviderPortal::portal__getActivatedMobile(struct soap* soap,
                                               portal__getActivatedMobileResponse& result)
{
    int status = SOAP_OK;
    ProviderRequest& request = ProviderRequest::of(soap);
    const auto account = request.requireAccount(status);
    if (!account)
        return status;
    result.phonenumber = account->activatedPhone;
    result.smsprice = request.config().smsPrice;
    result.smscurrency = request.config().smsCurrency;
    result.mmsprice = request.config().mmsPrice;
    result.mmscurrency = request.config().mmsCurrency;
    return SOAP_OK;
}

int ProviderPortal::portal__sendMobileActivationCode(struct soap* soap, std::string phonenumber,
                                                     portal__sendMobileActivationCodeResponse&)
{
    ProviderRequest::of(soap).arguments({{"phonenumber", phonenumber}});
    int status = SOAP_OK;
    ProviderRequest& request = ProviderRequest::of(soap);
    const auto account = request.requireAccount(status);
    if (!account)
        return status;
    if (phonenumber.empty())
        return ProviderRequest::clientFault(soap, "InvalidPhoneNumber", "No phone number given");
    const std::string code = SecureRandom::text(ACTIVATION_DIGITS, "0123456789");
    request.store().setActivationCode(account->id, phonenumber, code);
    // No SMS leaves the reference provider; the operator reads the code from its log.
    request.log("Activation code for " + phonenumber + ": " + code);
    return SOAP_OK;
}

int ProviderPortal::portal__activateMobile(struct soap* soap, std::string activationcode,
                                           portal__activateMobileResponse&)
{
    ProviderRequest::of(soap).arguments({{"activationcode", activationcode}});
    int status = SOAP_OK;
    ProviderRequest& request = ProviderRequest::of(soap);
    auto account = request.requireAccount(status);
    if (!account)
        return status;
    const auto activation = request.store().takeActivationCode(account->id, activationcode);
    switch (activation.outcome) {
    case ProviderStore::Activation::Activated:
        break;
    case ProviderStore::Activation::UsedUp:
        return ProviderRequest::clientFault(
            soap, "ActivationCodeUsedUp",
            "The activation code is not right, and it has been tried too often: ask for a new one");
    default:
        return ProviderRequest::clientFault(soap, "InvalidActivationCode",
                                            "The activation code is not right");
    }
    account->activatedPhone = activation.phone;
    request.store().saveAccount(*account);
    return SOAP_OK;
}

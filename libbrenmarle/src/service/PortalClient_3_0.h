#pragma once
// Client of a provider's portal service: the provider's information and terms, registration
// with a picture token, the account's id and user information, mobile activation, the price
// list, the news and the template list's address. Every text is UTF-8 on the wire and a wide
// string here.
//
// The portal is reached at its own host (PortalId::hostOf) with the account's credentials, or
// none while registering.
//
// Threads: one thread at a time (a task's or slave's), except interrupt() (GSoapClient).
// Held by counted references.

#include <ctime>
#include <string>
#include <vector>

#include <wx/string.h>

#include "service/GSoapClient.h"
#include "threads/ReferenceCounted.h"

namespace Brenmarle {

class PortalClient_3_0 : public Quorvel::GSoapClient, public Quorvel::ReferenceCounted {
public:
    static constexpr const char* SERVICE_PATH = "/service/portal/3.0/";
    // The picture format asked of getRegistrationToken.
    static constexpr const char* TOKEN_FORMAT = "png";

    struct PortalInformation {
        wxString portalId;
        wxString name;
        wxString websiteUrl;
        wxString description;
    };
    struct RegistrationToken {
        wxString id;
        // Checked by TokenPicture::check.
        std::string png;
    };
    struct News {
        wxString html;
        // Addresses of the pictures and other files the news refers to.
        std::vector<wxString> resources;
        std::time_t updateTime = 0;
        std::time_t expiryTime = 0;
    };
    struct UserInformation {
        wxString name;
        wxString address;
        wxString postalCode;
        wxString city;
        wxString countryCode;
        wxString emailAddress;
        wxString mobilePhone;
        bool operator==(const UserInformation& other) const;
    };
    struct ActivatedMobile {
        wxString phoneNumber;
        double smsPrice = 0;
        wxString smsCurrency;
        double mmsPrice = 0;
        wxString mmsCurrency;
    };

    // The arguments of the operations, as the task and the slave carry them until they run.
    struct Arguments {
        wxString portalId;
        wxString language;
        wxString tokenId;
        wxString tokenText;
        wxString emailAddress;
        wxString password;
        wxString maxVersion;
        wxString phoneNumber;
        wxString activationCode;
        bool receiveEmail = false;
    };

    explicit PortalClient_3_0(Quorvel::NetworkSettings& settings);
    PortalClient_3_0();

    // Each throws SoapException when the call fails, and what is said below.
    PortalInformation getPortalInformation(const wxString& portalId, const wxString& language);
    wxString getTermsOfService();
    // RuntimeException "Missing token image" or "Invalid token PNG image" for a picture that
    // is missing or not a PNG picture within TokenPicture's bounds.
    RegistrationToken getRegistrationToken(const wxString& format = TOKEN_FORMAT);
    // Returns the new account's id.
    wxString createAccount(const wxString& tokenId, const wxString& tokenText,
                           const wxString& portalId, const wxString& emailAddress,
                           const wxString& password);
    // The price list's XML text (UTF-8).
    std::string downloadPriceList(const wxString& maxVersion);
    News getHtmlNews(std::time_t lastUpdate);
    wxString getTemplateListUrl();
    wxString getAccountId();
    // RuntimeException "Empty return data" when the reply holds none.
    UserInformation getUserInformation();
    void setUserInformation(const UserInformation& info);
    void setReceiveEmailInformation(bool receive);
    ActivatedMobile getActivatedMobile();
    void sendMobileActivationCode(const wxString& phoneNumber);
    void activateMobile(const wxString& activationCode);

protected:
    ~PortalClient_3_0() override;

private:
    void succeeded() const;
};

} // namespace Brenmarle

// Portal service 3.0: one provider's shop front. Account creation with a picture token, the
// account's user information, mobile activation, price lists, news and the template list.

//gsoap portal service name: Portal
//gsoap portal service style: rpc
//gsoap portal service encoding: encoded
//gsoap portal service namespace: http://vistrelle.net/service/portal/3.0
//gsoap portal schema namespace: http://vistrelle.net/service/portal/3.0

typedef std::string xsd__string;
typedef std::string xsd__language;
typedef std::string xsd__anyURI;
typedef time_t xsd__dateTime;
typedef bool xsd__boolean;
typedef double xsd__double;

struct xsd__base64Binary {
    unsigned char *__ptr;
    int __size;
};

struct portal__UserInformation {
    xsd__string name;
    xsd__string address;
    xsd__string postalcode;
    xsd__string city;
    xsd__string countrycode;
    xsd__string emailaddress;
    xsd__string mobilephone;
};

// Array types carry no prefix: soapcpp2 makes SOAP-encoded arrays (SOAP-ENC:arrayType, "item"
// elements) only of unprefixed __ptr/__size structs.
struct StringArray {
    xsd__string *__ptr;
    int __size;
};

struct portal__createSessionResponse {
    xsd__string sessionid;
};
int portal__createSession(struct portal__createSessionResponse &result);

struct portal__closeSessionResponse {
};
int portal__closeSession(struct portal__closeSessionResponse &result);

struct portal__getPortalInformationResponse {
    xsd__string portalid;
    xsd__string name;
    xsd__anyURI websiteurl;
    xsd__string description;
};
int portal__getPortalInformation(xsd__string portalid, xsd__language language,
                                 struct portal__getPortalInformationResponse &result);

struct portal__getTermsOfServiceResponse {
    xsd__string serviceterms;
};
int portal__getTermsOfService(struct portal__getTermsOfServiceResponse &result);

struct portal__getRegistrationTokenResponse {
    xsd__string tokenid;
    struct xsd__base64Binary *tokenimage;
};
int portal__getRegistrationToken(xsd__string format, struct portal__getRegistrationTokenResponse &result);

struct portal__createAccountResponse {
    xsd__string accountid;
};
int portal__createAccount(xsd__string tokenid, xsd__string tokentext, xsd__string portalid,
                          xsd__string emailaddress, xsd__string password,
                          struct portal__createAccountResponse &result);

struct portal__sendPasswordReminderResponse {
};
int portal__sendPasswordReminder(xsd__string portalid, xsd__string emailaddress,
                                 struct portal__sendPasswordReminderResponse &result);

struct portal__downloadPriceListResponse {
    xsd__string pricelistxml;
};
int portal__downloadPriceList(xsd__string maxversion, struct portal__downloadPriceListResponse &result);

struct portal__downloadPriceListByUuidResponse {
    xsd__string pricelistxml;
};
int portal__downloadPriceListByUuid(xsd__string uuid, xsd__string maxversion,
                                    struct portal__downloadPriceListByUuidResponse &result);

struct portal__downloadPriceListByNameResponse {
    xsd__string pricelistxml;
};
int portal__downloadPriceListByName(xsd__string name, xsd__string maxversion,
                                    struct portal__downloadPriceListByNameResponse &result);

struct portal__getHtmlNewsResponse {
    xsd__string htmlnews;
    struct StringArray *resources;
    xsd__dateTime updatetime;
    xsd__dateTime expirytime;
};
int portal__getHtmlNews(xsd__dateTime lastupdate, struct portal__getHtmlNewsResponse &result);

struct portal__getTemplateListUrlResponse {
    xsd__anyURI templatelisturl;
};
int portal__getTemplateListUrl(struct portal__getTemplateListUrlResponse &result);

struct portal__getAccountIdResponse {
    xsd__string accountid;
};
int portal__getAccountId(struct portal__getAccountIdResponse &result);

struct portal__getUserInformationResponse {
    struct portal__UserInformation *userinformation;
};
int portal__getUserInformation(struct portal__getUserInformationResponse &result);

// The element carries the yes/no choice under the name "userinformation".
struct portal__setReceiveEmailInformationResponse {
};
int portal__setReceiveEmailInformation(xsd__boolean userinformation,
                                       struct portal__setReceiveEmailInformationResponse &result);

struct portal__setUserInformationResponse {
};
int portal__setUserInformation(struct portal__UserInformation *userinformation,
                               struct portal__setUserInformationResponse &result);

struct portal__getActivatedMobileResponse {
    xsd__string phonenumber;
    xsd__double smsprice;
    xsd__string smscurrency;
    xsd__double mmsprice;
    xsd__string mmscurrency;
};
int portal__getActivatedMobile(struct portal__getActivatedMobileResponse &result);

struct portal__sendMobileActivationCodeResponse {
};
int portal__sendMobileActivationCode(xsd__string phonenumber,
                                     struct portal__sendMobileActivationCodeResponse &result);

struct portal__activateMobileResponse {
};
int portal__activateMobile(xsd__string activationcode, struct portal__activateMobileResponse &result);

#include "service/AccountSettings.h"

#include <wx/filefn.h>

#include "ordering/PricelistCache.h"
#include "service/PortalId.h"
#include "system/Configuration.h"
#include "system/Environment.h"
#include "system/Log.h"
#include "templates/TemplateList.h"

namespace Brenmarle {

namespace {

const char* const ACCOUNT_ID = "Account/AccountId";
const char* const EMAIL_ADDRESS = "Account/EmailAddress";
const char* const PASSWORD = "Account/Password";
const char* const PORTAL_ID = "Account/PortalId";
const char* const PORTAL_NAME = "Account/PortalName";
// What is kept of one provider's news (see NewsCheck).
const char* const NEWS_KEYS[] = {"News/UpdateTime", "News/ExpiryTime", "News/LastCheckTime",
                                 "News/PortalId"};
const char* const NEWS_FILE = "news.html";
const char* const PRICE_LIST_FILE = "pricelist.xml";
const int DEFAULT_PORT = 80;

} // namespace

bool AccountSettings::Account::exists() const
{
    return !accountId.empty() && PortalId::isValid(portalId);
}

AccountSettings::Account AccountSettings::read(Quorvel::Configuration& configuration)
{
    Quorvel::Configuration::Lock lock(configuration.getLock());
    Quorvel::ConfigFile& user = configuration.getUserConfig();
    Account account;
    user.readString(ACCOUNT_ID, account.accountId, wxString());
    user.readString(EMAIL_ADDRESS, account.emailAddress, wxString());
    account.password = configuration.readPassword();
    user.readString(PORTAL_ID, account.portalId, wxString());
    user.readString(PORTAL_NAME, account.portalName, wxString());
    return account;
}

void AccountSettings::store(Quorvel::Configuration& configuration, const Account& account)
{
    PortalId::check(account.portalId);
    Quorvel::Configuration::Lock lock(configuration.getLock());
    Quorvel::ConfigFile& user = configuration.getUserConfig();
    wxString previous;
    user.readString(PORTAL_ID, previous, wxString());
    if (previous != account.portalId)
        dropProviderContent(configuration, previous);
    user.writeString(ACCOUNT_ID, account.accountId);
    user.writeString(EMAIL_ADDRESS, account.emailAddress);
    configuration.writePassword(account.password);
    user.writeString(PORTAL_ID, account.portalId);
    user.writeString(PORTAL_NAME, account.portalName);
    configuration.flushUserConfig();
    QDEBUG("[ACCOUNT] Stored account %s on %s", account.accountId, account.portalId);
}

void AccountSettings::logOut(Quorvel::Configuration& configuration)
{
    Quorvel::Configuration::Lock lock(configuration.getLock());
    Quorvel::ConfigFile& user = configuration.getUserConfig();
    wxString portalId;
    user.readString(PORTAL_ID, portalId, wxString());
    dropProviderContent(configuration, portalId);
    for (const char* key : {ACCOUNT_ID, EMAIL_ADDRESS, PASSWORD, PORTAL_ID, PORTAL_NAME})
        user.removeEntry(key);
    configuration.flushUserConfig();
    QDEBUG("[ACCOUNT] Logged out");
}

Quorvel::ServiceAddress AccountSettings::portalAddress(Quorvel::Configuration& configuration,
                                                       const Account& account)
{
    int port = DEFAULT_PORT;
    configuration.getGlobalConfig().readInt("internet/webserviceport", port, DEFAULT_PORT);
    return {PortalId::hostOf(account.portalId), port, account.accountId, account.password};
}

wxString AccountSettings::portalFolder(const wxString& portalId)
{
    PortalId::check(portalId);
    return Quorvel::Environment::getUserDataDir() + "portals/" + portalId + "/";
}

void AccountSettings::dropProviderContent(Quorvel::Configuration& configuration,
                                          const wxString& portalId)
{
    Quorvel::ConfigFile& user = configuration.getUserConfig();
    user.removeEntry(PricelistCache::UPDATE_TIME_KEY);
    user.removeEntry(TemplateList::UPDATE_TIME_KEY);
    user.removeEntry(TemplateList::URL_KEY);
    for (const char* key : NEWS_KEYS)
        user.removeEntry(key);
    // A stored id that names no folder never had files written under it.
    if (!PortalId::isValid(portalId))
        return;
    const wxString folder = portalFolder(portalId);
    for (const char* name : {PRICE_LIST_FILE, NEWS_FILE, TemplateList::FILE_NAME})
        if (wxFileExists(folder + name) && !wxRemoveFile(folder + name))
            QDEBUG("[ACCOUNT] Could not remove %s", folder + name);
}

} // namespace Brenmarle

#include "service/NewsCheck.h"

#include <wx/datetime.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/intl.h>

#include "service/AccountSettings.h"
#include "service/HTTPClient.h"
#include "service/PortalClient_3_0.h"
#include "service/WebAddress.h"
#include "system/Configuration.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "util/OutputFile.h"

namespace Brenmarle {

namespace {

const char* const LAST_CHECK_TIME = "News/LastCheckTime";
const char* const UPDATE_TIME = "News/UpdateTime";
const char* const EXPIRY_TIME = "News/ExpiryTime";
const char* const PORTAL_ID = "News/PortalId";

std::time_t readTime(Quorvel::ConfigFile& config, const char* key)
{
    wxDateTime time;
    return config.readDate(key, time) && time.IsValid() ? time.GetTicks() : 0;
}

void writeTime(Quorvel::ConfigFile& config, const char* key, std::time_t time)
{
    config.writeDate(key, wxDateTime(time));
}

bool isNameCharacter(wxUniChar c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
}

} // namespace

NewsCheck::NewsCheck(Quorvel::Configuration& configuration, Quorvel::NetworkSettings& settings)
    : m_configuration(configuration), m_settings(settings)
{
}

bool NewsCheck::isResourceName(const wxString& name)
{
    if (name.empty() || name.length() > MAX_RESOURCE_NAME || name.StartsWith(".") ||
        name.EndsWith(".") || name.Contains("..") || name.CmpNoCase(NEWS_FILE) == 0)
        return false;
    for (const wxUniChar c : name)
        if (!isNameCharacter(c))
            return false;
    return true;
}

void NewsCheck::interrupt()
{
    m_interrupted = true;
    std::lock_guard<std::mutex> lock(m_clientLock);
    if (m_client)
        m_client->interrupt();
}

NewsCheck::Outcome NewsCheck::run(std::time_t now)
{
    AccountSettings::Account account;
    std::time_t lastUpdate = 0;
    {
        Quorvel::Configuration::Lock lock(m_configuration.getLock());
        account = AccountSettings::read(m_configuration);
        if (!account.exists())
            return Outcome::NoAccount;
        Quorvel::ConfigFile& user = m_configuration.getUserConfig();
        const std::time_t lastCheck = readTime(user, LAST_CHECK_TIME);
        wxString newsPortal;
        user.readString(PORTAL_ID, newsPortal, wxString());
        // A check "in the future" is a clock that was wrong then.
        if (lastCheck != 0 && newsPortal == account.portalId && lastCheck <= now &&
            now - lastCheck < INTERVAL_SECONDS)
            return Outcome::NotDue;
        if (newsPortal == account.portalId)
            lastUpdate = readTime(user, UPDATE_TIME);
    }
    QDEBUG("[UPDATENEWSTHREAD] Yes - check for news");

    const wxString folder = AccountSettings::portalFolder(account.portalId);
    if (!wxFileName::Mkdir(folder, 0700, wxPATH_MKDIR_FULL))
        throw Quorvel::RuntimeException(_("Could not create portal directory for news"));
    auto client = Quorvel::makeRef<PortalClient_3_0>(m_settings);
    client->setAddress(AccountSettings::portalAddress(m_configuration, account));
    {
        std::lock_guard<std::mutex> lock(m_clientLock);
        if (m_interrupted)
            client->interrupt();
        m_client = client;
    }
    const PortalClient_3_0::News news = client->getHtmlNews(lastUpdate);

    const bool changed = !news.html.empty();
    if (changed) {
        fetchResources(news.resources, folder);
        const wxScopedCharBuffer page = news.html.utf8_str();
        Quorvel::OutputFile file(folder + NEWS_FILE);
        file.write(page.data(), page.length());
        file.commit(Quorvel::OutputFile::Replace::Yes, Quorvel::OutputFile::Flush::Yes);
    } else {
        QDEBUG("[UPDATENEWSTHREAD] No updateded news");
    }

    Quorvel::Configuration::Lock lock(m_configuration.getLock());
    // The account may have changed while the call was under way: what came is not its news.
    if (AccountSettings::read(m_configuration).portalId != account.portalId)
        return Outcome::Unchanged;
    Quorvel::ConfigFile& user = m_configuration.getUserConfig();
    if (changed) {
        writeTime(user, UPDATE_TIME, news.updateTime);
        writeTime(user, EXPIRY_TIME, news.expiryTime);
        user.writeString(PORTAL_ID, account.portalId);
    }
    writeTime(user, LAST_CHECK_TIME, now);
    m_configuration.flushUserConfig();
    return changed ? Outcome::Updated : Outcome::Unchanged;
}

void NewsCheck::fetchResources(const std::vector<wxString>& addresses, const wxString& folder)
{
    size_t fetched = 0;
    for (const wxString& address : addresses) {
        try {
            const Quorvel::WebAddress web = Quorvel::WebAddress::parse(address);
            const wxString name = web.getDocument().BeforeFirst('?').AfterLast('/');
            if (!isResourceName(name) || fetched >= MAX_RESOURCES) {
                QDEBUG("[UPDATENEWSTHREAD] Skipping news resource %s",
                       Quorvel::WebAddress::printable(address.Left(200)));
                continue;
            }
            Quorvel::HTTPClient http(m_settings);
            http.setAbortCheck([this] { return m_interrupted.load(); });
            http.fetchToFile(address, folder + name, nullptr, MAX_RESOURCE_BYTES);
            ++fetched;
        } catch (const Quorvel::AbortException&) {
            throw;
        } catch (const Quorvel::Exception& e) {
            QDEBUG("[UPDATENEWSTHREAD] Could not fetch news resource %s: %s",
                   Quorvel::WebAddress::printable(address.Left(200)), e.getMessage());
        }
    }
}

} // namespace Brenmarle

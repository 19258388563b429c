#include "ProviderRequest.h"

#include <sys/stat.h>

#include "ProviderConnection.h"
#include "ProviderServer.h"
#include "stdsoap2.h"

namespace Provider {

namespace {

const char* const SESSION_USER = "SESSIONID";

} // namespace

ProviderRequest::ProviderRequest(ProviderServer& server, ProviderStore& store, HttpRequestHead head,
                                 std::string origin, Journal::Entry& entry)
    : m_server(server), m_store(store), m_head(std::move(head)), m_origin(std::move(origin)),
      m_entry(entry)
{
}

ProviderRequest& ProviderRequest::of(struct soap* soap)
{
    return ProviderConnection::of(soap).request();
}

std::string ProviderRequest::address(const std::string& path) const
{
    return !path.empty() && path[0] == '/' ? m_origin + path : path;
}

const ProviderConfig& ProviderRequest::config() const
{
    return m_server.config();
}

const std::optional<ProviderStore::Account>& ProviderRequest::authenticate()
{
    if (m_authenticated)
        return m_account;
    m_authenticated = true;
    const auto credentials = m_head.basicCredentials();
    if (!credentials)
        return m_account;
    if (credentials->user == SESSION_USER) {
        m_entry.session = Journal::sessionDigest(credentials->password);
        if (const auto accountId =
                m_store.sessionAccount(credentials->password, config().sessionIdleSeconds))
            m_account = m_store.findById(*accountId);
    } else {
        const ProviderConfig::Portal* portal = hostPortal();
        m_account = m_store.checkLogin(credentials->user, credentials->password,
                                       portal ? portal->id : std::string());
    }
    if (m_account)
        m_entry.account = m_account->id;
    return m_account;
}

std::optional<ProviderStore::Account> ProviderRequest::requireAccount(int& result)
{
    const auto& account = authenticate();
    // 401 makes the runtime answer "401 Unauthorized" with a Basic challenge for the realm.
    result = account ? SOAP_OK : 401;
    return account;
}

std::optional<ProviderStore::Account> ProviderRequest::requireSession(struct soap* soap,
                                                                      int& result)
{
    ProviderRequest& request = of(soap);
    auto account = request.requireAccount(result);
    if (account && !request.usesSession()) {
        result = clientFault(soap, "NoSession", "Open a session with createSession first");
        return std::nullopt;
    }
    return account;
}

int ProviderRequest::createSession(struct soap* soap, std::string& sessionId)
{
    int status = SOAP_OK;
    ProviderRequest& request = of(soap);
    if (const auto account = request.requireAccount(status))
        sessionId = request.store().createSession(account->id);
    return status;
}

int ProviderRequest::closeSession(struct soap* soap)
{
    int status = SOAP_OK;
    if (requireSession(soap, status))
        of(soap).store().closeSession(of(soap).sessionId());
    return status;
}

std::optional<int64_t> ProviderRequest::requireUploaded(struct soap* soap, int& result,
                                                        const std::string& path, bool uploaded,
                                                        int64_t declaredSize,
                                                        const std::string& clientRef)
{
    struct stat info;
    if (!uploaded || ::stat(path.c_str(), &info) != 0) {
        result =
            clientFault(soap, "FileNotUploaded", "The file has not been uploaded: " + clientRef);
        return std::nullopt;
    }
    // What the client says it sent must be what arrived.
    if (declaredSize != info.st_size) {
        result = clientFault(soap, "FileSize",
                             "The file uploaded has " + std::to_string(info.st_size) +
                                 " bytes, not " + std::to_string(declaredSize));
        return std::nullopt;
    }
    return static_cast<int64_t>(info.st_size);
}

bool ProviderRequest::usesSession() const
{
    const auto credentials = m_head.basicCredentials();
    return credentials && credentials->user == SESSION_USER;
}

std::string ProviderRequest::sessionId() const
{
    return usesSession() ? m_head.basicCredentials()->password : std::string();
}

const ProviderConfig::Portal* ProviderRequest::portal()
{
    if (const auto& account = authenticate())
        if (const auto* portal = config().findPortal(account->portalId))
            return portal;
    if (const auto* portal = hostPortal())
        return portal;
    return config().portals.empty() ? nullptr : &config().portals.begin()->second;
}

std::string ProviderRequest::paymentServer() const
{
    const std::string& configured = config().paymentHost;
    std::string host = configured.empty() ? HttpRequestHead::hostOf(m_origin) : configured;
    // An IPv6 literal keeps its brackets, or the port could not be told from it.
    if (host.find(':') != std::string::npos && host.front() != '[')
        host = "[" + host + "]";
    const int port = m_server.tlsPort();
    return port == ProviderServer::NO_PORT || port == 443 ? host
                                                          : host + ":" + std::to_string(port);
}

const ProviderConfig::Portal* ProviderRequest::hostPortal() const
{
    const std::string host = HttpRequestHead::hostOf(m_origin);
    const auto marker = host.find(".portal.");
    return marker == std::string::npos ? nullptr : config().findPortal(host.substr(0, marker));
}

bool ProviderRequest::remindPassword(const std::string& portalId, const std::string& email) const
{
    if (!m_store.findAccount(portalId, email))
        return false;
    log("Password reminder asked for " + email + " on " + portalId);
    return true;
}

int ProviderRequest::clientFault(struct soap* soap, const std::string& name,
                                 const std::string& text)
{
    const std::string code = "SOAP-ENV:Client." + name;
    return soap_sender_fault_subcode(soap, soap_strdup(soap, code.c_str()),
                                     soap_strdup(soap, text.c_str()), nullptr);
}

int ProviderRequest::serverFault(struct soap* soap, const std::string& name,
                                 const std::string& text)
{
    const std::string code = "SOAP-ENV:Server." + name;
    return soap_receiver_fault_subcode(soap, soap_strdup(soap, code.c_str()),
                                       soap_strdup(soap, text.c_str()), nullptr);
}

void ProviderRequest::arguments(
    std::initializer_list<std::pair<std::string, std::string>> arguments)
{
    m_entry.arguments.insert(m_entry.arguments.end(), arguments.begin(), arguments.end());
}

void ProviderRequest::inject(const FaultScript::Action& action)
{
    m_injected = action;
    m_entry.injected = action.description;
}

void ProviderRequest::log(const std::string& text) const
{
    m_server.log(text);
}

} // namespace Provider

#pragma once
// One request being served, as the service functions see it: the provider it came to, the
// worker's own connection to the store, the request head, the origin the client used, and the
// account its credentials name (looked up once).
//
// Calls are authenticated by HTTP Basic: the user is an account id or an account's e-mail
// address with its password, or "SESSIONID" with a session id from createSession. A request to
// a portal's host ("<id>.portal.<domain>") logs in to that portal's accounts only, so one
// address may have an account, and another password, on each portal.
//
// Threads: the worker thread serving the request.

#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

#include "FaultScript.h"
#include "HttpRequestHead.h"
#include "Journal.h"
#include "ProviderConfig.h"
#include "ProviderStore.h"

struct soap;

namespace Provider {

class ProviderServer;

class ProviderRequest {
public:
    // `origin` is "scheme://host[:port]" the client used (see HttpRequestHead::origin); the
    // request's journal line is filled into `entry`.
    ProviderRequest(ProviderServer& server, ProviderStore& store, HttpRequestHead head,
                    std::string origin, Journal::Entry& entry);

    // The request being served on the connection of `soap`.
    static ProviderRequest& of(struct soap* soap);

    ProviderServer& server() const { return m_server; }
    const ProviderConfig& config() const;
    ProviderStore& store() const { return m_store; }
    const HttpRequestHead& head() const { return m_head; }
    const std::string& origin() const { return m_origin; }
    // The address of `path` as the client reached the provider (scheme, host and port of the
    // request): a path ("/files/x") is served by the provider itself; anything else is
    // returned as it is.
    std::string address(const std::string& path) const;
    // "host[:port]" of the payment service, a server of its own on the HTTPS port reached by
    // name: the configured host (the one its certificate names) or the request's, with the
    // HTTPS port unless it is the usual one.
    std::string paymentServer() const;

    // The account the request's credentials name; nothing when they are missing or wrong.
    const std::optional<ProviderStore::Account>& authenticate();
    // Like authenticate(), but answers HTTP 401 through the return value when there is none:
    // `result` is set to the value the service function must return.
    std::optional<ProviderStore::Account> requireAccount(int& result);
    // Like requireAccount() for the request on `soap`, and refuses the account's own password
    // with the fault Client.NoSession where the operation needs a session.
    static std::optional<ProviderStore::Account> requireSession(struct soap* soap, int& result);
    // createSession and closeSession of the session services; return what the service
    // function must return.
    static int createSession(struct soap* soap, std::string& sessionId);
    static int closeSession(struct soap* soap);
    // The size of the file uploaded to `path` when the client says it `uploaded` it with
    // `declaredSize` bytes; otherwise nothing, with the fault Client.FileNotUploaded or
    // Client.FileSize in `result`. `clientRef` names the file in the fault.
    static std::optional<int64_t> requireUploaded(struct soap* soap, int& result,
                                                  const std::string& path, bool uploaded,
                                                  int64_t declaredSize,
                                                  const std::string& clientRef);
    // True when the request authenticated with a session id.
    bool usesSession() const;
    // The session id the request authenticated with; empty when none.
    std::string sessionId() const;
    // The portal the request is for: the authenticated account's, else the one the host name
    // names ("<id>.portal.<domain>"), else the first one configured; null when there is none.
    const ProviderConfig::Portal* portal();
    // The configured portal the host name names; null when it names none.
    const ProviderConfig::Portal* hostPortal() const;
    // Sends the account of `email` on the portal a reminder of its password; false when there
    // is no such account (which the caller does not tell its client). The reference provider
    // sends no mail: the operator reads the log.
    bool remindPassword(const std::string& portalId, const std::string& email) const;

    // A fault the client caused ("SOAP-ENV:Client.<name>") or the server's own
    // ("SOAP-ENV:Server.<name>"); returns the value the service function must return.
    static int clientFault(struct soap* soap, const std::string& name, const std::string& text);
    static int serverFault(struct soap* soap, const std::string& name, const std::string& text);

    // Journals the arguments of the operation, name and text (the journal withholds secret
    // ones).
    void arguments(std::initializer_list<std::pair<std::string, std::string>> arguments);
    Journal::Entry& journalEntry() { return m_entry; }

    // What the fault script staged for this request, for the code that carries it out.
    void inject(const FaultScript::Action& action);
    const std::optional<FaultScript::Action>& injected() const { return m_injected; }

    void log(const std::string& text) const;

private:
    ProviderServer& m_server;
    ProviderStore& m_store;
    HttpRequestHead m_head;
    std::string m_origin;
    Journal::Entry& m_entry;
    std::optional<FaultScript::Action> m_injected;
    bool m_authenticated = false;
    std::optional<ProviderStore::Account> m_account;
};

} // namespace Provider

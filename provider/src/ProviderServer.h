#pragma once
// The reference provider: one gSOAP server on one port that dispatches the seven services by
// the element in the SOAP body, and answers plain HTTP GETs for the files it hands out. It
// takes ordinary requests ("POST /service/portal/3.0/") and proxy requests with absolute URIs
// ("POST http://demo.portal.vistrelle.net/service/portal/3.0/") alike, so a client can reach it
// under any host name through Http/PortOverride or as its HTTP proxy.
//
// Calls are authenticated by HTTP Basic: the user is an account id or an account's e-mail
// address with its password, or "SESSIONID" with a session id from createSession.
//
// Threads: start() runs the server on a thread of its own, which serves one connection at a
// time; stop() (or the destructor) ends it. The configuration and the store are used on that
// thread only once it runs.

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ProviderConfig.h"
#include "ProviderStore.h"

struct soap;
struct Namespace;

namespace Provider {

class ProviderServer {
public:
    // The state lives in `dataDir`/provider.db; the folder is created when missing. Accounts the
    // configuration lists are created when they do not exist yet. Throws StoreError.
    ProviderServer(ProviderConfig config, const std::string& dataDir);
    ~ProviderServer();
    ProviderServer(const ProviderServer&) = delete;
    ProviderServer& operator=(const ProviderServer&) = delete;

    // Serves HTTPS with the key and certificate in `pemFile` (the payment service's transport).
    // Call before start().
    void useTls(const std::string& pemFile) { m_tlsFile = pemFile; }

    // Binds `address` (IPv4 or IPv6 text; empty for every address) and `port` (0 picks a free
    // one) and starts serving. Returns the port. Throws std::runtime_error when it cannot bind.
    int start(const std::string& address, int port);
    void stop();
    int port() const { return m_port; }

    // For the service functions, on the server thread.
    static ProviderServer& of(struct soap* soap);
    const ProviderConfig& config() const { return m_config; }
    ProviderStore& store() { return *m_store; }
    const std::string& dataDir() const { return m_dataDir; }

    // The account the request's credentials name; nothing when they are missing or wrong.
    std::optional<ProviderStore::Account> authenticate(struct soap* soap);
    // Like authenticate(), but answers HTTP 401 through the return value when there is none:
    // `result` is set to the value the service function must return.
    std::optional<ProviderStore::Account> requireAccount(struct soap* soap, int& result);
    // The portal the request is for: the authenticated account's, else the one the host name
    // names ("<id>.portal.<domain>"), else the first one configured; null when there is none.
    const ProviderConfig::Portal* requestPortal(struct soap* soap);
    // "http://<host of the request>" (the Host header), for addresses the provider hands out.
    std::string requestOrigin(struct soap* soap) const;

    // A fault the client caused ("SOAP-ENV:Client.<name>") or the server's own
    // ("SOAP-ENV:Server.<name>"); returns the value the service function must return.
    static int clientFault(struct soap* soap, const std::string& name, const std::string& text);
    static int serverFault(struct soap* soap, const std::string& name, const std::string& text);

    // "[PROVIDER] ..." lines on standard error, unless quiet.
    void log(const std::string& text) const;
    void setQuiet(bool quiet) { m_quiet = quiet; }

private:
    void run();
    void serveConnection();
    int dispatch();
    void sendMalformedRequestFault();
    static int getFile(struct soap* soap);
    // The runtime shuts and closes the connection through these; the one being served is left
    // open until run() is done with it.
    static int closeSocket(struct soap* soap, int socket);
    static int shutdownSocket(struct soap* soap, int socket, int how);

    ProviderConfig m_config;
    std::string m_dataDir;
    std::unique_ptr<ProviderStore> m_store;
    std::vector<std::string> m_uris;
    std::vector<Namespace> m_namespaces;
    struct ContextDeleter {
        void operator()(struct soap* soap) const;
    };
    std::unique_ptr<struct soap, ContextDeleter> m_context;
    // m_context.get(), for brevity.
    struct soap* m_soap = nullptr;
    int (*m_defaultGet)(struct soap*) = nullptr;
    int (*m_defaultCloseSocket)(struct soap*, int) = nullptr;
    int (*m_defaultShutdownSocket)(struct soap*, int, int) = nullptr;
    // The connection being served (a socket descriptor); -1 between connections.
    int m_connection = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
    bool m_quiet = false;
    std::string m_tlsFile;
};

} // namespace Provider

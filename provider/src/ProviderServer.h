#pragma once
// The reference provider: a gSOAP server that dispatches the seven services by the element in
// the SOAP body, receives uploads and answers GETs for the files it hands out (see
// FileTransfers), on an HTTP port, an HTTPS port or both at once over one data folder. It
// takes ordinary requests ("POST /service/portal/3.0/") and proxy requests with absolute URIs
// ("POST http://demo.portal.vistrelle.net/service/portal/3.0/") alike, so a client can reach it
// under any host name through Http/PortOverride or as its HTTP proxy. A fault script
// (FaultScript) stages failures on purpose.
//
// Many connections are served at once: an acceptor thread hands each accepted connection (a
// gSOAP context copied from the listening one) to a bounded pool of worker threads, each with
// its own connection to the store. A client that stalls holds one worker until the idle
// time-out and delays nobody else. A client that keeps its connection holds its worker between
// requests for the shorter keep-alive time.
//
// Threads: start() and stop() from one controlling thread; the accessors the service
// functions use (config, log) from any worker. The configuration is not changed once started.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "FaultScript.h"
#include "Journal.h"
#include "ProviderConfig.h"
#include "ProviderConnection.h"
#include "ProviderStore.h"

struct soap;
struct Namespace;

namespace Provider {

class ConnectionQueue;

class ProviderServer {
public:
    struct Options {
        // Worker threads, so at most this many requests are served at once.
        int workers = 32;
        // A connection that sends nothing for this long is closed.
        int idleTimeoutSeconds = 30;
        // A kept connection on which no next request begins for this long is closed; 0 keeps
        // no connection beyond its first request.
        int keepAliveSeconds = 5;
        // Requests one connection may carry; the last one's answer closes it.
        int keepAliveRequests = 1000;
        // The largest file an upload may carry.
        uint64_t uploadLimitBytes = 256 * 1024 * 1024;
        // Fault rules after those of the configuration (a script file's).
        std::vector<FaultScript::Rule> faultRules;
    };
    static constexpr int MAX_WORKERS = 1024;
    static constexpr int NO_PORT = -1;

    // The state lives in `dataDir`/provider.db, the journal in `dataDir`/journal.jsonl; the
    // folder is created when missing. Accounts the configuration lists are created when they do
    // not exist yet. Throws StoreError, std::runtime_error when the journal cannot be opened.
    ProviderServer(ProviderConfig config, const std::string& dataDir);
    ProviderServer(ProviderConfig config, const std::string& dataDir, Options options);
    ~ProviderServer();
    ProviderServer(const ProviderServer&) = delete;
    ProviderServer& operator=(const ProviderServer&) = delete;

    // The key and certificate in `pemFile` for HTTPS (the payment service's transport). Call
    // before start().
    void useTls(const std::string& pemFile) { m_tlsFile = pemFile; }

    // Binds `address` (IPv4 or IPv6 text; empty for every address) and starts serving: plain
    // HTTP on `port` and HTTPS on `tlsPort` at once, on the one store; without a `tlsPort`,
    // `port` serves HTTPS when useTls() was called. 0 picks a free port. Returns the port.
    // Throws std::runtime_error when it cannot bind or set up TLS, StoreError when the workers
    // cannot open the store.
    int start(const std::string& address, int port, int tlsPort = NO_PORT);
    // Stops accepting, ends the connections being served and waits for the workers.
    void stop();
    int port() const { return m_port; }
    // The HTTPS port; NO_PORT when there is none.
    int tlsPort() const { return m_tlsPort; }

    const ProviderConfig& config() const { return m_config; }
    const Options& options() const { return m_options; }
    const std::string& dataDir() const { return m_dataDir; }
    Journal& journal() { return *m_journal; }
    FaultScript& faults() { return *m_faults; }
    // True once stop() has begun: a staged delay ends early.
    bool isStopping() const { return m_stopping; }
    // The namespace table of the services, for every context.
    const Namespace* namespaces() const { return m_namespaces.data(); }

    // Runs the service operation the context's request names; SOAP_NO_METHOD when there is
    // none. Worker threads.
    int dispatch(struct soap* soap) const;

    // A connection being served, so stop() can end it. Worker threads.
    void addConnection(int socket);
    void removeConnection(int socket);

    // "[PROVIDER] ..." lines on standard error, unless quiet. Any thread.
    void log(const std::string& text) const;
    void setQuiet(bool quiet) { m_quiet = quiet; }

private:
    // One listening socket with its own acceptor thread.
    struct Listener {
        ProviderConnection::Context context;
        bool tls = false;
        int port = 0;
        std::thread acceptor;
    };
    std::unique_ptr<Listener> listen(const std::string& address, int port, bool tls);
    void accept(Listener& listener);
    void work(ProviderStore& store);
    // The sweeper thread: voids, now and then, the payments whose orders were not confirmed
    // within the configured hold, journalling each as payment/expireTransaction.
    void sweep();
    void voidStalePayments(ProviderStore& store);
    static constexpr long SWEEP_INTERVAL_MS = 1000;

    ProviderConfig m_config;
    std::string m_dataDir;
    Options m_options;
    std::unique_ptr<ProviderStore> m_store;
    std::unique_ptr<Journal> m_journal;
    std::vector<std::string> m_uris;
    std::vector<Namespace> m_namespaces;
    std::unique_ptr<FaultScript> m_faults;
    // The listening contexts; each connection gets a copy of its listener's.
    std::vector<std::unique_ptr<Listener>> m_listeners;
    int m_port = 0;
    int m_tlsPort = NO_PORT;
    std::atomic<bool> m_stopping{false};
    std::unique_ptr<ConnectionQueue> m_queue;
    std::vector<std::unique_ptr<ProviderStore>> m_workerStores;
    std::vector<std::thread> m_workers;
    std::thread m_sweeper;
    // Wakes the sweeper when stopping.
    std::mutex m_sweepMutex;
    std::condition_variable m_sweepWake;
    // Guards m_connections, the sockets of the connections being served.
    std::mutex m_connectionsMutex;
    std::set<int> m_connections;
    // Serialises log lines of different workers.
    mutable std::mutex m_logMutex;
    bool m_quiet = false;
    std::string m_tlsFile;
};

} // namespace Provider

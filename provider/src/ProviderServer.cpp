#include "ProviderServer.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <iostream>
#include <new>
#include <stdexcept>

#include <netinet/in.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ConnectionQueue.h"
#include "ProviderLocatorH.h"
#include "ProviderOrderingH.h"
#include "ProviderPaymentH.h"
#include "ProviderPortalH.h"
#include "ProviderRequest.h"
#include "ProviderSharingH.h"
#include "ProviderStorageH.h"
#include "ProviderVManagerH.h"

namespace Provider {

namespace {

struct ServiceName {
    const char* prefix;
    const char* path;
};

// Every service the provider answers.
const ServiceName SERVICES[] = {
    {"locator", "/service/locator/1.0"},   {"portal", "/service/portal/3.0"},
    {"storage", "/service/storage/3.0"},   {"ordering", "/service/ordering/3.0"},
    {"sharing", "/service/sharing/3.0"},   {"payment", "/service/payment/1.0"},
    {"vmanager", "/service/vmanager/1.0"},
};

const char* const REALM = "Vistrelle provider";
// Connections the kernel holds for us while every worker is busy.
const int LISTEN_BACKLOG = 1024;

void makeFolder(const std::string& path)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        throw StoreError("Could not create data folder " + path + ": " + std::strerror(errno));
}

} // namespace

ProviderServer::ProviderServer(ProviderConfig config, const std::string& dataDir)
    : ProviderServer(std::move(config), dataDir, Options())
{
}

ProviderServer::ProviderServer(ProviderConfig config, const std::string& dataDir, Options options)
    : m_config(std::move(config)), m_dataDir(dataDir), m_options(options)
{
    if (m_options.workers < 1 || m_options.workers > MAX_WORKERS)
        throw std::invalid_argument("workers must be from 1 to " + std::to_string(MAX_WORKERS));
    if (m_options.idleTimeoutSeconds < 1)
        throw std::invalid_argument("the idle time-out must be at least one second");
    if (m_options.keepAliveSeconds < 0 || m_options.keepAliveRequests < 1)
        throw std::invalid_argument("the keep-alive time must not be negative, nor the requests "
                                    "a connection carries fewer than one");
    makeFolder(m_dataDir);
    m_store = std::make_unique<ProviderStore>(m_dataDir + "/provider.db");
    m_journal = std::make_unique<Journal>(m_dataDir + "/journal.jsonl");
    std::vector<FaultScript::Rule> rules = m_config.faultRules;
    rules.insert(rules.end(), m_options.faultRules.begin(), m_options.faultRules.end());
    m_faults = std::make_unique<FaultScript>(std::move(rules));
    for (const auto& [id, portal] : m_config.portals)
        for (const auto& account : portal.accounts)
            if (!m_store->findAccount(id, account.email))
                m_store->createAccount(id, account.email, account.password);

    m_uris.reserve(std::size(SERVICES));
    m_namespaces = {
        {"SOAP-ENV", "http://schemas.xmlsoap.org/soap/envelope/",
         "http://www.w3.org/*/soap-envelope", nullptr},
        {"SOAP-ENC", "http://schemas.xmlsoap.org/soap/encoding/",
         "http://www.w3.org/*/soap-encoding", nullptr},
        {"xsi", "http://www.w3.org/2001/XMLSchema-instance",
         "http://www.w3.org/*/XMLSchema-instance", nullptr},
        {"xsd", "http://www.w3.org/2001/XMLSchema", "http://www.w3.org/*/XMLSchema", nullptr},
    };
    for (const auto& service : SERVICES) {
        m_uris.push_back("http://" + m_config.domain + service.path);
        m_namespaces.push_back({service.prefix, m_uris.back().c_str(), nullptr, nullptr});
    }
    m_namespaces.push_back({nullptr, nullptr, nullptr, nullptr});
}

ProviderServer::~ProviderServer()
{
    stop();
}

int ProviderServer::start(const std::string& address, int port, int tlsPort)
{
    if (!m_listeners.empty())
        throw std::logic_error("provider already started");
    if (tlsPort != NO_PORT && m_tlsFile.empty())
        throw std::logic_error("HTTPS needs a key and certificate (useTls)");
    // Opened here, so a store that cannot be opened fails the start, not a worker.
    m_workerStores.clear();
    for (int i = 0; i < m_options.workers; ++i)
        m_workerStores.push_back(std::make_unique<ProviderStore>(m_dataDir + "/provider.db"));

    m_listeners.push_back(listen(address, port, tlsPort == NO_PORT && !m_tlsFile.empty()));
    if (tlsPort != NO_PORT)
        m_listeners.push_back(listen(address, tlsPort, true));
    m_port = m_listeners.front()->port;
    m_tlsPort = m_listeners.back()->tls ? m_listeners.back()->port : NO_PORT;

    m_stopping = false;
    m_queue = std::make_unique<ConnectionQueue>(static_cast<size_t>(m_options.workers));
    for (auto& store : m_workerStores)
        m_workers.emplace_back([this, &store] { work(*store); });
    for (auto& listener : m_listeners)
        listener->acceptor = std::thread([this, &listener] { accept(*listener); });
    m_sweeper = std::thread([this] { sweep(); });
    return m_port;
}

std::unique_ptr<ProviderServer::Listener> ProviderServer::listen(const std::string& address,
                                                                 int port, bool tls)
{
    auto listener = std::make_unique<Listener>();
    listener->tls = tls;
    listener->context.reset(soap_new1(SOAP_C_UTFSTRING));
    struct soap* soap = listener->context.get();
    if (!soap)
        throw std::bad_alloc();
    // TLS 1.2 and newer, as the program's clients ask.
    if (tls &&
        soap_ssl_server_context(soap, SOAP_SSL_NO_AUTHENTICATION | SOAP_TLSv1_2 | SOAP_TLSv1_3,
                                m_tlsFile.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                "vistrelle-provider")) {
        const char* reason = soap_fault_detail(soap);
        throw std::runtime_error("Could not set up TLS with " + m_tlsFile + ": " +
                                 (reason ? reason : "unknown error"));
    }
    soap_set_namespaces(soap, namespaces());
    soap->bind_flags = SO_REUSEADDR;
    soap->send_timeout = m_options.idleTimeoutSeconds;
    soap->recv_timeout = m_options.idleTimeoutSeconds;
    // Wakes now and then to notice stop() even should shutting the socket not wake it.
    soap->accept_timeout = 1;
    soap->authrealm = REALM;
    // A client that goes away while it is answered must not end the provider.
    soap->socket_flags = MSG_NOSIGNAL;

    if (!soap_valid_socket(
            soap_bind(soap, address.empty() ? nullptr : address.c_str(), port, LISTEN_BACKLOG))) {
        const char* reason = soap_fault_string(soap);
        throw std::runtime_error("Could not listen on port " + std::to_string(port) + ": " +
                                 (reason ? reason : "unknown error"));
    }
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    ::getsockname(soap->master, reinterpret_cast<sockaddr*>(&bound), &length);
    listener->port = bound.ss_family == AF_INET6
                         ? ntohs(reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port)
                         : ntohs(reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    return listener;
}

void ProviderServer::stop()
{
    if (m_listeners.empty())
        return;
    {
        std::lock_guard<std::mutex> lock(m_sweepMutex);
        m_stopping = true;
    }
    m_sweepWake.notify_all();
    if (m_sweeper.joinable())
        m_sweeper.join();
    for (auto& listener : m_listeners) {
        ::shutdown(listener->context->master, SHUT_RDWR);
        if (listener->acceptor.joinable())
            listener->acceptor.join();
    }
    if (m_queue)
        m_queue->close();
    {
        // Wakes the workers waiting on their clients.
        std::lock_guard<std::mutex> lock(m_connectionsMutex);
        for (int socket : m_connections)
            ::shutdown(socket, SHUT_RDWR);
    }
    for (auto& worker : m_workers)
        worker.join();
    m_workers.clear();
    m_workerStores.clear();
    m_listeners.clear();
}

void ProviderServer::accept(Listener& listener)
{
    struct soap* soap = listener.context.get();
    while (!m_stopping) {
        if (!soap_valid_socket(soap_accept(soap)))
            continue; // a time-out, a failed accept, or stop()
        ProviderConnection::Context copy(soap_copy(soap));
        if (!copy) {
            log("Out of memory for a connection");
            ::close(soap->socket);
        }
        // The connection owns the socket from now on.
        soap->socket = SOAP_INVALID_SOCKET;
        if (!copy)
            continue;
        copy->master = SOAP_INVALID_SOCKET;
        auto connection =
            std::make_unique<ProviderConnection>(*this, std::move(copy), listener.tls);
        if (!m_queue->push(std::move(connection)))
            break;
    }
}

void ProviderServer::work(ProviderStore& store)
{
    // TLS writes (the close-notify to a client that already left, above all) go through
    // write(), not send(MSG_NOSIGNAL): with SIGPIPE blocked in this thread they fail with EPIPE
    // instead of ending a process that hosts the provider without ignoring the signal.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    while (auto connection = m_queue->pop())
        connection->serve(store);
}

int ProviderServer::dispatch(struct soap* soap) const
{
    int result = ProviderLocator::soap_serve_request(soap);
    if (result == SOAP_NO_METHOD)
        result = ProviderPortal::soap_serve_request(soap);
    if (result == SOAP_NO_METHOD)
        result = ProviderVManager::soap_serve_request(soap);
    if (result == SOAP_NO_METHOD)
        result = ProviderOrdering::soap_serve_request(soap);
    if (result == SOAP_NO_METHOD)
        result = ProviderSharing::soap_serve_request(soap);
    if (result == SOAP_NO_METHOD)
        result = ProviderStorage::soap_serve_request(soap);
    if (result != SOAP_NO_METHOD)
        return result;

    const std::string tag = soap->tag;
    const std::string prefix = tag.substr(0, tag.find(':'));
    if (prefix == "payment") {
        // Card data never travels in the clear.
        if (ProviderRequest::of(soap).origin().rfind("https://", 0) != 0)
            return ProviderRequest::clientFault(soap, "HttpsRequired",
                                                "The payment service is reached over HTTPS only");
        return ProviderPayment::soap_serve_request(soap);
    }
    log("Unknown operation: " + tag);
    return SOAP_NO_METHOD;
}

void ProviderServer::sweep()
{
    // Its own connection: the workers' are theirs alone.
    ProviderStore store(m_dataDir + "/provider.db");
    const auto interval = std::chrono::milliseconds(
        std::min<long>(SWEEP_INTERVAL_MS, m_config.paymentHoldSeconds * 1000 / 2));
    std::unique_lock<std::mutex> lock(m_sweepMutex);
    while (!m_stopping) {
        m_sweepWake.wait_for(lock, interval, [this] { return m_stopping.load(); });
        if (m_stopping)
            break;
        try {
            voidStalePayments(store);
        } catch (const std::exception& e) {
            log(std::string("Payment sweep failed: ") + e.what());
        }
    }
}

void ProviderServer::voidStalePayments(ProviderStore& store)
{
    const std::time_t before = std::time(nullptr) - m_config.paymentHoldSeconds;
    for (const std::string& id : store.voidStalePayments(before)) {
        Journal::Entry entry;
        entry.remote = "provider";
        entry.service = "payment";
        entry.operation = "expireTransaction";
        entry.arguments = {{"transactionid", id}};
        entry.status = 200;
        m_journal->write(entry);
        log("Voided payment " + id + ": its order was not confirmed in time");
    }
}

void ProviderServer::addConnection(int socket)
{
    std::lock_guard<std::mutex> lock(m_connectionsMutex);
    m_connections.insert(socket);
    // A connection that arrives while stopping is ended at once.
    if (m_stopping)
        ::shutdown(socket, SHUT_RDWR);
}

void ProviderServer::removeConnection(int socket)
{
    std::lock_guard<std::mutex> lock(m_connectionsMutex);
    m_connections.erase(socket);
}

void ProviderServer::log(const std::string& text) const
{
    if (m_quiet)
        return;
    std::lock_guard<std::mutex> lock(m_logMutex);
    std::cerr << "[PROVIDER] " << text << std::endl;
}

} // namespace Provider

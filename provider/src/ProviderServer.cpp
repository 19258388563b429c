#include "ProviderServer.h"

#include <cstring>
#include <fstream>
#include <iostream>
#include <new>
#include <sstream>
#include <stdexcept>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ProviderLocatorH.h"
#include "ProviderPortalH.h"

namespace Provider {

namespace {

struct ServiceName {
    const char* prefix;
    const char* path;
    bool implemented;
};

// Every service the provider answers; those not implemented yet answer a fault.
const ServiceName SERVICES[] = {
    {"locator", "/service/locator/1.0", true},    {"portal", "/service/portal/3.0", true},
    {"storage", "/service/storage/3.0", false},   {"ordering", "/service/ordering/3.0", false},
    {"sharing", "/service/sharing/3.0", false},   {"payment", "/service/payment/1.0", false},
    {"vmanager", "/service/vmanager/1.0", false},
};

const char* const SESSION_USER = "SESSIONID";
const char* const REALM = "Vistrelle provider";

void makeFolder(const std::string& path)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        throw StoreError("Could not create data folder " + path + ": " + std::strerror(errno));
}

// The host part of "http://host:port/..." or "host:port".
std::string hostOf(std::string text)
{
    const auto scheme = text.find("://");
    if (scheme != std::string::npos)
        text = text.substr(scheme + 3);
    text = text.substr(0, text.find('/'));
    if (!text.empty() && text[0] == '[')
        return text.substr(1, text.find(']') - 1);
    return text.substr(0, text.find(':'));
}

} // namespace

ProviderServer::ProviderServer(ProviderConfig config, const std::string& dataDir)
    : m_config(std::move(config)), m_dataDir(dataDir)
{
    makeFolder(m_dataDir);
    m_store = std::make_unique<ProviderStore>(m_dataDir + "/provider.db");
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

void ProviderServer::ContextDeleter::operator()(struct soap* soap) const
{
    soap_destroy(soap);
    soap_end(soap);
    soap_free(soap);
}

int ProviderServer::start(const std::string& address, int port)
{
    if (m_thread.joinable())
        throw std::logic_error("provider already started");
    m_context.reset(soap_new1(SOAP_C_UTFSTRING));
    m_soap = m_context.get();
    if (!m_soap)
        throw std::bad_alloc();
    m_soap->user = this;
    if (!m_tlsFile.empty() &&
        soap_ssl_server_context(m_soap, SOAP_SSL_NO_AUTHENTICATION | SOAP_TLSv1, m_tlsFile.c_str(),
                                nullptr, nullptr, nullptr, nullptr, nullptr,
                                "vistrelle-provider")) {
        const char* reason = soap_fault_detail(m_soap);
        throw std::runtime_error("Could not set up TLS with " + m_tlsFile + ": " +
                                 (reason ? reason : "unknown error"));
    }
    soap_set_namespaces(m_soap, m_namespaces.data());
    m_soap->bind_flags = SO_REUSEADDR;
    m_soap->send_timeout = 30;
    m_soap->recv_timeout = 30;
    // Wakes now and then to notice stop() even should shutting the socket not wake it.
    m_soap->accept_timeout = 1;
    m_soap->authrealm = REALM;
    m_defaultGet = m_soap->fget;
    m_soap->fget = &ProviderServer::getFile;
    m_defaultCloseSocket = m_soap->fclosesocket;
    m_soap->fclosesocket = &ProviderServer::closeSocket;
    m_defaultShutdownSocket = m_soap->fshutdownsocket;
    m_soap->fshutdownsocket = &ProviderServer::shutdownSocket;

    if (!soap_valid_socket(
            soap_bind(m_soap, address.empty() ? nullptr : address.c_str(), port, 16))) {
        const char* reason = soap_fault_string(m_soap);
        throw std::runtime_error("Could not listen on port " + std::to_string(port) + ": " +
                                 (reason ? reason : "unknown error"));
    }
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    ::getsockname(m_soap->master, reinterpret_cast<sockaddr*>(&bound), &length);
    m_port = bound.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port)
                                         : ntohs(reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    m_stopping = false;
    m_thread = std::thread([this] { run(); });
    return m_port;
}

void ProviderServer::stop()
{
    if (!m_thread.joinable())
        return;
    m_stopping = true;
    ::shutdown(m_soap->master, SHUT_RDWR);
    m_thread.join();
    soap_closesock(m_soap);
    if (soap_valid_socket(m_soap->master)) {
        ::close(m_soap->master);
        m_soap->master = SOAP_INVALID_SOCKET;
    }
}

void ProviderServer::run()
{
    while (!m_stopping) {
        if (!soap_valid_socket(soap_accept(m_soap)))
            continue; // a time-out, a failed accept, or stop()
        m_connection = m_soap->socket;
        if (!m_tlsFile.empty() && !m_stopping && soap_ssl_accept(m_soap) != SOAP_OK) {
            const char* reason = soap_fault_detail(m_soap);
            log(std::string("TLS handshake failed: ") + (reason ? reason : "unknown error"));
        } else if (!m_stopping) {
            try {
                serveConnection();
            } catch (const std::exception& e) {
                log(std::string("Request failed: ") + e.what());
            }
        }
        soap_destroy(m_soap);
        soap_end(m_soap);
        soap_closesock(m_soap);
        const SOAP_SOCKET connection = m_connection;
        m_connection = SOAP_INVALID_SOCKET;
        m_defaultCloseSocket(m_soap, connection);
    }
}

void ProviderServer::serveConnection()
{
    const int result = soap_begin_serve(m_soap);
    if (result == SOAP_STOP)
        return; // a GET, answered by getFile
    if (result == SOAP_POST || (result == SOAP_EOF && m_soap->status == SOAP_POST)) {
        // The runtime answers nothing to a POST that is no SOAP message (SOAP_POST), or that
        // ends inside the envelope (taken for a client that went away); such a request gets a
        // fault instead.
        log("Malformed request");
        sendMalformedRequestFault();
        return;
    }
    if (result != SOAP_OK || dispatch() != SOAP_OK)
        soap_send_fault(m_soap);
}

void ProviderServer::sendMalformedRequestFault()
{
    // Written by hand: after a failed parse the runtime has let go of the connection (whose
    // closing closeSocket holds back) and its own fault sender stays silent.
    const std::string body =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<SOAP-ENV:Envelope "
        "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\"><SOAP-ENV:Body>"
        "<SOAP-ENV:Fault><faultcode>SOAP-ENV:Client</faultcode>"
        "<faultstring>Malformed request: not a SOAP envelope</faultstring></SOAP-ENV:Fault>"
        "</SOAP-ENV:Body></SOAP-ENV:Envelope>\n";
    const std::string response = "HTTP/1.1 500 Internal Server Error\r\n"
                                 "Content-Type: text/xml; charset=utf-8\r\n"
                                 "Content-Length: " +
                                 std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" +
                                 body;
    size_t sent = 0;
    while (sent < response.size()) {
        const ssize_t n =
            ::send(m_connection, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += static_cast<size_t>(n);
    }
}

int ProviderServer::dispatch()
{
    int result = ProviderLocator::soap_serve_request(m_soap);
    if (result == SOAP_NO_METHOD)
        result = ProviderPortal::soap_serve_request(m_soap);
    if (result != SOAP_NO_METHOD)
        return result;

    const std::string tag = m_soap->tag;
    const std::string prefix = tag.substr(0, tag.find(':'));
    for (const auto& service : SERVICES) {
        if (!service.implemented && prefix == service.prefix) {
            log("Not implemented: " + tag);
            return serverFault(m_soap, "NotImplemented",
                               "Not implemented: the " + prefix +
                                   " service is not offered by this provider");
        }
    }
    log("Unknown operation: " + tag);
    return SOAP_NO_METHOD;
}

int ProviderServer::closeSocket(struct soap* soap, SOAP_SOCKET socket)
{
    ProviderServer& self = of(soap);
    // The connection being served is closed by run(), once everything is answered.
    if (socket == self.m_connection)
        return SOAP_OK;
    return self.m_defaultCloseSocket(soap, socket);
}

int ProviderServer::shutdownSocket(struct soap* soap, SOAP_SOCKET socket, int how)
{
    ProviderServer& self = of(soap);
    if (socket == self.m_connection)
        return SOAP_OK;
    return self.m_defaultShutdownSocket(soap, socket, how);
}

ProviderServer& ProviderServer::of(struct soap* soap)
{
    return *static_cast<ProviderServer*>(soap->user);
}

std::optional<ProviderStore::Account> ProviderServer::authenticate(struct soap* soap)
{
    if (!soap->userid || !soap->passwd)
        return std::nullopt;
    const std::string user = soap->userid;
    const std::string password = soap->passwd;
    if (user == SESSION_USER) {
        const auto accountId = m_store->sessionAccount(password);
        return accountId ? m_store->findById(*accountId) : std::nullopt;
    }
    auto account = m_store->findByLogin(user);
    if (!account || account->password != password)
        return std::nullopt;
    return account;
}

std::optional<ProviderStore::Account> ProviderServer::requireAccount(struct soap* soap, int& result)
{
    auto account = authenticate(soap);
    // 401 makes the runtime answer "401 Unauthorized" with a Basic challenge for the realm.
    result = account ? SOAP_OK : 401;
    return account;
}

const ProviderConfig::Portal* ProviderServer::requestPortal(struct soap* soap)
{
    if (const auto account = authenticate(soap))
        if (const auto* portal = m_config.findPortal(account->portalId))
            return portal;
    const std::string host = hostOf(soap->endpoint);
    const auto marker = host.find(".portal.");
    if (marker != std::string::npos)
        if (const auto* portal = m_config.findPortal(host.substr(0, marker)))
            return portal;
    return m_config.portals.empty() ? nullptr : &m_config.portals.begin()->second;
}

std::string ProviderServer::requestOrigin(struct soap* soap) const
{
    std::string endpoint = soap->endpoint;
    const auto scheme = endpoint.find("://");
    const auto slash = endpoint.find('/', scheme == std::string::npos ? 0 : scheme + 3);
    return endpoint.substr(0, slash);
}

int ProviderServer::clientFault(struct soap* soap, const std::string& name, const std::string& text)
{
    const std::string code = "SOAP-ENV:Client." + name;
    return soap_sender_fault_subcode(soap, soap_strdup(soap, code.c_str()),
                                     soap_strdup(soap, text.c_str()), nullptr);
}

int ProviderServer::serverFault(struct soap* soap, const std::string& name, const std::string& text)
{
    const std::string code = "SOAP-ENV:Server." + name;
    return soap_receiver_fault_subcode(soap, soap_strdup(soap, code.c_str()),
                                       soap_strdup(soap, text.c_str()), nullptr);
}

void ProviderServer::log(const std::string& text) const
{
    if (!m_quiet)
        std::cerr << "[PROVIDER] " << text << std::endl;
}

int ProviderServer::getFile(struct soap* soap)
{
    ProviderServer& self = of(soap);
    // A proxy request names the whole address; only its path counts.
    std::string path = soap->path;
    const auto scheme = path.find("://");
    if (scheme != std::string::npos) {
        const auto slash = path.find('/', scheme + 3);
        path = slash == std::string::npos ? "/" : path.substr(slash);
    }
    path = path.substr(0, path.find('?'));
    const std::string prefix = "/files/";
    if (path.compare(0, prefix.size(), prefix) != 0 || path.find("..") != std::string::npos ||
        path.size() == prefix.size())
        return 404;
    std::ifstream in(self.m_dataDir + path, std::ios::binary);
    if (!in)
        return 404;
    std::ostringstream content;
    content << in.rdbuf();
    const std::string body = content.str();
    self.log("GET " + path);

    soap->http_content = path.size() > 4 && path.compare(path.size() - 4, 4, ".xml") == 0
                             ? "text/xml; charset=utf-8"
                             : "application/octet-stream";
    soap->length = body.size();
    if (soap_response(soap, SOAP_FILE) || soap_send_raw(soap, body.data(), body.size()) ||
        soap_end_send(soap))
        return soap->error;
    return SOAP_OK;
}

} // namespace Provider

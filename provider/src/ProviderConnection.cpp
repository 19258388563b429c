#include "ProviderConnection.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include "FileTransfers.h"
#include "IssuerPage.h"
#include "ProviderPages.h"
#include "ProviderRequest.h"
#include "ProviderServer.h"
#include "SharePages.h"
#include "service/SoapLimits.h"
#include "stdsoap2.h"

namespace Provider {

namespace {

// After the answer, what the client still sends is read and dropped for at most this long (or
// this much), so closing does not reset a connection whose answer is still unread.
const std::chrono::milliseconds LINGER_TIME{2000};
const size_t LINGER_BYTES = 64 * 1024 * 1024;

const char* reasonOf(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 411:
        return "Length Required";
    case 413:
        return "Payload Too Large";
    case 422:
        return "Unprocessable Entity";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Error";
    }
}

// "address:port" of a socket address ("[address]:port" for IPv6).
std::string addressText(const sockaddr_storage& address)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET6) {
        const auto& in6 = reinterpret_cast<const sockaddr_in6&>(address);
        ::inet_ntop(AF_INET6, &in6.sin6_addr, text, sizeof text);
        return std::string("[") + text + "]:" + std::to_string(ntohs(in6.sin6_port));
    }
    const auto& in = reinterpret_cast<const sockaddr_in&>(address);
    ::inet_ntop(AF_INET, &in.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(in.sin_port));
}

// "address:port" of the client (`peer`) or of our end of a connection.
std::string endOf(int socket, bool peer)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    auto* name = reinterpret_cast<sockaddr*>(&address);
    if ((peer ? ::getpeername(socket, name, &length) : ::getsockname(socket, name, &length)) != 0)
        return peer ? "unknown" : "localhost";
    return addressText(address);
}

} // namespace

void ProviderConnection::ContextDeleter::operator()(struct soap* soap) const
{
    soap_destroy(soap);
    soap_end(soap);
    soap_free(soap);
}

ProviderConnection::ProviderConnection(ProviderServer& server, Context context, bool tls)
    : m_server(server), m_context(std::move(context)), m_soap(m_context.get()), m_tls(tls),
      m_socket(m_soap->socket), m_remote(endOf(m_socket, true))
{
    m_soap->user = this;
    m_defaultReceive = m_soap->frecv;
    m_defaultSend = m_soap->fsend;
    m_defaultClose = m_soap->fclose;
    m_defaultCloseSocket = m_soap->fclosesocket;
    m_defaultShutdownSocket = m_soap->fshutdownsocket;
    m_soap->frecv = &ProviderConnection::replayReceive;
    m_soap->fclose = &ProviderConnection::holdClose;
    m_soap->fclosesocket = &ProviderConnection::holdCloseSocket;
    m_soap->fshutdownsocket = &ProviderConnection::holdShutdownSocket;
    m_defaultResponse = m_soap->fresponse;
    m_defaultPostHeader = m_soap->fposthdr;
    m_soap->fposthdr = &ProviderConnection::postHeader;
    m_inputMode = m_soap->imode;
    m_outputMode = m_soap->omode;
}

ProviderConnection::~ProviderConnection()
{
    finish();
    m_context.reset();
}

ProviderConnection& ProviderConnection::of(struct soap* soap)
{
    return *static_cast<ProviderConnection*>(soap->user);
}

void ProviderConnection::serve(ProviderStore& store)
{
    m_served = true;
    m_server.addConnection(m_socket);
    if (m_tls && soap_ssl_accept(m_soap) != SOAP_OK) {
        const char* reason = soap_fault_detail(m_soap);
        m_server.log(std::string("TLS handshake failed: ") + (reason ? reason : "unknown"));
    } else {
        while (serveRequest(store) && awaitRequest()) {
        }
    }
    finish();
}

bool ProviderConnection::serveRequest(ProviderStore& store)
{
    startRequest();
    try {
        if (auto head = readHead()) {
            const std::string scheme = m_tls ? "https" : "http";
            std::string origin = head->origin(scheme);
            // An HTTP/1.0 client may name no host: the address it connected to stands in.
            if (origin.empty() && !head->field("Host") && head->target().front() == '/')
                origin = scheme + "://" + endOf(m_socket, false);
            m_entry.method = head->method();
            m_entry.path = head->path();
            m_clientKeeps = head->asksToKeepConnection();
            // A body without a length (chunked, or up to the end of the connection) has no end
            // the next request could follow; a GET without a length has none.
            if (const auto length = head->contentLength())
                m_requestEnd = m_pendingOffset + *length;
            else if (head->method() != "POST" && !head->field("Transfer-Encoding"))
                m_requestEnd = m_pendingOffset;
            if (origin.empty()) {
                sendResponse(400, "text/plain", "Bad host\n");
            } else {
                m_request = std::make_unique<ProviderRequest>(m_server, store, std::move(*head),
                                                              origin, m_entry);
                route();
            }
        }
    } catch (const std::exception& e) {
        m_server.log(std::string("Request failed: ") + e.what());
        m_mustClose = true;
    }
    // A request that got no answer (its client went away, or it failed) is journalled too.
    if (!m_pending.empty())
        journal(0);
    if (!m_keeps || m_mustClose || m_socket < 0)
        return false;
    // What the client sent beyond this request begins the next one.
    m_next = m_pending.substr(std::min(m_pendingOffset, m_pending.size()));
    return true;
}

void ProviderConnection::startRequest()
{
    m_request.reset();
    if (m_requests > 0) {
        // The last request's data goes; its entry is written.
        soap_destroy(m_soap);
        soap_end(m_soap);
    }
    m_entry = Journal::Entry();
    m_entry.remote = m_remote;
    m_journalled = false;
    m_pending.clear();
    m_pendingOffset = 0;
    m_receivedAfter = 0;
    m_requestEnd = std::string::npos;
    m_clientKeeps = false;
    m_keeps = false;
    m_framed = false;
    // The runtime may have changed its modes for the last request, or let go of the socket.
    m_soap->imode = m_inputMode;
    m_soap->omode = m_outputMode;
    m_soap->keep_alive = 0;
    m_soap->socket = m_socket;
    m_soap->fsend = &ProviderConnection::checkedSend;
    m_soap->fresponse = &ProviderConnection::journalResponse;
}

bool ProviderConnection::awaitRequest()
{
    if (!m_next.empty() || (m_soap->ssl && SSL_pending(m_soap->ssl) > 0))
        return true;
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::seconds(m_server.options().keepAliveSeconds);
    while (!m_server.isStopping()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        // Stopping the provider shuts the socket, which ends the wait.
        pollfd wait{m_socket, POLLIN, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(left.count()));
        if (ready > 0)
            return !m_server.isStopping();
        if (ready < 0 && errno != EINTR)
            return false;
    }
    return false;
}

bool ProviderConnection::mayKeep() const
{
    const ProviderServer::Options& options = m_server.options();
    return m_clientKeeps && !m_mustClose && m_requestEnd != std::string::npos &&
           position() == m_requestEnd && options.keepAliveSeconds > 0 &&
           m_requests < options.keepAliveRequests && !m_server.isStopping();
}

std::optional<HttpRequestHead> ProviderConnection::readHead()
{
    // A client that trickles its head in gets as long for all of it as for one silence.
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::seconds(m_server.options().idleTimeoutSeconds);
    std::string data = std::move(m_next);
    m_next.clear();
    char buffer[4096];
    while (true) {
        const size_t end = HttpRequestHead::endOf(data);
        if (end != std::string::npos && end <= HttpRequestHead::MAX_BYTES) {
            ++m_requests;
            // The runtime reads the head again for itself; a transfer starts after it.
            m_pending = std::move(data);
            m_pendingOffset = end;
            data = m_pending.substr(0, end);
            auto head = HttpRequestHead::parse(std::string_view(data).substr(0, end));
            if (!head) {
                m_mustClose = true;
                sendResponse(400, "text/plain", "Malformed request head\n");
            }
            return head;
        }
        if (data.size() > HttpRequestHead::MAX_BYTES) {
            m_mustClose = true;
            sendResponse(431, "text/plain", "Request head too large\n");
            return std::nullopt;
        }
        if (std::chrono::steady_clock::now() > deadline)
            return std::nullopt;
        const size_t received = m_defaultReceive(m_soap, buffer, sizeof buffer);
        if (received == 0)
            return std::nullopt; // gone, or silent for the idle time-out
        data.append(buffer, received);
    }
}

void ProviderConnection::route()
{
    const HttpRequestHead& head = m_request->head();
    if (const auto action = m_server.faults().fireForPath(head.method(), head.path()))
        if (!stage(*action))
            return;
    const std::string& path = head.path();
    const auto startsWith = [&](const char* prefix) { return path.rfind(prefix, 0) == 0; };
    if (IssuerPage::serves(path))
        IssuerPage::answer(*this);
    else if (head.method() == "POST" && startsWith("/upload/"))
        FileTransfers::upload(*this);
    else if (head.method() == "POST")
        serveSoap();
    else if (head.method() == "GET" && startsWith("/download/"))
        FileTransfers::download(*this);
    else if (head.method() == "GET" && SharePages::serves(path))
        SharePages::answer(*this);
    else if (head.method() == "GET" && ProviderPages::serves(path, request().config()))
        ProviderPages::answer(*this);
    else if (head.method() == "GET")
        FileTransfers::getPublic(*this);
    else
        sendResponse(405, "text/plain", "Method not allowed\n", "Allow: GET, POST\r\n");
}

bool ProviderConnection::stage(const FaultScript::Action& action)
{
    m_request->inject(action);
    m_server.log("Fault script: " + action.description);
    if (action.kind == FaultScript::Action::Close)
        return false;
    if (action.kind == FaultScript::Action::Delay) {
        // In short steps, so stopping the provider need not wait for the whole delay.
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(action.amount);
        while (!m_server.isStopping() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
                until - std::chrono::steady_clock::now(), std::chrono::milliseconds(50)));
    }
    return true;
}

void ProviderConnection::serveSoap()
{
    // SOAP calls are journalled by service and operation instead.
    m_entry.method.clear();
    m_entry.path.clear();
    const auto declared = m_request->head().contentLength();
    if (declared && *declared > Quorvel::SoapLimits::MESSAGE_BYTES) {
        // Refused before a byte of it is read; the lingering close takes the rest.
        sendTooLargeFault();
        return;
    }
    m_pendingOffset = 0;
    m_soap->recv_maxlength = Quorvel::SoapLimits::MESSAGE_BYTES;
    m_soap->maxlength = Quorvel::SoapLimits::STRING_BYTES;
    // The steps of soap_begin_serve, whose failures are answered here rather than by the
    // runtime, which keeps quiet about some of them.
    // The operation's element is looked at (not taken) for the journal.
    if (soap_begin_recv(m_soap) || soap_envelope_begin_in(m_soap) || soap_recv_header(m_soap) ||
        soap_body_begin_in(m_soap) || soap_peek_element(m_soap)) {
        answerUnreadRequest();
        return;
    }
    const std::string tag = m_soap->tag;
    const auto colon = tag.find(':');
    m_entry.service = colon == std::string::npos ? std::string() : tag.substr(0, colon);
    m_entry.operation = colon == std::string::npos ? tag : tag.substr(colon + 1);
    if (const auto action = m_server.faults().fire(m_entry.service, m_entry.operation)) {
        if (!stage(*action))
            return;
        if (action->kind == FaultScript::Action::DropReply) {
            // The call is carried out; its answer goes nowhere and the connection closes.
            m_mustClose = true;
            m_soap->fresponse = &ProviderConnection::dropResponse;
            m_soap->fsend = &ProviderConnection::dropSend;
        }
        if (action->kind == FaultScript::Action::Fault) {
            const std::string code = "SOAP-ENV:" + action->code;
            soap_sender_fault_subcode(m_soap, soap_strdup(m_soap, code.c_str()),
                                      soap_strdup(m_soap, action->text.c_str()), nullptr);
            soap_send_fault(m_soap);
            return;
        }
    }
    int served = SOAP_OK;
    try {
        served = m_server.dispatch(m_soap);
    } catch (const std::exception& e) {
        // Nothing is sent before a service function returns, so a fault can still go out.
        m_server.log(std::string("Operation failed: ") + e.what());
        served = ProviderRequest::serverFault(m_soap, "Error",
                                              "The provider could not complete the request");
    }
    if (served != SOAP_OK && isOverLimit())
        sendTooLargeFault();
    else if (served != SOAP_OK)
        soap_send_fault(m_soap);
}

void ProviderConnection::answerUnreadRequest()
{
    const int error = m_soap->error;
    if (isOverLimit()) {
        sendTooLargeFault();
    } else if (error == SOAP_POST || (error == SOAP_EOF && m_soap->status == SOAP_POST)) {
        // The runtime answers nothing to a POST that is no SOAP message (SOAP_POST), or that
        // ends inside the envelope (taken for a client that went away); such a request gets a
        // fault instead.
        m_server.log("Malformed request");
        sendSoapFault(500, "SOAP-ENV:Client", "Malformed request: not a SOAP envelope");
    } else if (error != SOAP_STOP) {
        soap_send_fault(m_soap);
    }
}

bool ProviderConnection::isOverLimit() const
{
    const int error = m_soap->error;
    // The runtime ends a message at its limit as if the client had gone; the count tells.
    return error == SOAP_LENGTH || error == SOAP_ZLIB_ERROR || error == SOAP_OCCURS ||
           (error == SOAP_EOF && m_soap->count > m_soap->recv_maxlength);
}

void ProviderConnection::sendTooLargeFault()
{
    m_server.log("Request over the limits");
    m_entry.fault = "SOAP-ENV:Client.TooLarge";
    sendSoapFault(500, m_entry.fault,
                  "The request is larger than this provider accepts (" +
                      std::to_string(Quorvel::SoapLimits::MESSAGE_BYTES) + " bytes in all, " +
                      std::to_string(Quorvel::SoapLimits::STRING_BYTES) + " bytes for one text)");
}

void ProviderConnection::sendSoapFault(int status, const std::string& code, const std::string& text)
{
    // Written by hand: after a failed parse the runtime has given up on the connection and its
    // own fault sender stays silent.
    const std::string body =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<SOAP-ENV:Envelope "
        "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\"><SOAP-ENV:Body>"
        "<SOAP-ENV:Fault><faultcode>" +
        code + "</faultcode><faultstring>" + text +
        "</faultstring></SOAP-ENV:Fault></SOAP-ENV:Body></SOAP-ENV:Envelope>\n";
    sendResponse(status, "text/xml; charset=utf-8", body);
}

bool ProviderConnection::send(const char* data, size_t size)
{
    if (m_socket < 0)
        return false;
    m_soap->socket = m_socket;
    if (m_defaultSend(m_soap, data, size) == SOAP_OK)
        return true;
    m_mustClose = true;
    return false;
}

bool ProviderConnection::sendHead(int status, const std::string& contentType,
                                  uint64_t contentLength, const std::string& headers)
{
    journal(status);
    m_keeps = mayKeep();
    return send("HTTP/1.1 " + std::to_string(status) + " " + reasonOf(status) +
                "\r\nContent-Type: " + contentType +
                "\r\nContent-Length: " + std::to_string(contentLength) + "\r\n" + headers +
                (m_keeps ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n"));
}

bool ProviderConnection::sendResponse(int status, const std::string& contentType,
                                      const std::string& body, const std::string& headers)
{
    return sendHead(status, contentType, body.size(), headers) && send(body);
}

void ProviderConnection::journal(int status)
{
    if (m_journalled)
        return;
    m_journalled = true;
    m_entry.status = status;
    m_server.journal().write(m_entry);
}

int ProviderConnection::journalResponse(struct soap* soap, int status, uint64_t count)
{
    ProviderConnection& self = of(soap);
    int httpStatus = 500;
    if (status == SOAP_OK || status == SOAP_HTML || status == SOAP_FILE)
        httpStatus = 200;
    else if (status >= 200 && status < 600)
        httpStatus = status;
    if (httpStatus == 500 && self.m_entry.fault.empty())
        if (const char** code = soap_faultcode(soap); code && *code)
            self.m_entry.fault = *code;
    self.journal(httpStatus);
    return self.m_defaultResponse(soap, status, count);
}

int ProviderConnection::postHeader(struct soap* soap, const char* key, const char* value)
{
    ProviderConnection& self = of(soap);
    if (key && ::strcasecmp(key, "Content-Length") == 0)
        self.m_framed = true;
    if (key && value && ::strcasecmp(key, "Transfer-Encoding") == 0 &&
        ::strcasecmp(value, "chunked") == 0)
        self.m_framed = true;
    // The runtime's own view of keeping the connection is not asked: this object decides.
    if (key && ::strcasecmp(key, "Keep-Alive") == 0)
        return SOAP_OK;
    if (key && ::strcasecmp(key, "Connection") == 0) {
        self.m_keeps = self.m_framed && self.mayKeep();
        value = self.m_keeps ? "keep-alive" : "close";
    }
    return self.m_defaultPostHeader(soap, key, value);
}

int ProviderConnection::checkedSend(struct soap* soap, const char* data, size_t length)
{
    ProviderConnection& self = of(soap);
    const int result = self.m_defaultSend(soap, data, length);
    if (result != SOAP_OK)
        self.m_mustClose = true;
    return result;
}

int ProviderConnection::dropResponse(struct soap* soap, int, uint64_t)
{
    of(soap).journal(0);
    return SOAP_OK;
}

int ProviderConnection::dropSend(struct soap*, const char*, size_t)
{
    return SOAP_OK;
}

size_t ProviderConnection::receive(char* buffer, size_t size)
{
    if (m_socket < 0)
        return 0;
    m_soap->socket = m_socket;
    return replayReceive(m_soap, buffer, size);
}

size_t ProviderConnection::replayReceive(struct soap* soap, char* buffer, size_t size)
{
    ProviderConnection& self = of(soap);
    if (self.m_requestEnd != std::string::npos) {
        // The declared length is the end: what follows belongs to the next request.
        if (self.position() >= self.m_requestEnd)
            return 0;
        size = std::min(size, self.m_requestEnd - self.position());
    }
    if (self.m_pendingOffset < self.m_pending.size()) {
        const size_t count = std::min(size, self.m_pending.size() - self.m_pendingOffset);
        std::memcpy(buffer, self.m_pending.data() + self.m_pendingOffset, count);
        self.m_pendingOffset += count;
        return count;
    }
    const size_t count = self.m_defaultReceive(soap, buffer, size);
    self.m_receivedAfter += count;
    return count;
}

int ProviderConnection::holdClose(struct soap*)
{
    return SOAP_OK;
}

int ProviderConnection::holdCloseSocket(struct soap* soap, int socket)
{
    ProviderConnection& self = of(soap);
    return socket == self.m_socket ? SOAP_OK : self.m_defaultCloseSocket(soap, socket);
}

int ProviderConnection::holdShutdownSocket(struct soap* soap, int socket, int how)
{
    ProviderConnection& self = of(soap);
    return socket == self.m_socket ? SOAP_OK : self.m_defaultShutdownSocket(soap, socket, how);
}

void ProviderConnection::finish()
{
    if (m_socket < 0)
        return;
    if (m_served) {
        m_server.removeConnection(m_socket);
        // The answer is out: say so, then read what the client still sends until it closes.
        if (m_soap->ssl)
            SSL_shutdown(m_soap->ssl);
        ::shutdown(m_socket, SHUT_WR);
        const auto deadline = std::chrono::steady_clock::now() + LINGER_TIME;
        size_t drained = 0;
        char scratch[16384];
        while (drained < LINGER_BYTES) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd wait{m_socket, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) <= 0)
                break;
            const ssize_t count = ::recv(m_socket, scratch, sizeof scratch, MSG_DONTWAIT);
            if (count <= 0)
                break;
            drained += static_cast<size_t>(count);
        }
    }
    if (m_soap->ssl) {
        SSL_free(m_soap->ssl);
        m_soap->ssl = nullptr;
    }
    ::close(m_socket);
    m_socket = -1;
    // The runtime finds nothing left to close, and no hook that needs this object.
    m_soap->socket = SOAP_INVALID_SOCKET;
    m_soap->frecv = m_defaultReceive;
    m_soap->fsend = m_defaultSend;
    m_soap->fclose = m_defaultClose;
    m_soap->fclosesocket = m_defaultCloseSocket;
    m_soap->fshutdownsocket = m_defaultShutdownSocket;
    m_soap->fresponse = m_defaultResponse;
    m_soap->fposthdr = m_defaultPostHeader;
}

} // namespace Provider

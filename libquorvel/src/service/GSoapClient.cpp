#include "service/GSoapClient.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <new>

#include <poll.h>
#include <strings.h>
#include <sys/socket.h>

#include <openssl/ssl.h>

#include <wx/filefn.h>
#include <wx/intl.h>

#include "stdsoap2.h"

#include "service/NetworkSettings.h"
#include "service/SoapLimits.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "system/UserAgent.h"

namespace Quorvel {

namespace {

wxString fromUtf8(const char* text)
{
    return text ? wxString::FromUTF8(text) : wxString();
}

// Copies `text` into a credential buffer; refuses what does not fit rather than cutting it, as
// a cut password would only fail later with a misleading answer from the server.
void copyCredential(const wxString& text, char* buffer, size_t size)
{
    const wxScopedCharBuffer bytes = text.utf8_str();
    if (bytes.length() >= size)
        throw ServiceException(
            wxS("Soap.CredentialsTooLong"),
            wxString::Format(_("The user name or password is longer than %d bytes"),
                             static_cast<int>(size - 1)));
    std::memcpy(buffer, bytes.data(), bytes.length());
    buffer[bytes.length()] = '\0';
}

// The service's namespace URI ends in its path without the final slash.
std::string namespacePath(const wxString& servicePath)
{
    std::string path(servicePath.utf8_str());
    if (!path.empty() && path.back() == '/')
        path.pop_back();
    return path;
}

bool containsNoCase(const wxString& text, const char* word)
{
    return text.Lower().Contains(word);
}

} // namespace

GSoapClient::GSoapClient(const std::string& prefix, const wxString& servicePath,
                         NetworkSettings& settings)
    : WebServiceClient(servicePath, settings), m_namespaces(prefix, namespacePath(servicePath))
{
    setUpContext();
}

GSoapClient::GSoapClient(const std::string& prefix, const wxString& servicePath)
    : GSoapClient(prefix, servicePath, NetworkSettings::get())
{
}

GSoapClient::~GSoapClient() = default;

void GSoapClient::ContextDeleter::operator()(struct soap* soap) const
{
    soap_destroy(soap);
    soap_end(soap);
    soap_free(soap);
}

void GSoapClient::setUpContext()
{
    // Keep-alive: a client making many calls to its service pays for one connection, not one
    // per call (and one TLS handshake).
    m_context.reset(soap_new1(SOAP_C_UTFSTRING | SOAP_IO_KEEPALIVE));
    m_soap = m_context.get();
    if (!m_soap)
        throw std::bad_alloc();
    m_soap->user = this;
    // A call interrupted while it sends (its socket shut down by interrupt(), or a peer that
    // went away) must fail with an error, not raise SIGPIPE, which ends any process that has
    // not chosen to ignore it.
    m_soap->socket_flags = MSG_NOSIGNAL;

    const NetworkSettings::Values values = getSettings().getValues();
    if (values.hasProxy()) {
        m_proxyHost = values.proxyHost.utf8_str();
        m_soap->proxy_host = m_proxyHost.c_str();
        m_soap->proxy_port = values.proxyPort;
        if (!values.proxyUser.empty()) {
            m_proxyUser = values.proxyUser.utf8_str();
            m_proxyPassword = values.proxyPassword.utf8_str();
            m_soap->proxy_userid = m_proxyUser.c_str();
            m_soap->proxy_passwd = m_proxyPassword.c_str();
        }
    }

    // The runtime names itself in User-Agent and sends no Accept-Language; both are put right
    // as the headers go out.
    m_userAgent = UserAgent::get() + AGENT_SUFFIX;
    m_language = getSettings().getLanguage().utf8_str();
    m_defaultPostHeader = m_soap->fposthdr;
    m_soap->fposthdr = &GSoapClient::postHeader;
    m_defaultPrepareReceive = m_soap->fpreparerecv;
    m_soap->fpreparerecv = &GSoapClient::prepareReceive;
    m_defaultReceive = m_soap->frecv;
    m_soap->frecv = &GSoapClient::receive;
    m_defaultSend = m_soap->fsend;
    m_soap->fsend = &GSoapClient::send;
    m_defaultOpen = m_soap->fopen;
    m_soap->fopen = &GSoapClient::openSocket;
    m_defaultCloseSocket = m_soap->fclosesocket;
    m_soap->fclosesocket = &GSoapClient::closeSocket;

    soap_set_namespaces(m_soap, m_namespaces.table());
    m_soap->send_timeout = SEND_TIMEOUT_SECONDS;
    m_soap->recv_timeout = RECEIVE_TIMEOUT_SECONDS;
    applyLimits({});
}

int GSoapClient::postHeader(struct soap* soap, const char* key, const char* value)
{
    auto* self = static_cast<GSoapClient*>(soap->user);
    // The runtime offers to take compressed replies on every request; only a call that wants
    // one says so.
    if (key && strcasecmp(key, "Accept-Encoding") == 0 && !self->m_acceptCompressed)
        return SOAP_OK;
    if (key && std::strcmp(key, "User-Agent") == 0) {
        self->m_agentSent = true;
        return self->m_defaultPostHeader(soap, key, self->m_userAgent.c_str());
    }
    if (!key) {
        // The end of the header block.
        if (!self->m_agentSent) {
            if (int error =
                    self->m_defaultPostHeader(soap, "User-Agent", self->m_userAgent.c_str()))
                return error;
        }
        self->m_agentSent = false;
        if (int error =
                self->m_defaultPostHeader(soap, "Accept-Language", self->m_language.c_str()))
            return error;
    }
    return self->m_defaultPostHeader(soap, key, value);
}

int GSoapClient::prepareReceive(struct soap* soap, const char* data, size_t length)
{
    auto* self = static_cast<GSoapClient*>(soap->user);
    // The runtime inflates a reply that says it is compressed, or merely looks so, whether
    // asked or not; one that was not asked for stops at its first buffer.
    if (soap->zlib_in != SOAP_ZLIB_NONE && !self->m_acceptCompressed)
        return soap_set_receiver_error(soap, "The reply came compressed without being asked to",
                                       nullptr, SOAP_ZLIB_ERROR);
    return self->m_defaultPrepareReceive ? self->m_defaultPrepareReceive(soap, data, length)
                                         : SOAP_OK;
}

namespace {

// Whether `elapsed` reached a runtime time-out: seconds when positive, microseconds when
// negative, none when 0.
bool reached(int timeout, std::chrono::steady_clock::duration elapsed)
{
    if (timeout == 0)
        return false;
    const auto limit = timeout > 0 ? std::chrono::microseconds(std::chrono::seconds(timeout))
                                   : std::chrono::microseconds(-timeout);
    return elapsed >= limit;
}

} // namespace

bool GSoapClient::waitForSocket(short events, int timeout)
{
    constexpr auto POLL_INTERVAL = std::chrono::milliseconds(50);
    const auto started = std::chrono::steady_clock::now();
    for (;;) {
        if (m_abortCheck && m_abortCheck()) {
            m_aborted = true;
            return false;
        }
        const auto elapsed = std::chrono::steady_clock::now() - started;
        if (reached(timeout, elapsed)) {
            m_timedOut = true;
            return false;
        }
        pollfd socket{m_soap->socket, events, 0};
        const int ready = poll(&socket, 1, static_cast<int>(POLL_INTERVAL.count()));
        // Ready, or a failure the runtime's own read or write will report.
        if (ready != 0)
            return true;
    }
}

size_t GSoapClient::receive(struct soap* soap, char* buffer, size_t length)
{
    auto* self = static_cast<GSoapClient*>(soap->user);
    // Bytes TLS has decrypted already are not seen by poll.
    const bool buffered = soap->ssl && SSL_pending(soap->ssl) > 0;
    // The runtime reports a stalled answer as the end of input, as it does a closed
    // connection; the flags of the wait tell them apart.
    if (!buffered && soap_valid_socket(soap->socket) &&
        !self->waitForSocket(POLLIN, soap->recv_timeout))
        return 0;
    const auto started = std::chrono::steady_clock::now();
    const size_t received = self->m_defaultReceive(soap, buffer, length);
    if (received == 0 && soap->errnum == 0 &&
        reached(soap->recv_timeout, std::chrono::steady_clock::now() - started))
        self->m_timedOut = true;
    return received;
}

int GSoapClient::send(struct soap* soap, const char* data, size_t length)
{
    auto* self = static_cast<GSoapClient*>(soap->user);
    if (soap_valid_socket(soap->socket) && !self->waitForSocket(POLLOUT, soap->send_timeout))
        return SOAP_EOF;
    const auto started = std::chrono::steady_clock::now();
    const int result = self->m_defaultSend(soap, data, length);
    if (result != SOAP_OK && soap->errnum == 0 &&
        reached(soap->send_timeout, std::chrono::steady_clock::now() - started))
        self->m_timedOut = true;
    return result;
}

namespace {

// "scheme://host:port" of an endpoint URL: what a kept connection may serve.
std::string connectionKey(const std::string& endpoint)
{
    const size_t hostStart = endpoint.find("://");
    if (hostStart == std::string::npos)
        return endpoint;
    return endpoint.substr(0, endpoint.find('/', hostStart + 3));
}

} // namespace

int GSoapClient::openSocket(struct soap* soap, const char* endpoint, const char* host, int port)
{
    auto* self = static_cast<GSoapClient*>(soap->user);
    const int socket = self->m_defaultOpen(soap, endpoint, host, port);
    self->m_connectedTo = socket >= 0 && endpoint ? connectionKey(endpoint) : std::string();
    std::lock_guard<std::mutex> lock(self->m_socketLock);
    self->m_socket = socket;
    // An interrupt that came while connecting found no socket to end.
    if (socket >= 0 && self->m_interrupted)
        ::shutdown(socket, SHUT_RDWR);
    return socket;
}

int GSoapClient::closeSocket(struct soap* soap, int socket)
{
    auto* self = static_cast<GSoapClient*>(soap->user);
    // Under the lock, so interrupt() never shuts down a number the system has handed out again.
    std::lock_guard<std::mutex> lock(self->m_socketLock);
    if (socket == self->m_socket)
        self->m_socket = -1;
    return self->m_defaultCloseSocket(soap, socket);
}

void GSoapClient::interrupt()
{
    m_interrupted = true;
    std::lock_guard<std::mutex> lock(m_socketLock);
    if (m_socket >= 0)
        ::shutdown(m_socket, SHUT_RDWR);
}

void GSoapClient::throwInterrupted()
{
    endCall();
    throw AbortException(_("The request to the server was cancelled"));
}

bool GSoapClient::usesProxy() const
{
    return m_soap->proxy_host && *m_soap->proxy_host;
}

bool GSoapClient::setUpSsl(const wxString& caFile)
{
    // No protocol older than TLS 1.2; the host-name check stays on (no SKIP_HOST_CHECK).
    unsigned short flags = SOAP_SSL_REQUIRE_SERVER_AUTHENTICATION | SOAP_TLSv1_2 | SOAP_TLSv1_3;
    m_caFile = caFile.utf8_str();
    if (!m_caFile.empty()) {
        if (!wxFileExists(caFile)) {
            QDEBUG("[GSOAPCLIENT] Certificate authority file %s is missing", caFile);
            return false;
        }
        // Only the authorities of the file: the system's store is not loaded beside it.
        flags |= SOAP_SSL_NO_DEFAULT_CA_PATH;
    }
    if (soap_ssl_client_context(m_soap, flags, nullptr, nullptr,
                                m_caFile.empty() ? nullptr : m_caFile.c_str(), nullptr,
                                nullptr) != SOAP_OK) {
        QDEBUG("[GSOAPCLIENT] TLS set-up failed: %s", fromUtf8(soap_fault_string(m_soap)));
        return false;
    }
    return true;
}

void GSoapClient::requireSsl(const wxString& caFile, const wxString& failureMessage)
{
    if (!setUpSsl(caFile))
        throw RuntimeException(failureMessage);
}

void GSoapClient::closeConnection()
{
    if (soap_valid_socket(m_soap->socket))
        soap_force_closesock(m_soap);
    m_connectedTo.clear();
}

void GSoapClient::dropUnusableConnection()
{
    if (!soap_valid_socket(m_soap->socket))
        return;
    const bool sameServer = m_connectedTo == connectionKey(std::string(getEndpoint().utf8_str()));
    const bool fresh =
        std::chrono::steady_clock::now() - m_lastUse < std::chrono::seconds(MAX_IDLE_SECONDS);
    // Between calls the server has nothing to say: anything readable is its end of the
    // connection, or bytes that would be taken for the next reply.
    pollfd idle{m_soap->socket, POLLIN, 0};
    const bool quiet = ::poll(&idle, 1, 0) == 0 && !(m_soap->ssl && SSL_pending(m_soap->ssl) > 0);
    if (!sameServer || !fresh || !quiet) {
        QDEBUG("[GSOAPCLIENT] Not using the kept connection to %s", wxString(m_connectedTo));
        closeConnection();
    }
}

void GSoapClient::beginCall()
{
    // Judged before endCall(), which counts as a use.
    dropUnusableConnection();
    // What a failed call left behind goes now.
    endCall();
    m_callSucceeded = false;
    if (m_interrupted)
        throwInterrupted();
    copyCredential(getAddress().user, m_user, sizeof m_user);
    copyCredential(getAddress().password, m_password, sizeof m_password);
    // An address without a user sends no Authorization header at all, not an empty one.
    const bool credentials = m_user[0] != '\0';
    m_soap->userid = credentials ? m_user : nullptr;
    m_soap->passwd = credentials ? m_password : nullptr;
    m_agentSent = false;
    m_acceptCompressed = false;
    m_timedOut = false;
    m_aborted = false;
    applyLimits({});
}

void GSoapClient::applyLimits(std::string_view operation)
{
    m_soap->recv_maxlength = SoapLimits::messageBytesFor(operation);
    m_soap->maxlength = SoapLimits::stringBytesFor(operation);
}

void GSoapClient::endCall()
{
    // A call that did not end with a whole reply may have left part of it on the connection.
    if (!m_callSucceeded)
        closeConnection();
    m_lastUse = std::chrono::steady_clock::now();
    soap_destroy(m_soap);
    soap_end(m_soap);
}

void GSoapClient::checkResult(int error)
{
    if (error == SOAP_OK && !m_interrupted) {
        m_callSucceeded = true;
        return;
    }
    if (m_interrupted)
        throwInterrupted();
    QDEBUG("[GSOAPCLIENT] RETURN STATUS (ERROR): %d", error);
    if (m_aborted)
        throwInterrupted();

    wxString code;
    wxString message;
    wxString detail;
    wxString faultCode;
    if (m_soap->fault) {
        const char** rawCode = soap_faultcode(m_soap);
        faultCode = fromUtf8(rawCode ? *rawCode : nullptr);
        // A code in a namespace the table does not know arrives as "\"uri\":Code"; only the
        // part after the last colon names the fault.
        if (faultCode.length() > 3 && faultCode[0] == '"')
            faultCode = faultCode.AfterLast(':');
        message = fromUtf8(soap_fault_string(m_soap));
        detail = fromUtf8(soap_fault_detail(m_soap));
        QDEBUG("[GSOAPCLIENT] FAULTCODE: %s", faultCode);
        QDEBUG("[GSOAPCLIENT] FAULTSTRING: %s", message);
        QDEBUG("[GSOAPCLIENT] FAULTDETAIL: %s", detail);
    }

    const wxString& host = getAddress().host;
    const int port = getAddress().port;
    if (error == 404) {
        code = wxS("Server.ServiceNotFound");
        message = _("HTTP Error 404: Service not found");
    } else if (soap_soap_error_check(error)) {
        wxString name = faultCode.Contains(":") ? faultCode.AfterFirst(':') : faultCode;
        if (name == wxS("Server"))
            name = wxS("Server.Error");
        code = wxS("Soap") + name;
    } else if (error == SOAP_TCP_ERROR || (error == SOAP_EOF && m_timedOut)) {
        // The runtime's own time-outs: "Timeout" when a connect takes too long, and an end of
        // input when an answer or a send stalls past its time-out.
        const bool timedOut = m_timedOut || m_soap->errnum == ETIMEDOUT ||
                              containsNoCase(message, "timeout") ||
                              containsNoCase(message, "timed out");
        if (!timedOut && (m_soap->errnum == ECONNREFUSED || containsNoCase(message, "refused"))) {
            code = wxS("Network.ConnectionRefused");
            message = wxString::Format(
                _("Connection was refused when trying to connect to host %s on port %d"), host,
                port);
        } else if (timedOut) {
            code = wxS("Network.ConnectionTimeout");
            message = wxString::Format(
                _("Connection timed out when trying to connect to host %s on port %d"), host, port);
        } else {
            code = wxS("Network.ConnectionError");
            message = wxString::Format(_("There was a problem connecting to host %s on port %d"),
                                       host, port);
        }
    } else if (error == SOAP_SSL_ERROR) {
        // OpenSSL 3 names no functions in its texts; the runtime's own messages about the
        // server's certificate are what is left to tell a refused certificate by.
        if (containsNoCase(message, "certificate") || containsNoCase(detail, "certificate")) {
            code = wxS("Security.Certificate");
            message = _("Server certificate was not accepted for security reasons: ") + message;
        } else {
            code = wxS("Security.Error");
        }
    } else {
        code = wxS("Soap.UnknownError");
        message = wxString::Format(_("gSOAP error code [%d] %s"), error, message);
    }

    if (usesProxy()) {
        message += _(" (via proxy)");
        if (error == 403) {
            code = wxS("Network.ProxyAuthorization");
            message = _("Your proxy server did not authorize the HTTP request");
        } else if (error == 407) {
            code = wxS("Network.ProxyAuthorization");
            message = _("Proxy authorization failed (wrong username and passord, perhaps?");
        }
    }
    endCall();
    throw SoapException(code, message, detail);
}

GSoapClient::Call::Call(GSoapClient& client, std::string_view operation)
    : m_client(client), m_endpoint(client.getEndpoint().utf8_str())
{
    m_client.beginCall();
    m_client.applyLimits(operation);
}

GSoapClient::Call::~Call()
{
    m_client.endCall();
}

} // namespace Quorvel

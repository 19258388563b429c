#include "service/HTTPClient.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <exception>
#include <mutex>
#include <string>
#include <thread>

#include <strings.h>

#include <curl/curl.h>

#include <wx/base64.h>
#include <wx/filefn.h>
#include <wx/stream.h>
#include <wx/translation.h>

#include "service/NetworkSettings.h"
#include "service/SocketError.h"
#include "service/WebAddress.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "threads/HttpCallbackObj.h"
#include "util/InputFile.h"
#include "util/Md5Digest.h"
#include "util/OutputFile.h"

namespace Quorvel {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

const char* const ABORT_SENDING =
    "Aborting sending of data by                             request.";
const char* const ABORT_HEADERS =
    "Aborting read of response headers by                     request.";
constexpr milliseconds POLL_INTERVAL{50};
constexpr size_t MAX_HEADER_LINE = 1023;
constexpr size_t RECEIVE_BUFFER = 131072;
// Kept connections per client: the service's host and a transfer host or two.
constexpr long MAX_KEPT_CONNECTIONS = 4;
// A connection idle longer than this is not reused but closed. Servers close idle connections
// after a few seconds; taking only fresher ones keeps a request from meeting a server that is
// closing the connection just then (which would cost a second sending of the request).
constexpr long MAX_IDLE_SECONDS = 4;
// A body nobody reads (an upload's answer) is read and dropped up to this size so that the
// connection can serve the next request; a longer one costs the connection instead.
constexpr wxLongLong_t MAX_SKIPPED_BODY = 64 * 1024;

// The block size rule of transfers: a slow link gets small blocks (frequent progress and abort
// checks), a fast one large blocks.
class AdaptiveBlockSize {
public:
    static constexpr size_t MIN = 8192;
    static constexpr size_t MAX = 131072;

    size_t get() const { return m_size; }
    // A block of `moved` bytes out of the `asked` went through; it started at `started`.
    void record(size_t moved, size_t asked, Clock::time_point started)
    {
        if (moved < asked)
            return;
        const auto took = std::chrono::duration_cast<milliseconds>(Clock::now() - started);
        if (took.count() > 200)
            m_size /= 2;
        else if (took.count() < 25)
            m_size *= 2;
        m_size = std::clamp(m_size, MIN, MAX);
    }

private:
    size_t m_size = MIN;
};

void initialiseCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string utf8(const wxString& text)
{
    const wxScopedCharBuffer buffer = text.utf8_str();
    return std::string(buffer.data(), buffer.length());
}

wxString fromBytes(const char* data, size_t length)
{
    wxString text = wxString::FromUTF8(data, length);
    if (text.empty() && length > 0)
        text = wxString(data, wxConvISO8859_1, length);
    return text;
}

// Control characters would end a request line or header early and start another one.
bool hasControlCharacters(const wxString& text, bool allowTab = false)
{
    for (wxUniChar c : text) {
        const unsigned value = c.GetValue();
        if ((value < 0x20 && !(allowTab && value == '\t')) || value == 0x7F)
            return true;
    }
    return false;
}

bool isToken(const wxString& name)
{
    if (name.empty())
        return false;
    for (wxUniChar c : name) {
        const unsigned value = c.GetValue();
        if (value <= 0x20 || value >= 0x7F ||
            wxString("()<>@,;:\\\"/[]?={}").Find(c) != wxNOT_FOUND)
            return false;
    }
    return true;
}

// Bytes that would end or change the path, or that the request line cannot carry as they are
// (blanks, control characters, non-ASCII), are percent-encoded: "#" would end the path, and a "%"
// that starts no escape would be read as one. A "%" with two hexadecimal digits is an escape
// already and is sent as given, as is the query after "?".
std::string encodePath(const wxString& document)
{
    static const char hex[] = "0123456789ABCDEF";
    const std::string bytes = utf8(document);
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        const bool escape = c == '%' && i + 2 < bytes.size() &&
                            std::isxdigit(static_cast<unsigned char>(bytes[i + 1])) &&
                            std::isxdigit(static_cast<unsigned char>(bytes[i + 2]));
        if (c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' ||
            c == '`' || c == '{' || c == '|' || c == '}' || c == '#' || (c == '%' && !escape)) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

wxString translated(const char* text)
{
    return wxGetTranslation(text, "libquorvel");
}

wxString joined(const wxString& message, const wxString& text)
{
    return message.empty() ? text : message + " " + text;
}

// The bytes of a caller's stream, for a transfer's source.
std::function<size_t(char*, size_t)> streamSource(wxInputStream& stream)
{
    return [&stream](char* buffer, size_t size) -> size_t {
        if (stream.Eof())
            return 0;
        stream.Read(buffer, size);
        if (stream.GetLastError() != wxSTREAM_NO_ERROR && stream.GetLastError() != wxSTREAM_EOF)
            throw IOException("Reading operation failed");
        return stream.LastRead();
    };
}

struct CurlEasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct CurlMultiDeleter {
    void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
struct CurlListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

} // namespace

// The connection library's multi handle, kept for the client's life: its cache holds the
// connections the servers agreed to keep open between requests.
class HTTPClient::Connections {
public:
    Connections() : multi(curl_multi_init())
    {
        if (!multi)
            throw NetworkException("Out of memory for the connections");
        curl_multi_setopt(multi.get(), CURLMOPT_MAXCONNECTS, MAX_KEPT_CONNECTIONS);
    }
    std::unique_ptr<CURLM, CurlMultiDeleter> multi;
};

// The body of an upload from upload() to finishUpload(), and how to read it again.
struct HTTPClient::UploadBody {
    // The next bytes; 0 at the end.
    std::function<size_t(char*, size_t)> read;
    // Back to the start; false when the stream cannot go back.
    std::function<bool()> rewind;
    HttpCallbackObj* callback = nullptr;
    int64_t maxBytes = 0;
    // Bytes of the file to send, and sent so far.
    int64_t limit = 0;
    int64_t total = 0;
    Clock::time_point started;
    // The caller's file opened again by its path, for a second sending.
    std::unique_ptr<InputFile> reopened;
};

// One request on the wire: the connection library's handle and what its callbacks share with
// the client. Callbacks never let an exception pass through the library; they keep it in
// `failure` and stop the transfer, and drive() raises it.
class HTTPClient::Transfer {
public:
    Transfer(HTTPClient& client, CURLM* multi) : client(client), multi(multi)
    {
        easy.reset(curl_easy_init());
        if (!easy)
            client.raiseHttpError(NO_SOCKET, wxString());
        errorBuffer[0] = '\0';
    }
    ~Transfer()
    {
        if (!added)
            return;
        // A connection left in the middle of a request still carries the rest of it (or is in
        // an unknown state after a failure): it is closed, never handed to the next request.
        if (!finished || result != CURLE_OK)
            curl_easy_setopt(easy.get(), CURLOPT_FORBID_REUSE, 1L);
        curl_multi_remove_handle(multi, easy.get());
    }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    void add()
    {
        if (curl_multi_add_handle(multi, easy.get()) != CURLM_OK)
            client.raiseHttpError(NO_SOCKET, wxString());
        added = true;
    }

    // Lets a paused side go on once there is something for it.
    void resume()
    {
        if (!recvPaused && !sendPaused)
            return;
        const bool canReceive = recvPaused && sink;
        const bool canSend =
            sendPaused && (pendingPosition < pending.size() || source || endOfBody);
        if (!canReceive && !canSend)
            return;
        recvPaused = recvPaused && !canReceive;
        sendPaused = sendPaused && !canSend;
        curl_easy_pause(easy.get(), CURLPAUSE_CONT);
    }

    // Bytes moved so far in either direction.
    int64_t moved() const
    {
        return received + handedOver + static_cast<int64_t>(pendingPosition + closingPosition);
    }

    static size_t onHeader(char* data, size_t size, size_t count, void* self);
    static size_t onWrite(char* data, size_t size, size_t count, void* self);
    static size_t onRead(char* buffer, size_t size, size_t count, void* self);
    static int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    static int onSeek(void* self, curl_off_t offset, int origin);
    static int onNewSocket(void* self, curl_socket_t, curlsocktype purpose);

    HTTPClient& client;
    CURLM* multi;
    std::unique_ptr<CURL, CurlEasyDeleter> easy;
    std::unique_ptr<curl_slist, CurlListDeleter> headers;
    bool added = false;
    // Connections this request opened; 0 when it went on a kept one.
    int newConnections = 0;
    char errorBuffer[CURL_ERROR_SIZE];

    bool headersComplete = false;
    bool finished = false;
    CURLcode result = CURLE_OK;
    std::exception_ptr failure;
    Clock::time_point lastActivity = Clock::now();

    // Receiving: the body goes to `sink`; without one the transfer waits.
    Sink sink;
    bool recvPaused = false;
    int64_t received = 0;

    // Sending: `pending` bytes first (multipart framing), then `source` until it gives 0, then
    // the end of the body once `endOfBody` is set.
    std::string pending;
    size_t pendingPosition = 0;
    // What follows the source's bytes once `endOfBody` is set (the multipart closing).
    std::string closing;
    size_t closingPosition = 0;
    // Sets `source` back to the body's start, for the library to send the request again on a
    // new connection; false when it cannot. Empty: the body cannot go again.
    std::function<bool()> rewind;
    Source source;
    bool sourceDone = false;
    bool endOfBody = false;
    bool sendPaused = false;
    bool sendRequested = false;
    int64_t handedOver = 0;
    AdaptiveBlockSize blockSize;
    Clock::time_point blockStarted = Clock::now();
};

size_t HTTPClient::Transfer::onHeader(char* data, size_t size, size_t count, void* self)
{
    auto& transfer = *static_cast<Transfer*>(self);
    const size_t length = size * count;
    transfer.lastActivity = Clock::now();
    try {
        transfer.client.onHeaderLine(data, length);
        return length;
    } catch (...) {
        transfer.failure = std::current_exception();
        return 0;
    }
}

size_t HTTPClient::Transfer::onWrite(char* data, size_t size, size_t count, void* self)
{
    auto& transfer = *static_cast<Transfer*>(self);
    const size_t length = size * count;
    transfer.client.onBodyStarted();
    if (!transfer.sink) {
        transfer.recvPaused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    transfer.lastActivity = Clock::now();
    try {
        transfer.sink(data, length);
        transfer.received += static_cast<int64_t>(length);
        return length;
    } catch (...) {
        transfer.failure = std::current_exception();
        return 0;
    }
}

size_t HTTPClient::Transfer::onRead(char* buffer, size_t size, size_t count, void* self)
{
    auto& transfer = *static_cast<Transfer*>(self);
    const size_t capacity = size * count;
    transfer.sendRequested = true;
    transfer.lastActivity = Clock::now();
    if (transfer.pendingPosition < transfer.pending.size()) {
        const size_t n = std::min(capacity, transfer.pending.size() - transfer.pendingPosition);
        std::memcpy(buffer, transfer.pending.data() + transfer.pendingPosition, n);
        transfer.pendingPosition += n;
        return n;
    }
    if (transfer.source) {
        const size_t asked = std::min(capacity, transfer.blockSize.get());
        try {
            const size_t n = transfer.source(buffer, asked);
            transfer.blockSize.record(n, asked, transfer.blockStarted);
            transfer.blockStarted = Clock::now();
            if (n > 0) {
                transfer.handedOver += static_cast<int64_t>(n);
                return n;
            }
            transfer.sourceDone = true;
            transfer.source = nullptr;
        } catch (...) {
            transfer.failure = std::current_exception();
            return CURL_READFUNC_ABORT;
        }
    }
    if (transfer.endOfBody) {
        const size_t n = std::min(capacity, transfer.closing.size() - transfer.closingPosition);
        std::memcpy(buffer, transfer.closing.data() + transfer.closingPosition, n);
        transfer.closingPosition += n;
        return n;
    }
    transfer.sendPaused = true;
    return CURL_READFUNC_PAUSE;
}

int HTTPClient::Transfer::onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto& transfer = *static_cast<Transfer*>(self);
    const auto& aborted = transfer.client.m_abortCheck;
    return aborted && aborted() ? 1 : 0;
}

int HTTPClient::Transfer::onSeek(void* self, curl_off_t offset, int origin)
{
    // The library sends a request again from its start when a kept connection died under it.
    auto& transfer = *static_cast<Transfer*>(self);
    if (offset != 0 || origin != SEEK_SET)
        return CURL_SEEKFUNC_CANTSEEK;
    if (transfer.handedOver > 0) {
        try {
            if (!transfer.rewind || !transfer.rewind())
                return CURL_SEEKFUNC_CANTSEEK;
        } catch (...) {
            transfer.failure = std::current_exception();
            return CURL_SEEKFUNC_FAIL;
        }
    }
    transfer.pendingPosition = 0;
    transfer.closingPosition = 0;
    transfer.handedOver = 0;
    return CURL_SEEKFUNC_OK;
}

int HTTPClient::Transfer::onNewSocket(void* self, curl_socket_t, curlsocktype purpose)
{
    if (purpose == CURLSOCKTYPE_IPCXN)
        ++static_cast<Transfer*>(self)->newConnections;
    return CURL_SOCKOPT_OK;
}

HTTPClient::HTTPClient() : HTTPClient(NetworkSettings::get()) {}

HTTPClient::HTTPClient(NetworkSettings& settings) : m_settings(settings)
{
    initialiseCurl();
}

HTTPClient::~HTTPClient() = default;

void HTTPClient::resetRequest()
{
    closeTransfer();
    m_requestHeaders.clear();
    m_contentType = "application/octet-stream";
    m_contentLength = 0;
    m_bodyStream = nullptr;
    m_user.clear();
    m_password.clear();
    m_formFieldName.clear();
    m_multipartHead.clear();
    m_multipartClosing.clear();
    m_uploadBody.reset();
}

void HTTPClient::closeConnections()
{
    closeTransfer();
    m_connections.reset();
}

void HTTPClient::setContentType(const wxString& type)
{
    m_contentType = type;
    setHeader("Content-Type", type);
}

void HTTPClient::setContentLength(int64_t length)
{
    m_contentLength = length;
}

void HTTPClient::setBodyStream(wxInputStream* stream)
{
    m_bodyStream = stream;
    if (stream)
        m_contentLength = stream->GetSize();
}

void HTTPClient::setHeader(const wxString& name, const wxString& value)
{
    for (auto& header : m_requestHeaders) {
        if (header.first.IsSameAs(name, false)) {
            header.second = value;
            return;
        }
    }
    m_requestHeaders.emplace_back(name, value);
}

wxString HTTPClient::getHeader(const wxString& name) const
{
    const wxString wanted = name.Upper();
    for (const auto& header : m_responseHeaders)
        if (header.first == wanted)
            return header.second;
    return wxString();
}

int64_t HTTPClient::getContentLength() const
{
    for (const char* name : {"CONTENT-LENGTH", "X-QUORVEL-LENGTH"}) {
        const wxString value = getHeader(name);
        if (value.empty())
            continue;
        wxLongLong_t length = 0;
        // Digits only: a sign, blanks inside or a value past 2^63-1 is not a length.
        if (!value.IsNumber() || !value.ToLongLong(&length) || length < 0)
            return -1;
        return length;
    }
    return -1;
}

void HTTPClient::prepare(const wxString& url)
{
    const WebAddress address = WebAddress::parse(url);
    long port = address.getPort();
    const NetworkSettings::Values settings = m_settings.getValues();
    if (port == 80 && settings.portOverride != 0)
        port = settings.portOverride;
    m_scheme = address.getScheme();
    m_host = address.getHost();
    m_port = static_cast<int>(port);
    m_document = address.getDocument();
    m_viaProxy = settings.hasProxy();
    m_proxyHost = m_viaProxy ? settings.proxyHost : wxString();
    m_proxyPort = m_viaProxy ? settings.proxyPort : 0;
    m_proxyUser = m_viaProxy ? settings.proxyUser : wxString();
    m_proxyPassword = m_viaProxy ? settings.proxyPassword : wxString();
    // The settings may give an IPv6 proxy without brackets.
    const bool proxyHostValid =
        WebAddress::isValidHost(m_proxyHost) || WebAddress::isValidHost("[" + m_proxyHost + "]");
    if (m_viaProxy && (!proxyHostValid || !WebAddress::isValidPort(m_proxyPort)))
        throw NetworkException(wxString::Format("Invalid proxy server %s:%d",
                                                WebAddress::printable(m_proxyHost), m_proxyPort));
}

HTTPClient::Headers HTTPClient::requestHeaders(const wxString& hostAndPort) const
{
    // The caller's headers first, then those the request always carries.
    Headers headers;
    auto has = [&headers](const char* name) {
        return std::any_of(headers.begin(), headers.end(),
                           [name](const auto& h) { return h.first.IsSameAs(name, false); });
    };
    for (const auto& header : m_requestHeaders)
        if (!header.first.IsSameAs("Host", false))
            headers.push_back(header);
    if (!has("User-Agent"))
        headers.emplace_back("User-Agent", wxString::FromUTF8(m_settings.getUserAgent()));
    if (m_method == METHOD_POST) {
        if (!has("Content-Type"))
            headers.emplace_back("Content-Type", "application/octet-stream");
        if (!has("Content-Length"))
            headers.emplace_back("Content-Length",
                                 wxString::Format("%lld", (long long)m_contentLength));
        if (!has("Accept-Language"))
            headers.emplace_back("Accept-Language", m_settings.getLanguage());
    }
    // HTTP/1.0 keeps the connection only when both sides say so.
    if (!has("Connection"))
        headers.emplace_back("Connection", "keep-alive");
    headers.emplace_back("Host", hostAndPort);
    if (!m_user.empty()) {
        const std::string credentials = utf8(m_user + ":" + m_password);
        headers.emplace_back("Authorization",
                             "Basic " + wxBase64Encode(credentials.data(), credentials.size()));
    }
    for (const auto& header : headers)
        if (!isToken(header.first) || hasControlCharacters(header.second, true))
            throw NetworkException(wxString::Format("Invalid HTTP header %s: %s",
                                                    WebAddress::printable(header.first),
                                                    WebAddress::printable(header.second)));
    return headers;
}

void HTTPClient::startTransfer(Method method)
{
    m_transfer.reset();
    m_responseHeaders.clear();
    m_responseHeaderBytes = 0;
    m_statusCode = 0;
    m_statusText.clear();
    m_timedOut = false;
    m_lastSocketError = 0;
    m_errorDetail.clear();
    m_method = method;

    const int defaultPort = m_scheme == "https" ? 443 : 80;
    const wxString hostAndPort =
        m_port == defaultPort ? m_host : wxString::Format("%s:%d", m_host, m_port);
    const Headers headers = requestHeaders(hostAndPort);

    if (!m_connections)
        m_connections = std::make_unique<Connections>();
    auto transfer = std::make_unique<Transfer>(*this, m_connections->multi.get());
    auto append = [&transfer](const std::string& line) {
        curl_slist* longer = curl_slist_append(transfer->headers.get(), line.c_str());
        if (!longer)
            throw NetworkException("Out of memory for the request headers");
        transfer->headers.release();
        transfer->headers.reset(longer);
    };
    for (const auto& header : headers)
        append(utf8(header.first + ": " + header.second));
    // Headers the library would add on its own, which this client never sends.
    for (const char* removed : {"Accept:", "Expect:", "Proxy-Connection:"})
        append(removed);
    configure(*transfer, utf8(m_scheme + "://" + hostAndPort) + encodePath(m_document));
    m_freshConnection = false;
    m_transfer = std::move(transfer);
    m_transfer->add();
}

void HTTPClient::configure(Transfer& transfer, const std::string& address)
{
    CURL* easy = transfer.easy.get();
    curl_easy_setopt(easy, CURLOPT_URL, address.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, (long)CURL_HTTP_VERSION_1_0);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
    // HTTP/1.0 still: a server never answers it in chunks, so every body keeps the length the
    // transfers check; "Connection: keep-alive" asks for the connection to stay.
    curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, m_freshConnection ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_MAXAGE_CONN, MAX_IDLE_SECONDS);
    curl_easy_setopt(easy, CURLOPT_SOCKOPTFUNCTION, &Transfer::onNewSocket);
    curl_easy_setopt(easy, CURLOPT_SOCKOPTDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, transfer.headers.get());
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer.errorBuffer);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, (long)RECEIVE_BUFFER);
    curl_easy_setopt(easy, CURLOPT_UPLOAD_BUFFERSIZE, (long)AdaptiveBlockSize::MAX);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(easy, CURLOPT_SSLVERSION, (long)CURL_SSLVERSION_TLSv1_2);
    if (!m_caFile.empty()) {
        if (m_scheme == "https" && !wxFileExists(m_caFile)) {
            m_errorDetail = wxString::Format("Certificate authority file %s is missing", m_caFile);
            raiseHttpError(SECURE_CONNECTION_FAILED, wxString());
        }
        // The file alone: no directory of the system's authorities beside it.
        curl_easy_setopt(easy, CURLOPT_CAINFO, utf8(m_caFile).c_str());
        curl_easy_setopt(easy, CURLOPT_CAPATH, nullptr);
    }
    const auto connectTimeout = std::min(m_timeout, MAX_CONNECT_TIMEOUT);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, (long)connectTimeout.count());
    // Only the proxy of the network settings: none from the environment.
    curl_easy_setopt(easy, CURLOPT_NOPROXY, "");
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    if (m_viaProxy) {
        const wxString proxyHost =
            m_proxyHost.Find(':') != wxNOT_FOUND && !m_proxyHost.StartsWith("[")
                ? "[" + m_proxyHost + "]"
                : m_proxyHost;
        curl_easy_setopt(easy, CURLOPT_PROXY,
                         utf8(wxString::Format("http://%s:%d", proxyHost, m_proxyPort)).c_str());
        curl_easy_setopt(easy, CURLOPT_PROXYTYPE, (long)CURLPROXY_HTTP);
        curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
        if (!m_proxyUser.empty()) {
            curl_easy_setopt(easy, CURLOPT_PROXYAUTH, (long)CURLAUTH_BASIC);
            curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, utf8(m_proxyUser).c_str());
            curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, utf8(m_proxyPassword).c_str());
        }
    }
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Transfer::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Transfer::onWrite);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &Transfer::onProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    if (m_method == METHOD_POST) {
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
        curl_easy_setopt(easy, CURLOPT_READFUNCTION, &Transfer::onRead);
        curl_easy_setopt(easy, CURLOPT_READDATA, &transfer);
        curl_easy_setopt(easy, CURLOPT_SEEKFUNCTION, &Transfer::onSeek);
        curl_easy_setopt(easy, CURLOPT_SEEKDATA, &transfer);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, (curl_off_t)m_contentLength);
    }
}

void HTTPClient::closeTransfer()
{
    m_transfer.reset();
}

void HTTPClient::skipShortBody()
{
    Transfer& transfer = *m_transfer;
    wxLongLong_t length = -1;
    // Only a body framed by its length ends without the connection ending.
    if (!transfer.finished && getHeader("CONTENT-LENGTH").ToLongLong(&length) && length >= 0 &&
        length <= MAX_SKIPPED_BODY) {
        transfer.sink = [](const char*, size_t) {};
        try {
            drive([] { return false; }, Phase::Receive);
        } catch (const Exception& e) {
            // The answer that counts is in; this only costs the connection.
            QDEBUG("[HTTPCLIENT] The rest of the answer did not come: %s", e.getMessage());
        }
    }
    closeTransfer();
}

bool HTTPClient::diedUnused(const Transfer& transfer) const
{
    if (m_responseHeaderBytes > 0 || transfer.received > 0)
        return false;
    switch (transfer.result) {
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
        return transfer.newConnections == 0;
    case CURLE_SEND_FAIL_REWIND:
        // The library found the kept connection dead and had opened another, but could not
        // take the caller's bytes back to send them on it.
        return true;
    default:
        return false;
    }
}

wxString HTTPClient::abortMessage(Phase phase) const
{
    switch (phase) {
    case Phase::Request: {
        // A POST is sending until its whole body is handed over, then waits for the headers.
        const bool bodySent =
            m_transfer && m_transfer->endOfBody &&
            m_transfer->handedOver + static_cast<int64_t>(m_transfer->pendingPosition +
                                                          m_transfer->closingPosition) >=
                m_contentLength;
        return m_method == METHOD_POST && !bodySent ? ABORT_SENDING : ABORT_HEADERS;
    }
    case Phase::Finish:
        return ABORT_HEADERS;
    default:
        return "HttpClient: Aborted";
    }
}

void HTTPClient::drive(const std::function<bool()>& done, Phase phase)
{
    Transfer& transfer = *m_transfer;
    transfer.lastActivity = Clock::now();
    for (;;) {
        transfer.resume();
        const int64_t movedBefore = transfer.moved();
        int running = 0;
        const CURLMcode code = curl_multi_perform(transfer.multi, &running);
        if (code != CURLM_OK) {
            m_errorDetail = curl_multi_strerror(code);
            raiseHttpError(NO_SOCKET, wxString());
        }
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(transfer.multi, &queued)) {
            if (message->msg == CURLMSG_DONE) {
                transfer.finished = true;
                transfer.result = message->data.result;
            }
        }
        if (transfer.failure) {
            const std::exception_ptr failure = transfer.failure;
            closeTransfer();
            std::rethrow_exception(failure);
        }
        if (transfer.finished || done())
            return;
        if (m_abortCheck && m_abortCheck()) {
            const wxString message = abortMessage(phase);
            closeTransfer();
            QDEBUG("[HTTPCLIENT] Aborted while talking to %s:%d", m_host, m_port);
            throw AbortException(message);
        }
        if (Clock::now() - transfer.lastActivity > m_timeout) {
            m_timedOut = true;
            const bool sending =
                phase == Phase::Send || (phase == Phase::Request && m_method == METHOD_POST &&
                                         !transfer.headersComplete && transfer.sendRequested);
            closeTransfer();
            if (sending)
                raiseHttpError(WRITE_TIMEOUT, "Timeout in waitForWrite");
            raiseHttpError(READ_TIMEOUT, "Timeout in waitForRead");
        }
        // While bytes flow the socket is ready again at once; waiting is for when they stop.
        if (transfer.moved() != movedBefore)
            continue;
        curl_multi_poll(transfer.multi, nullptr, 0, static_cast<int>(POLL_INTERVAL.count()),
                        nullptr);
    }
}

wxString HTTPClient::connectTarget() const
{
    return m_viaProxy ? wxString::Format("%s:%d", m_proxyHost, m_proxyPort)
                      : wxString::Format("%s:%d", m_host, m_port);
}

void HTTPClient::raiseTransferError(int result, Phase phase)
{
    Transfer& transfer = *m_transfer;
    long osError = 0;
    curl_easy_getinfo(transfer.easy.get(), CURLINFO_OS_ERRNO, &osError);
    long connectCode = 0;
    curl_easy_getinfo(transfer.easy.get(), CURLINFO_HTTP_CONNECTCODE, &connectCode);
    m_errorDetail = transfer.errorBuffer[0]
                        ? wxString::FromUTF8(transfer.errorBuffer)
                        : wxString::FromUTF8(curl_easy_strerror(CURLcode(result)));
    const int64_t received = transfer.received;
    const int64_t handedOver = transfer.handedOver;
    const bool bodyStarted = transfer.sendRequested;
    const wxString aborted = abortMessage(phase);
    closeTransfer();
    QDEBUG("[HTTPCLIENT] Transfer failed: %s", m_errorDetail);
    switch (result) {
    case CURLE_ABORTED_BY_CALLBACK:
        throw AbortException(aborted);
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        m_lastSocketError = SocketError::HOST_NOT_FOUND;
        raiseHttpError(CONNECT_FAILED, wxString());
    case CURLE_COULDNT_CONNECT:
        m_lastSocketError =
            osError ? SocketError::fromErrno(osError) : SocketError::CONNECTION_REFUSED;
        raiseHttpError(CONNECT_FAILED, wxString());
    case CURLE_OPERATION_TIMEDOUT:
        m_timedOut = true;
        m_lastSocketError = SocketError::TIMED_OUT;
        raiseHttpError(CONNECT_FAILED, wxString());
    case CURLE_PROXY:
        if (connectCode >= 100)
            raiseHttpError(static_cast<int>(connectCode), wxString());
        raiseHttpError(CONNECT_FAILED, wxString());
    case CURLE_SEND_ERROR:
        m_lastSocketError = SocketError::fromErrno(osError);
        if (phase == Phase::Request && !bodyStarted)
            raiseHttpError(HEADERS_NOT_SENT, wxString());
        raiseHttpError(SHORT_SEND,
                       wxString::Format("Actual written bytes (%lld) does not equal sent byte "
                                        "count (%lld)",
                                        (long long)0, (long long)handedOver));
    case CURLE_RECV_ERROR:
        m_lastSocketError = SocketError::fromErrno(osError);
        raiseHttpError(READ_ERROR, "Error reading from socket");
    case CURLE_GOT_NOTHING:
        raiseHttpError(READ_ERROR, "The server closed the connection without an answer");
    case CURLE_PARTIAL_FILE:
        throw IOException(wxString::Format(
            "HttpClient: Downloaded bytes (%lld) does not match expected bytes (%lld)",
            (long long)received, (long long)getContentLength()));
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_USE_SSL_FAILED:
        raiseHttpError(SECURE_CONNECTION_FAILED, wxString());
    default:
        m_lastSocketError = SocketError::fromErrno(osError);
        raiseHttpError(BAD_RESPONSE, wxString());
    }
}

void HTTPClient::onHeaderLine(const char* data, size_t length)
{
    Transfer& transfer = *m_transfer;
    if (transfer.headersComplete)
        return;
    m_responseHeaderBytes += length;
    if (m_responseHeaderBytes > MAX_RESPONSE_HEADER_BYTES)
        throwHeadersTooLarge();
    // The connection library hands over the line that ended a header block as it found it:
    // whatever it took for the end (a blank line, or any line that begins with CR or LF).
    if (length == 0 || data[0] == '\r' || data[0] == '\n') {
        endOfHeaderBlock();
        return;
    }
    std::string line(data, length);
    line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());
    if (!line.empty() && line.back() == '\n')
        line.pop_back();
    if (line.size() > MAX_HEADER_LINE)
        line.resize(MAX_HEADER_LINE);
    if (strncasecmp(line.c_str(), "HTTP/", 5) == 0) {
        // A new answer: what an earlier one said does not count. The status itself is the
        // library's reading of this line (statusFromLibrary); only the text is taken here.
        m_responseHeaders.clear();
        m_statusText.clear();
        const size_t blank = line.find(' ');
        if (blank != std::string::npos && blank + 5 <= line.size())
            m_statusText = fromBytes(line.data() + blank + 5, line.size() - blank - 5);
        return;
    }
    const size_t colon = line.find(':');
    if (colon == std::string::npos)
        return;
    wxString name = fromBytes(line.data(), colon).Upper();
    wxString value = fromBytes(line.data() + colon + 1, line.size() - colon - 1);
    name.Trim().Trim(false);
    value.Trim().Trim(false);
    // Counted as each header is kept, so the blank line that ends a block of exactly the limit
    // does not count as one more.
    if (m_responseHeaders.size() >= MAX_RESPONSE_HEADERS)
        throwHeadersTooLarge();
    m_responseHeaders.emplace_back(name, value);
}

void HTTPClient::throwHeadersTooLarge() const
{
    throw NetworkException(
        wxString::Format("The response headers from %s:%d are too large", m_host, m_port));
}

void HTTPClient::statusFromLibrary()
{
    long code = 0;
    curl_easy_getinfo(m_transfer->easy.get(), CURLINFO_RESPONSE_CODE, &code);
    m_statusCode = static_cast<int>(code);
}

void HTTPClient::endOfHeaderBlock()
{
    statusFromLibrary();
    // The library reads on after an interim answer (1xx but 101) for the real one; it takes
    // every other status, 101 included, for the final answer and passes what follows as body.
    const bool interim = m_statusCode >= 100 && m_statusCode < 200 && m_statusCode != 101;
    if (m_statusCode != 0 && !interim)
        m_transfer->headersComplete = true;
}

void HTTPClient::onBodyStarted()
{
    // Body bytes come only once the library has ended the final header block, whatever this
    // client made of the lines before.
    if (m_transfer->headersComplete)
        return;
    statusFromLibrary();
    m_transfer->headersComplete = true;
}

int HTTPClient::request(const wxString& url, Method method, int mode)
{
    prepare(url);
    QDEBUG("[HTTPCLIENT] %s %s (%s:%d%s)", method == METHOD_GET ? "GET" : "POST", m_document,
           m_host, m_port, m_viaProxy ? " via proxy" : "");
    // Where the body stream starts, to send it again when a kept connection turns out closed.
    const bool streamedBody = method == METHOD_POST && mode == POST_BODY && m_bodyStream;
    const wxFileOffset bodyStart =
        streamedBody && m_bodyStream->IsSeekable() ? m_bodyStream->TellI() : wxInvalidOffset;
    bool sentAgain = false;
    for (int attempt = 1;;) {
        startTransfer(method);
        Transfer& transfer = *m_transfer;
        if (streamedBody) {
            wxInputStream& stream = *m_bodyStream;
            transfer.source = streamSource(stream);
            if (bodyStart != wxInvalidOffset)
                transfer.rewind = [&transfer, &stream, bodyStart] {
                    if (stream.SeekI(bodyStart) == wxInvalidOffset)
                        return false;
                    transfer.source = streamSource(stream);
                    transfer.sourceDone = false;
                    return true;
                };
        }
        if (method == METHOD_POST && mode == POST_BODY)
            transfer.endOfBody = true;
        const bool headersOnly = method == METHOD_POST && mode == POST_HEADERS_ONLY;
        drive([&] { return transfer.headersComplete || (headersOnly && transfer.sendRequested); },
              Phase::Request);
        if (transfer.headersComplete)
            return m_statusCode;
        if (!transfer.finished)
            return 0; // the server waits for the body
        if (transfer.result == CURLE_OK)
            raiseHttpError(READ_ERROR, "The server closed the connection without an answer");
        if (!sentAgain && diedUnused(transfer) &&
            (!streamedBody ||
             (bodyStart != wxInvalidOffset && m_bodyStream->SeekI(bodyStart) != wxInvalidOffset))) {
            QDEBUG("[HTTPCLIENT] %s closed the kept connection; sending again", connectTarget());
            sentAgain = true;
            m_freshConnection = true;
            continue;
        }
        const bool refused =
            transfer.result == CURLE_COULDNT_CONNECT || transfer.result == CURLE_OPERATION_TIMEDOUT;
        if (!refused || attempt >= CONNECT_ATTEMPTS)
            raiseTransferError(transfer.result, Phase::Request);
        QDEBUG("[HTTPCLIENT] Could not connect to %s", connectTarget());
        closeTransfer();
        ++attempt;
        // The pause ends early on abort.
        const auto until = Clock::now() + m_retryPause;
        while (Clock::now() < until) {
            if (m_abortCheck && m_abortCheck())
                throw AbortException(abortMessage(Phase::Request));
            std::this_thread::sleep_for(
                std::min<Clock::duration>(POLL_INTERVAL, until - Clock::now()));
        }
    }
}

int HTTPClient::get(const wxString& url)
{
    return request(url, METHOD_GET, 0);
}

int HTTPClient::post(const wxString& url, int mode)
{
    if (mode != POST_BODY && mode != POST_HEADERS_ONLY)
        throw LogicException(wxString::Format("Unknown POST mode %d", mode));
    return request(url, METHOD_POST, mode);
}

void HTTPClient::raiseHttpError(int code, const wxString& message) const
{
    if (code == 404)
        throw RuntimeException(joined(message, "HTTP error 404: File not found"));
    if (code >= 100)
        throw RuntimeException(joined(message, wxString::Format("HTTP error code %d", code)));
    if (code == CONNECT_FAILED) {
        const wxString reason = SocketError::describeConnectFailure(m_lastSocketError);
        const wxString text =
            m_viaProxy
                ? wxString::Format(translated("Could not connect to proxy server at %s:%d (%s)"),
                                   m_proxyHost, m_proxyPort, reason)
                : wxString::Format(translated("Could not connect to %s:%d (%s)"), m_host, m_port,
                                   reason);
        switch (m_lastSocketError) {
        case SocketError::CONNECTION_REFUSED:
            throw ConnectionRefusedException(joined(message, text));
        case SocketError::NETWORK_UNREACHABLE:
            throw NetworkUnavailableException(joined(message, text));
        default:
            throw ConnectionException("Network.ConnectionError", joined(message, text));
        }
    }
    wxString detail = SocketError::describe(m_lastSocketError);
    if (detail.empty())
        detail = m_errorDetail;
    const wxString text =
        m_viaProxy
            ? wxString::Format(translated("HTTP component error %d when accessing %s at %s:%d "
                                          "(Proxy server at %s:%d) (%s)"),
                               code, m_document, m_host, m_port, m_proxyHost, m_proxyPort, detail)
            : wxString::Format(
                  translated("HTTP component error %d when accessing %s at %s:%d (%s)"), code,
                  m_document, m_host, m_port, detail);
    throw NetworkException(joined(message, text));
}

void HTTPClient::readBody(const Sink& sink)
{
    if (!m_transfer)
        throw LogicException("HttpClient: there is no response to read");
    Transfer& transfer = *m_transfer;
    transfer.sink = sink;
    drive([] { return false; }, Phase::Receive);
    const CURLcode result = transfer.result;
    // A body cut short is reported by the caller, which knows what it expected.
    if (result != CURLE_OK && result != CURLE_PARTIAL_FILE)
        raiseTransferError(result, Phase::Receive);
    closeTransfer();
}

void HTTPClient::download(const Sink& write, HttpCallbackObj* callback, int64_t maxBytes)
{
    const int64_t length = getContentLength();
    if (length == 0 || length < 0 || (maxBytes > 0 && length > maxBytes)) {
        closeTransfer();
        if (length == 0)
            throw IOException("HttpClient: Content-length was 0 (zero)");
        if (length < 0)
            throw IOException("HttpClient: Content length is missing (no content length header "
                              "or invalid header)");
        throw IOException(wxString::Format(
            "HttpClient: Download size (%lld) is larger than maximum allowed (%lld)",
            (long long)length, (long long)maxBytes));
    }
    int64_t total = 0;
    readBody([&](const char* data, size_t size) {
        write(data, size);
        total += static_cast<int64_t>(size);
        if (maxBytes > 0 && total > maxBytes)
            throw IOException(wxString::Format(
                "HttpClient: Downloaded bytes (%lld) is larger than maximum allowed (%lld)",
                (long long)total, (long long)maxBytes));
        if (total > length)
            throw IOException(wxString::Format(
                "HttpClient: Downloaded bytes (%lld) exceeds expected bytes (%lld)",
                (long long)total, (long long)length));
        if (callback && !callback->progress(total, length)) {
            QDEBUG("HTTPDOWNLOADER ABORT");
            throw AbortException("HttpClient: Aborted");
        }
    });
    if (total != length)
        throw IOException(wxString::Format(
            "HttpClient: Downloaded bytes (%lld) does not match expected bytes (%lld)",
            (long long)total, (long long)length));
    QDEBUG("HttpClient: Downloaded file (%lld bytes)", (long long)total);
}

void HTTPClient::download(OutputFile& stream, HttpCallbackObj* callback, int64_t maxBytes)
{
    download([&stream](const char* data, size_t size) { stream.write(data, size); }, callback,
             maxBytes);
}

void HTTPClient::download(wxOutputStream& stream, HttpCallbackObj* callback, int64_t maxBytes)
{
    download(
        [&stream](const char* data, size_t size) {
            if (stream.Write(data, size).LastWrite() != size)
                throw IOException("Exception in write statement");
        },
        callback, maxBytes);
}

void HTTPClient::beginUpload(const wxString& url, int64_t size, const wxString& message)
{
    m_rawSize = size;
    m_uploadMessage = message;
    m_uploadUrl = url;
    m_uploadBody.reset();
    m_uploadSentAgain = false;
    std::string head;
    if (!m_formFieldName.empty()) {
        if (hasControlCharacters(m_formFieldName) || m_formFieldName.Find('"') != wxNOT_FOUND)
            throw NetworkException(wxString::Format("Invalid form field name %s",
                                                    WebAddress::printable(m_formFieldName)));
        head = std::string("--") + MULTIPART_BOUNDARY + "\r\n" +
               "Content-Disposition: form-data; name=\"" + utf8(m_formFieldName) +
               "\"; filename=\"" + MULTIPART_FILE_NAME +
               "\"\r\nContent-Type: application/octet-stream\r\n\r\n";
        m_multipartClosing = std::string("\r\n--") + MULTIPART_BOUNDARY + "--\r\n";
        setContentType(wxString("multipart/form-data; boundary=") + MULTIPART_BOUNDARY);
        m_contentLength = static_cast<int64_t>(head.size() + m_multipartClosing.size()) + size;
    } else {
        m_multipartClosing.clear();
        m_contentLength = size;
    }
    m_multipartHead = head;
    openUpload();
}

void HTTPClient::openUpload()
{
    const int status = post(m_uploadUrl, POST_HEADERS_ONLY);
    if (status != 0 && status != 200) {
        closeTransfer();
        raiseHttpError(status, m_uploadMessage);
    }
    if (m_transfer)
        m_transfer->pending = m_multipartHead;
}

bool HTTPClient::canSendUploadAgain(const Transfer& transfer) const
{
    return m_uploadBody && !m_uploadSentAgain && diedUnused(transfer);
}

bool HTTPClient::sendUploadAgain()
{
    m_uploadSentAgain = true;
    if (!m_uploadBody->rewind())
        return false;
    QDEBUG("[HTTPCLIENT] %s closed the kept connection; sending the upload again", connectTarget());
    closeTransfer();
    m_freshConnection = true;
    openUpload();
    sendBody();
    return true;
}

HTTPClient::Source HTTPClient::uploadSource()
{
    UploadBody& body = *m_uploadBody;
    return [&body](char* buffer, size_t size) -> size_t {
        // One byte more than is left is asked for, so a stream longer than announced shows.
        const size_t wanted =
            static_cast<size_t>(std::min<int64_t>(size, body.limit - body.total + 1));
        const size_t n = body.read(buffer, wanted);
        if (n == 0)
            return 0;
        body.total += static_cast<int64_t>(n);
        if (body.maxBytes > 0 && body.total > body.maxBytes)
            throw IOException(wxString::Format(
                "HttpClient: Uploaded bytes (%lld) is larger than maximum allowed (%lld)",
                (long long)body.total, (long long)body.maxBytes));
        if (body.total > body.limit)
            throw uploadTooLong(body);
        if (body.callback && !body.callback->progress(body.total, body.limit)) {
            QDEBUG("HTTPDOWNLOADER ABORT");
            throw AbortException("HttpClient: Aborted");
        }
        const double seconds =
            std::max(0.001, std::chrono::duration<double>(Clock::now() - body.started).count());
        QDEBUG("Wrote %d bytes, uploaded %0.2f MiB, %0.2f KiB/s", static_cast<int>(n),
               body.total / 1048576.0, body.total / 1024.0 / seconds);
        return n;
    };
}

IOException HTTPClient::uploadTooLong(const UploadBody& body)
{
    return IOException(wxString::Format(
        "HttpClient: Uploaded bytes (%lld) exceeds set content length bytes (%lld)",
        (long long)body.total, (long long)body.limit));
}

bool HTTPClient::rewindUpload()
{
    if (!m_uploadBody->rewind())
        return false;
    m_uploadBody->total = 0;
    m_transfer->source = uploadSource();
    m_transfer->sourceDone = false;
    return true;
}

void HTTPClient::sendBody()
{
    if (!m_transfer || m_method != METHOD_POST || !m_uploadBody)
        throw LogicException("HttpClient: upload without an open POST");
    Transfer* transfer = m_transfer.get();
    UploadBody& body = *m_uploadBody;
    // The file's own bytes, without the multipart framing around them.
    body.limit = m_multipartClosing.empty() ? m_contentLength : m_rawSize;
    body.total = 0;
    body.started = Clock::now();
    transfer->source = uploadSource();
    transfer->sourceDone = false;
    transfer->rewind = [this] { return rewindUpload(); };
    // A server that refuses part-way answers while the body is still going.
    auto refused = [&] { return transfer->headersComplete && m_statusCode != 200; };
    try {
        drive([&] { return transfer->sourceDone || body.total >= body.limit || refused(); },
              Phase::Send);
    } catch (...) {
        if (m_transfer.get() == transfer)
            transfer->source = nullptr;
        throw;
    }
    transfer->source = nullptr;
    // The server ended the request before it had the whole body.
    if (transfer->finished && transfer->result != CURLE_OK) {
        if (canSendUploadAgain(*transfer) && sendUploadAgain())
            return;
        raiseTransferError(transfer->result, Phase::Send);
    }
    if (refused()) {
        closeTransfer();
        raiseHttpError(m_statusCode, m_uploadMessage);
    }
    char extra;
    if (!transfer->sourceDone && body.total == body.limit && body.read(&extra, 1) > 0) {
        ++body.total;
        closeTransfer();
        throw uploadTooLong(body);
    }
    if (body.total != body.limit) {
        closeTransfer();
        throw IOException(
            wxString::Format("Uploaded bytes (%lld)does not match registered content length (%lld)",
                             (long long)body.total, (long long)body.limit));
    }
}

void HTTPClient::upload(InputFile& stream, HttpCallbackObj* callback, int64_t maxBytes)
{
    auto body = std::make_unique<UploadBody>();
    UploadBody& self = *body;
    InputFile* const first = &stream;
    self.read = [&self, first](char* buffer, size_t size) {
        return (self.reopened ? self.reopened.get() : first)->read(buffer, size);
    };
    self.rewind = [&self, path = stream.getPath()] {
        self.reopened = std::make_unique<InputFile>(path);
        return true;
    };
    self.callback = callback;
    self.maxBytes = maxBytes;
    m_uploadBody = std::move(body);
    sendBody();
}

void HTTPClient::upload(wxInputStream& stream, HttpCallbackObj* callback, int64_t maxBytes)
{
    auto body = std::make_unique<UploadBody>();
    body->read = streamSource(stream);
    const wxFileOffset start = stream.IsSeekable() ? stream.TellI() : wxInvalidOffset;
    body->rewind = [&stream, start] {
        return start != wxInvalidOffset && stream.SeekI(start) != wxInvalidOffset;
    };
    body->callback = callback;
    body->maxBytes = maxBytes;
    m_uploadBody = std::move(body);
    sendBody();
}

void HTTPClient::finishUpload(const wxString& message)
{
    if (!m_transfer || m_method != METHOD_POST)
        throw LogicException("HttpClient: finishing an upload that was not begun");
    Transfer& transfer = *m_transfer;
    transfer.closing = m_multipartClosing;
    transfer.endOfBody = true;
    drive([&] { return transfer.headersComplete; }, Phase::Finish);
    if (!transfer.headersComplete) {
        if (transfer.result != CURLE_OK) {
            if (canSendUploadAgain(transfer) && sendUploadAgain()) {
                finishUpload(message);
                return;
            }
            raiseTransferError(transfer.result, Phase::Finish);
        }
        closeTransfer();
        raiseHttpError(READ_ERROR, "The server closed the connection without an answer");
    }
    curl_off_t sent = 0;
    curl_easy_getinfo(transfer.easy.get(), CURLINFO_SIZE_UPLOAD_T, &sent);
    m_uploadBody.reset();
    skipShortBody();
    if (m_statusCode != 200)
        raiseHttpError(m_statusCode, message);
    if (sent != m_contentLength)
        throw IOException(
            wxString::Format("Uploaded bytes (%lld)does not match registered content length (%lld)",
                             (long long)sent, (long long)m_contentLength));
}

void HTTPClient::setMd5Header(const wxString& md5)
{
    setHeader(m_formFieldName.empty() ? "Content-MD5" : "X-Quorvel-MD5", md5);
}

void HTTPClient::setMd5FromFile(const wxString& path)
{
    setMd5Header(md5OfFile(path));
}

wxString HTTPClient::md5OfFile(const wxString& path)
{
    InputFile file(path);
    Md5Digest digest;
    std::vector<char> buffer(AdaptiveBlockSize::MAX);
    for (size_t n; (n = file.read(buffer.data(), buffer.size())) > 0;)
        digest.add(buffer.data(), n);
    return digest.hex();
}

void HTTPClient::verifyDownloadedFile(const wxString& path) const
{
    QDEBUG("Check md5sum of downloaded file");
    const wxString expected = getHeader("X-QUORVEL-MD5");
    if (expected.empty()) {
        QDEBUG("No md5sum to verify");
        return;
    }
    const wxString actual = md5OfFile(path);
    QDEBUG("MD5SUM: %s", actual);
    if (actual != expected)
        throw IOException("md5sum check of downloaded file failed");
    QDEBUG("MD5SUM OF DOWNLOADED FILE WAS VERIFIED!");
}

int HTTPClient::fetchToString(const wxString& url, wxString& text, bool throwOnHttpError,
                              HttpCallbackObj* callback, int64_t maxSize)
{
    text.clear();
    const int status = get(url);
    if (status != 200) {
        closeTransfer();
        if (throwOnHttpError)
            raiseHttpError(status, wxString());
        return status;
    }
    const int64_t limit = maxSize > 0 ? maxSize : DEFAULT_MEMORY_LIMIT;
    const int64_t length = getContentLength();
    if (length > limit) {
        closeTransfer();
        throw IOException(wxString::Format(
            "HttpHelper: Download size (%lld) is larger than maximum allowed (%lld)",
            (long long)length, (long long)limit));
    }
    std::string body;
    readBody([&](const char* data, size_t size) {
        if (static_cast<int64_t>(body.size() + size) > limit)
            throw IOException(wxString::Format(
                "HttpHelper: Downloaded bytes (%lld) is larger than maximum allowed (%lld)",
                (long long)(body.size() + size), (long long)limit));
        body.append(data, size);
        if (callback &&
            !callback->progress(static_cast<int64_t>(body.size()), std::max<int64_t>(length, 0))) {
            QDEBUG("HTTPDOWNLOADER ABORT");
            throw AbortException("HttpDownloader: Aborted");
        }
    });
    if (length >= 0 && static_cast<int64_t>(body.size()) != length)
        throw IOException(wxString::Format(
            "HttpDownloader: Downloaded bytes (%lld) does not match expected bytes (%lld)",
            (long long)body.size(), (long long)length));
    text = fromBytes(body.data(), body.size());
    return status;
}

void HTTPClient::fetchToFile(const wxString& url, const wxString& path, HttpCallbackObj* callback,
                             int64_t maxBytes)
{
    getAndCheck(url, wxString());
    OutputFile file(path);
    download(file, callback, maxBytes);
    file.commit();
}

void HTTPClient::fetchToStream(const wxString& url, wxOutputStream& stream,
                               HttpCallbackObj* callback, int64_t maxBytes)
{
    getAndCheck(url, wxString());
    download(stream, callback, maxBytes);
}

void HTTPClient::getAndCheck(const wxString& url, const wxString& message)
{
    const int status = get(url);
    if (status != 200) {
        closeTransfer();
        raiseHttpError(status, message);
    }
}

} // namespace Quorvel

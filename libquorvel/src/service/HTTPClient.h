#pragma once
// A small HTTP/1.0 client for pages, price lists, templates and the file transfers of the
// storage, ordering and sharing services: GET, POST with a streamed body, and uploads sent as
// the raw body or as one multipart/form-data part, with progress, abort, size limits and MD5
// checks. libcurl does the connection work (name look-up, non-blocking connects with time-outs,
// the proxy, TLS with verification); this class builds the request from checked parts, reads the
// response headers, moves the body through the caller's streams and reports failures as the
// network branch of the exception family (see raiseHttpError).
//
// A request is driven step by step, so that a caller can look at the status and headers before
// it decides where the body goes: get()/post() return once the response headers are in (or, for
// a headers-only POST, once the server may take the body); download(), upload() and
// finishUpload() then move the body.
//
// Connections: a client object keeps the connection of a finished request open for its next one
// when the server agrees (it answers "Connection: keep-alive" to the request's own, or speaks
// HTTP/1.1 without "Connection: close", and frames the body by its length). A kept connection
// serves only the same scheme, host and port (and proxy); one whose request was aborted, failed
// or not read to its end is closed, never reused. A server may close a kept connection while it
// is idle: the request then goes again on a new connection, an upload from its start, so this
// is never an error the user sees. A caller that moves many files keeps one object for all of
// them and calls resetRequest() between requests.
//
// Threads: one thread at a time (a task's or slave's). Every call blocks; abort is seen within
// about 50 ms in every phase, connecting included, through the abort check and the progress
// callbacks. Not copyable.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <wx/string.h>

class wxInputStream;
class wxOutputStream;

namespace Quorvel {

class HttpCallbackObj;
class InputFile;
class IOException;
class NetworkSettings;
class OutputFile;

class HTTPClient {
public:
    enum Method { METHOD_GET = 0, METHOD_POST = 1 };
    // post() modes: send the body stream, or send only the request line and headers.
    enum PostMode { POST_BODY = 1, POST_HEADERS_ONLY = 2 };

    // Internal result codes given to raiseHttpError (statuses are 100 and above).
    enum ErrorCode {
        HEADERS_NOT_SENT = 0,
        CONNECT_FAILED = 1,
        BODY_NOT_WRITABLE = 3,
        READ_WAIT_FAILED = 5,
        READ_ERROR = 7,
        READ_TIMEOUT = 8,
        NO_SOCKET = 9,
        WRITE_WAIT_FAILED = 10,
        SHORT_SEND = 12,
        WRITE_TIMEOUT = 13,
        SECURE_CONNECTION_FAILED = 14,
        BAD_RESPONSE = 15,
    };

    static constexpr const char* MULTIPART_BOUNDARY =
        "---------------------------86352062182286362752072890";
    static constexpr const char* MULTIPART_FILE_NAME = "libquorvel.bin";

    // Waits this long for the connection to move before giving up.
    static constexpr std::chrono::milliseconds DEFAULT_TIMEOUT{120000};
    // Longest wait for one connection attempt.
    static constexpr std::chrono::milliseconds MAX_CONNECT_TIMEOUT{30000};
    // Connection attempts before a refused or unreachable server is reported, and the pause
    // between them.
    static constexpr int CONNECT_ATTEMPTS = 3;
    static constexpr std::chrono::milliseconds DEFAULT_RETRY_PAUSE{1000};
    // Cap of fetchToString when the caller gives none.
    static constexpr int64_t DEFAULT_MEMORY_LIMIT = 64 * 1024 * 1024;
    // Limits of a response's header block: at most this many headers (the status line not
    // counted) and this many bytes (status line and blank line counted); one more is refused.
    static constexpr size_t MAX_RESPONSE_HEADERS = 100;
    static constexpr size_t MAX_RESPONSE_HEADER_BYTES = 64 * 1024;

    // Uses the process's network settings.
    HTTPClient();
    explicit HTTPClient(NetworkSettings& settings);
    virtual ~HTTPClient();
    HTTPClient(const HTTPClient&) = delete;
    HTTPClient& operator=(const HTTPClient&) = delete;

    // Sends a GET and reads the response headers; returns the status code. Only http and https
    // addresses are fetched. Throws NetworkException (bad address or header, network failure,
    // no response), the connection branch for a failed connect, AbortException.
    int get(const wxString& url);
    // Sends a POST. POST_BODY: sends the body stream, then reads the response headers and
    // returns the status. POST_HEADERS_ONLY: returns 0 once the server can take the body, which
    // the caller sends with upload() and ends with finishUpload() (a status when the server
    // answered at once). Throws as get().
    int post(const wxString& url, int mode);

    // Forgets the request settings below (headers, body stream, content type and length,
    // credentials, form field name) for the next request of a reused client; the connection, the
    // abort check, time-out and certificate authorities stay.
    void resetRequest();
    // Closes the kept connections; the next request connects anew.
    void closeConnections();

    // Request settings, kept for the next request.
    void setContentType(const wxString& type);
    void setContentLength(int64_t length);
    // The body of a POST_BODY post (not owned); also sets the content length from its size.
    void setBodyStream(wxInputStream* stream);
    void setUser(const wxString& user) { m_user = user; }
    void setPassword(const wxString& password) { m_password = password; }
    // When set, uploads are sent as one multipart/form-data part of this name.
    void setFormFieldName(const wxString& name) { m_formFieldName = name; }
    // Replaces a request header of the same name (letter case ignored) or appends one.
    void setHeader(const wxString& name, const wxString& value);

    // Response of the last request.
    int getStatusCode() const { return m_statusCode; }
    const wxString& getStatusText() const { return m_statusText; }
    // A response header by name (letter case ignored); empty when absent.
    wxString getHeader(const wxString& name) const;
    // CONTENT-LENGTH, else X-QUORVEL-LENGTH; -1 when both are missing or not a number from 0
    // to 2^63-1.
    int64_t getContentLength() const;

    // Opens a file upload of `size` bytes (a POST_HEADERS_ONLY post); raises the error for a
    // refusing status with `message` in front.
    void beginUpload(const wxString& url, int64_t size, const wxString& message);
    // Sends the file's bytes, read from the stream's start; `callback` (may be null) gets
    // progress(sent, size) after each block and stops the upload by answering false. When a
    // kept connection turns out closed by the server, the upload goes again from the start on a
    // new one: an InputFile is opened again by its path, a wxInputStream is sought back (one
    // that cannot seek fails instead), so a wxInputStream must stay open until finishUpload
    // returns. `maxBytes` <= 0 sets no limit. Throws
    // IOException for a size check, AbortException, NetworkException, and the error for a
    // status with beginUpload's `message` in front when the server refuses part-way.
    void upload(InputFile& stream, HttpCallbackObj* callback, int64_t maxBytes);
    void upload(wxInputStream& stream, HttpCallbackObj* callback, int64_t maxBytes);
    // Ends the upload and reads the response; raises the error for a status other than 200
    // with `message` in front.
    void finishUpload(const wxString& message);

    // Reads the response body of the last get() into `stream`, checking it against the
    // response's length and `maxBytes` (<= 0: no limit). The file is not committed here.
    void download(OutputFile& stream, HttpCallbackObj* callback, int64_t maxBytes);
    void download(wxOutputStream& stream, HttpCallbackObj* callback, int64_t maxBytes);
    // Reads the rest of the response body of the last get() into `sink`, with none of the
    // checks of download(); a body cut short ends without an error (the caller compares what it
    // got with getContentLength()). What `sink` throws ends the transfer and is passed on.
    void readBody(const std::function<void(const char*, size_t)>& sink);

    // X-Quorvel-MD5 for multipart uploads, otherwise Content-MD5.
    void setMd5Header(const wxString& md5);
    void setMd5FromFile(const wxString& path);
    // Compares the file's MD5 with the response's X-QUORVEL-MD5; passes when there is none.
    // Throws IOException "md5sum check of downloaded file failed".
    void verifyDownloadedFile(const wxString& path) const;
    // 32 lower-case hexadecimal digits. Throws the file exceptions, IOException.
    static wxString md5OfFile(const wxString& path);

    // Turns a status (>= 100) or an ErrorCode into its exception, `message` in front.
    [[noreturn]] void raiseHttpError(int code, const wxString& message) const;

    // GET into memory, at most `maxSize` bytes (<= 0: DEFAULT_MEMORY_LIMIT); the body is read
    // as UTF-8 (Latin-1 when it is not). Returns the status; a status other than 200 raises
    // when `throwOnHttpError`, else comes back with an empty text.
    int fetchToString(const wxString& url, wxString& text, bool throwOnHttpError = true,
                      HttpCallbackObj* callback = nullptr, int64_t maxSize = 0);
    // GET into a new file at `path`, which appears only when the whole body arrived.
    void fetchToFile(const wxString& url, const wxString& path, HttpCallbackObj* callback = nullptr,
                     int64_t maxBytes = 0);
    void fetchToStream(const wxString& url, wxOutputStream& stream,
                       HttpCallbackObj* callback = nullptr, int64_t maxBytes = 0);
    // GET that raises the error for any status other than 200, `message` in front.
    void getAndCheck(const wxString& url, const wxString& message);

    // Asked between steps of every request (connecting included); true stops the request with
    // AbortException. Tasks pass their abort flag.
    void setAbortCheck(std::function<bool()> aborted) { m_abortCheck = std::move(aborted); }
    // For https: trust only the certificate authorities in this PEM file (not the system's);
    // empty (the default) trusts the system's. A file that is missing fails every https
    // request before it connects. Either way the peer is verified, host name included, and
    // nothing older than TLS 1.2 is spoken.
    void setCaFile(const wxString& path) { m_caFile = path; }
    // How long the connection may stand still (connecting, sending, waiting, receiving).
    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    void setConnectRetryPause(std::chrono::milliseconds pause) { m_retryPause = pause; }

    // Where the last request went.
    bool isViaProxy() const { return m_viaProxy; }
    const wxString& getHost() const { return m_host; }
    int getPort() const { return m_port; }
    const wxString& getDocument() const { return m_document; }
    // A SocketError number; 0 when the last failure was not a socket's.
    int getLastSocketError() const { return m_lastSocketError; }
    bool isTimedOut() const { return m_timedOut; }

private:
    class Transfer;
    class Connections;
    struct UploadBody;
    enum class Phase { Request, Send, Receive, Finish };
    using Source = std::function<size_t(char*, size_t)>;
    using Sink = std::function<void(const char*, size_t)>;

    int request(const wxString& url, Method method, int mode);
    void prepare(const wxString& url);
    using Headers = std::vector<std::pair<wxString, wxString>>;
    // The request's headers, checked: no control characters, names that are tokens.
    Headers requestHeaders(const wxString& hostAndPort) const;
    void startTransfer(Method method);
    void configure(Transfer& transfer, const std::string& address);
    // Runs the transfer until `done` holds or it ends; rethrows what a callback raised.
    void drive(const std::function<bool()>& done, Phase phase);
    [[noreturn]] void raiseTransferError(int result, Phase phase);
    void closeTransfer();
    // Reads and drops a short rest of the answer, then ends the transfer.
    void skipShortBody();
    // Whether a failed transfer is a kept connection the server had closed before it read the
    // request: nothing came back on a connection that was not new.
    bool diedUnused(const Transfer& transfer) const;
    // Opens the upload's request (beginUpload), sends the body, and the same again on a new
    // connection when the kept one had been closed.
    void openUpload();
    void sendBody();
    // The source of a transfer that reads the upload's body, checking it as it goes.
    Source uploadSource();
    static IOException uploadTooLong(const UploadBody& body);
    // Back to the start of the upload's body, for the library to send it again.
    bool rewindUpload();
    bool canSendUploadAgain(const Transfer& transfer) const;
    bool sendUploadAgain();
    wxString abortMessage(Phase phase) const;
    void download(const Sink& write, HttpCallbackObj* callback, int64_t maxBytes);
    // The response as the connection library reads it: its status, and the end of each header
    // block where it found one. Called from the library's callbacks.
    void onHeaderLine(const char* data, size_t length);
    void endOfHeaderBlock();
    [[noreturn]] void throwHeadersTooLarge() const;
    void onBodyStarted();
    void statusFromLibrary();
    wxString connectTarget() const;

    NetworkSettings& m_settings;
    // Declared before m_transfer, which must go first: a transfer is part of the connections.
    std::unique_ptr<Connections> m_connections;
    std::unique_ptr<Transfer> m_transfer;
    // The next transfer opens a connection of its own rather than take a kept one.
    bool m_freshConnection = false;

    bool m_viaProxy = false;
    int m_lastSocketError = 0;
    // What the connection library said about the last failure, shown when no socket text fits.
    wxString m_errorDetail;
    int64_t m_contentLength = 0;
    int64_t m_rawSize = 0;
    wxString m_contentType = "application/octet-stream";
    wxInputStream* m_bodyStream = nullptr;
    wxString m_user;
    wxString m_password;
    Method m_method = METHOD_GET;
    wxString m_scheme;
    wxString m_document;
    wxString m_host;
    int m_port = 80;
    wxString m_proxyHost;
    int m_proxyPort = 0;
    wxString m_proxyUser;
    wxString m_proxyPassword;
    int m_statusCode = 0;
    wxString m_statusText;
    wxString m_formFieldName;
    // Request headers set by the caller; response headers (names upper-cased) kept apart.
    std::vector<std::pair<wxString, wxString>> m_requestHeaders;
    std::vector<std::pair<wxString, wxString>> m_responseHeaders;
    size_t m_responseHeaderBytes = 0;
    bool m_timedOut = false;
    std::string m_multipartClosing;
    // What the caller of beginUpload said a refusal is, also for one in the middle of upload().
    wxString m_uploadMessage;
    wxString m_uploadUrl;
    std::string m_multipartHead;
    // The body of the upload under way, from upload() to finishUpload(), so that it can go again.
    std::unique_ptr<UploadBody> m_uploadBody;
    bool m_uploadSentAgain = false;

    std::function<bool()> m_abortCheck;
    std::chrono::milliseconds m_timeout = DEFAULT_TIMEOUT;
    std::chrono::milliseconds m_retryPause = DEFAULT_RETRY_PAUSE;
    wxString m_caFile;
};

} // namespace Quorvel

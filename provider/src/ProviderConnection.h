#pragma once
// One accepted connection and the requests it carries. Made by an acceptor thread around a
// gSOAP context copied from the listening one, then served by a worker thread: the TLS
// handshake on a secure port, then request after request: its head read within the idle
// time-out, and the request routed by method and path: a SOAP call to the services, or a
// transfer (FileTransfers).
//
// The connection is kept for the next request when the client asks for it (HTTP/1.1 without
// "Connection: close", HTTP/1.0 with "Connection: keep-alive"), the request's body was read
// exactly to its Content-Length, the answer is framed by its length, and the limits allow
// (Options::keepAliveSeconds between requests, Options::keepAliveRequests in all, the
// provider not stopping). Otherwise the answer says "Connection: close" and ends with a
// lingering close, so a client still sending (an oversized request refused early) reads the
// answer instead of a reset. Each request is read no further than its declared length, so
// the next one's bytes stay for the next.
//
// Every request gets its line in the journal before its answer goes out (see Journal), also one
// the provider could not read; a connection on which nothing (more) arrived gets none. The
// fault script is asked for every request, so a staged close ends the connection it falls on.
//
// A SOAP request is bounded (SoapLimits): one that declares or reaches more than the message
// limit, inflates past it, or holds a longer string than the string limit gets a fault
// "SOAP-ENV:Client.TooLarge", and the worker goes on with the next connection.
//
// The connection keeps the socket to itself until it is done: the runtime's own attempts to
// shut or close it are held back, so a fault can still be written after the runtime gave up
// on a request, and the connection can carry the next one.
//
// Threads: made on an acceptor thread, served and destroyed on one worker thread.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "FaultScript.h"
#include "HttpRequestHead.h"
#include "Journal.h"

struct soap;

namespace Provider {

class ProviderRequest;
class ProviderServer;
class ProviderStore;

class ProviderConnection {
public:
    struct ContextDeleter {
        void operator()(struct soap* soap) const;
    };
    using Context = std::unique_ptr<struct soap, ContextDeleter>;

    // Takes the context of an accepted connection (its socket in `context->socket`).
    ProviderConnection(ProviderServer& server, Context context, bool tls);
    // Closes the connection; answers nothing when it was never served.
    ~ProviderConnection();
    ProviderConnection(const ProviderConnection&) = delete;
    ProviderConnection& operator=(const ProviderConnection&) = delete;

    // Worker thread: reads requests and answers them until the connection is not to be kept,
    // then closes it. Never throws.
    void serve(ProviderStore& store);

    // The connection a context belongs to, and the request being served on it.
    static ProviderConnection& of(struct soap* soap);
    ProviderRequest& request() const { return *m_request; }
    struct soap* context() const { return m_soap; }

    // Raw HTTP for the answers the provider writes itself. False when the client went away.
    bool send(const char* data, size_t size);
    bool send(const std::string& data) { return send(data.data(), data.size()); }
    // The head of an answer with Content-Length, and "Connection: keep-alive" or "close" as the
    // connection is kept or not; `headers` are extra lines, each ending in "\r\n". Journals
    // the request first.
    bool sendHead(int status, const std::string& contentType, uint64_t contentLength,
                  const std::string& headers = std::string());
    // A whole answer: sendHead() and the body.
    bool sendResponse(int status, const std::string& contentType, const std::string& body,
                      const std::string& headers = std::string());
    // Writes the request's journal line with `status`, unless it has been written.
    void journal(int status);
    Journal::Entry& journalEntry() { return m_entry; }
    // Reads what the client sent after the head: the rest of what came with it first, then the
    // connection, never past the declared length. 0 at the end, on an error or after the idle
    // time-out.
    size_t receive(char* buffer, size_t size);
    // The answer about to go out will not be whole (a staged truncation): it says "Connection:
    // close" and the connection ends after it.
    void closeAfterAnswer() { m_mustClose = true; }

    // "host:port" of the client.
    const std::string& remote() const { return m_remote; }

private:
    // Reads, routes and answers one request; true when the connection is kept for another.
    bool serveRequest(ProviderStore& store);
    // Readies the context and the connection's state for the next request.
    void startRequest();
    // Waits, for at most the keep-alive time, for the next request to begin; false when the
    // client closed, stayed silent or the provider is stopping.
    bool awaitRequest();
    // True when the answer being written may leave the connection open: see the top.
    bool mayKeep() const;
    // Bytes of the request (head and body) handed out so far.
    size_t position() const { return m_pendingOffset + m_receivedAfter; }
    std::optional<HttpRequestHead> readHead();
    void route();
    // Carries out what the fault script says of the request as far as it concerns the
    // connection (a delay, a close) and notes it in the request for the rest; false when the
    // request is to get no answer.
    bool stage(const FaultScript::Action& action);
    void serveSoap();
    // Answers a SOAP request the runtime could not read.
    void answerUnreadRequest();
    // True when the runtime's error means the request was over a limit.
    bool isOverLimit() const;
    void sendTooLargeFault();
    void sendSoapFault(int status, const std::string& code, const std::string& text);
    void finish();

    // The runtime's I/O, through which head and body are read: what came with the head is
    // handed out first.
    static size_t replayReceive(struct soap* soap, char* buffer, size_t size);
    static int holdClose(struct soap* soap);
    static int holdCloseSocket(struct soap* soap, int socket);
    static int holdShutdownSocket(struct soap* soap, int socket, int how);
    // Journals a SOAP answer just before the runtime sends its head.
    static int journalResponse(struct soap* soap, int status, uint64_t count);
    // Each line of the runtime's answer head: notes its framing and says whether the connection
    // is kept.
    static int postHeader(struct soap* soap, const char* key, const char* value);
    // The runtime's sends; a failed one ends the connection after the request.
    static int checkedSend(struct soap* soap, const char* data, size_t length);
    // A staged lost reply: journalled as unanswered, sent nowhere.
    static int dropResponse(struct soap* soap, int status, uint64_t count);
    static int dropSend(struct soap* soap, const char* data, size_t length);

    ProviderServer& m_server;
    Context m_context;
    // m_context.get(), for brevity.
    struct soap* m_soap;
    const bool m_tls;
    // The connection's socket; the context's copy of it may be cleared by the runtime.
    int m_socket;
    std::string m_remote;
    std::unique_ptr<ProviderRequest> m_request;
    // What arrived with the head, and how much of it has been handed out.
    std::string m_pending;
    size_t m_pendingOffset = 0;
    // Bytes of the request read from the socket once m_pending was used up.
    size_t m_receivedAfter = 0;
    // Where the request ends (head and declared body); npos when that is not known.
    size_t m_requestEnd = std::string::npos;
    // Bytes that came after the request's end (a client that sent its next one early).
    std::string m_next;
    // The client asked to keep the connection; the answer said it is kept; something (a failed
    // send, a staged truncation, a head that could not be read) forbids keeping it.
    bool m_clientKeeps = false;
    bool m_keeps = false;
    bool m_mustClose = false;
    // The runtime's answer head gave its length (or is chunked).
    bool m_framed = false;
    int m_requests = 0;
    // The context's modes as copied from the listener, for every request afresh.
    int32_t m_inputMode = 0;
    int32_t m_outputMode = 0;
    size_t (*m_defaultReceive)(struct soap*, char*, size_t) = nullptr;
    int (*m_defaultSend)(struct soap*, const char*, size_t) = nullptr;
    int (*m_defaultClose)(struct soap*) = nullptr;
    int (*m_defaultCloseSocket)(struct soap*, int) = nullptr;
    int (*m_defaultShutdownSocket)(struct soap*, int, int) = nullptr;
    int (*m_defaultResponse)(struct soap*, int, uint64_t) = nullptr;
    int (*m_defaultPostHeader)(struct soap*, const char*, const char*) = nullptr;
    Journal::Entry m_entry;
    bool m_journalled = false;
    bool m_served = false;
};

} // namespace Provider

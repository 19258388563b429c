#pragma once
// One accepted connection and the one request it carries. Made by an acceptor thread around a
// gSOAP context copied from the listening one, then served by a worker thread: the TLS
// handshake on a secure port, the request head read within the idle time-out, and the request
// routed by method and path: a SOAP call to the services, or a transfer (FileTransfers). The answer
// ends with a lingering close, so a client still sending (an oversized request refused early)
// reads the answer instead of a reset.
//
// Every request gets its line in the journal before its answer goes out (see Journal), also one
// the provider could not read; a connection on which nothing arrived gets none.
//
// A SOAP request is bounded (SoapLimits): one that declares or reaches more than the message
// limit, inflates past it, or holds a longer string than the string limit gets a fault
// "SOAP-ENV:Client.TooLarge", and the worker goes on with the next connection.
//
// The connection keeps the socket to itself until it is done: the runtime's own attempts to
// shut or close it are held back, so a fault can still be written after the runtime gave up
// on a request.
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

    // Worker thread: reads one request, answers it and closes the connection. Never throws.
    void serve(ProviderStore& store);

    // The connection a context belongs to, and the request being served on it.
    static ProviderConnection& of(struct soap* soap);
    ProviderRequest& request() const { return *m_request; }
    struct soap* context() const { return m_soap; }

    // Raw HTTP for the answers the provider writes itself. False when the client went away.
    bool send(const char* data, size_t size);
    bool send(const std::string& data) { return send(data.data(), data.size()); }
    // The head of an answer with Content-Length and "Connection: close"; `headers` are extra
    // lines, each ending in "\r\n". Journals the request first.
    bool sendHead(int status, const std::string& contentType, uint64_t contentLength,
                  const std::string& headers = std::string());
    // A whole answer: sendHead() and the body.
    bool sendResponse(int status, const std::string& contentType, const std::string& body,
                      const std::string& headers = std::string());
    // Writes the request's journal line with `status`, unless it has been written.
    void journal(int status);
    Journal::Entry& journalEntry() { return m_entry; }
    // Reads what the client sent after the head: the rest of what came with it first, then the
    // connection. 0 at the end, on an error or after the idle time-out.
    size_t receive(char* buffer, size_t size);

    // "host:port" of the client.
    const std::string& remote() const { return m_remote; }

private:
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
    // Sends nothing: the answer of a call whose reply the fault script drops.
    static int discardSend(struct soap* soap, const char* data, size_t size);

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
    size_t (*m_defaultReceive)(struct soap*, char*, size_t) = nullptr;
    int (*m_defaultSend)(struct soap*, const char*, size_t) = nullptr;
    int (*m_defaultClose)(struct soap*) = nullptr;
    int (*m_defaultCloseSocket)(struct soap*, int) = nullptr;
    int (*m_defaultShutdownSocket)(struct soap*, int, int) = nullptr;
    int (*m_defaultResponse)(struct soap*, int, uint64_t) = nullptr;
    Journal::Entry m_entry;
    bool m_journalled = false;
    bool m_served = false;
};

} // namespace Provider

#pragma once
// Base of the SOAP service clients: owns one gSOAP context set up once (proxy, user agent and
// language headers, the service's namespace table, time-outs) and runs the fixed sequence
// around every call:
//
//     Call call(*this, "op");                 // beginCall(), endCall() when it goes
//     call.check(SoapX::soap_call_x__op(call.context(), call.endpoint(), "", args..., reply));
//     ... copy the reply into the client's own types ...
//
// An empty SOAP action makes every request carry `SOAPAction: ""`. check() maps a failure to
// SoapException (checkResult).
//
// Every reply is bounded (SoapLimits): the whole message by the limit of its operation, each
// string by the string limit. A reply comes compressed only when the call asked for it
// (Call::acceptCompressedReply); its inflated size counts against the same limit. A reply past
// a limit, or compressed unasked, fails as a broken reply ("Soap.UnknownError").
//
// Two ways to end a call that waits for the server before its time-out: the abort check
// (setAbortCheck), asked every 50 ms on the calling thread while the call waits for the server
// to take the request or to answer, ends that one call, so a task's Cancel leaves the client
// usable for a retry; interrupt(), from any thread, ends the call under way even while it
// connects, and every later one (a window that is closing).
//
// Connections: the context keeps its connection from one call to the next when the server
// agrees (an HTTP/1.1 answer without "Connection: close"; the runtime closes after any HTTP/1.0
// answer), for the same scheme, host and port only. A connection is closed after a call that
// failed in any way (its reply may be half read), when it stood idle longer than
// MAX_IDLE_SECONDS, and when the server has closed it or sent something unasked while it was
// idle; the next call then connects anew.
//
// Threads: a client and its context belong to one thread at a time, except interrupt(), which
// any thread may call. m_socketLock guards m_socket.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include <wx/string.h>

#include "service/SoapNamespaces.h"
#include "service/WebServiceClient.h"

struct soap;

namespace Quorvel {

class GSoapClient : public WebServiceClient {
public:
    // Credentials are copied into fixed buffers of this size, final zero included.
    static constexpr size_t CREDENTIAL_BUFFER_SIZE = 256;
    static constexpr int SEND_TIMEOUT_SECONDS = 120;
    static constexpr int RECEIVE_TIMEOUT_SECONDS = 120;
    // Appended to the application's user agent.
    static constexpr const char* AGENT_SUFFIX = " gSOAP/2.7";
    // A kept connection idle longer than this is closed rather than used: a server closing an
    // idle connection after a few seconds must not meet a call just starting on it.
    static constexpr int MAX_IDLE_SECONDS = 4;

    // `prefix` and `servicePath` name the service ("storage", "/service/storage/3.0/").
    GSoapClient(const std::string& prefix, const wxString& servicePath, NetworkSettings& settings);
    GSoapClient(const std::string& prefix, const wxString& servicePath);
    ~GSoapClient() override;

    // The sequence around one call. `operation` (the service description's name) chooses the
    // message limit of the reply, SoapLimits::messageBytesFor.
    class Call {
    public:
        explicit Call(GSoapClient& client, std::string_view operation = {});
        ~Call();
        Call(const Call&) = delete;
        Call& operator=(const Call&) = delete;

        struct soap* context() const { return m_client.m_soap; }
        const char* endpoint() const { return m_endpoint.c_str(); }
        // checkResult(result).
        void check(int result) { m_client.checkResult(result); }
        // Asks for a compressed reply (Accept-Encoding); without this a compressed reply fails.
        void acceptCompressedReply() { m_client.m_acceptCompressed = true; }

    private:
        GSoapClient& m_client;
        std::string m_endpoint;
    };

    // Asked on the calling thread while a call waits for the server; true ends the call with
    // AbortException. Tasks pass their abort flag; empty (the default) never aborts.
    void setAbortCheck(std::function<bool()> aborted) { m_abortCheck = std::move(aborted); }

    struct soap* getContext() const { return m_soap; }
    const std::string& getUserAgent() const { return m_userAgent; }
    const std::string& getLanguage() const { return m_language; }
    bool usesProxy() const;

    // Any thread: ends the call under way at once (its connection is shut down, even while it
    // waits on the server) and makes it, and every later call of this client, throw
    // AbortException. For the slaves and tasks of a window that is closing: they must not hold
    // it for the two minutes of the time-outs.
    void interrupt();
    bool isInterrupted() const { return m_interrupted.load(); }

protected:
    // Points the context's HTTP Basic credentials at copies of the record's user and password.
    // Throws ServiceException "Soap.CredentialsTooLong" for a text longer than 255 bytes.
    void beginCall();
    // Switches the context to TLS 1.2 or newer with server authentication and the host-name
    // check. With `caFile` only the authorities in that file are trusted; a file that is
    // missing or holds no certificate gives false, never the system's authorities instead. An
    // empty `caFile` trusts the system's. False when the runtime cannot set it up.
    bool setUpSsl(const wxString& caFile);
    // setUpSsl, throwing RuntimeException `failureMessage` when it fails (the payment client's
    // "Could not setup SSL for payment client").
    void requireSsl(const wxString& caFile, const wxString& failureMessage);
    // Nothing for 0; otherwise logs the failure and throws the matching SoapException.
    void checkResult(int result);
    // Frees what the context allocated for the last call.
    void endCall();
    // Closes the kept connection; the next call connects anew.
    void closeConnection();

private:
    void setUpContext();
    // The message and string limits of `operation` (SoapLimits), for the next reply.
    void applyLimits(std::string_view operation);
    static int postHeader(struct soap* soap, const char* key, const char* value);
    // Sees every buffer of a reply as it is read (inflated when it came compressed).
    static int prepareReceive(struct soap* soap, const char* data, size_t length);
    // The runtime's socket reads and writes, noting when one ended by its time-out.
    static size_t receive(struct soap* soap, char* buffer, size_t length);
    static int send(struct soap* soap, const char* data, size_t length);
    // Waits until the socket is ready for `events` (poll's), asking the abort check between
    // short waits; false when the call was aborted or `timeout` (the runtime's form) passed,
    // which it notes.
    bool waitForSocket(short events, int timeout);
    // The runtime's connect and close, noting the socket of the call so interrupt() can end it.
    static int openSocket(struct soap* soap, const char* endpoint, const char* host, int port);
    static int closeSocket(struct soap* soap, int socket);
    // Closes a kept connection the next call must not use (see Connections above).
    void dropUnusableConnection();
    [[noreturn]] void throwInterrupted();

    struct ContextDeleter {
        void operator()(struct soap* soap) const;
    };

    SoapNamespaces m_namespaces;
    std::unique_ptr<struct soap, ContextDeleter> m_context;
    // m_context.get(), for brevity.
    struct soap* m_soap = nullptr;
    int (*m_defaultPostHeader)(struct soap*, const char*, const char*) = nullptr;
    int (*m_defaultPrepareReceive)(struct soap*, const char*, size_t) = nullptr;
    size_t (*m_defaultReceive)(struct soap*, char*, size_t) = nullptr;
    int (*m_defaultSend)(struct soap*, const char*, size_t) = nullptr;
    int (*m_defaultOpen)(struct soap*, const char*, const char*, int) = nullptr;
    int (*m_defaultCloseSocket)(struct soap*, int) = nullptr;
    std::atomic<bool> m_interrupted{false};
    std::mutex m_socketLock;
    // The connection of the call under way; -1 when there is none.
    int m_socket = -1;
    bool m_agentSent = false;
    // Whether the current call asked for a compressed reply.
    bool m_acceptCompressed = false;
    // Whether a read or write of the current call ended by the runtime's time-out.
    bool m_timedOut = false;
    // Whether the current call was ended by the abort check.
    bool m_aborted = false;
    // Whether the current call ended with a whole reply; a kept connection is used again only
    // after one.
    bool m_callSucceeded = false;
    // Where the kept connection goes ("scheme://host:port"), and when its last call ended.
    std::string m_connectedTo;
    std::chrono::steady_clock::time_point m_lastUse;
    std::function<bool()> m_abortCheck;

    char m_user[CREDENTIAL_BUFFER_SIZE] = {};
    char m_password[CREDENTIAL_BUFFER_SIZE] = {};
    // The context keeps pointers into these.
    std::string m_proxyHost;
    std::string m_proxyUser;
    std::string m_proxyPassword;
    std::string m_userAgent;
    std::string m_language;
    std::string m_caFile;
};

} // namespace Quorvel

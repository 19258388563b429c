#pragma once
// A small HTTP server on 127.0.0.1 for tests of the HTTP client: it records every raw request
// and answers connections, one at a time, with scripted responses (one per request; a kept
// connection takes several in turn): normal ones, slow ones,
// truncated ones, ones that close before answering or stall, or any raw bytes. It also serves
// as a proxy, since it answers whatever request line it gets. Given a certificate it speaks
// HTTPS instead (each connection does the TLS handshake first). No external network is touched.
//
// Threads: the server runs its own thread; the test thread scripts it and reads the records.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <wx/string.h>

class LoopbackHttpServer {
public:
    struct Response {
        // Status line and headers, sent exactly as given; `body` follows.
        std::string head;
        std::string body;
        // A slow server: the body goes in pieces of `pieceSize` bytes, `pause` apart.
        size_t pieceSize = 0;
        std::chrono::milliseconds pause{0};
        // Only this many bytes of head and body are sent before the connection closes.
        size_t cutAfter = std::string::npos;
        // Reads the request, then closes without a word.
        bool closeBeforeAnswer = false;
        // Reads the request, then sends nothing until the client goes or the server stops.
        bool stall = false;
        // Closes after reading this many bytes of the request body (a dropped upload).
        size_t closeAfterBodyBytes = std::string::npos;
        // Answers after reading this many bytes of the request body and reads no more, so a
        // client still sending soon finds the connection full (a server refusing an upload
        // part-way); closes once the client has gone.
        size_t answerAfterBodyBytes = std::string::npos;
        // After the whole answer the connection stays open for the client's next request.
        bool keepOpen = false;

        // "HTTP/1.0 200 OK" with Content-Length and the extra header lines ("Name: value\r\n").
        static Response ok(const std::string& body, const std::string& extraHeaders = "");
        // A status with a short text body and its length.
        static Response status(int code, const std::string& reason);
        static Response raw(const std::string& text);
        // ok() saying "Connection: keep-alive", on a connection that stays open.
        static Response kept(const std::string& body);
    };

    struct Request {
        // Request line and headers, as received, up to and including the blank line.
        std::string head;
        std::string body;
        // Bytes of body received (also those not kept, see setKeptBodyBytes).
        int64_t bodyBytes = 0;
        // Request line, and a header value by name (letter case ignored; empty when absent).
        std::string requestLine() const;
        std::string header(const std::string& name) const;
        bool hasHeader(const std::string& name) const;
    };

    LoopbackHttpServer();
    // An HTTPS server with the key and certificate of `pemFile` (PEM, key first).
    explicit LoopbackHttpServer(const std::string& pemFile);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    int port() const { return m_port; }
    // "http://127.0.0.1:<port>" + path ("https://" for an HTTPS server).
    wxString url(const std::string& path = "/") const;
    // TLS handshakes that failed (a client that refused the certificate).
    int failedHandshakes() const;

    // Each connection takes the next response; with none left it gets a 500.
    void enqueue(Response response);
    // Request bodies beyond this many bytes are counted, not kept (default 16 MiB).
    void setKeptBodyBytes(size_t bytes) { m_keptBodyBytes = bytes; }

    std::vector<Request> requests() const;
    Request lastRequest() const;
    // Requests whose head arrived (a client that hung up at once leaves an empty record).
    size_t wholeRequests() const;
    // Waits until `count` requests arrived (recorded before they are answered); false after a
    // generous limit.
    bool waitForRequests(size_t count);

    // Connections accepted, and closed again by the server, so far.
    int connections() const;
    int closedConnections() const;
    // Waits until the server closed `count` connections; false after a generous limit.
    bool waitForClosedConnections(int count);

    // A loopback port that nobody listens on (connections to it are refused).
    static int refusedPort();

private:
    struct TlsContext;
    struct TlsConnection;
    void run();
    void serve(int client);
    // Answers one request; true when the connection stays open for another.
    bool answer(int client);
    // Waits on a kept connection; false when the client closed it or the server stops.
    bool nextRequestComes(int client);
    bool readRequest(int client, Request& request, const Response& response);
    bool sendAll(int client, const char* data, size_t size);
    ssize_t receive(int client, char* buffer, size_t size);
    // Reads and drops what the client sends until it goes or the server stops.
    void drain(int client);
    // Waits, reading nothing, until the client has closed its side or the server stops.
    void waitUntilClientGoes(int client);
    // Waits for the client socket; false when the server stops or the client went.
    bool waitReadable(int client);

    int m_listener = -1;
    int m_wake[2] = {-1, -1};
    int m_port = 0;
    size_t m_keptBodyBytes = 16 * 1024 * 1024;
    // Set for an HTTPS server; m_connection is the connection being served (server thread).
    std::unique_ptr<TlsContext> m_tls;
    TlsConnection* m_connection = nullptr;
    int m_failedHandshakes = 0;
    int m_connections = 0;
    int m_closedConnections = 0;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Response> m_script;
    std::vector<Request> m_requests;
    std::thread m_thread;
};

#include "LoopbackHttpServer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/err.h>
#include <openssl/ssl.h>

namespace {

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

int listenOnLoopback(int& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("socket failed");
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        throw std::runtime_error("could not listen on loopback");
    }
    port = ntohs(address.sin_port);
    return fd;
}

} // namespace

LoopbackHttpServer::Response LoopbackHttpServer::Response::ok(const std::string& body,
                                                              const std::string& extraHeaders)
{
    Response response;
    response.head = "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" +
                    extraHeaders + "\r\n";
    response.body = body;
    return response;
}

LoopbackHttpServer::Response LoopbackHttpServer::Response::status(int code,
                                                                  const std::string& reason)
{
    Response response;
    response.body = reason + "\n";
    response.head = "HTTP/1.0 " + std::to_string(code) + " " + reason +
                    "\r\nContent-Length: " + std::to_string(response.body.size()) + "\r\n\r\n";
    return response;
}

LoopbackHttpServer::Response LoopbackHttpServer::Response::kept(const std::string& body)
{
    Response response = ok(body, "Connection: keep-alive\r\n");
    response.keepOpen = true;
    return response;
}

LoopbackHttpServer::Response LoopbackHttpServer::Response::raw(const std::string& text)
{
    Response response;
    response.head = text;
    return response;
}

std::string LoopbackHttpServer::Request::requestLine() const
{
    return head.substr(0, head.find("\r\n"));
}

bool LoopbackHttpServer::Request::hasHeader(const std::string& name) const
{
    return lower(head).find("\r\n" + lower(name) + ":") != std::string::npos;
}

std::string LoopbackHttpServer::Request::header(const std::string& name) const
{
    const size_t at = lower(head).find("\r\n" + lower(name) + ":");
    if (at == std::string::npos)
        return std::string();
    size_t start = at + 2 + name.size() + 1;
    while (start < head.size() && head[start] == ' ')
        ++start;
    return head.substr(start, head.find("\r\n", start) - start);
}

struct LoopbackHttpServer::TlsContext {
    std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> context{SSL_CTX_new(TLS_server_method()),
                                                              &SSL_CTX_free};
};

struct LoopbackHttpServer::TlsConnection {
    std::unique_ptr<SSL, decltype(&SSL_free)> ssl;
};

LoopbackHttpServer::LoopbackHttpServer(const std::string& pemFile)
    : m_tls(std::make_unique<TlsContext>())
{
    SSL_CTX* context = m_tls->context.get();
    if (!context || SSL_CTX_use_certificate_chain_file(context, pemFile.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(context, pemFile.c_str(), SSL_FILETYPE_PEM) != 1)
        throw std::runtime_error("could not load " + pemFile);
    m_listener = listenOnLoopback(m_port);
    if (::pipe2(m_wake, O_CLOEXEC) != 0) {
        ::close(m_listener);
        throw std::runtime_error("pipe failed");
    }
    m_thread = std::thread([this] { run(); });
}

LoopbackHttpServer::LoopbackHttpServer()
{
    m_listener = listenOnLoopback(m_port);
    if (::pipe2(m_wake, O_CLOEXEC) != 0) {
        ::close(m_listener);
        throw std::runtime_error("pipe failed");
    }
    m_thread = std::thread([this] { run(); });
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    const char stop = 's';
    (void)!::write(m_wake[1], &stop, 1);
    m_thread.join();
    ::close(m_listener);
    ::close(m_wake[0]);
    ::close(m_wake[1]);
}

wxString LoopbackHttpServer::url(const std::string& path) const
{
    return wxString::Format("%s://127.0.0.1:%d", m_tls ? "https" : "http", m_port) +
           wxString::FromUTF8(path);
}

int LoopbackHttpServer::failedHandshakes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_failedHandshakes;
}

void LoopbackHttpServer::enqueue(Response response)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_script.push_back(std::move(response));
}

std::vector<LoopbackHttpServer::Request> LoopbackHttpServer::requests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

LoopbackHttpServer::Request LoopbackHttpServer::lastRequest() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests.empty() ? Request() : m_requests.back();
}

size_t LoopbackHttpServer::wholeRequests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<size_t>(std::count_if(m_requests.begin(), m_requests.end(),
                                             [](const Request& r) { return !r.head.empty(); }));
}

bool LoopbackHttpServer::waitForRequests(size_t count)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::seconds(30),
                              [&] { return m_requests.size() >= count; });
}

int LoopbackHttpServer::connections() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_connections;
}

int LoopbackHttpServer::closedConnections() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_closedConnections;
}

bool LoopbackHttpServer::waitForClosedConnections(int count)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::seconds(30),
                              [&] { return m_closedConnections >= count; });
}

int LoopbackHttpServer::refusedPort()
{
    int port = 0;
    ::close(listenOnLoopback(port));
    return port;
}

void LoopbackHttpServer::run()
{
    // A client that goes mid-answer (one refusing the TLS certificate, say) must not end the
    // test process: writes to it fail with EPIPE here instead.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    for (;;) {
        pollfd fds[2] = {{m_listener, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (fds[1].revents)
            return;
        if (!(fds[0].revents & POLLIN))
            continue;
        const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_connections;
        }
        TlsConnection connection{{nullptr, &SSL_free}};
        if (m_tls) {
            connection.ssl.reset(SSL_new(m_tls->context.get()));
            SSL_set_fd(connection.ssl.get(), client);
            if (SSL_accept(connection.ssl.get()) != 1) {
                ERR_clear_error();
                std::lock_guard<std::mutex> lock(m_mutex);
                ++m_failedHandshakes;
                m_changed.notify_all();
                ::close(client);
                continue;
            }
            m_connection = &connection;
        }
        serve(client);
        m_connection = nullptr;
        ::close(client);
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_closedConnections;
        m_changed.notify_all();
    }
}

bool LoopbackHttpServer::waitReadable(int client)
{
    if (m_connection && SSL_pending(m_connection->ssl.get()) > 0)
        return true;
    pollfd fds[2] = {{client, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
    while (::poll(fds, 2, -1) < 0)
        if (errno != EINTR)
            return false;
    return !fds[1].revents && fds[0].revents;
}

bool LoopbackHttpServer::readRequest(int client, Request& request, const Response& response)
{
    std::string data;
    char buffer[65536];
    size_t end;
    while ((end = data.find("\r\n\r\n")) == std::string::npos) {
        if (data.size() > 1024 * 1024 || !waitReadable(client))
            return false;
        const ssize_t n = receive(client, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        data.append(buffer, static_cast<size_t>(n));
    }
    request.head = data.substr(0, end + 4);
    data.erase(0, end + 4);
    const std::string length = request.header("Content-Length");
    const int64_t expected = length.empty() ? 0 : std::stoll(length);
    auto take = [&](const char* bytes, size_t size) {
        const size_t keep =
            std::min(size, m_keptBodyBytes - std::min(m_keptBodyBytes, request.body.size()));
        request.body.append(bytes, keep);
        request.bodyBytes += static_cast<int64_t>(size);
    };
    take(data.data(), data.size());
    for (;;) {
        if (response.closeAfterBodyBytes != std::string::npos &&
            request.bodyBytes >= static_cast<int64_t>(response.closeAfterBodyBytes))
            return false;
        if (response.answerAfterBodyBytes != std::string::npos &&
            request.bodyBytes >= static_cast<int64_t>(response.answerAfterBodyBytes))
            return true;
        if (request.bodyBytes >= expected)
            return true;
        if (!waitReadable(client))
            return false;
        const size_t wanted =
            static_cast<size_t>(std::min<int64_t>(sizeof buffer, expected - request.bodyBytes));
        const ssize_t n = receive(client, buffer, wanted);
        if (n <= 0)
            return false;
        take(buffer, static_cast<size_t>(n));
    }
}

ssize_t LoopbackHttpServer::receive(int client, char* buffer, size_t size)
{
    if (m_connection)
        return SSL_read(m_connection->ssl.get(), buffer, static_cast<int>(size));
    return ::recv(client, buffer, size, 0);
}

bool LoopbackHttpServer::sendAll(int client, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = m_connection
                              ? SSL_write(m_connection->ssl.get(), data, static_cast<int>(size))
                              : ::send(client, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void LoopbackHttpServer::serve(int client)
{
    while (answer(client) && nextRequestComes(client)) {
    }
}

bool LoopbackHttpServer::nextRequestComes(int client)
{
    if (!waitReadable(client))
        return false;
    char byte;
    const ssize_t n = m_connection ? SSL_peek(m_connection->ssl.get(), &byte, 1)
                                   : ::recv(client, &byte, 1, MSG_PEEK);
    return n > 0;
}

bool LoopbackHttpServer::answer(int client)
{
    Response response;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_script.empty()) {
            response = Response::status(500, "No response scripted");
        } else {
            response = std::move(m_script.front());
            m_script.pop_front();
        }
    }
    Request request;
    const bool complete = readRequest(client, request, response);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(request);
        m_changed.notify_all();
    }
    if (!complete || response.closeBeforeAnswer)
        return false;
    if (response.stall) {
        drain(client);
        return false;
    }
    const std::string all = response.head + response.body;
    const size_t total = std::min(all.size(), response.cutAfter);
    if (!sendAll(client, all.data(), std::min(total, response.head.size())))
        return false;
    const size_t piece = response.pieceSize ? response.pieceSize : total;
    for (size_t at = response.head.size(); at < total; at += piece) {
        if (response.pause.count() > 0) {
            pollfd wake = {m_wake[0], POLLIN, 0};
            if (::poll(&wake, 1, static_cast<int>(response.pause.count())) > 0)
                return false;
        }
        if (!sendAll(client, all.data() + at, std::min(piece, total - at)))
            return false;
    }
    if (response.keepOpen && total == all.size())
        return true;
    if (m_connection)
        SSL_shutdown(m_connection->ssl.get());
    ::shutdown(client, SHUT_WR);
    if (response.answerAfterBodyBytes != std::string::npos)
        waitUntilClientGoes(client);
    return false;
}

void LoopbackHttpServer::waitUntilClientGoes(int client)
{
    pollfd fds[2] = {{client, POLLRDHUP, 0}, {m_wake[0], POLLIN, 0}};
    while (::poll(fds, 2, -1) < 0 && errno == EINTR) {
    }
}

void LoopbackHttpServer::drain(int client)
{
    char buffer[65536];
    while (waitReadable(client) && receive(client, buffer, sizeof buffer) > 0) {
    }
}

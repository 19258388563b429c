#include "ProviderTestFixture.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

int connectToLoopback(int port)
{
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        ADD_FAILURE() << "could not connect to port " << port;
    return socket;
}

RawConnection::RawConnection(int port) : m_socket(connectToLoopback(port)) {}

RawConnection::~RawConnection()
{
    if (m_socket >= 0)
        ::close(m_socket);
}

bool RawConnection::send(const std::string& data)
{
    size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t count =
            ::send(m_socket, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (count <= 0)
            return false;
        sent += static_cast<size_t>(count);
    }
    return true;
}

void RawConnection::shutdownWrite()
{
    ::shutdown(m_socket, SHUT_WR);
}

std::string RawConnection::receiveAll(bool* closed, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::string data;
    if (closed)
        *closed = false;
    char buffer[65536];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd wait{m_socket, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) <= 0)
            return data;
        const ssize_t count = ::recv(m_socket, buffer, sizeof buffer, 0);
        if (count <= 0) {
            if (closed)
                *closed = true;
            return data;
        }
        data.append(buffer, static_cast<size_t>(count));
    }
}

#pragma once
// A loopback listener whose queue of one is already taken: a further connection attempt
// neither succeeds nor fails, it waits (a server that does not answer a connect).

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

class FullListener {
public:
    FullListener()
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(m_listener, 0);
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        ::connect(m_queued, reinterpret_cast<sockaddr*>(&address), length);
    }
    ~FullListener()
    {
        ::close(m_queued);
        ::close(m_listener);
    }
    FullListener(const FullListener&) = delete;
    FullListener& operator=(const FullListener&) = delete;

    int port = 0;

private:
    int m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int m_queued = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
};

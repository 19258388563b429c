#include "service/SocketError.h"

#include <cerrno>

namespace Quorvel {

namespace {

struct Entry {
    long systemError;
    int code;
    const char* text;
};

// EPIPE is how a reset peer shows on a write here.
const Entry ENTRIES[] = {
    {EINTR, 10004, "Winsocket error (WSAEINTR)"},
    {EACCES, 10013, "Winsocket error (WSAEACCES)"},
    {EFAULT, 10014, "Winsocket error (WSAEFAULT)"},
    {EINVAL, 10022, "Winsocket error (WSAEINVAL)"},
    {EWOULDBLOCK, 10035, "Winsocket error (WSAEWOULDBLOCK)"},
    {EINPROGRESS, 10036, "Winsocket error (WSAEINPROGRESS)"},
    {ENOTSOCK, 10038, "Winsocket error (WSAENOTSOCK)"},
    {EMSGSIZE, 10040, "Winsocket error (WSAEMSGSIZE)"},
    {EOPNOTSUPP, 10045, "Winsocket error (WSAEOPNOTSUPP)"},
    {ENETDOWN, SocketError::NETWORK_DOWN, "Network is down (WSAENETDOWN)"},
    {ENETUNREACH, SocketError::NETWORK_UNREACHABLE, "Network is unreachable (WSAENETUNREACH)"},
    {ENETRESET, 10052, "Winsocket error (WSAENETRESET)"},
    {ECONNABORTED, 10053, "Winsocket error (WSAECONNABORTED)"},
    {ECONNRESET, SocketError::CONNECTION_RESET, "Connection was reset (WSAECONNRESET)"},
    {EPIPE, SocketError::CONNECTION_RESET, "Connection was reset (WSAECONNRESET)"},
    {ENOBUFS, 10055, "Winsocket error (WSAENOBUFS)"},
    {ENOTCONN, 10057, "Winsocket error (WSAENOTCONN)"},
    {ESHUTDOWN, 10058, "Winsocket error (WSAESHUTDOWN)"},
    {ETIMEDOUT, SocketError::TIMED_OUT, "Winsocket error (WSAETIMEDOUT)"},
    {ECONNREFUSED, SocketError::CONNECTION_REFUSED, nullptr},
    {EHOSTUNREACH, SocketError::HOST_UNREACHABLE, "The host is unreachable (WSAEHOSTUNREACH)"},
    {-1, 10093, "Winsocket error (WSANOTINITIALISED)"},
};

} // namespace

int SocketError::fromErrno(long error)
{
    if (error == 0)
        return 0;
    for (const Entry& entry : ENTRIES)
        if (entry.systemError == error)
            return entry.code;
    return static_cast<int>(error);
}

wxString SocketError::describe(int code)
{
    if (code == 0)
        return wxString();
    for (const Entry& entry : ENTRIES)
        if (entry.code == code && entry.text)
            return entry.text;
    return wxString::Format("Winsock error %d", code);
}

wxString SocketError::describeConnectFailure(int code)
{
    switch (code) {
    case CONNECTION_REFUSED:
        return "Connection refused";
    case NETWORK_UNREACHABLE:
        return "Network is unreachable";
    case TIMED_OUT:
        return "Connection timed out";
    case HOST_NOT_FOUND:
        return "Host not found";
    default:
        return wxString::Format("Winsock error %d", code);
    }
}

} // namespace Quorvel

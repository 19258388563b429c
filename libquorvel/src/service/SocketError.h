#pragma once
// Socket failures in the numbering the network messages know (the Windows Sockets numbers the
// services' users and support staff have always seen), with their texts. The HTTP client keeps
// the number of its last failure and words its exceptions with these texts.
//
// Pure functions; any thread.

#include <wx/string.h>

namespace Quorvel {

class SocketError {
public:
    enum Code {
        NETWORK_DOWN = 10050,
        NETWORK_UNREACHABLE = 10051,
        CONNECTION_RESET = 10054,
        TIMED_OUT = 10060,
        CONNECTION_REFUSED = 10061,
        HOST_UNREACHABLE = 10065,
        HOST_NOT_FOUND = 11001,
    };

    // The number of a system error (errno); an error without one keeps its own value; 0 is 0.
    static int fromErrno(long error);
    // "Connection was reset (WSAECONNRESET)", ...; "Winsock error %d" for any other number;
    // empty for 0.
    static wxString describe(int code);
    // Why a connection could not be made: "Connection refused", "Network is unreachable",
    // "Connection timed out", "Host not found", else "Winsock error %d".
    static wxString describeConnectFailure(int code);
};

} // namespace Quorvel

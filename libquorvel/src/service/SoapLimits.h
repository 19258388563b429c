#pragma once
// How much one SOAP message may hold, on both ends of the online services: the program's
// clients and the reference provider bound every gSOAP context with these, so a broken or
// hostile peer cannot make either side allocate without end (a small compressed message can
// inflate a thousandfold). Header-only, no gSOAP in it, so the provider includes it as is.
//
// The message limit counts the message as read, headers included and after inflating a
// compressed one; the string limit bounds each string of it on its own, well below the
// message limit, so a single string cannot grow near the message limit before it is refused.
//
// Pure constants and functions; any thread.

#include <cstdint>
#include <string_view>

namespace Quorvel::SoapLimits {

// A whole message of any operation not named below.
inline constexpr uint64_t MESSAGE_BYTES = 16 * 1024 * 1024;
// One string of a message (a price list's XML is the largest the services send).
inline constexpr long STRING_BYTES = 4 * 1024 * 1024;

// The operations whose messages carry a picture or file as base64, and the room they get, for
// the message and for the base64 text (the runtime bounds it as a string). The only one is the
// portal's registration token, a picture sent in the reply.
inline constexpr std::string_view PAYLOAD_OPERATIONS[] = {"getRegistrationToken"};
inline constexpr uint64_t PAYLOAD_MESSAGE_BYTES = 32 * 1024 * 1024;

constexpr bool carriesPayload(std::string_view operation)
{
    for (std::string_view payload : PAYLOAD_OPERATIONS)
        if (payload == operation)
            return true;
    return false;
}

// The limits of `operation` (its name as the service description gives it).
constexpr uint64_t messageBytesFor(std::string_view operation)
{
    return carriesPayload(operation) ? PAYLOAD_MESSAGE_BYTES : MESSAGE_BYTES;
}
constexpr long stringBytesFor(std::string_view operation)
{
    return carriesPayload(operation) ? static_cast<long>(PAYLOAD_MESSAGE_BYTES) : STRING_BYTES;
}

} // namespace Quorvel::SoapLimits

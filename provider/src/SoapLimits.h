#pragma once
// How much one SOAP request may hold. The program's service clients bound their replies with
// the same values (libquorvel's service/SoapLimits.h, made alongside this one); the two are to
// become one header, and until then every value here must equal its twin there.
//
// The message limit counts the message as read, after inflating a compressed one, so a small
// compressed request cannot make the provider allocate without end; the string limit bounds
// each string on its own, well below the message limit.
//
// Only operations whose messages carry a picture or file as base64 get more room than
// MESSAGE_BYTES. The one such operation, the portal's getRegistrationToken, carries its picture
// in the reply, which the provider writes: every request the provider reads has MESSAGE_BYTES.
//
// Constants; any thread.

#include <cstdint>

namespace Provider::SoapLimits {

// A whole request.
inline constexpr uint64_t MESSAGE_BYTES = 16 * 1024 * 1024;
// One string of a request (a price list's XML is the largest the services carry).
inline constexpr long STRING_BYTES = 4 * 1024 * 1024;

} // namespace Provider::SoapLimits

#pragma once
// The card issuer's page of the reference provider, where the payer completes the check a
// payment in TR_AUTH_CLIENT asks for (the payment service hands out its address):
//
//   GET  /payment/issuer/ID    a page naming the payment, with a button that POSTs back
//   POST /payment/issuer/ID    completes the check: the payment goes on to the outcome the
//                              fault script chose for it
//
// Both over HTTPS only (403 otherwise); 404 for a transaction the provider does not have, 409
// for one not waiting for the check (never asked, already completed, or ended).
//
// Threads: the worker thread serving the connection.

#include <string>

namespace Provider {

class ProviderConnection;

class IssuerPage {
public:
    static constexpr const char* PATH_PREFIX = "/payment/issuer/";

    // Whether a request for `path` is this page's.
    static bool serves(const std::string& path);
    // Answers a GET or POST that serves() took.
    static void answer(ProviderConnection& connection);
};

} // namespace Provider

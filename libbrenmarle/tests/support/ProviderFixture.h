#pragma once
// The reference provider started in the test process on a free loopback port, with a small
// configuration, reached by the clients under their real host names through it as their HTTP
// proxy. What the provider saw is read back from its journal, as anyone outside could.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ProviderServer.h"
#include "ScratchDir.h"
#include "service/NetworkSettings.h"
#include "service/ServiceAddress.h"

class ProviderFixture : public ::testing::Test {
protected:
    // Two portals at the root, one in a sub-folder, one listed under an id that is no DNS
    // label, a folder redirected to another locator host; the account anna@example.com with
    // the password "secret" on "demo".
    static const char* const CONFIG;

    ProviderFixture();
    ~ProviderFixture() override;

    // Starts (again) with `moreConfig` after CONFIG; clients reach it through network.ini.
    // With `tls` it also serves HTTPS (the payment service) on tlsPort(), with the test
    // authority's certificate for localhost.
    void startProvider(const std::string& moreConfig = std::string(), bool tls = false);

    // The locator and a portal under their real host names.
    static Quorvel::ServiceAddress locatorAddress();
    static Quorvel::ServiceAddress portalAddress(const wxString& portalId,
                                                 const wxString& user = wxString(),
                                                 const wxString& password = wxString());
    // The text drawn in the token picture `tokenId`, from the provider's store.
    std::string tokenText(const wxString& tokenId);
    // The operations the provider journalled, in order ("getDirectoryContents", ...).
    std::vector<std::string> journalledOperations() const;
    size_t journalled(const std::string& operation) const;
    // One journalled request: a SOAP call's operation or another request's path, and what the
    // provider recorded of its credentials and transfer.
    struct JournalLine {
        std::string operation;
        std::string path;
        std::string account;
        std::string session;
        int status = 0;
        std::string md5;
        int64_t bytes = -1;
    };
    std::vector<JournalLine> journal() const;
    // Lets the provider take a payment for the transaction as processed, as a payer would
    // (for tests of what follows a payment, not of the payment itself).
    void payInStore(const wxString& transactionId);
    // The argument `name` of each journalled call of `operation`, in order.
    std::vector<std::string> journalledArguments(const std::string& operation,
                                                 const std::string& name) const;

    ScratchDir dir;
    std::unique_ptr<Provider::ProviderServer> provider;
    Quorvel::NetworkSettings settings{dir / "network.ini"};
};

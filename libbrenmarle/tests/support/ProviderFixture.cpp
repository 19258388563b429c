#include "ProviderFixture.h"

#include <sstream>

#include <nlohmann/json.hpp>

#include "ProviderConfig.h"
#include "ProviderStore.h"
#include "service/PortalId.h"

const char* const ProviderFixture::CONFIG = R"(
[provider]
name = Test provider
terms = Be kind to the printers.
news = <p>New frames</p>
newsupdated = 1000

[directory /]
description = All shops
directory = /nordic | Nordic shops
portal = demo | Demo Photo | Oslo
portal = ../x | Sneaky | Nowhere

[directory /nordic]
description = Nordic shops
portal = fjord | Fjord Foto | Bergen

[directory /moved]
redirect = /nordic | locator2.vistrelle.net

[portal demo]
name = Demo Photo
websiteurl = http://demo.example/
description = Prints and books
pricelist = demo-prices.xml
account = anna@example.com | secret

[portal fjord]
name = Fjord Foto
)";

namespace {

std::string utf8(const wxString& text)
{
    return std::string(text.utf8_str());
}

std::vector<nlohmann::json> journalLines(const ScratchDir& dir)
{
    std::vector<nlohmann::json> lines;
    std::istringstream text(dir.readFile("data/journal.jsonl"));
    std::string line;
    while (std::getline(text, line))
        lines.push_back(nlohmann::json::parse(line, nullptr, false));
    return lines;
}

} // namespace

ProviderFixture::ProviderFixture()
{
    dir.writeFile("conf/demo-prices.xml", "<pricelist name=\"demo\"/>");
    startProvider();
}

ProviderFixture::~ProviderFixture()
{
    if (provider)
        provider->stop();
}

void ProviderFixture::startProvider(const std::string& moreConfig, bool tls)
{
    if (provider)
        provider->stop();
    provider.reset();
    provider = std::make_unique<Provider::ProviderServer>(
        Provider::ProviderConfig::parse(CONFIG + moreConfig, utf8(dir / "conf")),
        utf8(dir / "data"));
    provider->setQuiet(true);
    if (tls)
        provider->useTls(TEST_CA_DIR "/server.pem");
    provider->start("127.0.0.1", 0, tls ? 0 : Provider::ProviderServer::NO_PORT);
    dir.writeFile("network.ini",
                  "[HttpProxy]\nHost=127.0.0.1\nPort=" + std::to_string(provider->port()) + "\n");
}

Quorvel::ServiceAddress ProviderFixture::locatorAddress()
{
    return {"locator.vistrelle.net", 80, "", ""};
}

Quorvel::ServiceAddress ProviderFixture::portalAddress(const wxString& portalId,
                                                       const wxString& user,
                                                       const wxString& password)
{
    return {Brenmarle::PortalId::hostOf(portalId), 80, user, password};
}

std::string ProviderFixture::tokenText(const wxString& tokenId)
{
    Provider::ProviderStore store(utf8(dir / "data/provider.db"));
    return store.tokenText(utf8(tokenId)).value_or(std::string());
}

void ProviderFixture::payInStore(const wxString& transactionId)
{
    Provider::ProviderStore store(utf8(dir / "data/provider.db"));
    store.takePaymentDetails(utf8(transactionId), 1, Provider::ProviderStore::Payment::Processed,
                             0);
    store.pollPayment(utf8(transactionId));
}

std::vector<std::string> ProviderFixture::journalledOperations() const
{
    std::vector<std::string> operations;
    for (const auto& line : journalLines(dir))
        if (line.is_object())
            operations.push_back(line.value("operation", line.value("path", "")));
    return operations;
}

std::vector<ProviderFixture::JournalLine> ProviderFixture::journal() const
{
    std::vector<JournalLine> entries;
    for (const auto& line : journalLines(dir)) {
        if (!line.is_object())
            continue;
        JournalLine entry;
        entry.operation = line.value("operation", "");
        entry.path = line.value("path", "");
        entry.account = line.value("account", "");
        entry.session = line.value("session", "");
        entry.status = line.value("status", 0);
        entry.md5 = line.value("md5", "");
        entry.bytes = line.value("bytes", int64_t(-1));
        entries.push_back(entry);
    }
    return entries;
}

size_t ProviderFixture::journalled(const std::string& operation) const
{
    size_t count = 0;
    for (const std::string& name : journalledOperations())
        count += name == operation;
    return count;
}

std::vector<std::string> ProviderFixture::journalledArguments(const std::string& operation,
                                                              const std::string& name) const
{
    std::vector<std::string> values;
    for (const auto& line : journalLines(dir))
        if (line.is_object() && line.value("operation", "") == operation &&
            line.contains("arguments"))
            values.push_back(line["arguments"].value(name, ""));
    return values;
}

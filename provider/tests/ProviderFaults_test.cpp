#include "ProviderTestFixture.h"

#include <sstream>

#include <wx/wfstream.h>

#include <nlohmann/json.hpp>

namespace {

// The journal's lines about `operation` (or path).
std::vector<nlohmann::json> linesAbout(const ScratchDir& dir, const std::string& what)
{
    std::vector<nlohmann::json> found;
    std::istringstream journal(dir.readFile("data/journal.jsonl"));
    std::string line;
    while (std::getline(journal, line)) {
        const auto entry = nlohmann::json::parse(line);
        if (entry.value("operation", "") == what || entry.value("path", "") == what)
            found.push_back(entry);
    }
    return found;
}

} // namespace

class FaultTest : public ProviderServerTest {
protected:
    void startWithFaults(const std::string& rules)
    {
        ProviderServer::Options options;
        options.faultRules = Provider::FaultScript::parse(rules);
        server.reset();
        startServer(options);
    }
    std::string terms()
    {
        auto client = portal();
        Call call(*client);
        SoapPortal::portal__getTermsOfServiceResponse reply;
        call.check(SoapPortal::soap_call_portal__getTermsOfService(call.context(), call.endpoint(),
                                                                   "", reply));
        return reply.serviceterms;
    }
};

TEST_F(FaultTest, SoapFaultFiresAsOftenAsTold)
{
    startWithFaults("rule = portal/getTermsOfService | fault Client.Busy The shop is closed | 2\n");
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(codeOf([&] { terms(); }), "SoapClient.Busy: The shop is closed (via proxy)");
    EXPECT_EQ(terms(), "Be kind to the printers.");
    const auto lines = linesAbout(dir, "getTermsOfService");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0]["injected"], "fault Client.Busy The shop is closed");
    EXPECT_EQ(lines[1]["fault"], "SOAP-ENV:Client.Busy");
    EXPECT_FALSE(lines[2].contains("injected"));
    EXPECT_EQ(server->faults().firings(0), 2u);
}

TEST_F(FaultTest, CloseLeavesTheClientWithoutAnswer)
{
    startWithFaults("rule = portal/getTermsOfService | close | 1\n"
                    "rule = GET /files/* | close | 1\n");
    const wxString failure = codeOf([&] { terms(); });
    EXPECT_NE(failure, "nothing thrown");
    EXPECT_FALSE(failure.StartsWith("SoapClient")) << failure;
    EXPECT_EQ(terms(), "Be kind to the printers.");

    RawConnection raw(server->port());
    raw.send("GET /files/templatelist.xml HTTP/1.0\r\n\r\n");
    bool closed = false;
    EXPECT_EQ(raw.receiveAll(&closed), "");
    EXPECT_TRUE(closed);
    EXPECT_EQ(linesAbout(dir, "/files/templatelist.xml").at(0)["status"], 0);
}

TEST_F(FaultTest, DelayHoldsTheAnswerBack)
{
    startWithFaults("rule = locator/* | delay 300 | 1\n");
    EXPECT_EQ(listing(), "All shops");
    EXPECT_EQ(listing(), "All shops");
    const auto lines = linesAbout(dir, "getDirectoryContents");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]["injected"], "delay 300");
    EXPECT_GE(lines[0]["ms"].get<int>(), 300);
    EXPECT_FALSE(lines[1].contains("injected"));
}

TEST_F(FaultTest, DownloadsCanBeCutOrCarryAWrongMd5)
{
    dir.writeFile("data/files/big.bin", std::string(10000, 'b'));
    startWithFaults("rule = GET /files/big.bin | truncate 100 | 1\n"
                    "rule = /files/big.bin | wrong-md5 | 1\n");
    const wxString url = "http://demo.portal.vistrelle.net/files/big.bin";
    auto fetch = [&](const wxString& name) {
        Quorvel::HTTPClient http(*settings);
        try {
            EXPECT_EQ(http.get(url), 200);
            EXPECT_EQ(http.getContentLength(), 10000);
            {
                wxFileOutputStream out(dir / name);
                http.download(out, nullptr, 0);
            }
            http.verifyDownloadedFile(dir / name);
        } catch (const Quorvel::Exception& e) {
            return utf8(e.getMessage());
        }
        return std::string("ok");
    };
    EXPECT_EQ(fetch("cut.bin"), "HttpClient: Downloaded bytes (100) does not match expected "
                                "bytes (10000)");
    EXPECT_EQ(fetch("spoiled.bin"), "md5sum check of downloaded file failed");
    EXPECT_EQ(fetch("whole.bin"), "ok");
    const auto lines = linesAbout(dir, "/files/big.bin");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0]["bytes"], 100);
    EXPECT_EQ(lines[1]["injected"], "wrong-md5");
    EXPECT_NE(lines[1]["md5"], lines[2]["md5"]);
}

TEST_F(FaultTest, LocatorRedirectsToItself)
{
    // From the configuration's own [faults] section this time.
    server.reset();
    startServer(ProviderServer::Options(),
                "[faults]\nrule = locator/getDirectoryContents | redirect-self | 1\n");
    TestClient locator("locator", "/service/locator/1.0/", *settings);
    locator.setAddress({"locator.vistrelle.net", 80, "", ""});
    auto list = [&](std::string& redirectPath, std::string& redirectHost) {
        Call call(locator);
        SoapLocator::locator__getDirectoryContentsResponse reply;
        call.check(SoapLocator::soap_call_locator__getDirectoryContents(
            call.context(), call.endpoint(), "", "/nordic", "en", reply));
        redirectPath = reply.redirect ? reply.redirect->path : "";
        redirectHost = reply.redirect ? reply.redirect->host : "";
        return reply.description;
    };
    std::string path;
    std::string host;
    list(path, host);
    EXPECT_EQ(path, "/nordic");
    EXPECT_EQ(host, "locator.vistrelle.net");
    EXPECT_EQ(list(path, host), "Nordic shops");
    EXPECT_EQ(path, "");
}

TEST_F(FaultTest, RegistrationTokenPicturesCanBeSpoiled)
{
    startWithFaults("rule = portal/getRegistrationToken | bad-token not-png | 1\n"
                    "rule = portal/getRegistrationToken | bad-token truncated | 1\n"
                    "rule = portal/getRegistrationToken | bad-token missing | 1\n"
                    "rule = portal/getRegistrationToken | bad-token too-large | 1\n");
    auto client = portal();
    // The picture's bytes, or "none" when the reply has no picture.
    auto picture = [&] {
        Call call(*client);
        SoapPortal::portal__getRegistrationTokenResponse reply;
        call.check(SoapPortal::soap_call_portal__getRegistrationToken(
            call.context(), call.endpoint(), "", "png", reply));
        EXPECT_FALSE(reply.tokenid.empty());
        if (!reply.tokenimage)
            return std::string("none");
        return std::string(reinterpret_cast<const char*>(reply.tokenimage->__ptr),
                           reply.tokenimage->__size);
    };
    const std::string signature("\x89PNG\r\n\x1a\n", 8);
    auto bigEndian = [](const std::string& bytes, size_t at) {
        uint32_t value = 0;
        for (size_t i = at; i < at + 4; ++i)
            value = value << 8 | static_cast<unsigned char>(bytes[i]);
        return value;
    };

    const std::string notPng = picture();
    EXPECT_NE(notPng.substr(0, 8), signature);
    EXPECT_FALSE(notPng.empty());
    const std::string truncated = picture();
    EXPECT_EQ(truncated.substr(0, 8), signature);
    EXPECT_EQ(truncated.find("IEND"), std::string::npos);
    EXPECT_EQ(picture(), "none");
    // Small to send, but its header promises far more pixels than any token has.
    const std::string large = picture();
    ASSERT_GE(large.size(), 24u);
    EXPECT_EQ(large.substr(0, 8), signature);
    EXPECT_EQ(large.substr(12, 4), "IHDR");
    EXPECT_EQ(bigEndian(large, 16), uint32_t(Provider::FaultScript::TOO_LARGE_TOKEN_SIDE));
    EXPECT_EQ(bigEndian(large, 20), uint32_t(Provider::FaultScript::TOO_LARGE_TOKEN_SIDE));
    EXPECT_LT(large.size(), 1024u * 1024u);
    // Every rule fired its once: a sound picture again.
    const std::string sound = picture();
    EXPECT_EQ(sound.substr(0, 8), signature);
    EXPECT_NE(sound.find("IEND"), std::string::npos);

    const auto lines = linesAbout(dir, "getRegistrationToken");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0]["injected"], "bad-token not-png");
    EXPECT_EQ(lines[3]["injected"], "bad-token too-large");
    EXPECT_FALSE(lines[4].contains("injected"));
}

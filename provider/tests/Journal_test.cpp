#include "ProviderTestFixture.h"

#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "Journal.h"

using Provider::Journal;
using json = nlohmann::json;

namespace {

std::vector<json> journalLines(const ScratchDir& dir)
{
    std::vector<json> lines;
    std::istringstream text(dir.readFile("data/journal.jsonl"));
    std::string line;
    while (std::getline(text, line)) {
        try {
            lines.push_back(json::parse(line));
        } catch (const json::exception& e) {
            ADD_FAILURE() << "not JSON: " << line << " (" << e.what() << ")";
        }
    }
    return lines;
}

// The lines of `service`/`operation`, in order.
std::vector<json> linesOf(const std::vector<json>& lines, const std::string& operation)
{
    std::vector<json> found;
    for (const auto& line : lines)
        if (line.value("operation", "") == operation || line.value("path", "") == operation)
            found.push_back(line);
    return found;
}

} // namespace

TEST(Journal, LineWithholdsSecretsAndKeepsBrokenTextReadable)
{
    Journal::Entry entry;
    entry.remote = "127.0.0.1:4000";
    entry.service = "portal";
    entry.operation = "createAccount";
    entry.arguments = {{"emailaddress", "bo@example.com"},
                       {"password", "pass word"},
                       {"tokentext", "12345"},
                       {"portalid", std::string("de\xff\xfemo")}};
    entry.status = 500;
    entry.fault = "SOAP-ENV:Client.InvalidToken";
    const std::string line = Journal::lineOf(entry);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_EQ(line.find("pass word"), std::string::npos) << line;
    EXPECT_EQ(line.find("12345"), std::string::npos) << line;
    const json parsed = json::parse(line);
    EXPECT_EQ(parsed["arguments"]["emailaddress"], "bo@example.com");
    EXPECT_EQ(parsed["arguments"]["password"], "[withheld]");
    EXPECT_EQ(parsed["arguments"]["portalid"], "de\xef\xbf\xbd\xef\xbf\xbdmo");
    EXPECT_EQ(parsed["status"], 500);
    EXPECT_EQ(parsed["fault"], "SOAP-ENV:Client.InvalidToken");
    EXPECT_FALSE(parsed.contains("method"));
    EXPECT_FALSE(parsed.contains("bytes"));
    // "2024-05-01T12:00:00.123Z"
    const std::string time = parsed["time"];
    EXPECT_EQ(time.size(), 24u) << time;
    EXPECT_EQ(time.back(), 'Z');

    const std::string digest = Journal::sessionDigest("abcdefghijklmnopqrstuvwxyz012345");
    EXPECT_EQ(digest.size(), 12u);
    EXPECT_EQ(digest.find("abcdef"), std::string::npos);
    EXPECT_NE(Journal::sessionDigest("abcdefghijklmnopqrstuvwxyz012346"), digest);
}

TEST_F(ProviderServerTest, JournalHasOneLinePerRequestAndNoSecret)
{
    int requests = 0;
    EXPECT_EQ(listing(), "All shops");
    ++requests;

    auto client = portal();
    auto createAccount = [&](const std::string& token, const std::string& text) {
        Call call(*client);
        SoapPortal::portal__createAccountResponse reply;
        ++requests;
        call.check(SoapPortal::soap_call_portal__createAccount(
            call.context(), call.endpoint(), "", token, text, "demo", "jo@example.com", "pass word",
            reply));
        return reply.accountid;
    };
    const std::string wrongToken = newToken(*client);
    ++requests;
    EXPECT_NE(codeOf([&] { createAccount(wrongToken, "99999"); }), "nothing thrown");
    const std::string token = newToken(*client);
    ++requests;
    const std::string tokenText = *store().tokenText(token);
    const std::string id = createAccount(token, tokenText);

    auto account = portal("jo@example.com", "pass word");
    const std::string session = openSession(*account);
    ++requests;
    auto bySession = portal("SESSIONID", wxString::FromUTF8(session.c_str()));
    EXPECT_EQ(accountId(*bySession), id);
    ++requests;
    {
        Call call(*bySession);
        SoapPortal::portal__sendMobileActivationCodeResponse reply;
        call.check(SoapPortal::soap_call_portal__sendMobileActivationCode(
            call.context(), call.endpoint(), "", "+4790000000", reply));
        ++requests;
    }
    const std::string code = *store().activationCode(id);
    {
        Call call(*bySession);
        SoapPortal::portal__activateMobileResponse reply;
        call.check(SoapPortal::soap_call_portal__activateMobile(call.context(), call.endpoint(), "",
                                                                code, reply));
        ++requests;
    }
    Quorvel::HTTPClient http(*settings);
    wxString text;
    http.fetchToString("http://demo.portal.vistrelle.net/files/templatelist.xml", text);
    ++requests;
    {
        RawConnection garbage(server->port());
        garbage.send("NOT HTTP AT ALL\r\n\r\n");
        EXPECT_EQ(garbage.receiveAll().substr(0, 12), "HTTP/1.1 400");
        ++requests;
    }
    // A connection that never says anything is no request.
    RawConnection(server->port()).receiveAll(nullptr, std::chrono::milliseconds(0));

    const std::string whole = dir.readFile("data/journal.jsonl");
    for (const std::string& secret : {std::string("pass word"), session, tokenText, code})
        EXPECT_EQ(whole.find(secret), std::string::npos) << secret;
    const auto lines = journalLines(dir);
    EXPECT_EQ(lines.size(), static_cast<size_t>(requests)) << whole;

    const auto creations = linesOf(lines, "createAccount");
    ASSERT_EQ(creations.size(), 2u);
    EXPECT_EQ(creations[0]["service"], "portal");
    EXPECT_EQ(creations[0]["status"], 500);
    EXPECT_EQ(creations[0]["fault"], "SOAP-ENV:Client.InvalidToken");
    EXPECT_EQ(creations[1]["status"], 200);
    EXPECT_EQ(creations[1]["arguments"]["emailaddress"], "jo@example.com");
    EXPECT_EQ(creations[1]["arguments"]["tokenid"], token);
    EXPECT_EQ(creations[1]["arguments"]["password"], "[withheld]");
    EXPECT_EQ(creations[1]["remote"].get<std::string>().rfind("127.0.0.1:", 0), 0u);

    const auto sessions = linesOf(lines, "getAccountId");
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(sessions[0]["account"], id);
    EXPECT_EQ(sessions[0]["session"], Journal::sessionDigest(session));
    EXPECT_EQ(linesOf(lines, "createSession")[0]["account"], id);
    EXPECT_EQ(linesOf(lines, "activateMobile")[0]["arguments"]["activationcode"], "[withheld]");

    const auto files = linesOf(lines, "/files/templatelist.xml");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0]["method"], "GET");
    EXPECT_EQ(files[0]["status"], 200);
    EXPECT_EQ(files[0]["bytes"], std::string("<templatelist/>").size());
    EXPECT_EQ(lines.back()["status"], 400);
}

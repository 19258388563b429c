#include "ProviderTestFixture.h"

namespace {

// Status line and body of a GET of `target` from `host`, written by hand.
std::pair<std::string, std::string> get(int port, const std::string& host,
                                        const std::string& target)
{
    RawConnection connection(port);
    connection.send("GET " + target + " HTTP/1.1\r\nHost: " + host +
                    "\r\nConnection: close\r\n\r\n");
    const std::string answer = connection.receiveAll();
    const auto headEnd = answer.find("\r\n\r\n");
    return {answer.substr(0, answer.find("\r\n")),
            headEnd == std::string::npos ? std::string() : answer.substr(headEnd + 4)};
}

} // namespace

TEST_F(ProviderServerTest, LatestVersionFileAnswersAnyUpdateLocation)
{
    // None configured: no such file, unless the operator put one among the served files.
    EXPECT_EQ(get(server->port(), "updates.example", "/vistrelle/linux/LATEST_VERSION").first,
              "HTTP/1.1 404 Not Found");
    dir.writeFile("data/files/vistrelle/linux/LATEST_VERSION", "2.0.1\n");
    EXPECT_EQ(get(server->port(), "updates.example", "/files/vistrelle/linux/LATEST_VERSION"),
              std::make_pair(std::string("HTTP/1.1 200 OK"), std::string("2.0.1\n")));
    server.reset();
    startServer(ProviderServer::Options(), "[provider]\nlatestversion = 2.4.17\n");
    for (const std::string target :
         {"/vistrelle/linux/LATEST_VERSION", "/updates/app-7/windows/LATEST_VERSION",
          "http://updates.example/x/LATEST_VERSION"})
        EXPECT_EQ(get(server->port(), "updates.example", target),
                  std::make_pair(std::string("HTTP/1.1 200 OK"), std::string("2.4.17\n")))
            << target;
    // Only the whole last step counts.
    EXPECT_EQ(get(server->port(), "updates.example", "/x/MY_LATEST_VERSION").first,
              "HTTP/1.1 404 Not Found");

    server.reset();
    startServer(ProviderServer::Options(),
                "[provider]\nlatestversion = 2.5\ndownloadpage = https://example.com/get\n");
    EXPECT_EQ(get(server->port(), "updates.example", "/v/linux/LATEST_VERSION").second,
              "2.5\nhttps://example.com/get\n");
}

TEST_F(ProviderServerTest, PasswordReminderPageOfThePortalTheHostNames)
{
    const int port = server->port();
    const std::string host = "demo.portal.vistrelle.net";
    const auto form = get(port, host, "/go/passwordreminder");
    EXPECT_EQ(form.first, "HTTP/1.1 200 OK");
    EXPECT_NE(form.second.find("<title>Demo Photo: password reminder</title>"), std::string::npos);
    EXPECT_NE(form.second.find("<label for=\"email\">Email address:</label>"), std::string::npos);

    // An account and no account get the same answer: the page tells no one which addresses
    // have accounts.
    const auto known = get(port, host, "/go/passwordreminder?email=anna%40example.com");
    EXPECT_EQ(known.first, "HTTP/1.1 200 OK");
    EXPECT_NE(known.second.find("If anna@example.com has an account with Demo Photo, a reminder "
                                "of its password is on its way."),
              std::string::npos);
    const auto unknown = get(port, host, "/go/passwordreminder?email=nobody%40example.com");
    EXPECT_EQ(unknown.first, known.first);
    EXPECT_NE(unknown.second.find("If nobody@example.com has an account"), std::string::npos);

    // What is no address comes back escaped, never as markup.
    const auto hostile = get(port, host, "/go/passwordreminder?email=%3Cscript%3Ex%3C/script%3E");
    EXPECT_EQ(hostile.first, "HTTP/1.1 400 Bad Request");
    EXPECT_EQ(hostile.second.find("<script>"), std::string::npos);
    EXPECT_NE(hostile.second.find("&lt;script&gt;x&lt;/script&gt;"), std::string::npos);

    // A host that names no portal has no such page.
    EXPECT_EQ(get(port, "nowhere.portal.vistrelle.net", "/go/passwordreminder").first,
              "HTTP/1.1 404 Not Found");
    EXPECT_EQ(get(port, "127.0.0.1", "/go/passwordreminder").first, "HTTP/1.1 404 Not Found");
}

#include "ProviderTestFixture.h"

#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <sstream>

#include <wx/base64.h>

#include <nlohmann/json.hpp>

#include "Md5.h"

namespace {

using namespace std::chrono_literals;

struct SslDeleter {
    void operator()(SSL* ssl) const { SSL_free(ssl); }
    void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
};

// A client connection that reads one answer at a time (framed by its Content-Length), over
// plain TCP or TLS (trusting any certificate: only the connection's reuse is looked at).
class KeptConnection {
public:
    explicit KeptConnection(int port, bool tls = false) : m_socket(connectToLoopback(port))
    {
        if (!tls)
            return;
        m_context.reset(SSL_CTX_new(TLS_client_method()));
        m_ssl.reset(SSL_new(m_context.get()));
        SSL_set_fd(m_ssl.get(), m_socket);
        if (SSL_connect(m_ssl.get()) != 1)
            ADD_FAILURE() << "no TLS handshake";
    }
    ~KeptConnection() { ::close(m_socket); }

    bool send(const std::string& data)
    {
        if (m_ssl)
            return SSL_write(m_ssl.get(), data.data(), static_cast<int>(data.size())) ==
                   static_cast<int>(data.size());
        return ::send(m_socket, data.data(), data.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(data.size());
    }
    void shutdownWrite() { ::shutdown(m_socket, SHUT_WR); }
    // The next whole answer, head and body; empty when the provider closed (or 10 s passed)
    // before it was whole.
    std::string answer()
    {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        size_t headEnd;
        while ((headEnd = m_buffer.find("\r\n\r\n")) == std::string::npos)
            if (!fill(deadline))
                return std::string();
        const std::string head = m_buffer.substr(0, headEnd);
        const auto field = head.find("Content-Length: ");
        const size_t length = field == std::string::npos ? 0 : std::stoul(head.substr(field + 16));
        while (m_buffer.size() < headEnd + 4 + length)
            if (!fill(deadline))
                return std::string();
        std::string whole = m_buffer.substr(0, headEnd + 4 + length);
        m_buffer.erase(0, whole.size());
        return whole;
    }
    // True when the provider closes the connection within `limit`.
    bool closes(std::chrono::milliseconds limit = 10s)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (fill(deadline)) {
        }
        return m_closed;
    }

private:
    bool fill(std::chrono::steady_clock::time_point deadline)
    {
        if (m_closed)
            return false;
        if (!m_ssl || SSL_pending(m_ssl.get()) == 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd wait{m_socket, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) <= 0)
                return false;
        }
        char block[65536];
        const long count = m_ssl ? SSL_read(m_ssl.get(), block, sizeof block)
                                 : ::recv(m_socket, block, sizeof block, 0);
        if (count <= 0) {
            m_closed = true;
            return false;
        }
        m_buffer.append(block, static_cast<size_t>(count));
        return true;
    }

    int m_socket = -1;
    std::unique_ptr<SSL_CTX, SslDeleter> m_context;
    std::unique_ptr<SSL, SslDeleter> m_ssl;
    std::string m_buffer;
    bool m_closed = false;
};

const std::string HOST = "Host: demo.portal.vistrelle.net\r\n";

std::string soapCall(const std::string& version = "HTTP/1.1")
{
    const std::string body =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
        "xmlns:portal=\"http://vistrelle.net/service/portal/3.0\"><SOAP-ENV:Body>"
        "<portal:getPortalInformation><portalid>demo</portalid><language>en</language>"
        "</portal:getPortalInformation></SOAP-ENV:Body></SOAP-ENV:Envelope>";
    return "POST /service/portal/3.0/ " + version + "\r\n" + HOST +
           "Content-Type: text/xml; charset=utf-8\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string get(const std::string& path, const std::string& version = "HTTP/1.1",
                const std::string& headers = "")
{
    return "GET " + path + " " + version + "\r\n" + HOST + headers + "\r\n";
}

bool kept(const std::string& answer)
{
    return answer.find("\r\nConnection: keep-alive\r\n") != std::string::npos &&
           answer.find("\r\nConnection: close\r\n") == std::string::npos;
}

std::string statusOf(const std::string& answer)
{
    return answer.substr(0, 12);
}

} // namespace

TEST(HttpRequestHead, AsksToKeepConnectionByVersionAndConnectionOptions)
{
    const auto asks = [](const std::string& version, const std::string& fields) {
        return Provider::HttpRequestHead::parse("GET / " + version + "\r\nHost: a\r\n" + fields +
                                                "\r\n")
            ->asksToKeepConnection();
    };
    EXPECT_TRUE(asks("HTTP/1.1", ""));
    EXPECT_FALSE(asks("HTTP/1.1", "Connection: Upgrade, CLOSE\r\n"));
    EXPECT_FALSE(asks("HTTP/1.1", "Connection: keep-alive\r\nConnection: close\r\n"));
    EXPECT_FALSE(asks("HTTP/1.0", ""));
    EXPECT_TRUE(asks("HTTP/1.0", "Connection: TE,  Keep-Alive \r\n"));
    EXPECT_FALSE(asks("HTTP/1.0", "Connection: keep-alived\r\n"));
}

class KeepAliveTest : public ProviderServerTest {
protected:
    void restart(ProviderServer::Options options, const std::string& faults = std::string())
    {
        options.faultRules = Provider::FaultScript::parse(faults);
        server.reset();
        startServer(options);
    }
    // The Authorization line of a new session of the configured account.
    std::string sessionCredentials()
    {
        const std::string user = "SESSIONID:" + annaSession();
        return "Authorization: Basic " + utf8(wxBase64Encode(user.data(), user.size())) + "\r\n";
    }
    // The journal's lines, in order.
    std::vector<nlohmann::json> journal()
    {
        std::vector<nlohmann::json> lines;
        std::istringstream text(dir.readFile("data/journal.jsonl"));
        std::string line;
        while (std::getline(text, line))
            lines.push_back(nlohmann::json::parse(line));
        return lines;
    }
};

TEST_F(KeepAliveTest, SoapCallsTransfersAndPagesShareOneConnectionEachJournalled)
{
    const std::string credentials = sessionCredentials();
    const size_t before = journal().size();
    const std::string content(100000, 'q');
    Provider::Md5 digest;
    digest.update(content.data(), content.size());
    const std::string md5 = digest.hex();

    KeptConnection connection(server->port());
    const std::string upload = "POST /upload/storage/a.jpg HTTP/1.1\r\n" + HOST + credentials +
                               "X-Quorvel-MD5: " + md5 + "\r\nContent-Length: 100000\r\n\r\n" +
                               content;
    // The second call comes with the upload at once, the download with the page: each request
    // is read up to its own end, the next one's bytes left for it.
    ASSERT_TRUE(connection.send(soapCall()));
    ASSERT_TRUE(connection.send(soapCall() + upload));
    for (int call = 0; call < 2; ++call) {
        const std::string answer = connection.answer();
        EXPECT_EQ(statusOf(answer), "HTTP/1.1 200") << answer;
        EXPECT_NE(answer.find("Demo Photo"), std::string::npos) << answer;
        EXPECT_TRUE(kept(answer)) << answer;
    }
    std::string answer = connection.answer();
    EXPECT_EQ(statusOf(answer), "HTTP/1.1 200") << answer;
    EXPECT_TRUE(kept(answer)) << answer;
    ASSERT_TRUE(connection.send(get("/download/storage/a.jpg", "HTTP/1.1", credentials) +
                                get("/files/templatelist.xml")));
    answer = connection.answer();
    EXPECT_EQ(statusOf(answer), "HTTP/1.1 200");
    EXPECT_EQ(answer.substr(answer.size() - content.size()), content);
    answer = connection.answer();
    EXPECT_TRUE(kept(answer)) << answer;
    EXPECT_EQ(answer.substr(answer.size() - 15), "<templatelist/>");

    const auto lines = journal();
    ASSERT_EQ(lines.size(), before + 5);
    EXPECT_EQ(lines[before]["operation"], "getPortalInformation");
    EXPECT_EQ(lines[before + 1]["operation"], "getPortalInformation");
    EXPECT_EQ(lines[before + 2]["path"], "/upload/storage/a.jpg");
    EXPECT_EQ(lines[before + 2]["md5"], md5);
    EXPECT_EQ(lines[before + 3]["path"], "/download/storage/a.jpg");
    EXPECT_EQ(lines[before + 4]["path"], "/files/templatelist.xml");
    for (size_t i = before; i < lines.size(); ++i)
        EXPECT_EQ(lines[i]["status"], 200) << lines[i];
}

TEST_F(KeepAliveTest, ClosesWhenTheClientDoesNotAskOrTheRequestWasNotReadToItsEnd)
{
    const auto closesAfter = [&](const std::string& request, const std::string& status) {
        KeptConnection connection(server->port());
        connection.send(request);
        const std::string answer = connection.answer();
        EXPECT_EQ(statusOf(answer), status) << answer;
        EXPECT_NE(answer.find("\r\nConnection: close\r\n"), std::string::npos) << answer;
        return connection.closes();
    };
    EXPECT_TRUE(closesAfter(get("/files/templatelist.xml", "HTTP/1.0"), "HTTP/1.1 200"));
    EXPECT_TRUE(closesAfter(get("/files/templatelist.xml", "HTTP/1.1", "Connection: close\r\n"),
                            "HTTP/1.1 200"));
    EXPECT_TRUE(closesAfter(soapCall("HTTP/1.0"), "HTTP/1.1 200"));
    // A body nobody read, a refusal before the body, a body declared as chunked.
    EXPECT_TRUE(closesAfter("GET /files/templatelist.xml HTTP/1.1\r\n" + HOST +
                                "Content-Length: 5\r\n\r\nhello",
                            "HTTP/1.1 200"));
    EXPECT_TRUE(closesAfter("POST /upload/storage/a.jpg HTTP/1.1\r\n" + HOST +
                                "Content-Length: 10\r\n\r\n0123456789",
                            "HTTP/1.1 401"));
    EXPECT_TRUE(closesAfter("POST /service/portal/3.0/ HTTP/1.1\r\n" + HOST +
                                "Transfer-Encoding: chunked\r\n\r\n0\r\n\r\n",
                            "HTTP/1.1 500"));

    // An upload cut short: the client gives up halfway.
    const std::string credentials = sessionCredentials();
    KeptConnection cut(server->port());
    cut.send("POST /upload/storage/b.jpg HTTP/1.1\r\n" + HOST + credentials +
             "X-Quorvel-MD5: 0123456789abcdef0123456789abcdef\r\nContent-Length: 1000\r\n\r\n" +
             std::string(400, 'x'));
    cut.shutdownWrite();
    const std::string answer = cut.answer();
    EXPECT_EQ(statusOf(answer), "HTTP/1.1 400") << answer;
    EXPECT_FALSE(kept(answer));
    EXPECT_TRUE(cut.closes());

    // HTTP/1.0 that asks is kept, and told so.
    KeptConnection asked(server->port());
    for (int request = 0; request < 2; ++request) {
        asked.send(get("/files/templatelist.xml", "HTTP/1.0", "Connection: keep-alive\r\n"));
        EXPECT_TRUE(kept(asked.answer()));
    }
}

TEST_F(KeepAliveTest, RequestLimitAndIdleTimeClose)
{
    ProviderServer::Options options;
    options.keepAliveRequests = 3;
    options.keepAliveSeconds = 1;
    restart(options);
    KeptConnection limited(server->port());
    for (int request = 1; request <= 3; ++request) {
        limited.send(get("/files/templatelist.xml"));
        const std::string answer = limited.answer();
        EXPECT_EQ(statusOf(answer), "HTTP/1.1 200");
        EXPECT_EQ(kept(answer), request < 3) << request;
    }
    EXPECT_TRUE(limited.closes());

    // A kept connection on which nothing follows is closed, unjournalled.
    KeptConnection idle(server->port());
    idle.send(get("/files/templatelist.xml"));
    EXPECT_TRUE(kept(idle.answer()));
    const size_t lines = journal().size();
    EXPECT_TRUE(idle.closes());
    EXPECT_EQ(journal().size(), lines);

    // No keep-alive time keeps nothing.
    options.keepAliveSeconds = 0;
    restart(options);
    KeptConnection none(server->port());
    none.send(get("/files/templatelist.xml"));
    EXPECT_FALSE(kept(none.answer()));
    EXPECT_TRUE(none.closes());
}

TEST_F(KeepAliveTest, FaultScriptFiresPerRequestOfAConnection)
{
    restart(ProviderServer::Options(), "rule = GET /files/templatelist.xml | close | 1\n"
                                       "rule = GET /files/truncated.xml | truncate 3\n");
    dir.writeFile("data/files/truncated.xml", "<truncated/>");
    const size_t before = journal().size();
    KeptConnection closed(server->port());
    closed.send(soapCall());
    EXPECT_TRUE(kept(closed.answer()));
    closed.send(get("/files/templatelist.xml"));
    EXPECT_TRUE(closed.closes());
    auto lines = journal();
    ASSERT_EQ(lines.size(), before + 2);
    EXPECT_EQ(lines[before + 1]["path"], "/files/templatelist.xml");
    EXPECT_EQ(lines[before + 1]["status"], 0);
    EXPECT_EQ(lines[before + 1]["injected"], "close");

    // A body cut short by the script: the client learns it from the connection's end.
    KeptConnection truncated(server->port());
    truncated.send(get("/files/truncated.xml"));
    EXPECT_EQ(truncated.answer(), "");
    EXPECT_TRUE(truncated.closes(1s));
}

TEST_F(KeepAliveTest, StoppingEndsKeptConnectionsPromptly)
{
    ProviderServer::Options options;
    options.keepAliveSeconds = 600;
    options.workers = 2;
    restart(options);
    std::vector<std::unique_ptr<KeptConnection>> connections;
    for (int i = 0; i < 2; ++i) {
        connections.push_back(std::make_unique<KeptConnection>(server->port()));
        connections.back()->send(get("/files/templatelist.xml"));
        EXPECT_TRUE(kept(connections.back()->answer()));
    }
    const auto start = std::chrono::steady_clock::now();
    server->stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    for (auto& connection : connections)
        EXPECT_TRUE(connection->closes(1s));
}

TEST_F(KeepAliveTest, TlsConnectionsAreKept)
{
    ProviderServer tls(ProviderConfig::parse(CONFIG, utf8(dir / "conf")), utf8(dir / "tlsdata"));
    tls.setQuiet(true);
    tls.useTls(TEST_CA_DIR "/server.pem");
    dir.writeFile("tlsdata/files/templatelist.xml", "<templatelist/>");
    KeptConnection connection(tls.start("127.0.0.1", 0), true);
    for (int request = 0; request < 3; ++request) {
        connection.send(request == 1 ? soapCall() : get("/files/templatelist.xml"));
        const std::string answer = connection.answer();
        EXPECT_EQ(statusOf(answer), "HTTP/1.1 200") << answer;
        EXPECT_TRUE(kept(answer)) << answer;
    }
}

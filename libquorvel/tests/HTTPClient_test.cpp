#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include <wx/filefn.h>
#include <wx/mstream.h>

#include "FullListener.h"
#include "LoopbackHttpServer.h"
#include "ScratchDir.h"
#include "service/HTTPClient.h"
#include "service/NetworkSettings.h"
#include "system/Exceptions.h"
#include "system/UserAgent.h"
#include "threads/HttpCallbackObj.h"
#include "util/InputFile.h"

using Quorvel::HTTPClient;
using Response = LoopbackHttpServer::Response;

namespace {

const std::string BOUNDARY = HTTPClient::MULTIPART_BOUNDARY;

// Records progress reports and stops the transfer after `stopAfter` of them.
class Progress : public Quorvel::HttpCallbackObj {
public:
    explicit Progress(int stopAfter = -1) : m_stopAfter(stopAfter) {}
    bool progress(int64_t done, int64_t total) override
    {
        last = {done, total};
        return ++calls != m_stopAfter;
    }
    int calls = 0;
    std::pair<int64_t, int64_t> last{-1, -1};

private:
    int m_stopAfter;
};

// The message of what `action` throws as E; fails the test when it throws nothing or another
// kind.
template <class E, class F> wxString messageOf(F action)
{
    try {
        action();
    } catch (const E& e) {
        return e.getMessage();
    }
    ADD_FAILURE() << "nothing thrown";
    return wxString();
}

} // namespace

class HTTPClientTest : public ::testing::Test {
protected:
    ScratchDir dir;
    LoopbackHttpServer server;
    Quorvel::NetworkSettings settings{dir / "network.ini"};
    HTTPClient client{settings};

    void useProxy(int port, const std::string& credentials = "")
    {
        dir.writeFile("network.ini", "[HttpProxy]\nHost=127.0.0.1\nPort=" + std::to_string(port) +
                                         "\n" + credentials);
    }
    wxString download(const Response& response, int64_t maxBytes = 0)
    {
        server.enqueue(response);
        EXPECT_EQ(client.get(server.url("/file")), 200);
        wxMemoryOutputStream out;
        client.download(out, nullptr, maxBytes);
        return wxString::FromUTF8(
            static_cast<const char*>(out.GetOutputStreamBuffer()->GetBufferStart()), out.GetSize());
    }
};

TEST_F(HTTPClientTest, DirectGetSendsOnlyItsOwnHeaders)
{
    server.enqueue(Response::ok("hello"));
    client.setUser("anna");
    client.setPassword("secret");
    EXPECT_EQ(client.get(server.url("/prices/list.xml?x=1")), 200);

    const auto request = server.lastRequest();
    EXPECT_EQ(request.requestLine(), "GET /prices/list.xml?x=1 HTTP/1.0");
    EXPECT_EQ(request.header("Host"), "127.0.0.1:" + std::to_string(server.port()));
    EXPECT_EQ(request.header("User-Agent"), Quorvel::UserAgent::get());
    EXPECT_EQ(request.header("Authorization"), "Basic YW5uYTpzZWNyZXQ=");
    EXPECT_EQ(request.header("Connection"), "keep-alive");
    for (const char* absent : {"Accept", "Content-Length", "Proxy-Authorization"})
        EXPECT_FALSE(request.hasHeader(absent)) << absent;
    EXPECT_EQ(std::count(request.head.begin(), request.head.end(), '\n'), 6);
}

TEST_F(HTTPClientTest, PostSendsTheBodyStreamWithItsLength)
{
    server.enqueue(Response::ok(""));
    server.enqueue(Response::ok(""));
    wxMemoryInputStream body("a=1&b=2", 7);
    client.setBodyStream(&body);
    EXPECT_EQ(client.post(server.url(), HTTPClient::POST_BODY), 200);
    auto request = server.lastRequest();
    EXPECT_EQ(request.requestLine(), "POST / HTTP/1.0");
    EXPECT_EQ(request.header("Content-Type"), "application/octet-stream");
    EXPECT_EQ(request.header("Content-Length"), "7");
    EXPECT_FALSE(request.header("Accept-Language").empty());
    EXPECT_EQ(request.body, "a=1&b=2");
}

TEST_F(HTTPClientTest, ResponseHeadersAreKeptApartAndClearedForEveryRequest)
{
    server.enqueue(Response::ok("", "X-Quorvel-MD5: 0123\r\n"));
    server.enqueue(Response::ok(""));
    client.setHeader("X-Request", "mine");
    client.get(server.url("/1"));
    EXPECT_EQ(client.getHeader("x-quorvel-md5"), "0123");
    EXPECT_EQ(client.getHeader("X-Request"), "");
    client.get(server.url("/2"));
    EXPECT_EQ(client.getHeader("X-QUORVEL-MD5"), "");
    EXPECT_EQ(server.lastRequest().header("X-Request"), "mine");
}

TEST_F(HTTPClientTest, RefusesUnsafeAddressesAndHeadersBeforeConnecting)
{
    const wxString base = wxString::Format("http://127.0.0.1:%d", server.port());
    for (const wxString& url :
         {wxString("ftp://127.0.0.1/"), wxString("file:///etc/passwd"), wxString("127.0.0.1/"),
          base + "/a\r\nX-Injected: 1", base + "/a\nb", base + wxString("/a\0b", 4),
          wxString("http://127.0.0.1:0/"), wxString("http://127.0.0.1:65536/"),
          wxString("http://127.0.0.1:8o/"), wxString("http://127.0.0.1:/"),
          wxString("http://user@127.0.0.1/"), wxString("http:///path"), wxString("http://::1/"),
          wxString("http://exa mple.test/"), wxString("http://exa%6Dple.test/"),
          wxString("http://-x.test/"), wxString("http://[::1/")})
        EXPECT_THROW(client.get(url), Quorvel::NetworkException) << url;
    client.setHeader("X-Note", "a\r\nHost: elsewhere");
    EXPECT_THROW(client.get(base + "/"), Quorvel::NetworkException);
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(HTTPClientTest, PathsAreEscapedWhereTheyWouldEndOrChange)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/web/a#1.jpg", "/web/a%231.jpg"},
        {"/web/IMG%20001.jpg", "/web/IMG%20001.jpg"},
        {"/web/100%.jpg", "/web/100%25.jpg"},
        {"/web/%zz%4", "/web/%25zz%254"},
        {"/web/b c\xC3\xA6.jpg", "/web/b%20c%C3%A6.jpg"},
        {"/list?a=1&b=x#2", "/list?a=1&b=x%232"},
    };
    for (const auto& [path, sent] : cases) {
        server.enqueue(Response::ok(""));
        EXPECT_EQ(client.get(server.url(path)), 200) << path;
        EXPECT_EQ(server.lastRequest().requestLine(), std::string("GET ") + sent + " HTTP/1.0");
    }
    // An address whose host ends at "#" or "?" still asks for a path.
    server.enqueue(Response::ok(""));
    client.get(wxString::Format("http://127.0.0.1:%d#top", server.port()));
    EXPECT_EQ(server.lastRequest().requestLine(), "GET /%23top HTTP/1.0");
}

TEST_F(HTTPClientTest, EmptyPathBecomesSlashAndPortOverrideReplacesPort80)
{
    server.enqueue(Response::ok(""));
    client.get(wxString::Format("http://127.0.0.1:%d", server.port()));
    EXPECT_EQ(server.lastRequest().requestLine(), "GET / HTTP/1.0");

    dir.writeFile("network.ini", "[Http]\nPortOverride=" + std::to_string(server.port()) + "\n");
    server.enqueue(Response::ok(""));
    EXPECT_EQ(client.get("http://127.0.0.1/doc"), 200);
    EXPECT_EQ(server.lastRequest().requestLine(), "GET /doc HTTP/1.0");
    EXPECT_EQ(client.getPort(), server.port());
}

TEST_F(HTTPClientTest, ProxyGetsTheAbsoluteAddressAndCredentials)
{
    useProxy(server.port(), "UserId=me\nPassword=pw\n");
    server.enqueue(Response::ok(""));
    server.enqueue(Response::ok(""));
    EXPECT_EQ(client.get("http://photos.example.test:8080/a/b.jpg"), 200);
    EXPECT_TRUE(client.isViaProxy());
    auto request = server.lastRequest();
    EXPECT_EQ(request.requestLine(), "GET http://photos.example.test:8080/a/b.jpg HTTP/1.0");
    EXPECT_EQ(request.header("Proxy-Authorization"), "Basic bWU6cHc=");
    EXPECT_EQ(request.header("Host"), "photos.example.test:8080");

    client.get("http://photos.example.test/c");
    EXPECT_EQ(server.lastRequest().requestLine(), "GET http://photos.example.test/c HTTP/1.0");
}

TEST_F(HTTPClientTest, ProxyRefusingAuthorisationIsAnHttpError)
{
    useProxy(server.port());
    server.enqueue(Response::status(407, "Proxy Authentication Required"));
    EXPECT_EQ(messageOf<Quorvel::RuntimeException>(
                  [&] { client.getAndCheck("http://photos.example.test/", "Error downloading"); }),
              "Error downloading HTTP error code 407");
}

TEST_F(HTTPClientTest, MultipartUploadFramesTheFileExactly)
{
    std::string data(1000, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7);
    dir.writeFile("photo.jpg", data);
    server.enqueue(Response::ok("done"));
    client.setFormFieldName("rpas");
    client.setMd5FromFile(dir / "photo.jpg");
    client.beginUpload(server.url("/upload"), 1000, "Error before uploading file to storage");
    Quorvel::InputFile file(dir / "photo.jpg");
    Progress progress;
    client.upload(file, &progress, 2000000000);
    client.finishUpload("Error uploading file");

    const auto request = server.lastRequest();
    EXPECT_EQ(request.requestLine(), "POST /upload HTTP/1.0");
    EXPECT_EQ(request.header("Content-Length"), "1232");
    EXPECT_EQ(request.header("Content-Type"), "multipart/form-data; boundary=" + BOUNDARY);
    EXPECT_EQ(wxString(request.header("X-Quorvel-MD5")), HTTPClient::md5OfFile(dir / "photo.jpg"));
    EXPECT_EQ(request.body, "--" + BOUNDARY +
                                "\r\nContent-Disposition: form-data; name=\"rpas\"; "
                                "filename=\"libquorvel.bin\"\r\nContent-Type: "
                                "application/octet-stream\r\n\r\n" +
                                data + "\r\n--" + BOUNDARY + "--\r\n");
    EXPECT_EQ(progress.last.first, 1000);
    EXPECT_EQ(progress.last.second, 1000);
}

TEST_F(HTTPClientTest, RawUploadOfSeveralBlocksWithContentMd5)
{
    const std::string data(300000, 'x');
    dir.writeFile("big.bin", data);
    server.enqueue(Response::ok(""));
    client.setMd5Header("abc");
    client.beginUpload(server.url("/raw"), static_cast<int64_t>(data.size()), "Error");
    Quorvel::InputFile file(dir / "big.bin");
    client.upload(file, nullptr, 0);
    client.finishUpload("Error uploading");
    const auto request = server.lastRequest();
    EXPECT_EQ(request.header("Content-MD5"), "abc");
    EXPECT_EQ(request.body, data);
}

TEST_F(HTTPClientTest, UploadThatDoesNotMatchItsAnnouncedSizeFails)
{
    dir.writeFile("twenty.bin", std::string(20, 'a'));
    server.enqueue(Response::ok(""));
    client.beginUpload(server.url("/up"), 10, "Error");
    Quorvel::InputFile longer(dir / "twenty.bin");
    EXPECT_EQ(messageOf<Quorvel::IOException>([&] { client.upload(longer, nullptr, 0); }),
              "HttpClient: Uploaded bytes (11) exceeds set content length bytes (10)");

    server.enqueue(Response::ok(""));
    client.beginUpload(server.url("/up"), 30, "Error");
    Quorvel::InputFile shorter(dir / "twenty.bin");
    EXPECT_EQ(messageOf<Quorvel::IOException>([&] { client.upload(shorter, nullptr, 0); }),
              "Uploaded bytes (20)does not match registered content length (30)");
}

TEST_F(HTTPClientTest, DroppedOrRefusedUploadRaises)
{
    const std::string data(4 * 1024 * 1024, 'u');
    dir.writeFile("big.bin", data);
    Response dropping = Response::ok("");
    dropping.closeAfterBodyBytes = 1000;
    server.enqueue(dropping);
    client.beginUpload(server.url("/up"), static_cast<int64_t>(data.size()), "Error");
    Quorvel::InputFile file(dir / "big.bin");
    EXPECT_THROW(
        {
            client.upload(file, nullptr, 0);
            client.finishUpload("Error uploading");
        },
        Quorvel::NetworkException);

    server.enqueue(Response::status(500, "Internal Server Error"));
    client.beginUpload(server.url("/up"), 3, "Error");
    wxMemoryInputStream small("abc", 3);
    client.upload(small, nullptr, 0);
    EXPECT_EQ(messageOf<Quorvel::RuntimeException>([&] { client.finishUpload("Error uploading"); }),
              "Error uploading HTTP error code 500");
}

TEST_F(HTTPClientTest, DownloadChecksTheAnnouncedLength)
{
    EXPECT_EQ(download(Response::raw("HTTP/1.0 200 OK\r\nX-Quorvel-Length: 10\r\n\r\n0123456789")),
              "0123456789");
    const char* const missing =
        "HttpClient: Content length is missing (no content length header or invalid header)";
    const std::tuple<Response, int64_t, const char*> cases[] = {
        {Response::raw("HTTP/1.0 200 OK\r\n\r\nabc"), 0, missing},
        {Response::raw("HTTP/1.0 200 OK\r\nX-Quorvel-Length: -5\r\n\r\nabc"), 0, missing},
        {Response::raw("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n"), 0,
         "HttpClient: Content-length was 0 (zero)"},
        {Response::raw("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nabcd"), 0,
         "HttpClient: Downloaded bytes (4) does not match expected bytes (10)"},
        {Response::raw("HTTP/1.0 200 OK\r\nX-Quorvel-Length: 3\r\n\r\nabcd"), 0,
         "HttpClient: Downloaded bytes (4) exceeds expected bytes (3)"},
        {Response::ok("0123456789"), 5,
         "HttpClient: Download size (10) is larger than maximum allowed (5)"},
    };
    for (const auto& [response, maxBytes, message] : cases)
        EXPECT_EQ(messageOf<Quorvel::IOException>([&] { download(response, maxBytes); }),
                  wxString(message));
}

TEST_F(HTTPClientTest, HugeAnnouncedLengthIsRefusedBeforeReading)
{
    server.enqueue(
        Response::raw("HTTP/1.0 200 OK\r\nX-Quorvel-Length: 99999999999999999999\r\n\r\n"));
    client.get(server.url());
    EXPECT_EQ(client.getContentLength(), -1);
    server.enqueue(Response::raw("HTTP/1.0 200 OK\r\nContent-Length: 100000000000\r\n\r\n"));
    wxString text;
    EXPECT_EQ(messageOf<Quorvel::IOException>([&] { client.fetchToString(server.url(), text); }),
              "HttpHelper: Download size (100000000000) is larger than maximum allowed (67108864)");
}

TEST_F(HTTPClientTest, ResponseHeadersAreLimitedInNumberAndSize)
{
    std::string many;
    for (int i = 0; i < 150; ++i)
        many += "X-Filler-" + std::to_string(i) + ": 1\r\n";
    server.enqueue(Response::ok("", many));
    server.enqueue(Response::ok("", "X-Long: " + std::string(70000, 'l') + "\r\n"));
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(messageOf<Quorvel::NetworkException>([&] {
                        client.get(server.url());
                    }).Contains("response headers"));
}

TEST_F(HTTPClientTest, ResponseHeaderLimitsAreTheLastAcceptedValues)
{
    const std::string statusLine = "HTTP/1.0 200 OK\r\n";
    auto headers = [](size_t count) {
        std::string lines;
        for (size_t i = 0; i < count; ++i)
            lines += "X-H" + std::to_string(i) + ": 1\r\n";
        return lines;
    };
    // A block of `total` bytes, status line and blank line included, in one header.
    auto bytes = [&](size_t total) {
        const std::string frame = statusLine + "X-Long: \r\n\r\n";
        return statusLine + "X-Long: " + std::string(total - frame.size(), 'l') + "\r\n\r\n";
    };
    server.enqueue(Response::raw(statusLine + headers(HTTPClient::MAX_RESPONSE_HEADERS) + "\r\n"));
    server.enqueue(
        Response::raw(statusLine + headers(HTTPClient::MAX_RESPONSE_HEADERS + 1) + "\r\n"));
    server.enqueue(Response::raw(bytes(HTTPClient::MAX_RESPONSE_HEADER_BYTES)));
    server.enqueue(Response::raw(bytes(HTTPClient::MAX_RESPONSE_HEADER_BYTES + 1)));

    EXPECT_EQ(client.get(server.url("/limit")), 200);
    const wxString last =
        wxString::Format("X-H%d", static_cast<int>(HTTPClient::MAX_RESPONSE_HEADERS - 1));
    EXPECT_EQ(client.getHeader(last), "1");
    EXPECT_TRUE(messageOf<Quorvel::NetworkException>([&] {
                    client.get(server.url("/one-more"));
                }).Contains("are too large"));
    EXPECT_EQ(client.get(server.url("/bytes")), 200);
    // Kept, though cut to the longest line.
    EXPECT_TRUE(client.getHeader("X-Long").StartsWith("llll"));
    EXPECT_TRUE(messageOf<Quorvel::NetworkException>([&] {
                    client.get(server.url("/one-more-byte"));
                }).Contains("are too large"));
}

TEST_F(HTTPClientTest, Md5OfTheDownloadedFileIsVerified)
{
    dir.writeFile("got.bin", "abc");
    const wxString md5 = HTTPClient::md5OfFile(dir / "got.bin");
    EXPECT_EQ(md5, "900150983cd24fb0d6963f7d28e17f72");
    for (const auto& [header, matches] :
         {std::make_pair(std::string(), true),
          std::make_pair("X-Quorvel-MD5: " + std::string(md5.utf8_str()) + "\r\n", true),
          std::make_pair(std::string("X-Quorvel-MD5: 900150983cd24fb0d6963f7d28e17f73\r\n"),
                         false)}) {
        server.enqueue(Response::ok("abc", header));
        client.fetchToFile(server.url("/got.bin"), dir / "copy.bin");
        if (matches)
            EXPECT_NO_THROW(client.verifyDownloadedFile(dir / "copy.bin"));
        else
            EXPECT_EQ(messageOf<Quorvel::IOException>(
                          [&] { client.verifyDownloadedFile(dir / "copy.bin"); }),
                      "md5sum check of downloaded file failed");
    }
}

TEST_F(HTTPClientTest, FetchToFileLeavesNothingOfAShortBody)
{
    server.enqueue(Response::raw("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nabcd"));
    EXPECT_THROW(client.fetchToFile(server.url(), dir / "sub/part.bin"), Quorvel::IOException);
    dir.writeFile("sub/keep", "");
    EXPECT_EQ(filesUnder(dir / "sub"), 1u);
}

TEST_F(HTTPClientTest, NoResponseIsNeverSuccess)
{
    Response early;
    early.closeBeforeAnswer = true;
    server.enqueue(early);
    const wxString message =
        messageOf<Quorvel::NetworkException>([&] { client.get(server.url("/early")); });
    EXPECT_TRUE(message.Contains(wxString::Format(
        "HTTP component error 7 when accessing /early at 127.0.0.1:%d", server.port())))
        << message;

    server.enqueue(Response::raw("garbage\r\n\r\n"));
    EXPECT_THROW(client.get(server.url()), Quorvel::NetworkException);
}

TEST_F(HTTPClientTest, UploadRefusedPartWayCarriesTheCallersMessage)
{
    const std::string data(32 * 1024 * 1024, 'u');
    dir.writeFile("big.bin", data);
    Response refusing = Response::status(413, "Request Entity Too Large");
    refusing.answerAfterBodyBytes = 1000;
    server.enqueue(refusing);
    client.setFormFieldName("rpas");
    client.beginUpload(server.url("/up"), static_cast<int64_t>(data.size()),
                       "Error before uploading file to storage");
    Quorvel::InputFile file(dir / "big.bin");
    EXPECT_EQ(messageOf<Quorvel::RuntimeException>([&] { client.upload(file, nullptr, 0); }),
              "Error before uploading file to storage HTTP error code 413");
}

TEST_F(HTTPClientTest, AbortWhileWaitingForTheAnswerSaysSo)
{
    const wxString waiting = "Aborting read of response headers by                     request.";
    std::atomic<bool> aborted{false};
    client.setAbortCheck([&] { return aborted.load(); });
    Response stalled;
    stalled.stall = true;
    wxString message;
    // Runs `step` on another thread, aborts once the server has the whole request.
    auto abortOnceSent = [&](size_t requests, const std::function<void()>& step) {
        std::thread worker([&] { message = messageOf<Quorvel::AbortException>(step); });
        EXPECT_TRUE(server.waitForRequests(requests));
        aborted = true;
        worker.join();
        aborted = false;
        return message;
    };

    server.enqueue(stalled);
    server.enqueue(stalled);
    wxMemoryInputStream body("a=1", 3);
    client.setBodyStream(&body);
    EXPECT_EQ(abortOnceSent(1, [&] { client.post(server.url(), HTTPClient::POST_BODY); }), waiting);

    client.beginUpload(server.url("/up"), 3, "Error");
    wxMemoryInputStream file("abc", 3);
    client.upload(file, nullptr, 0);
    EXPECT_EQ(abortOnceSent(2, [&] { client.finishUpload("Error uploading"); }), waiting);
}

TEST_F(HTTPClientTest, HttpStatusesBecomeRuntimeErrors)
{
    server.enqueue(Response::status(404, "Not Found"));
    server.enqueue(Response::status(500, "Internal Server Error"));
    EXPECT_EQ(messageOf<Quorvel::RuntimeException>(
                  [&] { client.getAndCheck(server.url(), "Error downloading file"); }),
              "Error downloading file HTTP error 404: File not found");
    wxString text;
    EXPECT_EQ(client.fetchToString(server.url(), text, false), 500);
    EXPECT_EQ(text, "");
}

TEST_F(HTTPClientTest, RefusedConnectionsNameTheServerOrTheProxy)
{
    client.setConnectRetryPause(std::chrono::milliseconds(1));
    const int port = LoopbackHttpServer::refusedPort();
    try {
        client.get(wxString::Format("http://127.0.0.1:%d/", port));
        FAIL();
    } catch (const Quorvel::ConnectionRefusedException& e) {
        EXPECT_EQ(e.getCode(), "Network.ConnectionRefused");
        EXPECT_EQ(e.getMessage(),
                  wxString::Format("Could not connect to 127.0.0.1:%d (Connection refused)", port));
    }
    useProxy(port);
    EXPECT_EQ(messageOf<Quorvel::ConnectionRefusedException>(
                  [&] { client.get("http://photos.example.test/"); }),
              wxString::Format("Could not connect to proxy server at 127.0.0.1:%d (Connection "
                               "refused)",
                               port));
}

TEST_F(HTTPClientTest, UnknownHostIsAConnectionError)
{
    try {
        client.get("http://1nonexistent.invalid/");
        FAIL();
    } catch (const Quorvel::ConnectionException& e) {
        EXPECT_EQ(e.getCode(), "Network.ConnectionError");
        EXPECT_TRUE(e.getMessage().StartsWith("Could not connect to 1nonexistent.invalid:80"));
    }
}

TEST_F(HTTPClientTest, StalledServerTimesOut)
{
    Response stalled;
    stalled.stall = true;
    server.enqueue(stalled);
    client.setTimeout(std::chrono::milliseconds(200));
    const wxString message =
        messageOf<Quorvel::NetworkException>([&] { client.get(server.url("/slow")); });
    EXPECT_TRUE(message.StartsWith("Timeout in waitForRead HTTP component error 8")) << message;
    EXPECT_TRUE(client.isTimedOut());
}

TEST_F(HTTPClientTest, AbortEndsAWaitingRequest)
{
    Response stalled;
    stalled.stall = true;
    server.enqueue(stalled);
    std::atomic<bool> aborted{false};
    client.setAbortCheck([&] { return aborted.load(); });
    wxString message;
    std::thread worker(
        [&] { message = messageOf<Quorvel::AbortException>([&] { client.get(server.url()); }); });
    ASSERT_TRUE(server.waitForRequests(1));
    aborted = true;
    worker.join();
    EXPECT_EQ(message, "Aborting read of response headers by                     request.");
}

TEST_F(HTTPClientTest, AbortEndsAnAttemptToConnect)
{
    FullListener listener;
    int checks = 0;
    client.setAbortCheck([&] { return ++checks > 10; });
    EXPECT_EQ(messageOf<Quorvel::AbortException>(
                  [&] { client.get(wxString::Format("http://127.0.0.1:%d/", listener.port)); }),
              "Aborting read of response headers by                     request.");
}

TEST_F(HTTPClientTest, ProgressCallbackStopsADownload)
{
    Response slow = Response::ok(std::string(10000, 'd'));
    slow.pieceSize = 1000;
    slow.pause = std::chrono::milliseconds(5);
    server.enqueue(slow);
    client.get(server.url());
    wxMemoryOutputStream out;
    Progress progress(2);
    EXPECT_EQ(messageOf<Quorvel::AbortException>([&] { client.download(out, &progress, 0); }),
              "HttpClient: Aborted");
    EXPECT_EQ(progress.calls, 2);
}

// Answers the connection library reads differently from a plain reading of the lines: the
// client follows the library's reading, so none of them waits for the time-out.
TEST_F(HTTPClientTest, AnswersEndAsTheConnectionLibraryReadsThem)
{
    const wxString missing =
        "HttpClient: Content length is missing (no content length header or invalid header)";
    struct Case {
        const char* answer;
        int status;
        wxString failure; // empty: the body arrives
    };
    const Case cases[] = {
        // A line that begins with CR ends the header block.
        {"HTTP/1.0 200 OK\r\n\rx\r\n\r\nbody", 200, missing},
        // An unreadable version is taken as 200, not as the interim 120.
        {"HTTP/.1 120\r\n\r\na", 200, missing},
        // 101 is a final answer, not an interim one.
        {"HTTP/1.1 101 Switching Protocols\r\n\r\na", 101, "HTTP error code 101"},
        {"http/1.0 200 OK\r\nContent-Length: 4\r\n\r\nbody", 200, ""},
        {"HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nbody", 200, ""},
    };
    client.setTimeout(std::chrono::seconds(30));
    ASSERT_TRUE(wxMkdir(dir / "got"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        server.enqueue(Response::raw(c.answer));
        const auto started = std::chrono::steady_clock::now();
        wxString failure;
        try {
            client.fetchToFile(server.url("/picture.jpg"), dir / "got/picture.jpg");
        } catch (const Quorvel::Exception& e) {
            failure = e.getMessage();
        }
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
        EXPECT_FALSE(client.isTimedOut());
        EXPECT_EQ(client.getStatusCode(), c.status);
        EXPECT_EQ(failure, c.failure);
        if (c.failure.empty()) {
            EXPECT_EQ(readFile(dir / "got/picture.jpg"), "body");
            wxRemoveFile(dir / "got/picture.jpg");
        }
        EXPECT_EQ(filesUnder(dir / "got"), 0u);
    }
    // The lower-case status line began a new answer; its headers were read.
    server.enqueue(Response::raw("HTTP/1.1 100 Continue\r\nX-Early: 1\r\n\r\n"
                                 "http/1.0 200 OK\r\nContent-Length: 2\r\nX-Late: 2\r\n\r\nok"));
    wxString text;
    EXPECT_EQ(client.fetchToString(server.url(), text), 200);
    EXPECT_EQ(text, "ok");
    EXPECT_EQ(client.getHeader("X-Early"), "");
    EXPECT_EQ(client.getHeader("X-Late"), "2");
}

TEST_F(HTTPClientTest, HttpsTrustsOnlyTheGivenAuthorityForTheRightHost)
{
    LoopbackHttpServer secure(TEST_CA_DIR "/server.pem");
    LoopbackHttpServer wrongHost(TEST_CA_DIR "/otherhost.pem");
    secure.enqueue(Response::ok("safe"));
    client.setCaFile(TEST_CA_DIR "/cacert.pem");
    wxString text;
    EXPECT_EQ(client.fetchToString(secure.url("/news"), text), 200);
    EXPECT_EQ(text, "safe");

    // The right authority's certificate for another host, and another authority.
    const wxString refused = "HTTP component error 14 when accessing /news";
    EXPECT_TRUE(messageOf<Quorvel::NetworkException>([&] {
                    client.get(wrongHost.url("/news"));
                }).StartsWith(refused));
    client.setCaFile(TEST_CA_DIR "/other-cacert.pem");
    EXPECT_TRUE(messageOf<Quorvel::NetworkException>([&] {
                    client.get(secure.url("/news"));
                }).StartsWith(refused));
    client.setCaFile(dir / "missing.pem");
    EXPECT_TRUE(messageOf<Quorvel::NetworkException>([&] {
                    client.get(secure.url("/news"));
                }).Contains("missing.pem is missing"));
    // Only the trusted request was sent (a refused peer may still see the handshake end).
    EXPECT_EQ(secure.wholeRequests() + wrongHost.wholeRequests(), 1u);
}

// Keeping connections. The server says "keep-alive" (Response::kept) or closes after answering
// (every other response); connections() counts what it accepted.

TEST_F(HTTPClientTest, KeptConnectionCarriesEveryRequestUntilTheServerCloses)
{
    dir.writeFile("photo.jpg", std::string(300000, 'p'));
    for (int i = 0; i < 4; ++i)
        server.enqueue(Response::kept("ok"));
    server.enqueue(Response::ok("closing"));
    server.enqueue(Response::ok("again"));
    wxString text;
    for (int i = 0; i < 2; ++i) {
        client.fetchToString(server.url("/list"), text);
        client.resetRequest();
        client.setFormFieldName("rpas");
        client.beginUpload(server.url("/upload"), 300000, "Error");
        Quorvel::InputFile file(dir / "photo.jpg");
        client.upload(file, nullptr, 0);
        client.finishUpload("Error");
        client.resetRequest();
    }
    EXPECT_EQ(server.connections(), 1);
    // A server that does not keep the connection: the next request simply opens another.
    client.fetchToString(server.url("/last"), text);
    client.fetchToString(server.url("/after"), text);
    EXPECT_EQ(text, "again");
    EXPECT_EQ(server.connections(), 2);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 6u);
    EXPECT_EQ(requests[3].bodyBytes, 300000 + 2 * 53 + 4 + 122);
    EXPECT_EQ(requests[4].requestLine(), "GET /last HTTP/1.0");
    EXPECT_FALSE(requests[4].hasHeader("Content-Type"));
}

TEST_F(HTTPClientTest, ServerClosingAnIdleKeptConnectionIsNoError)
{
    // Says keep-alive, then closes once it has answered.
    server.enqueue(Response::ok("first", "Connection: keep-alive\r\n"));
    server.enqueue(Response::ok("second"));
    wxString text;
    client.fetchToString(server.url(), text);
    ASSERT_TRUE(server.waitForClosedConnections(1));
    client.fetchToString(server.url(), text);
    EXPECT_EQ(text, "second");
    EXPECT_EQ(server.connections(), 2);
}

TEST_F(HTTPClientTest, UploadOnAKeptConnectionClosedUnderItGoesAgainOnceOnANewOne)
{
    std::string data(4000000, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 13);
    dir.writeFile("photo.jpg", data);
    Response closed;
    closed.closeBeforeAnswer = true;
    auto upload = [&] {
        client.beginUpload(server.url("/upload"), static_cast<int64_t>(data.size()), "Error");
        Quorvel::InputFile file(dir / "photo.jpg");
        client.upload(file, nullptr, 0);
        client.finishUpload("Error");
    };
    client.setFormFieldName("rpas");
    // The server takes the whole request on the kept connection and closes it unanswered, as
    // one closing an idle connection does when the request crosses its close.
    server.enqueue(Response::kept("ok"));
    server.enqueue(closed);
    server.enqueue(Response::ok("stored"));
    upload();
    upload();
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[2].body, requests[0].body);
    EXPECT_NE(requests[2].body.find(data), std::string::npos);
    EXPECT_EQ(server.connections(), 2);

    // The same when the server hangs up while the body is still going.
    Response dropped;
    dropped.closeAfterBodyBytes = 0;
    server.enqueue(Response::kept("ok"));
    server.enqueue(dropped);
    server.enqueue(Response::ok("stored"));
    upload();
    upload();
    requests = server.requests();
    ASSERT_EQ(requests.size(), 6u);
    EXPECT_EQ(requests[5].body, requests[0].body);
    EXPECT_EQ(server.connections(), 4);

    // A new connection closed unanswered is the server's failure, not one to try again.
    server.enqueue(Response::kept("ok"));
    server.enqueue(closed);
    server.enqueue(closed);
    upload();
    EXPECT_THROW(upload(), Quorvel::NetworkException);
    EXPECT_EQ(server.requests().size(), 9u);
}

TEST_F(HTTPClientTest, AbortedDownloadClosesItsConnection)
{
    Response slow = Response::kept(std::string(100000, 'd'));
    slow.pieceSize = 1000;
    slow.pause = std::chrono::milliseconds(2);
    server.enqueue(slow);
    server.enqueue(Response::kept("next"));
    client.get(server.url("/big"));
    wxMemoryOutputStream out;
    Progress progress(2);
    EXPECT_THROW(client.download(out, &progress, 0), Quorvel::AbortException);
    wxString text;
    client.fetchToString(server.url("/next"), text);
    EXPECT_EQ(text, "next");
    EXPECT_EQ(server.connections(), 2);
}

TEST_F(HTTPClientTest, AnotherServerGetsItsOwnConnection)
{
    LoopbackHttpServer other;
    for (int i = 0; i < 2; ++i) {
        server.enqueue(Response::kept("here"));
        other.enqueue(Response::kept("there"));
    }
    wxString text;
    for (int i = 0; i < 2; ++i) {
        client.fetchToString(server.url(), text);
        EXPECT_EQ(text, "here");
        client.fetchToString(other.url(), text);
        EXPECT_EQ(text, "there");
    }
    EXPECT_EQ(server.connections(), 1);
    EXPECT_EQ(other.connections(), 1);
    EXPECT_EQ(other.requests().size(), 2u);
}

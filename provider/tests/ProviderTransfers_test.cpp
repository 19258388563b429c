#include "ProviderTestFixture.h"

#include <sstream>

#include <wx/base64.h>
#include <wx/mstream.h>
#include <wx/wfstream.h>

#include <nlohmann/json.hpp>

#include "Md5.h"

namespace {

const wxString ORIGIN = "http://demo.portal.vistrelle.net";

std::string contentOf(size_t size)
{
    std::string content(size, '\0');
    for (size_t i = 0; i < size; ++i)
        content[i] = static_cast<char>((i * 31 + i / 251) & 0xff);
    return content;
}

std::string md5Of(const std::string& content)
{
    Provider::Md5 digest;
    digest.update(content.data(), content.size());
    return digest.hex();
}

// What the upload came to: "ok" or the message of the failure.
std::string upload(Quorvel::NetworkSettings& settings, const wxString& path,
                   const std::string& content, const std::string& md5, const wxString& user,
                   const wxString& password)
{
    try {
        Quorvel::HTTPClient http(settings);
        http.setUser(user);
        http.setPassword(password);
        http.setFormFieldName("rpas");
        http.setMd5Header(wxString::FromUTF8(md5.c_str()));
        http.beginUpload(ORIGIN + path, static_cast<int64_t>(content.size()), "Upload refused:");
        wxMemoryInputStream stream(content.data(), content.size());
        http.upload(stream, nullptr, 0);
        http.finishUpload("Upload refused:");
    } catch (const Quorvel::Exception& e) {
        return utf8(e.getMessage());
    }
    return "ok";
}

} // namespace

class TransferTest : public ProviderServerTest {
protected:
    std::string session;
    std::string annaId;
    void SetUp() override
    {
        ProviderServerTest::SetUp();
        session = annaSession();
        annaId = store().findAccount("demo", "anna@example.com")->id;
    }
    std::string upload(const wxString& path, const std::string& content, const std::string& md5)
    {
        return ::upload(*settings, path, content, md5, "SESSIONID",
                        wxString::FromUTF8(session.c_str()));
    }
    std::size_t filesInUploads() { return filesUnder(dir / "data/uploads"); }
};

TEST_F(TransferTest, UploadLandsWithItsMd5AndDownloadsWithLengthAndMd5)
{
    const std::string content = contentOf(300000);
    const std::string md5 = md5Of(content);
    EXPECT_EQ(upload("/upload/storage/photo-1.jpg", content, md5), "ok");
    EXPECT_EQ(dir.readFile("data/uploads/" + wxString(annaId) + "/storage/photo-1.jpg"), content);
    EXPECT_EQ(filesInUploads(), 1u);
    // The same name again replaces the file.
    const std::string second = contentOf(10);
    EXPECT_EQ(upload("/upload/storage/photo-1.jpg", second, md5Of(second)), "ok");
    EXPECT_EQ(dir.readFile("data/uploads/" + wxString(annaId) + "/storage/photo-1.jpg"), second);
    EXPECT_EQ(upload("/upload/storage/photo-1.jpg", content, md5), "ok");

    Quorvel::HTTPClient http(*settings);
    http.setUser("SESSIONID");
    http.setPassword(wxString::FromUTF8(session.c_str()));
    ASSERT_EQ(http.get(ORIGIN + "/download/storage/photo-1.jpg"), 200);
    EXPECT_EQ(http.getContentLength(), static_cast<int64_t>(content.size()));
    EXPECT_EQ(http.getHeader("X-Quorvel-Length"), wxString::Format("%zu", content.size()));
    EXPECT_EQ(http.getHeader("X-Quorvel-MD5"), wxString(md5));
    const wxString local = dir / "downloaded.jpg";
    {
        wxFileOutputStream out(local);
        http.download(out, nullptr, 0);
    }
    http.verifyDownloadedFile(local);
    EXPECT_EQ(dir.readFile("downloaded.jpg"), content);

    std::istringstream journal(dir.readFile("data/journal.jsonl"));
    std::string line;
    int uploads = 0;
    while (std::getline(journal, line)) {
        const auto entry = nlohmann::json::parse(line);
        if (entry.value("path", "") != "/upload/storage/photo-1.jpg" || uploads++ > 0)
            continue;
        EXPECT_EQ(entry["method"], "POST");
        EXPECT_EQ(entry["status"], 200);
        EXPECT_EQ(entry["bytes"], content.size());
        EXPECT_EQ(entry["md5"], md5);
        EXPECT_EQ(entry["account"], annaId);
    }
    EXPECT_EQ(uploads, 3);
}

TEST_F(TransferTest, RefusedUploadsLeaveNothing)
{
    const std::string content = contentOf(5000);
    const std::string md5 = md5Of(content);
    std::string wrong = md5;
    wrong[0] = wrong[0] == 'a' ? 'b' : 'a';
    EXPECT_EQ(upload("/upload/a.jpg", content, wrong), "Upload refused: HTTP error code 422");
    EXPECT_EQ(::upload(*settings, "/upload/a.jpg", content, md5, "", ""),
              "Upload refused: HTTP error code 401");
    EXPECT_EQ(::upload(*settings, "/upload/a.jpg", content, md5, "SESSIONID", "not-a-session"),
              "Upload refused: HTTP error code 401");
    for (const wxString badName :
         {"/upload/.hidden", "/upload/a/../b", "/upload/a//b", "/upload/", "/upload/a%2F..%2Fb"})
        EXPECT_EQ(upload(badName, content, md5), "Upload refused: HTTP error 404: File not found")
            << badName;

    // Cut short: the client says it is done before the declared length.
    {
        RawConnection raw(server->port());
        raw.send("POST /upload/cut.jpg HTTP/1.0\r\nHost: demo.portal.vistrelle.net\r\n"
                 "Authorization: Basic " +
                 utf8(wxBase64Encode(("SESSIONID:" + session).data(), session.size() + 10)) +
                 "\r\nX-Quorvel-MD5: " + md5 + "\r\nContent-Length: 5000\r\n\r\n" +
                 content.substr(0, 2500));
        raw.shutdownWrite();
        EXPECT_EQ(raw.receiveAll().substr(0, 12), "HTTP/1.1 400");
    }
    // Without an MD5 or a length.
    {
        RawConnection raw(server->port());
        raw.send("POST /upload/x.jpg HTTP/1.0\r\nHost: a.example\r\nAuthorization: Basic " +
                 utf8(wxBase64Encode(("SESSIONID:" + session).data(), session.size() + 10)) +
                 "\r\nContent-Length: 3\r\n\r\nabc");
        EXPECT_EQ(raw.receiveAll().substr(0, 12), "HTTP/1.1 400");
    }
    EXPECT_EQ(filesInUploads(), 0u);
    EXPECT_EQ(upload("/upload/a.jpg", content, md5), "ok");
    EXPECT_EQ(filesInUploads(), 1u);
}

TEST_F(TransferTest, UploadOverTheLimitIsRefused)
{
    ProviderServer::Options options;
    options.uploadLimitBytes = 1000;
    server.reset();
    startServer(options);
    session = annaSession();
    const std::string exact = contentOf(1000);
    EXPECT_EQ(upload("/upload/exact.bin", exact, md5Of(exact)), "ok");
    // Found while reading, and refused by the declared length before reading.
    for (size_t size : {size_t(1001), size_t(100000)}) {
        const std::string content = contentOf(size);
        const std::string outcome = upload("/upload/big.bin", content, md5Of(content));
        EXPECT_NE(outcome.find("413"), std::string::npos) << size << ": " << outcome;
    }
    EXPECT_EQ(filesInUploads(), 1u);
}

TEST_F(TransferTest, DownloadsAreForTheirOwnerOnly)
{
    const std::string content = contentOf(100);
    EXPECT_EQ(upload("/upload/mine.bin", content, md5Of(content)), "ok");
    store().createAccount("demo", "bo@example.com", "bo's secret");
    auto statusFor = [&](const wxString& user, const wxString& password, const wxString& path) {
        Quorvel::HTTPClient http(*settings);
        http.setUser(user);
        http.setPassword(password);
        return http.get(ORIGIN + path);
    };
    EXPECT_EQ(statusFor("bo@example.com", "bo's secret", "/download/mine.bin"), 404);
    EXPECT_EQ(statusFor("", "", "/download/mine.bin"), 401);
    EXPECT_EQ(statusFor("anna@example.com", "secret", "/download/mine.bin"), 200);
    EXPECT_EQ(statusFor("anna@example.com", "secret", "/download/../provider.db"), 404);
    EXPECT_EQ(statusFor("anna@example.com", "secret", "/download/nothing.bin"), 404);
}

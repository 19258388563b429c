#include <gtest/gtest.h>

#include <vector>

#include "MultipartBody.h"

using Provider::MultipartBody;
using Provider::MultipartError;

namespace {

const std::string BOUNDARY = "---------------------------86352062182286362752072890";

std::string body(const std::string& file, const std::string& closing = "--\r\n")
{
    return "--" + BOUNDARY +
           "\r\nContent-Disposition: form-data; name=\"rpas\"; filename=\"libquorvel.bin\"\r\n"
           "Content-Type: application/octet-stream\r\n\r\n" +
           file + "\r\n--" + BOUNDARY + closing;
}

// The file the body carries, read in pieces of `piece` bytes; the error's text when refused.
std::string fileOf(const std::string& data, size_t piece, std::string* field = nullptr)
{
    std::string file;
    try {
        MultipartBody multipart(BOUNDARY,
                                [&](const char* bytes, size_t size) { file.append(bytes, size); });
        for (size_t at = 0; at < data.size(); at += piece)
            multipart.feed(data.data() + at, std::min(piece, data.size() - at));
        multipart.finish();
        if (field)
            *field = multipart.fieldName();
    } catch (const MultipartError& e) {
        return std::string("error: ") + e.what();
    }
    return file;
}

} // namespace

TEST(MultipartBody, HandsOnTheFileHoweverTheBodyIsCut)
{
    // Bytes that look like the start of a delimiter belong to the file.
    const std::string file = std::string("\r\n--") + BOUNDARY.substr(0, 20) + "\r\n\r\n" +
                             std::string("--x\0y", 5) + "\r\n-";
    const std::string data = body(file);
    // Every piece size up to past the delimiter's length puts a seam at every place in it.
    const size_t delimiter = BOUNDARY.size() + 4;
    for (size_t piece = 1; piece <= delimiter + 3; ++piece)
        EXPECT_EQ(fileOf(data, piece), file) << "pieces of " << piece;
    EXPECT_EQ(fileOf(data, 100000), file);
    const std::string large = std::string(300000, 'x') + file + std::string(70000, '\r');
    for (size_t piece : {size_t(65536), size_t(65535), size_t(1000)})
        EXPECT_EQ(fileOf(body(large), piece), large) << "pieces of " << piece;
    std::string field;
    EXPECT_EQ(fileOf(body(""), 7, &field), "");
    EXPECT_EQ(field, "rpas");
    // The closing line end may be left out.
    EXPECT_EQ(fileOf(body("abc", "--"), 1), "abc");
}

TEST(MultipartBody, RefusesAnythingButOneClosedPart)
{
    const std::string head = "--" + BOUNDARY + "\r\nContent-Disposition: form-data; name=f\r\n\r\n";
    const std::string end = "\r\n--" + BOUNDARY + "--\r\n";
    const std::pair<std::string, std::string> cases[] = {
        {"preamble\r\n" + body("x"), "error: The body does not begin with its boundary"},
        {head + "abc", "error: The body ends before its closing boundary"},
        {head + "abc\r\n--" + BOUNDARY, "error: The body ends before its closing boundary"},
        {head + "abc\r\n--" + BOUNDARY + "-", "error: The body ends before its closing boundary"},
        {head + "abc" + end + "more", "error: The body goes on after its closing boundary"},
        {head + "abc\r\n--" + BOUNDARY + "\r\n" + head + "def" + end,
         "error: The body holds more than one part"},
        {"--" + BOUNDARY + "\r\nContent-Type: text/plain\r\n\r\nabc" + end,
         "error: The part has no field name"},
        {"--" + BOUNDARY + "\r\nContent-Disposition: attachment; name=f\r\n\r\nabc" + end,
         "error: The part is not form data"},
        {"--" + BOUNDARY + "\r\nno colon here\r\n\r\nabc" + end,
         "error: A header line of the part has no name"},
        {"--" + BOUNDARY + "\r\nX: " + std::string(MultipartBody::MAX_HEAD_BYTES, 'a'),
         "error: The part's header is too long"},
        {"", "error: The body ends before its closing boundary"},
    };
    for (const auto& [data, expected] : cases)
        for (size_t piece : {size_t(1), size_t(1000000)})
            EXPECT_EQ(fileOf(data, piece), expected) << data.substr(0, 200);
}

TEST(MultipartBody, BoundaryComesFromAFormDataContentType)
{
    EXPECT_EQ(MultipartBody::boundaryOf("multipart/form-data; boundary=" + BOUNDARY), BOUNDARY);
    EXPECT_EQ(MultipartBody::boundaryOf("Multipart/Form-Data;boundary=\"a b\"; charset=x"), "a b");
    EXPECT_EQ(MultipartBody::boundaryOf("multipart/form-data; charset=x; boundary=abc"), "abc");
    for (const std::string& refused : std::vector<std::string>{
             "application/octet-stream", "multipart/form-data", "multipart/mixed; boundary=abc",
             "multipart/form-data; boundary=", "multipart/form-data; boundary=a\r\nb",
             "multipart/form-data; xboundary=abc",
             "multipart/form-data; boundary=" + std::string(71, 'a')})
        EXPECT_EQ(MultipartBody::boundaryOf(refused), "") << refused;
}

#include "CurlUploads.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include <wx/string.h>

#include "service/HTTPClient.h"

namespace {

std::string shellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace

double CurlUploads::time(const std::vector<Upload>& uploads, const std::string& sessionId,
                         const std::string& folder)
{
    const std::string configPath = folder + "/curl.config";
    std::ofstream config(configPath);
    for (size_t i = 0; i < uploads.size(); ++i) {
        if (i > 0)
            config << "next\n";
        config << "url = \"" << uploads[i].url << "\"\n"
               << "upload-file = \"" << uploads[i].path << "\"\n"
               << "request = \"POST\"\n"
               << "user = \"SESSIONID:" << sessionId << "\"\n"
               << "header = \"X-Quorvel-MD5: "
               << Quorvel::HTTPClient::md5OfFile(wxString::FromUTF8(uploads[i].path)).utf8_string()
               << "\"\n"
               << "silent\noutput = \"/dev/null\"\nfail\n";
    }
    config.close();
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(("curl --config " + shellQuoted(configPath)).c_str());
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (status != 0)
        throw std::runtime_error("curl failed");
    return seconds;
}

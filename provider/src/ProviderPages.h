#pragma once
// The provider's small plain-HTTP answers besides the files:
//
//   GET .../LATEST_VERSION     the latest-version file a program checks for updates (any path
//                              whose last step is LATEST_VERSION, so the update location and
//                              application id a program is set up with do not matter): the
//                              configured version on its first line and the download page, when
//                              configured, on its second. Without a configured version such a
//                              path is an ordinary file under DATA/files/ (an operator's own
//                              file, a test's), 404 when there is none
//   GET /go/passwordreminder   the password reminder page of the portal the host names: a form
//                              for the e-mail address; with "?email=ADDRESS" the reminder is
//                              asked for (the reference provider only logs it) and the page
//                              says so, the same whether the address has an account or not
//
// Threads: the worker thread serving the connection.

#include <string>

namespace Provider {

class ProviderConfig;
class ProviderConnection;

class ProviderPages {
public:
    static constexpr const char* LATEST_VERSION_NAME = "LATEST_VERSION";
    static constexpr const char* PASSWORD_REMINDER_PATH = "/go/passwordreminder";

    // Whether a GET of `path` is one of these pages under `config`.
    static bool serves(const std::string& path, const ProviderConfig& config);
    // Answers a GET that serves() took.
    static void answer(ProviderConnection& connection);

    // `text` safe inside HTML text and quoted attribute values.
    static std::string escapeHtml(const std::string& text);
    // A whole page titled `title` around `body` (HTML already).
    static std::string htmlPage(const std::string& title, const std::string& body);

private:
    static void latestVersion(ProviderConnection& connection);
    static void passwordReminder(ProviderConnection& connection);
};

} // namespace Provider

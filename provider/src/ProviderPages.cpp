#include "ProviderPages.h"

#include "EmailAddress.h"
#include "ProviderConfig.h"
#include "ProviderConnection.h"
#include "ProviderRequest.h"

namespace Provider {

namespace {

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

std::string ProviderPages::escapeHtml(const std::string& text)
{
    std::string result;
    for (char c : text) {
        switch (c) {
        case '&':
            result += "&amp;";
            break;
        case '<':
            result += "&lt;";
            break;
        case '>':
            result += "&gt;";
            break;
        case '"':
            result += "&quot;";
            break;
        case '\'':
            result += "&#39;";
            break;
        default:
            result.push_back(c);
        }
    }
    return result;
}

std::string ProviderPages::htmlPage(const std::string& title, const std::string& body)
{
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + escapeHtml(title) +
           "</title></head>\n<body><h1>" + escapeHtml(title) + "</h1>\n" + body +
           "</body></html>\n";
}

bool ProviderPages::serves(const std::string& path, const ProviderConfig& config)
{
    return (!config.latestVersion.empty() &&
            endsWith(path, std::string("/") + LATEST_VERSION_NAME)) ||
           path == PASSWORD_REMINDER_PATH;
}

void ProviderPages::answer(ProviderConnection& connection)
{
    if (connection.request().head().path() == PASSWORD_REMINDER_PATH)
        passwordReminder(connection);
    else
        latestVersion(connection);
}

void ProviderPages::latestVersion(ProviderConnection& connection)
{
    const ProviderConfig& config = connection.request().config();
    std::string text = config.latestVersion + "\n";
    if (!config.downloadPage.empty())
        text += config.downloadPage + "\n";
    connection.sendResponse(200, "text/plain; charset=utf-8", text);
}

void ProviderPages::passwordReminder(ProviderConnection& connection)
{
    ProviderRequest& request = connection.request();
    const ProviderConfig::Portal* portal = request.hostPortal();
    if (!portal) {
        connection.sendResponse(404, "text/plain", "No such portal\n");
        return;
    }
    const std::string title = portal->name + ": password reminder";
    const auto email = request.head().queryValue("email");
    const std::string form = "<form method=\"get\" action=\"" +
                             std::string(PASSWORD_REMINDER_PATH) +
                             "\">\n<p><label for=\"email\">Email address:</label>\n"
                             "<input id=\"email\" name=\"email\" type=\"email\" required></p>\n"
                             "<p><button type=\"submit\">Send reminder</button></p>\n</form>\n";
    if (!email || email->empty()) {
        connection.sendResponse(200, "text/html; charset=utf-8",
                                htmlPage(title, "<p>Type the e-mail address of your account; a "
                                                "reminder of its password is sent to it.</p>\n" +
                                                    form));
        return;
    }
    if (!EmailAddress::isWellFormed(*email)) {
        connection.sendResponse(400, "text/html; charset=utf-8",
                                htmlPage(title, "<p>This is not an e-mail address: " +
                                                    escapeHtml(*email) + "</p>\n" + form));
        return;
    }
    request.remindPassword(portal->id, *email);
    // Whether the address has an account is not told to whoever asks.
    connection.sendResponse(
        200, "text/html; charset=utf-8",
        htmlPage(title, "<p>If " + escapeHtml(*email) + " has an account with " +
                            escapeHtml(portal->name) +
                            ", a reminder of its password is on its way.</p>\n"));
}

} // namespace Provider

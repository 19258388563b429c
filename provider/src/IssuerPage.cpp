#include "IssuerPage.h"

#include <cstdio>

#include "ProviderConnection.h"
#include "ProviderPages.h"
#include "ProviderRequest.h"

namespace Provider {

namespace {

const char* const HTML = "text/html; charset=utf-8";
const char* const TITLE = "Card issuer: confirm the payment";

std::string amountText(int64_t units, const std::string& currency)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.2f ", static_cast<double>(units) / 1e6);
    return text + currency;
}

} // namespace

bool IssuerPage::serves(const std::string& path)
{
    return path.rfind(PATH_PREFIX, 0) == 0;
}

void IssuerPage::answer(ProviderConnection& connection)
{
    ProviderRequest& request = connection.request();
    const std::string& method = request.head().method();
    if (method != "GET" && method != "POST") {
        connection.sendResponse(405, "text/plain", "Method not allowed\n", "Allow: GET, POST\r\n");
        return;
    }
    // The payer confirms with card data in hand: never in the clear.
    if (request.origin().rfind("https://", 0) != 0) {
        connection.sendResponse(403, "text/plain", "The card issuer's page is on HTTPS only\n");
        return;
    }
    const std::string path = request.head().path();
    const std::string id = path.substr(std::string(PATH_PREFIX).size());
    const auto payment = id.empty() ? std::nullopt : request.store().findPayment(id);
    if (!payment) {
        connection.sendResponse(404, HTML,
                                ProviderPages::htmlPage(TITLE, "<p>No such transaction.</p>\n"));
        return;
    }
    const std::string named =
        "<p>Transaction " + ProviderPages::escapeHtml(id) + ": " +
        ProviderPages::escapeHtml(payment->description) + ", " +
        ProviderPages::escapeHtml(amountText(payment->amountUnits, payment->currency)) + ".</p>\n";
    const bool waiting = method == "POST" ? request.store().completeIssuerCheck(id)
                                          : payment->status == "TR_AUTH_CLIENT";
    if (!waiting) {
        connection.sendResponse(
            409, HTML,
            ProviderPages::htmlPage(TITLE,
                                    named + "<p>This payment is not waiting for a check.</p>\n"));
        return;
    }
    if (method == "POST") {
        request.log("Issuer check completed for " + id);
        connection.sendResponse(
            200, HTML,
            ProviderPages::htmlPage(TITLE, named + "<p>Confirmed. You can close this page and go "
                                                   "back to the program.</p>\n"));
        return;
    }
    connection.sendResponse(
        200, HTML,
        ProviderPages::htmlPage(TITLE, named + "<form method=\"post\" action=\"" +
                                           ProviderPages::escapeHtml(path) +
                                           "\">\n<p><button type=\"submit\">Confirm the "
                                           "payment</button></p>\n</form>\n"));
}

} // namespace Provider

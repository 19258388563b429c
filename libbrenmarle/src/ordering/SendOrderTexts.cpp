#include "ordering/SendOrderTexts.h"

#include <wx/filename.h>
#include <wx/intl.h>

#include "ordering/Order.h"

namespace Brenmarle {

namespace {

int count(int64_t value)
{
    return static_cast<int>(value);
}

} // namespace

wxString SendOrderTexts::deliveryTimeEntry(int64_t seconds)
{
    const auto [amount, unit] = Order::deliveryTimeInUnits(seconds);
    if (unit == 'd')
        return wxString::Format(wxPLURAL("Delivery time: within %d day",
                                         "Delivery time: within %d days", count(amount)),
                                count(amount));
    return wxString::Format(
        wxPLURAL("Delivery time: %d hour", "Delivery time: %d hours", count(amount)),
        count(amount));
}

wxString SendOrderTexts::deliveryTime(int64_t seconds)
{
    const auto [amount, unit] = Order::deliveryTimeInUnits(seconds);
    if (unit == 'd')
        return wxString::Format(wxPLURAL("%d day", "%d days", count(amount)), count(amount));
    return wxString::Format(wxPLURAL("%d hour", "%d hours", count(amount)), count(amount));
}

bool SendOrderTexts::isKnownTimeUnit(wxUniChar unit)
{
    return unit == 'd' || unit == 'h';
}

SendOrderTexts::Lines SendOrderTexts::startUpload(size_t toUpload, int64_t totalBytes,
                                                  size_t inOrder)
{
    Lines text;
    if (toUpload == 0) {
        text.title = _("No files need to be uploaded");
        text.lines.push_back(
            inOrder == 1
                ? _("Our server already has the file required by this order.")
                : wxString::Format(_("Our server already has the %d files required by this "
                                     "order."),
                                   static_cast<int>(inOrder)));
        text.lines.push_back(
            _("Just click the 'Next' button to go straight on to choosing a payment method!"));
        return text;
    }
    const int files = static_cast<int>(toUpload);
    text.title = wxString::Format(wxPLURAL("%d file must be uploaded to our server",
                                           "%d files must be uploaded to our server", files),
                                  files);
    text.lines.push_back(wxString::Format(
        _("The total file size is %s, and it may take a while to upload these files to our "
          "server."),
        wxFileName::GetHumanReadableSize(
            wxULongLong(static_cast<unsigned long long>(totalBytes < 0 ? 0 : totalBytes)), "0 B", 1,
            wxSIZE_CONV_SI)));
    text.lines.push_back(_("Click next to start uploading!"));
    return text;
}

std::vector<wxString> SendOrderTexts::receipt(const wxString& reference, bool byMail,
                                              const wxString& place, int64_t deliverySeconds)
{
    std::vector<wxString> lines;
    lines.push_back(_("Thank you for your order! The reference number for your order is:"));
    lines.push_back(reference.empty() ? _("Unknown") : reference);
    if (byMail) {
        lines.push_back(wxString::Format(_("The order will be sent to you at %s, normally "
                                           "within %s."),
                                         place, deliveryTime(deliverySeconds)));
    } else {
        lines.push_back(wxString::Format(_("The order can be pickup up at %s."), place));
        lines.push_back(wxString::Format(_("The chosen delivery time is %s, but remember to "
                                           "take our opening hours into consideration."),
                                         deliveryTime(deliverySeconds)));
    }
    lines.push_back(_("A receipt has also been sent to you by e-mail."));
    return lines;
}

std::vector<wxString> SendOrderTexts::intro(const wxString& provider, int products,
                                            const wxString& total)
{
    return {wxString::Format(_("This assistant will guide you through sending the order to %s "
                               "via the Internet."),
                             provider),
            wxString::Format(_("You have chosen to purchase %d products for a total of %s "
                               "(postage not included)."),
                             products, total)};
}

wxString SendOrderTexts::pickupChoiceHint(size_t locations)
{
    if (locations == 1)
        return _("If you select this option, please click the 'Next' button to select our pickup "
                 "location.");
    return wxString::Format(_("If you select this option, please click the 'Next' button to "
                              "choose between our %d pickup locations."),
                            static_cast<int>(locations));
}

} // namespace Brenmarle

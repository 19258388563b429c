#include "sharing/ShareRecipients.h"

#include <regex>
#include <string>

#include <wx/intl.h>
#include <wx/tokenzr.h>

namespace Brenmarle {

namespace {

bool matches(const wxString& text, const char* pattern)
{
    const std::string utf8(text.utf8_str());
    return std::regex_match(utf8, std::regex(pattern));
}

// Characters a mail program, its command line or a mailto address would read as more than a
// part of one address.
bool hasHarmfulCharacter(const wxString& address)
{
    static const wxString harmful = "?&#%=<>\"'`\\,;:()[]{}|!$*^~/";
    for (const wxUniChar c : address) {
        if (c < 0x20 || c == 0x7f || wxIsspace(c) || harmful.Find(c) != wxNOT_FOUND)
            return true;
    }
    return false;
}

} // namespace

std::vector<wxString> ShareRecipients::split(const wxString& typed)
{
    std::vector<wxString> recipients;
    wxStringTokenizer tokens(typed, ",; \t\r\n", wxTOKEN_STRTOK);
    while (tokens.HasMoreTokens())
        recipients.push_back(tokens.GetNextToken());
    return recipients;
}

bool ShareRecipients::isValidAddress(const wxString& address)
{
    return !address.StartsWith("-") && !hasHarmfulCharacter(address) &&
           matches(address, ADDRESS_PATTERN);
}

bool ShareRecipients::isValidPhone(const wxString& number)
{
    return matches(number, PHONE_PATTERN);
}

wxString ShareRecipients::checkAddresses(const std::vector<wxString>& addresses)
{
    if (addresses.empty())
        return _("You must type in a valid email address");
    for (const wxString& address : addresses) {
        if (!isValidAddress(address))
            return addresses.size() == 1 ? _("You must type in a valid email address")
                                         : _("You must type in only valid email addresses");
    }
    return wxString();
}

wxString ShareRecipients::checkPhones(const std::vector<wxString>& numbers)
{
    if (numbers.empty())
        return _("You must type in a valid phone number");
    for (const wxString& number : numbers) {
        if (!isValidPhone(number))
            return numbers.size() == 1 ? _("You must type in a valid phone number")
                                       : _("You must type in only valid phone numbers");
    }
    return wxString();
}

double ShareRecipients::mmsCost(int pictures, int recipients, double pricePerPicture)
{
    return recipients * pricePerPicture * pictures;
}

wxString ShareRecipients::mmsCostText(int pictures, int recipients, const wxString& currency,
                                      double pricePerPicture)
{
    const wxString who =
        wxString::Format(wxPLURAL("%d recipient", "%d recipients", recipients), recipients);
    return wxString::Format(_("Sending %d picture to %s will cost you %s %0.2f."), pictures, who,
                            currency, mmsCost(pictures, recipients, pricePerPicture));
}

} // namespace Brenmarle

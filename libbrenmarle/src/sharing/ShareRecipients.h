#pragma once
// The recipients of a share as the user types them: e-mail addresses for a share over the
// internet or by e-mail, mobile phone numbers for MMS, separated by commas, semicolons or
// white space. Each must be well formed before the sharing assistant goes on, and an address
// must also be harmless to hand to the user's mail program: nothing that reads as an option
// ("-..."), a second address, a mailto parameter ("?", "&") or an escape.
//
// Pure functions; any thread.

#include <vector>

#include <wx/string.h>

namespace Brenmarle {

class ShareRecipients {
public:
    static constexpr const char* ADDRESS_PATTERN = "^[^@]+@[^@]+[.][A-Za-z][A-Za-z]+$";
    static constexpr const char* PHONE_PATTERN = "^[0-9][0-9][0-9][0-9][0-9]+$";

    // The recipients in `typed`, in order, without empty ones.
    static std::vector<wxString> split(const wxString& typed);

    static bool isValidAddress(const wxString& address);
    // Five digits or more, digits only.
    static bool isValidPhone(const wxString& number);

    // What is wrong with `addresses` (empty when nothing): "You must type in a valid email
    // address" when there is at most one, "You must type in only valid email addresses" when
    // one of several is not valid.
    static wxString checkAddresses(const std::vector<wxString>& addresses);
    // The same for phone numbers: "You must type in a valid phone number" / "You must type in
    // only valid phone numbers".
    static wxString checkPhones(const std::vector<wxString>& numbers);

    // What an MMS share costs: recipients x pictures x the price of one picture.
    static double mmsCost(int pictures, int recipients, double pricePerPicture);
    // "Sending 2 picture to 3 recipients will cost you EUR 18.00."
    static wxString mmsCostText(int pictures, int recipients, const wxString& currency,
                                double pricePerPicture);
};

} // namespace Brenmarle

#pragma once
// What the ordering assistant asks of the customer, checked before anything is sent: the
// name and mobile phone the portal keeps for the account, and the delivery address of a mail
// order, which is remembered in the user configuration for the next order. Each check returns
// the first problem in the order the user reads the fields, or an empty text.
//
// Pure, apart from the configuration it is given; any thread.

#include <utility>

#include <wx/string.h>

#include "ordering/Address.h"

namespace Quorvel {
class ConfigFile;
}

namespace Brenmarle {

class CustomerForm {
public:
    static constexpr int MIN_PHONE_DIGITS = 5;
    static constexpr const char* MAIL_NAME_KEY = "Ordering/MailName";
    static constexpr const char* MAIL_ADDRESS1_KEY = "Ordering/MailAddress1";
    static constexpr const char* MAIL_ADDRESS2_KEY = "Ordering/MailAddress2";
    static constexpr const char* MAIL_POSTAL_CODE_KEY = "Ordering/MailPostalCode";
    static constexpr const char* MAIL_CITY_KEY = "Ordering/MailCity";
    // The invoice address of a payment by invoice.
    static constexpr const char* INVOICE_NAME_KEY = "Invoicing/Name";
    static constexpr const char* INVOICE_ADDRESS1_KEY = "Invoicing/Address1";
    static constexpr const char* INVOICE_ADDRESS2_KEY = "Invoicing/Address2";
    static constexpr const char* INVOICE_POSTAL_CODE_KEY = "Invoicing/PostalCode";
    static constexpr const char* INVOICE_CITY_KEY = "Invoicing/City";

    // The texts are trimmed first. "You must type in your name", "You must include both first
    // and last name", "You must type in a phone number", "You must type in a valid phone
    // number" (fewer than five digits, or anything but digits and blanks after one leading +).
    static wxString checkUserInfo(const wxString& name, const wxString& phone);
    // "You must type in your name", "You must include both first and last name", "You must
    // type in your address" (the first line), "You must provide the postal code", "You must
    // fill out the city field".
    static wxString checkDeliveryAddress(const Address& address);

    // First and last name of a full name: the first word, and the rest. Trimmed.
    static std::pair<wxString, wxString> splitName(const wxString& name);
    // Whether a customer with these names must be asked for them (either is blank).
    static bool needsUserInfo(const wxString& firstName, const wxString& lastName);

    // The delivery address last used (empty fields when none).
    static Address readMailAddress(const Quorvel::ConfigFile& config);
    static void writeMailAddress(Quorvel::ConfigFile& config, const Address& address);
    // The invoice address last used (checked as a delivery address is).
    static Address readInvoiceAddress(const Quorvel::ConfigFile& config);
    static void writeInvoiceAddress(Quorvel::ConfigFile& config, const Address& address);
};

} // namespace Brenmarle

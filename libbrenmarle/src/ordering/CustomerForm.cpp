#include "ordering/CustomerForm.h"

#include <wx/intl.h>

#include "system/ConfigFile.h"

namespace Brenmarle {

namespace {

wxString trimmed(const wxString& text)
{
    return wxString(text).Trim(true).Trim(false);
}

// The name check both forms share.
wxString checkName(const wxString& name)
{
    if (name.empty())
        return _("You must type in your name");
    if (name.find_first_of(" \t") == wxString::npos)
        return _("You must include both first and last name");
    return wxString();
}

// "^[+]?[0-9 ]*$" with at least MIN_PHONE_DIGITS digits.
bool isPhoneNumber(const wxString& phone)
{
    int digits = 0;
    for (size_t i = 0; i < phone.length(); ++i) {
        const wxUniChar c = phone[i];
        if (c >= '0' && c <= '9')
            ++digits;
        else if (!(c == ' ' || (c == '+' && i == 0)))
            return false;
    }
    return digits >= CustomerForm::MIN_PHONE_DIGITS;
}

} // namespace

wxString CustomerForm::checkUserInfo(const wxString& name, const wxString& phone)
{
    const wxString problem = checkName(trimmed(name));
    if (!problem.empty())
        return problem;
    const wxString number = trimmed(phone);
    if (number.empty())
        return _("You must type in a phone number");
    if (!isPhoneNumber(number))
        return _("You must type in a valid phone number");
    return wxString();
}

wxString CustomerForm::checkDeliveryAddress(const Address& address)
{
    const wxString problem = checkName(trimmed(address.name));
    if (!problem.empty())
        return problem;
    if (trimmed(address.addressLine1).empty())
        return _("You must type in your address");
    if (trimmed(address.postalCode).empty())
        return _("You must provide the postal code");
    if (trimmed(address.city).empty())
        return _("You must fill out the city field");
    return wxString();
}

std::pair<wxString, wxString> CustomerForm::splitName(const wxString& name)
{
    const wxString full = trimmed(name);
    const size_t blank = full.find_first_of(" \t");
    if (blank == wxString::npos)
        return {full, wxString()};
    return {full.Left(blank), trimmed(full.Mid(blank))};
}

bool CustomerForm::needsUserInfo(const wxString& firstName, const wxString& lastName)
{
    return trimmed(firstName).empty() || trimmed(lastName).empty();
}

namespace {

struct AddressKeys {
    const char* name;
    const char* address1;
    const char* address2;
    const char* postalCode;
    const char* city;
};

const AddressKeys MAIL_KEYS = {CustomerForm::MAIL_NAME_KEY, CustomerForm::MAIL_ADDRESS1_KEY,
                               CustomerForm::MAIL_ADDRESS2_KEY, CustomerForm::MAIL_POSTAL_CODE_KEY,
                               CustomerForm::MAIL_CITY_KEY};
const AddressKeys INVOICE_KEYS = {
    CustomerForm::INVOICE_NAME_KEY, CustomerForm::INVOICE_ADDRESS1_KEY,
    CustomerForm::INVOICE_ADDRESS2_KEY, CustomerForm::INVOICE_POSTAL_CODE_KEY,
    CustomerForm::INVOICE_CITY_KEY};

Address readAddress(const Quorvel::ConfigFile& config, const AddressKeys& keys)
{
    Address address;
    config.readString(keys.name, address.name, wxString());
    config.readString(keys.address1, address.addressLine1, wxString());
    config.readString(keys.address2, address.addressLine2, wxString());
    config.readString(keys.postalCode, address.postalCode, wxString());
    config.readString(keys.city, address.city, wxString());
    return address;
}

void writeAddress(Quorvel::ConfigFile& config, const AddressKeys& keys, const Address& address)
{
    config.writeString(keys.name, trimmed(address.name));
    config.writeString(keys.address1, trimmed(address.addressLine1));
    config.writeString(keys.address2, trimmed(address.addressLine2));
    config.writeString(keys.postalCode, trimmed(address.postalCode));
    config.writeString(keys.city, trimmed(address.city));
}

} // namespace

Address CustomerForm::readMailAddress(const Quorvel::ConfigFile& config)
{
    return readAddress(config, MAIL_KEYS);
}

void CustomerForm::writeMailAddress(Quorvel::ConfigFile& config, const Address& address)
{
    writeAddress(config, MAIL_KEYS, address);
}

Address CustomerForm::readInvoiceAddress(const Quorvel::ConfigFile& config)
{
    return readAddress(config, INVOICE_KEYS);
}

void CustomerForm::writeInvoiceAddress(Quorvel::ConfigFile& config, const Address& address)
{
    writeAddress(config, INVOICE_KEYS, address);
}

} // namespace Brenmarle

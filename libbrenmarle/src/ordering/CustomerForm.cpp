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

Address CustomerForm::readMailAddress(const Quorvel::ConfigFile& config)
{
    Address address;
    config.readString(MAIL_NAME_KEY, address.name, wxString());
    config.readString(MAIL_ADDRESS1_KEY, address.addressLine1, wxString());
    config.readString(MAIL_ADDRESS2_KEY, address.addressLine2, wxString());
    config.readString(MAIL_POSTAL_CODE_KEY, address.postalCode, wxString());
    config.readString(MAIL_CITY_KEY, address.city, wxString());
    return address;
}

void CustomerForm::writeMailAddress(Quorvel::ConfigFile& config, const Address& address)
{
    config.writeString(MAIL_NAME_KEY, trimmed(address.name));
    config.writeString(MAIL_ADDRESS1_KEY, trimmed(address.addressLine1));
    config.writeString(MAIL_ADDRESS2_KEY, trimmed(address.addressLine2));
    config.writeString(MAIL_POSTAL_CODE_KEY, trimmed(address.postalCode));
    config.writeString(MAIL_CITY_KEY, trimmed(address.city));
}

} // namespace Brenmarle

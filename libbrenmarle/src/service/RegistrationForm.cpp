#include "service/RegistrationForm.h"

#include <wx/intl.h>

namespace Brenmarle {

namespace {

// Blanks around an address are a slip of the keyboard; inside a password they are meant.
bool isBlank(const wxString& text)
{
    wxString trimmed = text;
    return trimmed.Trim(true).Trim(false).empty();
}

} // namespace

RegistrationForm::Problem RegistrationForm::checkNewAccount(const wxString& emailAddress,
                                                            const wxString& password,
                                                            const wxString& reentered,
                                                            const wxString& letters)
{
    if (isBlank(emailAddress))
        return {EMAIL_ADDRESS, _("You must type your email address")};
    if (password.empty())
        return {PASSWORD, _("You must choose a password")};
    if (password != reentered)
        return {REENTERED_PASSWORD, _("Passwords do not match")};
    if (isBlank(letters))
        return {LETTERS, _("You must type in the letters shown on the image")};
    return {};
}

RegistrationForm::Problem RegistrationForm::checkLogin(const wxString& emailAddress,
                                                       const wxString& password)
{
    if (isBlank(emailAddress))
        return {EMAIL_ADDRESS, _("You must type your email address")};
    if (password.empty())
        return {PASSWORD, _("You must type your account password")};
    return {};
}

} // namespace Brenmarle

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

wxString RegistrationForm::checkNewAccount(const wxString& emailAddress, const wxString& password,
                                           const wxString& reentered, const wxString& letters)
{
    if (isBlank(emailAddress))
        return _("You must type your email address");
    if (password.empty())
        return _("You must choose a password");
    if (password != reentered)
        return _("Passwords do not match");
    if (isBlank(letters))
        return _("You must type in the letters shown on the image");
    return wxString();
}

wxString RegistrationForm::checkLogin(const wxString& emailAddress, const wxString& password)
{
    if (isBlank(emailAddress))
        return _("You must type your email address");
    if (password.empty())
        return _("You must type your account password");
    return wxString();
}

} // namespace Brenmarle

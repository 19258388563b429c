#pragma once
// The checks of what the user typed on the account assistant's registration and login pages,
// made before anything is sent: each returns the first problem, in the order the pages ask
// (an empty text when there is none).
//
// Pure functions; any thread.

#include <wx/string.h>

namespace Brenmarle {

class RegistrationForm {
public:
    // "You must type your email address", "You must choose a password", "Passwords do not
    // match", "You must type in the letters shown on the image".
    static wxString checkNewAccount(const wxString& emailAddress, const wxString& password,
                                    const wxString& reentered, const wxString& letters);
    // "You must type your email address", "You must type your account password".
    static wxString checkLogin(const wxString& emailAddress, const wxString& password);
};

} // namespace Brenmarle

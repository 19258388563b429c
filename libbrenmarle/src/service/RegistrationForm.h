#pragma once
// The checks of what the user typed on the account assistant's registration and login pages,
// made before anything is sent: each returns the first problem, in the order the pages ask,
// with the field it concerns, so the page shows the message beside that field and moves the
// focus there (no problem: an empty message and NO_FIELD).
//
// Pure functions; any thread.

#include <wx/string.h>

namespace Brenmarle {

class RegistrationForm {
public:
    enum Field { NO_FIELD, EMAIL_ADDRESS, PASSWORD, REENTERED_PASSWORD, LETTERS };

    struct Problem {
        Field field = NO_FIELD;
        wxString message;
        bool exists() const { return field != NO_FIELD; }
    };

    // "You must type your email address" (EMAIL_ADDRESS), "You must choose a password"
    // (PASSWORD), "Passwords do not match" (REENTERED_PASSWORD: the repetition is what the
    // user types again), "You must type in the letters shown on the image" (LETTERS).
    static Problem checkNewAccount(const wxString& emailAddress, const wxString& password,
                                   const wxString& reentered, const wxString& letters);
    // "You must type your email address" (EMAIL_ADDRESS), "You must type your account
    // password" (PASSWORD).
    static Problem checkLogin(const wxString& emailAddress, const wxString& password);
};

} // namespace Brenmarle

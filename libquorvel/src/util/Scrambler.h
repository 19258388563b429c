#pragma once
// The reversible scrambling under which the account password is stored: each UTF-8 byte of the
// text is XORed with the key's bytes taken from the last one backwards (wrapping around), and
// written as two lower-case hexadecimal digits. It hides the password from a casual look at
// the file; it is not encryption.

#include <wx/string.h>

namespace Quorvel {

class Scrambler {
public:
    // The fixed key of "Account/Password".
    static constexpr const char* PASSWORD_KEY = "Lantern Moss Riverstoneway";

    static wxString scramble(const wxString& text, const wxString& key);
    // Returns the empty text when `hex` is not a well-formed scrambled value (odd length or a
    // non-hexadecimal digit) or does not decode to UTF-8.
    static wxString unscramble(const wxString& hex, const wxString& key);
};

} // namespace Quorvel

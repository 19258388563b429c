#pragma once
// Random UUIDs in their standard lower-case 8-4-4-4-12 form (36 characters), for install ids,
// albums and managed files.

#include <wx/string.h>

namespace Quorvel {

class Uuid {
public:
    static wxString create();
    // Whether `text` has the 8-4-4-4-12 hexadecimal form.
    static bool isValid(const wxString& text);
};

} // namespace Quorvel

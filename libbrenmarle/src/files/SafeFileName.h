#pragma once
// File names that every file system the user copies to will accept. Linux itself forbids only
// "/" and NUL, but memory cards and USB sticks are FAT, which also refuses control characters
// and \ : * ? " < > |; a copy to a card must not fail because of a name.

#include <wx/string.h>

namespace Brenmarle {

class SafeFileName {
public:
    // Each forbidden character becomes "_"; "." and ".." and an empty name become "_".
    static wxString make(const wxString& name);
};

} // namespace Brenmarle

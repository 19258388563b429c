#pragma once
// File names that every file system the user copies to will accept. Linux itself forbids only
// "/" and NUL, but memory cards and USB sticks are FAT, which also refuses control characters
// and \ : * ? " < > |; a copy to a card must not fail because of a name. No name is longer than
// Quorvel::OutputFile::MAX_NAME_BYTES: a long one loses the end of its name part and keeps its
// extension.

#include <wx/string.h>

namespace Brenmarle {

class SafeFileName {
public:
    // Each forbidden character becomes "_"; "." and ".." and an empty name become "_".
    static wxString make(const wxString& name);
    // "name (number).ext" for "name.ext", the name part shortened when the number would make
    // the whole too long.
    static wxString numbered(const wxString& name, int number);
};

} // namespace Brenmarle

#pragma once
// Removing a folder with everything in it, never following a symbolic link: a link inside (or
// the folder itself being a link) is removed as a link, and what it points to stays untouched.
// Each sub-folder is opened relative to its parent without following links, so a folder
// swapped for a link while the removal runs is not entered either.
//
// Failures raise Quorvel::IOException ("Could not delete folder %s"). Any thread.

#include <wx/string.h>

namespace Quorvel {

class FolderTree {
public:
    // Deeper trees are refused rather than opening a descriptor per level without bound.
    static constexpr int MAX_DEPTH = 64;

    // Removes `path` (a folder, a file or a link); nothing to do when it does not exist.
    static void remove(const wxString& path);
};

} // namespace Quorvel

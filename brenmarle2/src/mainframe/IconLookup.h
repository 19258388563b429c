#pragma once
// Icons of menu and tool items, named as the skin names them ("camera_import.png"). A file of
// that name in the skin folder wins; otherwise the name is mapped to the freedesktop icon that
// means the same and taken from the desktop's icon theme through wxArtProvider, so the program
// looks like the rest of the desktop. Names nobody knows, and "blank.png", give an empty icon of
// the right size, which keeps menu labels aligned.
//
// GUI thread only.

#include <wx/bitmap.h>
#include <wx/string.h>

class IconLookup {
public:
    explicit IconLookup(const wxString& skinDirectory);

    // The icon at `size` pixels square; never invalid.
    wxBitmap get(const wxString& name, int size) const;

    // The freedesktop name standing for a skin icon name; empty when there is none.
    static wxString freedesktopName(const wxString& name);

private:
    wxString m_skinDirectory;
};

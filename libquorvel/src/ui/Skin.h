#pragma once
// The program's look: images and colour settings under the program's "skin" folder.
//
// GUI thread only.

#include <wx/bitmap.h>
#include <wx/string.h>

namespace Quorvel {

class Skin {
public:
    explicit Skin(const wxString& directory);

    const wxString& getDirectory() const { return m_directory; }
    // Full path of a skin file given by its relative name ("vssplash/splash.jpg").
    wxString getPath(const wxString& name) const;
    // The image, or an invalid bitmap when the file is missing or unreadable.
    wxBitmap loadBitmap(const wxString& name) const;

private:
    wxString m_directory;
};

} // namespace Quorvel

#include "ui/Skin.h"

#include <wx/filefn.h>
#include <wx/image.h>
#include <wx/log.h>

namespace Quorvel {

Skin::Skin(const wxString& directory)
    : m_directory(directory.EndsWith("/") ? directory : directory + "/")
{
}

wxString Skin::getPath(const wxString& name) const { return m_directory + name; }

wxBitmap Skin::loadBitmap(const wxString& name) const
{
    const wxString path = getPath(name);
    if (!wxFileExists(path))
        return wxBitmap();
    wxLogNull quiet;
    wxImage image;
    if (!image.LoadFile(path))
        return wxBitmap();
    return wxBitmap(image);
}

} // namespace Quorvel

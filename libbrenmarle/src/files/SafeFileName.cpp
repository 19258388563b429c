#include "files/SafeFileName.h"

namespace Brenmarle {

wxString SafeFileName::make(const wxString& name)
{
    if (name.empty() || name == "." || name == "..")
        return "_";
    wxString safe;
    safe.reserve(name.length());
    for (wxUniChar c : name) {
        const wxUint32 v = c.GetValue();
        const bool forbidden = v < 0x20 || v == 0x7f || wxString("/\\:*?\"<>|").Find(c) != wxNOT_FOUND;
        safe += forbidden ? wxUniChar('_') : c;
    }
    return safe;
}

} // namespace Brenmarle

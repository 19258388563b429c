#include "cameras/SysfsAttribute.h"

#include <wx/filefn.h>
#include <wx/log.h>
#include <wx/textfile.h>

namespace Brenmarle {

wxString readSysfsAttribute(const wxString& path)
{
    wxLogNull quiet;
    wxTextFile file;
    if (!wxFileExists(path) || !file.Open(path) || file.GetLineCount() == 0)
        return wxString();
    wxString line = file.GetFirstLine();
    return line.Trim(true).Trim(false);
}

} // namespace Brenmarle

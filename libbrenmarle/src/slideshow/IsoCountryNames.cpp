#include "slideshow/IsoCountryNames.h"

#include <wx/ffile.h>
#include <wx/filefn.h>
#include <wx/regex.h>

#include "system/Log.h"

namespace Brenmarle {

IsoCountryNames::IsoCountryNames(const wxString& path)
{
    wxString text;
    if (!wxFileExists(path) || !wxFFile(path, "rb").ReadAll(&text, wxConvUTF8)) {
        QDEBUG("[COUNTRIES] No country names in %s", path);
        return;
    }
    // One object per country; only the codes and the common name are of interest, so a flat
    // look at each object is enough (the file is the system's, not the user's).
    const wxRegEx field(wxS("\"([a-z_0-9]+)\"[[:space:]]*:[[:space:]]*\"([^\"]*)\""),
                        wxRE_ADVANCED);
    size_t from = 0;
    while (true) {
        const size_t open = text.find('{', from);
        if (open == wxString::npos)
            break;
        const size_t close = text.find('}', open);
        if (close == wxString::npos)
            break;
        wxString object = text.Mid(open + 1, close - open - 1);
        from = close + 1;
        wxString alpha2, alpha3, name, commonName;
        while (field.Matches(object)) {
            size_t start = 0, length = 0;
            field.GetMatch(&start, &length, 0);
            const wxString key = field.GetMatch(object, 1);
            const wxString value = field.GetMatch(object, 2);
            if (key == "alpha_2")
                alpha2 = value.Upper();
            else if (key == "alpha_3")
                alpha3 = value.Upper();
            else if (key == "name")
                name = value;
            else if (key == "common_name")
                commonName = value;
            object = object.Mid(start + length);
        }
        const wxString shown = commonName.empty() ? name : commonName;
        if (shown.empty())
            continue;
        if (!alpha2.empty())
            m_names[alpha2] = shown;
        if (!alpha3.empty())
            m_names[alpha3] = shown;
    }
    if (m_names.empty())
        QDEBUG("[COUNTRIES] No country names in %s", path);
}

bool IsoCountryNames::lookUp(const wxString& code, wxString& name) const
{
    const auto found = m_names.find(code.Upper());
    if (found == m_names.end())
        return false;
    name = found->second;
    return true;
}

} // namespace Brenmarle

#include "slideshow/SlideCaption.h"

#include <wx/intl.h>

#include "files/File.h"

namespace Brenmarle {

SlideCaption SlideCaption::forFile(const File& file, bool captions, const CountryNames& countries)
{
    SlideCaption texts;
    if (!captions)
        return texts;
    texts.caption = file.getCaption();
    texts.date = file.getDateText();
    texts.location =
        locationLine(file.getSublocation(), file.getCity(), file.getCountryCode(), countries);
    return texts;
}

SlideCaption SlideCaption::forFailure(std::size_t index, const wxString& fileName)
{
    SlideCaption texts;
    texts.caption =
        wxString::Format(_("Could not load file %d (%s)"), static_cast<int>(index + 1), fileName);
    return texts;
}

wxString SlideCaption::locationLine(const wxString& sublocation, const wxString& city,
                                    const wxString& countryCode, const CountryNames& countries)
{
    wxString line;
    if (!sublocation.empty() && !city.empty())
        line = wxString::Format(wxS("%s (%s)"), sublocation, city);
    else
        line = sublocation.empty() ? city : sublocation;
    if (!countryCode.empty()) {
        wxString country;
        if (!countries.lookUp(countryCode, country))
            country = _("Unknown country");
        line += line.empty() ? country : wxS(", ") + country;
    }
    return line;
}

} // namespace Brenmarle

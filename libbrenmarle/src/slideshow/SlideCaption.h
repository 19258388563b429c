#pragma once
// The texts a slide shows under its picture: the caption, the date, and a location line made
// of the sublocation, the city and the country's name. Empty, all of them, with captions off.

#include <cstddef>

#include <wx/string.h>

#include "slideshow/CountryNames.h"

namespace Brenmarle {

class File;

class SlideCaption {
public:
    SlideCaption() = default;
    // The texts of `file`, or none when `captions` is off.
    static SlideCaption forFile(const File& file, bool captions, const CountryNames& countries);
    // The slot of a picture that could not be loaded: "Could not load file %d (%s)", with the
    // 1-based position in the show.
    static SlideCaption forFailure(std::size_t index, const wxString& fileName);

    // "Sublocation (City)", or whichever is set, then ", Country" ("Unknown country" for a
    // code the table does not know).
    static wxString locationLine(const wxString& sublocation, const wxString& city,
                                 const wxString& countryCode, const CountryNames& countries);

    bool empty() const { return caption.empty() && date.empty() && location.empty(); }

    wxString caption;
    wxString date;
    wxString location;
};

} // namespace Brenmarle

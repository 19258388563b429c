#pragma once
// Turns a picture's country code into the country's name for captions. The slide show asks
// through this, so whichever country table the program keeps can answer.

#include <wx/string.h>

namespace Brenmarle {

class CountryNames {
public:
    virtual ~CountryNames() = default;
    // The name of the country with that code (two or three letters, either case); false when
    // the code is unknown.
    virtual bool lookUp(const wxString& code, wxString& name) const = 0;
};

} // namespace Brenmarle

#include "slideshow/CountryListNames.h"

namespace Brenmarle {

CountryListNames::CountryListNames(const CountryList& countries) : m_countries(countries) {}

bool CountryListNames::lookUp(const wxString& code, wxString& name) const
{
    const wxString found = m_countries.getName(m_countries.toCatalogueCode(code));
    if (found.empty())
        return false;
    name = found;
    return true;
}

} // namespace Brenmarle

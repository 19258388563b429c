#pragma once
// Country names for captions from the program's one country list, so captions, search and
// the map call a country the same, in the user's language.

#include "search/CountryList.h"
#include "slideshow/CountryNames.h"

namespace Brenmarle {

class CountryListNames : public CountryNames {
public:
    // `countries` must outlive this (the program's list lives as long as the program).
    explicit CountryListNames(const CountryList& countries = CountryList::getInstance());
    bool lookUp(const wxString& code, wxString& name) const override;

private:
    const CountryList& m_countries;
};

} // namespace Brenmarle

#pragma once
// Country names read from the iso-codes list of countries (iso_3166-1.json), by their two-
// and three-letter codes. A file that is missing or unreadable gives no names (logged), so
// captions say "Unknown country" instead of failing.

#include <map>

#include "slideshow/CountryNames.h"

namespace Brenmarle {

class IsoCountryNames : public CountryNames {
public:
    static constexpr const char* DEFAULT_PATH = "/usr/share/iso-codes/json/iso_3166-1.json";

    explicit IsoCountryNames(const wxString& path = wxString::FromUTF8(DEFAULT_PATH));
    bool lookUp(const wxString& code, wxString& name) const override;
    bool empty() const { return m_names.empty(); }

private:
    std::map<wxString, wxString> m_names; // upper-case code -> name
};

} // namespace Brenmarle

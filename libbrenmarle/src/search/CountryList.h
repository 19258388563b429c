#pragma once
// The countries of the world with their two-letter codes (what the catalogue stores in
// `countrycode`), three-letter codes (what IPTC record 2:100 carries) and names in the user's
// language. Read from the iso-codes package's table; names are translated through its own
// translation domain, so a German user searching "Norwegen" finds the pictures coded NO.
//
// Threads: a loaded list is read-only and may be shared by any thread. getInstance() loads on
// first use (thread-safe); when the table cannot be read the error is logged and the list is
// empty, so search and scanning carry on without countries.

#include <functional>
#include <vector>

#include <wx/string.h>

namespace Brenmarle {

class CountryList {
public:
    struct Country {
        wxString code;  // ISO 3166-1 alpha-2, "NO"
        wxString code3; // ISO 3166-1 alpha-3, "NOR"
        wxString name;  // in the user's language, "Norway"
    };
    // Turns the English name into the user's language.
    using Translator = std::function<wxString(const wxString& englishName)>;

    static constexpr const char* DEFAULT_PATH = "/usr/share/iso-codes/json/iso_3166-1.json";
    static constexpr const char* TRANSLATION_DOMAIN = "iso_3166-1";

    // The program's list, from DEFAULT_PATH with the toolkit's translations.
    static const CountryList& getInstance();

    // An empty list.
    CountryList() = default;
    // Reads the iso-codes table at `path`. Throws Quorvel::IOException when the file cannot be
    // read or is not such a table (the message names the file and what is wrong). Without a
    // translator the names go through the toolkit's translations of TRANSLATION_DOMAIN.
    explicit CountryList(const wxString& path, Translator translate = Translator());

    // Sorted by name in the user's collation, ignoring case.
    const std::vector<Country>& getCountries() const { return m_countries; }
    // The codes of the countries whose name contains `text`, both in upper case; in the order
    // of getCountries(). Nothing for an empty text.
    std::vector<wxString> findCodesByName(const wxString& text) const;
    // The name for a two-letter code (any case); empty when unknown.
    wxString getName(const wxString& code) const;
    // The two-letter code for a two- or three-letter code in any case ("NOR", "nor", "no" give
    // "NO"); an unknown code comes back unchanged.
    wxString toCatalogueCode(const wxString& code) const;

private:
    const Country* find(const wxString& code) const;

    std::vector<Country> m_countries;
};

} // namespace Brenmarle

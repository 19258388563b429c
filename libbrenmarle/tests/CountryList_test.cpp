#include <gtest/gtest.h>

#include <string>

#include <wx/translation.h>

#include "ScratchDir.h"
#include "search/CountryList.h"
#include "system/Exceptions.h"

using Brenmarle::CountryList;

namespace {

using Codes = std::vector<wxString>;

// Three entries the way iso-codes writes them; the last has no usable code.
const std::string SMALL_TABLE = R"({
  "3166-1": [
    {"alpha_2": "NO", "alpha_3": "NOR", "flag": "\ud83c\uddf3\ud83c\uddf4", "name": "Norway",
     "numeric": "578", "official_name": "Kingdom of Norway"},
    {"alpha_2": "NF", "alpha_3": "NFK", "name": "Norfolk Island", "numeric": "574"},
    {"alpha_2": "AX", "alpha_3": "ALA", "name": "\u00c5land Islands", "numeric": 248},
    {"alpha_2": "", "name": "Nowhere"}
  ]
}
)";

CountryList fromText(const ScratchDir& dir, const std::string& text)
{
    dir.writeFile("table.json", text);
    return CountryList(dir / "table.json", [](const wxString& name) { return name; });
}

} // namespace

TEST(CountryList, ReadsTheTableSortedByNameAndMapsCodesOfEitherLength)
{
    ScratchDir dir;
    const CountryList countries = fromText(dir, SMALL_TABLE);
    ASSERT_EQ(countries.getCountries().size(), 3u);
    EXPECT_EQ(countries.findCodesByName("nor"), (Codes{"NF", "NO"}));
    EXPECT_EQ(countries.findCodesByName(wxString::FromUTF8("\xc3\xa5land")), Codes{"AX"});
    EXPECT_TRUE(countries.findCodesByName(wxString()).empty());
    EXPECT_EQ(countries.toCatalogueCode("NOR"), "NO");
    EXPECT_EQ(countries.toCatalogueCode("nor "), "NO");
    EXPECT_EQ(countries.toCatalogueCode("XYZ"), "XYZ"); // unknown codes are kept as they came
    EXPECT_EQ(countries.getName("nf"), "Norfolk Island");
}

TEST(CountryList, DamagedTablesAreRefusedWithTheirNameAndWhatIsWrong)
{
    ScratchDir dir;
    EXPECT_THROW(CountryList(dir / "missing.json"), Quorvel::FileNotFoundException);
    const std::string deep(100000, '[');
    for (const std::string& text :
         {SMALL_TABLE.substr(0, SMALL_TABLE.size() / 2), std::string("{\"3166-1\": [] } x"),
          std::string("{\"other\": []}"), std::string("{\"3166-1\": [{\"name\": \"a\\q\"}]}"),
          std::string("{\"3166-1\": [{\"name\": \"\\ud800\"}]}"), std::string("{\"a\": ") + deep,
          std::string()}) {
        try {
            fromText(dir, text);
            ADD_FAILURE() << "accepted: " << text.substr(0, 60);
        } catch (const Quorvel::IOException& e) {
            EXPECT_TRUE(e.getMessage().Contains("table.json")) << e.getMessage();
        }
    }
}

TEST(CountryList, TheInstalledTableGivesNamesInTheUsersLanguage)
{
    const CountryList english(CountryList::DEFAULT_PATH);
    EXPECT_EQ(english.getName("NO"), "Norway");
    EXPECT_EQ(english.toCatalogueCode("NOR"), "NO");
    EXPECT_GT(english.getCountries().size(), 240u);

    auto* translations = new wxTranslations;
    wxTranslations::Set(translations);
    translations->SetLanguage("de");
    ASSERT_TRUE(translations->AddCatalog(CountryList::TRANSLATION_DOMAIN));
    const CountryList german(CountryList::DEFAULT_PATH);
    wxTranslations::Set(nullptr);
    EXPECT_EQ(german.getName("NO"), "Norwegen");
    EXPECT_EQ(german.findCodesByName("norweg"), Codes{"NO"});
}

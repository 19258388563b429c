#include <gtest/gtest.h>

#include "LogCapture.h"
#include "ScratchDir.h"
#include "search/CountryList.h"
#include "search/SearchCriteria.h"

using Brenmarle::CountryList;
using Brenmarle::SearchCriteria;

namespace {

class SearchCriteriaTest : public ::testing::Test {
protected:
    SearchCriteriaTest()
    {
        m_dir.writeFile("countries.json",
                        R"({"3166-1": [{"alpha_2": "NO", "alpha_3": "NOR", "name": "Norway"},
                                      {"alpha_2": "NF", "alpha_3": "NFK", "name": "Norfolk Island"},
                                      {"alpha_2": "SE", "alpha_3": "SWE", "name": "Sweden"}]})");
        countries =
            CountryList(m_dir / "countries.json", [](const wxString& name) { return name; });
    }

    ScratchDir m_dir;
    CountryList countries;
};

} // namespace

TEST_F(SearchCriteriaTest, EmptyCriteriaMatchNothing)
{
    LogCapture log;
    EXPECT_EQ(SearchCriteria().buildQuery(countries),
              "SELECT ROWID FROM file WHERE 1 = 1 AND 1 = 0 ORDER BY time, uri");
    EXPECT_TRUE(
        log.contains("QUERY: SELECT ROWID FROM file WHERE 1 = 1 AND 1 = 0 ORDER BY time, uri"));
}

TEST_F(SearchCriteriaTest, TextIsLookedForInEveryPlaceAndInCountryNames)
{
    SearchCriteria criteria;
    criteria.text = "nor";
    EXPECT_EQ(criteria.buildQuery(countries),
              "SELECT ROWID FROM file WHERE 1 = 1 AND (caption LIKE '%nor%' OR filename LIKE "
              "'%nor%' OR city LIKE '%nor%' OR countrycode = 'NF'  OR countrycode = 'NO'  OR "
              "sublocation LIKE '%nor%') ORDER BY time, uri");
    // Quotes are doubled, so the text is searched for literally.
    criteria.text = "Bob's";
    EXPECT_EQ(criteria.buildQuery(countries),
              "SELECT ROWID FROM file WHERE 1 = 1 AND (caption LIKE '%Bob''s%' OR filename LIKE "
              "'%Bob''s%' OR city LIKE '%Bob''s%' OR sublocation LIKE '%Bob''s%') ORDER BY time, "
              "uri");
}

TEST_F(SearchCriteriaTest, KeywordsPeriodAndCountryNarrowTheSearch)
{
    SearchCriteria criteria;
    criteria.keyword1 = "Events/Party";
    criteria.keyword2 = "People/O'Brien";
    criteria.minTime = 1000;
    criteria.maxTime = 2000;
    criteria.countryCode = "NO";
    EXPECT_EQ(criteria.buildQuery(countries),
              "SELECT ROWID FROM file WHERE 1 = 1 AND (keywords LIKE '%Events/Party%') AND "
              "(keywords LIKE '%People/O''Brien%') AND time >= 1000 AND time < 2000 AND "
              "countrycode = 'NO' ORDER BY time, uri");
    // Times of 0 or less are no limit.
    SearchCriteria period;
    period.minTime = -5;
    period.maxTime = 0;
    EXPECT_EQ(period.buildQuery(countries),
              "SELECT ROWID FROM file WHERE 1 = 1 AND 1 = 0 ORDER BY time, uri");
}

TEST_F(SearchCriteriaTest, CustomQueryReplacesEveryOtherField)
{
    SearchCriteria criteria;
    criteria.text = "nor";
    criteria.countryCode = "SE";
    criteria.customQuery = "favorite = 'true' AND city = 'Oslo'";
    EXPECT_EQ(criteria.buildQuery(countries),
              "SELECT ROWID FROM file WHERE 1 = 1 AND (favorite = 'true' AND city = 'Oslo') ORDER "
              "BY time, uri");
}

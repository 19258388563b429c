#include <gtest/gtest.h>

#include "MapCatalogue.h"
#include "ScopedTimeZone.h"
#include "map/PictureMapModel.h"

using Period = PictureMapModel::Period;

namespace {

// The period a timeline spanning every dated picture gives.
Period wholeTimeline(Brenmarle::Database& database)
{
    int32_t minTime = 0;
    int32_t maxTime = 0;
    database.getMinMaxTime(minTime, maxTime);
    return PictureMapModel::periodOfDays(PictureMapModel::dayOf(minTime),
                                         PictureMapModel::dayOf(maxTime));
}

} // namespace

TEST(PictureMapModel, LastRegionIsUsedOnlyWhenItIsOffered)
{
    EXPECT_EQ(PictureMapModel::chooseRegion("world/oceania"), "world/oceania");
    EXPECT_EQ(PictureMapModel::chooseRegion("world/north_america"), "world/north_america");
    for (const char* stored : {"", "world/antarctica", "../../../etc", "WORLD/ASIA", "world/asia/"})
        EXPECT_EQ(PictureMapModel::chooseRegion(stored), "world/europe") << stored;
}

TEST(PictureMapModel, PeriodIncludesTheLastPictureAndTheSearchFindsIt)
{
    MapCatalogue catalogue;
    const int32_t first = wallClock(2024, 3, 10, 8, 0);
    // The last second of the last day.
    const int32_t newest = wallClock(2024, 6, 1, 23, 59) + 59;
    catalogue.add(first, "NO");
    catalogue.add(newest, "NO");
    catalogue.add(first - 60, "SE");

    const Period period = wholeTimeline(catalogue.database);
    const auto count = PictureMapModel::count(catalogue.database, "NO", period);
    EXPECT_EQ(count.dated, 2);
    EXPECT_EQ(count.last, newest);
    EXPECT_EQ(PictureMapModel::describe(count, "Norway"),
              "2 pictures from Norway was found in the period 2024-03-10 to 2024-06-01");

    // The search takes its maximum as exclusive; built as the catalogue search builds it.
    const auto search = PictureMapModel::searchPeriod(period, false);
    const auto rows = catalogue.database.getRowIds(wxString::Format(
        "SELECT ROWID FROM file WHERE 1 = 1 AND time >= %d AND time < %d AND countrycode = 'NO' "
        "ORDER BY time, uri",
        search.minimumTime, search.maximumTime));
    EXPECT_EQ(rows.size(), 2u);
}

TEST(PictureMapModel, PicturesOfUnknownTimeAreCountedOnce)
{
    MapCatalogue catalogue;
    catalogue.add(0, "NO");
    catalogue.add(0, "NO");
    catalogue.add(wallClock(2024, 3, 10, 8, 0), "NO");
    catalogue.add(0, "SE");

    const auto count =
        PictureMapModel::count(catalogue.database, "NO", wholeTimeline(catalogue.database));
    EXPECT_EQ(PictureMapModel::describe(count, "Norway"),
              "1 picture from Norway was found in the period 2024-03-10 to 2024-03-10 + 2 "
              "pictures with unknown time");

    // A timeline without dated pictures starts at day 0, whose first second is the stored
    // "unknown" time.
    const auto undated =
        PictureMapModel::count(catalogue.database, "SE", wholeTimeline(catalogue.database));
    EXPECT_EQ(undated.dated, 0);
    EXPECT_EQ(undated.unknownTime, 1);
    const auto none =
        PictureMapModel::count(catalogue.database, "SE", PictureMapModel::periodOfDays(0, 0));
    EXPECT_EQ(none.dated, 0);
    EXPECT_EQ(none.unknownTime, 1);
    EXPECT_EQ(PictureMapModel::describe(none, "Sweden"),
              "0 pictures from Sweden was found in the period 1970-01-01 to 1970-01-01 + 1 "
              "picture with unknown time");
}

TEST(PictureMapModel, DatesAreTheWallClockDatesInEveryTimeZone)
{
    MapCatalogue catalogue;
    catalogue.add(wallClock(2024, 3, 10, 0, 30), "NO");
    catalogue.add(wallClock(2024, 6, 1, 23, 30), "NO");
    for (const char* zone : {"America/Los_Angeles", "Asia/Tokyo", "UTC"}) {
        ScopedTimeZone timeZone(zone);
        const Period period = wholeTimeline(catalogue.database);
        EXPECT_EQ(PictureMapModel::formatDate(period.from), "2024-03-10") << zone;
        EXPECT_EQ(PictureMapModel::formatDate(period.to), "2024-06-01") << zone;
        const auto count = PictureMapModel::count(catalogue.database, "NO", period);
        EXPECT_EQ(PictureMapModel::describe(count, "Norway"),
                  "2 pictures from Norway was found in the period 2024-03-10 to 2024-06-01")
            << zone;
    }
}

TEST(PictureMapModel, DaysBeforeNineteenSeventyRoundDown)
{
    EXPECT_EQ(PictureMapModel::dayOf(86399), 0);
    EXPECT_EQ(PictureMapModel::dayOf(86400), 1);
    EXPECT_EQ(PictureMapModel::dayOf(-1), -1);
    EXPECT_EQ(PictureMapModel::dayOf(-86400), -1);
    EXPECT_EQ(PictureMapModel::dayOf(-86401), -2);
    const Period period = PictureMapModel::periodOfDays(-1, 0);
    EXPECT_EQ(period.from, -86400);
    EXPECT_EQ(period.to, 86399);
}

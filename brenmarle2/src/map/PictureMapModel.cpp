#include "map/PictureMapModel.h"

#include <limits>

#include <wx/datetime.h>
#include <wx/intl.h>

#include "database/Database.h"

const std::vector<PictureMapModel::Region>& PictureMapModel::getRegions()
{
    static const std::vector<Region> regions = {
        {"world/europe", wxTRANSLATE("Europe")},
        {"world/africa", wxTRANSLATE("Africa")},
        {"world/asia", wxTRANSLATE("Asia")},
        {"world/south_america", wxTRANSLATE("South America")},
        {"world/north_america", wxTRANSLATE("North America")},
        {"world/oceania", wxTRANSLATE("Oceania")},
    };
    return regions;
}

wxString PictureMapModel::chooseRegion(const wxString& stored)
{
    for (const Region& region : getRegions()) {
        if (region.path == stored)
            return stored;
    }
    return getRegions().front().path;
}

int32_t PictureMapModel::dayOf(int32_t time)
{
    // Floor division: a time before 1970 belongs to the day before, not to day 0.
    return time >= 0 ? time / SECONDS_PER_DAY : -((-int64_t(time) - 1) / SECONDS_PER_DAY) - 1;
}

PictureMapModel::Period PictureMapModel::periodOfDays(int32_t firstDay, int32_t lastDay)
{
    const auto clamp = [](int64_t seconds) {
        if (seconds > std::numeric_limits<int32_t>::max())
            return std::numeric_limits<int32_t>::max();
        if (seconds < std::numeric_limits<int32_t>::min())
            return std::numeric_limits<int32_t>::min();
        return int32_t(seconds);
    };
    Period period;
    period.from = clamp(int64_t(firstDay) * SECONDS_PER_DAY);
    period.to = clamp((int64_t(lastDay) + 1) * SECONDS_PER_DAY - 1);
    return period;
}

wxString PictureMapModel::formatDate(int32_t time)
{
    return wxDateTime(time_t(time)).Format("%Y-%m-%d", wxDateTime::UTC);
}

PictureMapModel::CountryCount PictureMapModel::count(Brenmarle::Database& database,
                                                     const wxString& code, const Period& period)
{
    return count(database, code, period, countUnknownTime(database, code));
}

int32_t PictureMapModel::countUnknownTime(Brenmarle::Database& database, const wxString& code)
{
    int32_t unknownTime = 0;
    database.getCountryPhotoCount(code, 0, 0, unknownTime);
    return unknownTime;
}

PictureMapModel::CountryCount PictureMapModel::count(Brenmarle::Database& database,
                                                     const wxString& code, const Period& period,
                                                     int32_t unknownTime)
{
    CountryCount result;
    // Time 0 means "not known": the dated count starts after it, so no picture is counted
    // both as dated and as unknown.
    const int32_t from = period.from > 0 ? period.from : 1;
    result.first = period.from;
    result.last = period.to;
    if (from <= period.to)
        database.getCountryPhotoCount(code, from, period.to, result.dated, &result.first,
                                      &result.last);
    result.unknownTime = unknownTime;
    return result;
}

bool PictureMapModel::hasCountryInformation(Brenmarle::Database& database)
{
    return !database
                .getCountryCounts(std::numeric_limits<int32_t>::min(),
                                  std::numeric_limits<int32_t>::max())
                .empty();
}

wxString PictureMapModel::describe(const CountryCount& count, const wxString& countryName)
{
    wxString text = wxString::Format(
        wxPLURAL("%d picture from %s was found in the period %s to %s",
                 "%d pictures from %s was found in the period %s to %s", count.dated),
        count.dated, countryName, formatDate(count.first), formatDate(count.last));
    if (count.unknownTime > 0)
        text +=
            " + " + wxString::Format(wxPLURAL("%d picture with unknown time",
                                              "%d pictures with unknown time", count.unknownTime),
                                     count.unknownTime);
    return text;
}

PictureMapModel::SearchPeriod PictureMapModel::searchPeriod(const Period& period, bool fromEarliest)
{
    SearchPeriod search;
    search.minimumTime = fromEarliest ? 0 : period.from;
    // The search's maximum is exclusive: one second past the period's last.
    search.maximumTime = period.to < std::numeric_limits<int32_t>::max() ? period.to + 1 : 0;
    return search;
}

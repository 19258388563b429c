#pragma once
// What the picture map shows, without its windows: the regions offered, the period a span of
// days stands for, a country's counts in a period, the texts about them, and the period handed
// to the search.
//
// Picture times are wall-clock times stored as seconds since 1970 read as UTC, so every date
// here is computed and written in UTC: a picture taken on 10 March shows 10 March whatever the
// computer's time zone.
//
// Catalogue calls take the library lock; everything else is plain computation, any thread.

#include <cstdint>
#include <vector>

#include <wx/string.h>

namespace Brenmarle {
class Database;
}

class PictureMapModel {
public:
    struct Region {
        wxString path;  // below the "maps" resource folder
        wxString label; // untranslated; shown through the translation catalogue
    };
    // Both ends included.
    struct Period {
        int32_t from = 0;
        int32_t to = 0;
    };
    struct CountryCount {
        // Pictures with a time inside the period, and their first and last times (the
        // period's ends when there are none).
        int32_t dated = 0;
        int32_t first = 0;
        int32_t last = 0;
        // Pictures of the country whose time is not known (stored as 0), counted once, here
        // only: they cannot lie outside any period.
        int32_t unknownTime = 0;
    };
    // As the catalogue search takes it: at or after `minimumTime` and before `maximumTime`,
    // each ignored when 0.
    struct SearchPeriod {
        int32_t minimumTime = 0;
        int32_t maximumTime = 0;
    };

    static constexpr const char* LAST_REGION_KEY = "PictureMap/LastRegion";
    static constexpr int32_t SECONDS_PER_DAY = 86400;

    static const std::vector<Region>& getRegions();
    // `stored` when it is one of the regions offered, else the first region.
    static wxString chooseRegion(const wxString& stored);

    // The day number (days since 1970) of a picture time.
    static int32_t dayOf(int32_t time);
    // From the first second of `firstDay` to the last second of `lastDay`, so that pictures
    // taken late on the last day are inside.
    static Period periodOfDays(int32_t firstDay, int32_t lastDay);
    // "YYYY-MM-DD" of a picture time, as its camera's clock showed it.
    static wxString formatDate(int32_t time);

    // Throws Brenmarle::DatabaseException.
    static CountryCount count(Brenmarle::Database& database, const wxString& code,
                              const Period& period);
    // count() with the pictures of unknown time counted already (they do not depend on the
    // period): one scan of the catalogue instead of two.
    static CountryCount count(Brenmarle::Database& database, const wxString& code,
                              const Period& period, int32_t unknownTime);
    // The country's pictures of unknown time. Throws Brenmarle::DatabaseException.
    static int32_t countUnknownTime(Brenmarle::Database& database, const wxString& code);
    // Whether any catalogued picture has a country code. Throws Brenmarle::DatabaseException.
    static bool hasCountryInformation(Brenmarle::Database& database);

    // "2 pictures from Norway was found in the period 2024-03-10 to 2024-06-01", with
    // " + 1 picture with unknown time" when there are such pictures.
    static wxString describe(const CountryCount& count, const wxString& countryName);

    // The search for the pictures that `count` counted: the whole period, its last second
    // included. A period that reaches back to the earliest picture leaves the minimum open so
    // that the pictures of unknown time are found as well.
    static SearchPeriod searchPeriod(const Period& period, bool fromEarliest);
};

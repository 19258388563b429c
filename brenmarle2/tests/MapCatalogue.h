#pragma once
// A scratch catalogue for the picture map's tests, with pictures by country and time.

#include <ctime>
#include <string>

#include "ScratchDir.h"
#include "database/Database.h"
#include "files/File.h"

class MapCatalogue {
public:
    MapCatalogue() { database.open(dir / "database.db"); }
    ~MapCatalogue() { database.close(); }

    // A picture taken at `time` (0: not known) in `country` (empty: none).
    void add(int32_t time, const wxString& country)
    {
        auto file = Quorvel::makeRef<Brenmarle::File>(
            wxString::Format("album://6f1c4b5e-2c1a-4d8e-9d0b-3b9f1f6a7c21/"
                             "00000000-0000-4000-8000-%012d",
                             ++m_count));
        file->setFileName("IMG.JPG");
        file->setTime(time);
        file->setCountryCode(country);
        database.addFile(*file);
    }

    ScratchDir dir;
    Brenmarle::Database database;

private:
    int m_count = 0;
};

// Seconds since 1970 of a wall-clock time, as the catalogue stores it.
inline int32_t wallClock(int year, int month, int day, int hour, int minute)
{
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    return int32_t(timegm(&parts));
}

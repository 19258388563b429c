#include "slideshow/CataloguePictures.h"

namespace Brenmarle {

std::vector<int64_t> CataloguePictures::rowIds(Database& database,
                                               const Database::InterruptCheck& interrupted)
{
    // Album rows may be kept with or without their closing slash. One query for all: a query
    // per picture kept a show of the whole catalogue waiting for seconds.
    return database.getRowIds(
        "SELECT file.rowid FROM file WHERE file.contenttype LIKE 'image/%' AND NOT EXISTS "
        "(SELECT 1 FROM folder WHERE folder.uri LIKE 'album:%' AND folder.hidden = 'true' AND "
        "substr(file.uri, 1, length(rtrim(folder.uri, '/')) + 1) = rtrim(folder.uri, '/') || "
        "'/') ORDER BY file.time, file.uri",
        interrupted);
}

} // namespace Brenmarle

#include "slideshow/CataloguePictures.h"

#include "database/Database.h"

namespace Brenmarle {

std::vector<wxString> CataloguePictures::uris(Database& database)
{
    // Album rows may be kept with or without their closing slash. One query for all: a query
    // per picture kept a show of the whole catalogue waiting for seconds.
    return database.getTexts(
        "SELECT file.uri FROM file WHERE file.contenttype LIKE 'image/%' AND NOT EXISTS "
        "(SELECT 1 FROM folder WHERE folder.uri LIKE 'album:%' AND folder.hidden = 'true' AND "
        "substr(file.uri, 1, length(rtrim(folder.uri, '/')) + 1) = rtrim(folder.uri, '/') || "
        "'/') ORDER BY file.time, file.uri");
}

} // namespace Brenmarle

#include "slideshow/CataloguePictures.h"

#include "database/Database.h"

namespace Brenmarle {

std::vector<wxString> CataloguePictures::uris(Database& database)
{
    // Album rows may be kept with or without their closing slash.
    const std::vector<int64_t> rows = database.getRowIds(
        "SELECT file.rowid FROM file WHERE file.contenttype LIKE 'image/%' AND NOT EXISTS "
        "(SELECT 1 FROM folder WHERE folder.uri LIKE 'album:%' AND folder.hidden = 'true' AND "
        "substr(file.uri, 1, length(rtrim(folder.uri, '/')) + 1) = rtrim(folder.uri, '/') || "
        "'/') ORDER BY file.time, file.uri");
    std::vector<wxString> uris;
    uris.reserve(rows.size());
    for (const int64_t row : rows)
        uris.push_back(database.getFileUri(row));
    return uris;
}

} // namespace Brenmarle

#pragma once
// The pictures a slide show over the whole catalogue shows: pictures only (no videos, sounds or
// other files), none of a hidden album, in picture time order.

#include <vector>

#include <wx/string.h>

namespace Brenmarle {

class Database;

class CataloguePictures {
public:
    // Their URIs. Takes the library lock (through the catalogue).
    static std::vector<wxString> uris(Database& database);
};

} // namespace Brenmarle

#pragma once
// The pictures a slide show over the whole catalogue shows: pictures only (no videos, sounds or
// other files), none of a hidden album, in picture time order.

#include <cstdint>
#include <vector>

#include "database/Database.h"

namespace Brenmarle {

class CataloguePictures {
public:
    // Their catalogue rows: eight bytes a picture, so a show of 100,000 pictures holds no
    // object (nor URI) per picture until it comes to it. A long query on a worker thread; takes
    // the library lock (through the catalogue) and stops with DatabaseException once
    // `interrupted` returns true.
    static std::vector<int64_t>
    rowIds(Database& database,
           const Database::InterruptCheck& interrupted = Database::InterruptCheck());
};

} // namespace Brenmarle

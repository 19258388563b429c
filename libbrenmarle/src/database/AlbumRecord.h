#pragma once
// The catalogue's row of one album and the URIs of the album's files. The album folder holds one
// and hands it to Database::addFolder, loadAlbum and updateFolder; it is a plain value with no
// locking of its own (the folder guards it with the library lock).

#include <cstdint>

#include <wx/string.h>

#include "files/UriList.h"

namespace Brenmarle {

struct AlbumRecord {
    // "album://" + album UUID + "/".
    wxString uri;
    wxString name;
    wxString icon;
    wxString description;
    // Seconds since 1970.
    int32_t creationTime = 0;
    int32_t metaModifyTime = 0;
    int32_t safeStorageUpdateTime = 0;
    // The safe-storage account the album is stored under (a UUID text); empty when none.
    wxString safeStorageAccountId;
    bool safeStorageWarning = false;
    bool hidden = false;

    // The album's file URIs in catalogue order. Filled by Database::loadAlbum; not written by
    // updateFolder (file rows are stored one by one).
    UriList fileUris;
};

} // namespace Brenmarle

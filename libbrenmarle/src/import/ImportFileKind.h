#pragma once
// What kind of file an import offers: photos, videos, audio clips or other files, told by the
// file name's extension (cameras name their files reliably; reading each one would be slow
// over a camera's link).
//
// Threads: any thread.

#include <wx/string.h>

namespace Brenmarle {

class ImportFileKind {
public:
    enum Kind { Photo, Video, Audio, Other, COUNT };

    static Kind of(const wxString& fileName);
};

} // namespace Brenmarle

#pragma once
// What kind of file an import offers: photos, videos, audio clips or other files, told by the
// file name's extension (cameras name their files reliably; reading each one would be slow
// over a camera's link). HEIF pictures and RAW files are photos where this computer can decode
// them, and other files where it cannot (see PictureFormats).
//
// Threads: any thread.

#include <wx/string.h>

namespace Brenmarle {

class ImportFileKind {
public:
    enum Kind { Photo, Video, Audio, Other, COUNT };

    static Kind of(const wxString& fileName);
    // A picture this computer cannot decode (counted among Other).
    static bool isUndecodablePicture(const wxString& fileName);
};

} // namespace Brenmarle

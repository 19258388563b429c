#pragma once
// The picture formats that come from cameras and phones beyond the common ones (JPEG, PNG, GIF,
// TIFF, BMP, TGA): HEIF pictures (".heic", ".heif") and cameras' RAW files (".cr2", ".nef",
// ".arw", ".dng", ...). Whether this computer can decode them depends on how the image library
// was built and on what is installed:
//   - HEIF needs ImageMagick's HEIC coder built with libheif;
//   - RAW needs ImageMagick built with libraw, or else the outside converter its "dng:decode"
//     delegate runs (ufraw-batch on Debian), found on the PATH.
// A format that cannot be decoded here is not a picture here: an import leaves such files
// behind unless "Other" files are chosen, and says so.
//
// Threads: any; what the image library can do is worked out once, on first use.

#include <wx/string.h>

namespace Brenmarle {

class PictureFormats {
public:
    enum class Family { Other, Heif, Raw };

    // What the image library reports about itself.
    struct Support {
        bool heifCoder = false;    // a readable HEIC coder
        bool heifBuiltIn = false;  // libheif built in ("heic" among the built-in delegates)
        bool rawCoder = false;     // a readable DNG coder (it reads every RAW kind)
        bool rawBuiltIn = false;   // libraw built in ("raw" among the built-in delegates)
        bool rawConverter = false; // the "dng:decode" delegate's program is on the PATH
    };

    // The family of a file by its name's extension, in any letter case.
    static Family familyOf(const wxString& fileName);
    // Whether pictures of the family can be decoded with `support`.
    static bool canDecode(Family family, const Support& support);
    // The same with what this computer's image library reports.
    static bool canDecode(Family family);
    // Whether the file is of a family that cannot be decoded here.
    static bool isUndecodablePicture(const wxString& fileName);

    // ImageMagick's coder for a file of the family by its name ("HEIC", "NEF", ...), or null.
    static const char* coderOf(const wxString& fileName);
    // The content type the catalogue keeps for a coder named by coderOf() ("image/heic",
    // "image/x-nikon-nef", ...), and back; empty or null when there is none.
    static wxString contentTypeOfCoder(const wxString& coder);
    static const char* coderOfContentType(const wxString& contentType);

    // What this computer's image library reports (asked once).
    static const Support& support();
};

} // namespace Brenmarle

#pragma once
// What a picture file says about itself, read when a file enters a managed folder: format,
// size, capture time, orientation, copyright and the IPTC fields. Reading touches only the
// file; applying the result to the file's metadata (`initializeImageInfo`) is the folder's
// business and follows the mapping below.
//
// Mapping onto Brenmarle::File (applied under the library lock):
//   - recognised false: change nothing (the content type then comes from the file name).
//   - content type            <- contentType
//   - time, time mask         <- time, timeMask        only when replacesTime(file's metadata
//                                                      user-modified flag, file's time)
//   - copyright               <- copyright             only when the metadata is not user-modified
//   - image rotation          <- rotation              always
//   - image width, height     <- width, height         always (the picture before the file's
//                                                      rotation: the stored pixels, laid across
//                                                      for the mirrored orientations 5 and 7)
//   - then, when hasIPTC and the metadata is not user-modified, each non-empty IPTC field
//     replaces the file's: caption, keywords (the whole set), creator, city, sublocation,
//     province, country code, source and copyright (so an IPTC copyright wins over EXIF's).
//   - make and model have no File field; they are logged only.
//
// Thread-safe (no shared state); `read` may run on any thread.

#include <cstdint>

#include <wx/string.h>

#include "exif/IPTCReader.h"

namespace Brenmarle {

struct PictureInfo {
    static constexpr int32_t TIME_MASK_ALL = 63;

    // False when the file holds no picture of a format the catalogue knows, or could not be
    // read; every other field is then empty.
    bool recognised = false;
    // ImageMagick's name of the format ("JPEG", "TIFF", "PNG", "GIF", "BMP", "TGA", "HEIC", a
    // RAW coder such as "NEF").
    wxString format;
    wxString contentType;
    int32_t width = 0; // see the mapping above
    int32_t height = 0;

    // From the EXIF block; 0, empty texts and rotation 0 when it has none.
    int32_t time = 0;     // capture wall-clock time read as UTC, seconds since 1970
    int32_t rotation = 0; // degrees clockwise: 0, 90, 180 or 270
    // The parts of `time` the camera gave: TIME_MASK_ALL, or the date (and hour) only when it
    // wrote the time blank.
    int32_t timeMask = TIME_MASK_ALL;
    wxString make;
    wxString model;
    wxString copyright;

    bool hasIPTC = false;
    IPTCData iptc;

    // Reads the file's header and metadata (no pixels are decoded). `contentType` is the file's
    // when known (see PictureReader). Never throws for bad or hostile content: such a file gives
    // recognised == false, and the reason is logged.
    static PictureInfo read(const wxString& path, const wxString& contentType = wxString());

    // The content type for an ImageMagick format name, or empty for one the catalogue does not
    // know.
    static wxString contentTypeOf(const wxString& format);

    // Whether a scan sets the file's time: always unless the user changed the metadata, and then
    // only when the user's time is missing (0 or -1).
    static bool replacesTime(bool metadataUserModified, int32_t currentTime);
};

} // namespace Brenmarle

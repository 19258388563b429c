#pragma once
// Makes the picture files kept as caches: thumbnails (at most 160 x 160) and resized copies for
// a display size. Both are JPEG files of quality 85 whose pixels already stand upright, carrying
// no EXIF, XMP or IPTC data, so neither this program nor another viewer turns them a second
// time; the colour profile is kept.
//
// A JPEG source is decoded scaled down by libjpeg (to no less than twice the thumbnail's size,
// then scaled the rest of the way), so a 12-megapixel photo never exists at full size in memory;
// decoding is most of the cost.
//
// Threads: any thread; calls on different files run in parallel. Throws ImageException
// (NoImageException when the source holds no picture), Quorvel::FileNotFoundException when
// the target's directory cannot be made, Quorvel::IOException when it cannot be written.

#include <wx/string.h>

namespace Brenmarle {

class ImageData;

class ThumbnailMaker {
public:
    static constexpr int THUMBNAIL_SIZE = 160;
    static constexpr int JPEG_QUALITY = 85;

    // Writes the thumbnail of the picture at `picturePath` to `thumbnailPath`, turned clockwise
    // by `rotation` degrees (the file's image rotation), creating missing directories.
    // `contentType` is the file's, when known (see ImageData::load).
    static void makeThumbnail(const wxString& picturePath, const wxString& thumbnailPath,
                              int rotation, const wxString& contentType = wxString());

    // Writes a copy fitted within width x height once turned by `rotation` degrees.
    static void makeResizedCopy(const wxString& picturePath, const wxString& copyPath, int width,
                                int height, int rotation, const wxString& contentType = wxString());

    // Writes a picture already in memory (for example the one the image loader just showed)
    // as a cache file: JPEG, quality 85, metadata stripped. The picture is not changed.
    static void writeCacheFile(const ImageData& image, const wxString& path);
};

} // namespace Brenmarle

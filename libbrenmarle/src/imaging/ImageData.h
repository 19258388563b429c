#pragma once
// A picture in memory, shared by reference count between the loaders, the thumbnail cache and
// the views. Decoding, scaling, turning and encoding go through ImageMagick; the views draw a
// drawable copy (plain 8-bit RGB rows, made on demand and kept until the picture changes),
// which the GUI wraps into the toolkit's image (see DrawableImage in the GUI library).
//
// Threads: every method may be called from any thread; one mutex guards the picture and the
// drawable copy, and is held while decoding into this object. Loaders usually fill a new object
// on their own thread and hand it to the GUI through a posted event.
//
// Failures: operations on an object with no picture throw Quorvel::NotLoadedException;
// unreadable or hostile files throw ImageException (NoImageException when the file holds no
// picture); broken preconditions throw Quorvel::LogicException naming the condition.

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include <wx/string.h>

#include "threads/ReferenceCounted.h"

namespace Brenmarle {

// Pixels as the toolkit's image wants them: rows of red, green, blue bytes, and an alpha
// byte per pixel when the picture has transparency (empty otherwise).
struct RGBImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
    std::vector<unsigned char> alpha;
};

struct RGBColour {
    unsigned char red = 0;
    unsigned char green = 0;
    unsigned char blue = 0;
};

class ImageData : public Quorvel::ReferenceCounted {
public:
    enum Format { FORMAT_JPEG = 0, FORMAT_PNG = 1 };
    // What `save` does with EXIF, XMP and IPTC data; the colour profile is always kept.
    enum class Metadata { Keep, Strip };

    static constexpr int PREVIEW_WIDTH = 640;
    static constexpr int PREVIEW_HEIGHT = 480;

    ImageData();
    // A private copy of `other`'s picture (none when it has none), for edits that must not
    // reach the views sharing `other`. ImageMagick shares the pixels until one side changes.
    ImageData(const ImageData& other);

    bool isLoaded() const;

    // Reads the picture (first frame) at full size in true colour, replacing the current one
    // only on success. A picture whose orientation tag mirrors it (2, 4, 5, 7) is put the way
    // it was meant, as every other viewer shows it; the turns (3, 6, 8) are left to `rotate`
    // with the file's rotation. `contentType`, the file's content type when known, names the format
    // of a picture whose bytes do not (a TGA in the picture store).
    void load(const wxString& path, const wxString& contentType = wxString());
    // The same, letting the JPEG decoder deliver a picture scaled down towards 640 x 480.
    void loadPreview(const wxString& path, const wxString& contentType = wxString());
    // What a fitted picture is for: a display-size picture is decoded at no less than its size
    // and scaled with a sharp filter; a thumbnail is decoded at twice its size at least and
    // scaled with a tent filter, which at that ratio is as clean and costs half as much.
    enum class Fit { Display, Thumbnail };

    // Reads the picture fitted within width x height once turned clockwise by `rotation`
    // degrees, and turns it: the result is what a view of that size shows. Never enlarges.
    // A JPEG is decoded scaled down by libjpeg, so a large photo never exists at full size in
    // memory. The orientation tag is reset (see `rotate`).
    void loadFitted(const wxString& path, int width, int height, int rotation,
                    Fit fit = Fit::Display, const wxString& contentType = wxString());
    // Reads the picture zoomed to exactly width x height (up or down), sizes given as the file
    // record keeps them: the stored pixels, laid across for the mirrored orientations 5 and 7.
    // Then turns it clockwise by `rotation` degrees and resets the orientation tag, so the
    // pixels stand upright for any viewer. A JPEG is decoded scaled down by libjpeg first, then
    // shrunk to the exact size on its 8-bit samples with ImageMagick's Lanczos filter.
    void loadZoomed(const wxString& path, int width, int height, int rotation,
                    const wxString& contentType = wxString());

    // Writes the picture as format 0 (JPEG) or 1 (PNG) with quality 0..100, creating missing
    // directories. The file appears complete or not at all (written beside it, then renamed).
    // Throws Quorvel::RuntimeException "Unsupported image format type",
    // Quorvel::IOException "Could not create directory: <dir>", ImageException on a write error.
    void save(const wxString& path, int format, int quality,
              Metadata metadata = Metadata::Keep) const;

    // Makes the directory and its parents as the cache files need them; true when it exists
    // afterwards. Several threads may make the same directory at once. Any thread.
    static bool makeDirectory(const wxString& directory);

    // The rectangle must lie within the picture and not be empty.
    void crop(int x, int y, int width, int height);
    // Zooms to fit within width x height keeping the aspect ratio (up or down). Neither may be
    // negative; 0 leaves that side free; 0 x 0 changes nothing.
    void resize(int width, int height);
    // Turns the picture clockwise. Since its pixels then stand as the program shows them, the
    // EXIF orientation tag is reset to 1 ("top left"), so no other viewer turns them again.
    void rotate(int degrees);
    // Removes EXIF, XMP, IPTC and comments; keeps the colour profile.
    void stripMetadata();

    // Adjustments. Each changes red, green and blue only (never opacity) and throws
    // Quorvel::NotLoadedException without a picture.
    //
    // Stretches the contrast of every channel to the full range.
    void normalize();
    // Grey, kept as a true-colour picture with three equal channels.
    void makeGrayscale();
    // Each pixel's luminance (0.3 red + 0.59 green + 0.11 blue, truncated) picks a row of a
    // brown-to-cream ramp (sepiaTable).
    void makeSepia();
    // A warmer sepia: grey, tinted 30 % towards orange (255, 128, 0), then normalised.
    void colorize();
    // Brightness and contrast in -100..100 (Quorvel::LogicException outside), one table lookup
    // per channel byte (brightnessContrastTable).
    void adjustBrightnessContrast(int brightness, int contrast);
    // Lays `colour` over the picture; opacity 0 (invisible) to 255 (covers it).
    void overlayColor(RGBColour colour, int opacity);

    using LookupTable = std::array<unsigned char, 256>;
    // The byte each input byte becomes for that brightness and contrast (-100..100). With
    // positive contrast the brightness moves the pivot the values spread from; with negative
    // contrast it is added after the values are drawn together. 0, 0 is the identity.
    static LookupTable brightnessContrastTable(int brightness, int contrast);
    // Row L of the sepia ramp as red, green, blue.
    static RGBColour sepiaColour(unsigned char luminance);
    // The picture's size in pixels.
    int getWidth() const;
    int getHeight() const;
    // The drawable copy, made on first request after a change. The returned copy stays valid
    // (and unchanged) after the picture changes.
    std::shared_ptr<const RGBImage> getDrawable() const;
    // For a picture that is only drawn (a thumbnail in the cache): makes the drawable copy and
    // lets go of ImageMagick's picture, which takes eight bytes a pixel to the drawable's three.
    // Everything else still works: a change, a save or a copy first makes the picture again
    // from the drawable's pixels (without the file's metadata and colour profile).
    void keepDrawableOnly();
    // The bytes its pixels take now: the picture's (eight a pixel) and the drawable copy's.
    std::size_t memoryBytes() const;

protected:
    ~ImageData() override;

private:
    struct Picture;

    // Throws NotLoadedException without a picture; makes it again from the drawable copy when
    // only that was kept. Called with m_mutex held.
    void requireLoaded() const;
    void replace(std::unique_ptr<Picture> picture);
    // Replaces every pixel's red, green and blue through `map` (8-bit values), under the lock.
    template <typename Map> void mapPixels(Map&& map);

    mutable std::mutex m_mutex;
    // Guarded by m_mutex; null until loaded, and while only the drawable copy is kept.
    mutable std::unique_ptr<Picture> m_picture;
    mutable std::shared_ptr<const RGBImage> m_drawable; // guarded by m_mutex; null when dirty
};

} // namespace Brenmarle

#include "service/TokenPicture.h"

#include <cstring>

#include <Magick++.h>
#include <wx/intl.h>

#include "imaging/ImageMagickSetup.h"
#include "system/Exceptions.h"

namespace Brenmarle {

namespace {

const unsigned char SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
// Signature, chunk length and type, width and height.
const size_t HEADER_BYTES = 8 + 8 + 8;

unsigned bigEndian(const std::string& bytes, size_t at)
{
    unsigned value = 0;
    for (size_t i = 0; i < 4; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

[[noreturn]] void invalid()
{
    throw Quorvel::RuntimeException(_("Invalid token PNG image"));
}

} // namespace

bool TokenPicture::readSize(const std::string& png, unsigned& width, unsigned& height)
{
    if (png.size() < HEADER_BYTES || std::memcmp(png.data(), SIGNATURE, sizeof SIGNATURE) != 0)
        return false;
    // The header chunk comes first and holds 13 bytes.
    if (bigEndian(png, 8) != 13 || png.compare(12, 4, "IHDR") != 0)
        return false;
    width = bigEndian(png, 16);
    height = bigEndian(png, 20);
    return true;
}

void TokenPicture::check(const std::string& png)
{
    if (png.empty())
        throw Quorvel::RuntimeException(_("Missing token image"));
    unsigned width = 0;
    unsigned height = 0;
    if (png.size() > MAX_BYTES || !readSize(png, width, height) || width == 0 || height == 0 ||
        width > MAX_SIDE || height > MAX_SIDE)
        invalid();
    ensureImageMagick();
    try {
        Magick::Image picture;
        // Read as PNG whatever the bytes claim to be.
        picture.magick("PNG");
        picture.read(Magick::Blob(png.data(), png.size()));
        if (picture.columns() != width || picture.rows() != height)
            invalid();
    } catch (const Magick::Exception&) {
        // Warnings too: a picture that decodes only in part is no token to read.
        invalid();
    }
}

} // namespace Brenmarle

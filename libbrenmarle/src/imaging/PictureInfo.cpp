#include "imaging/PictureInfo.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "core/Exceptions.h"
#include "exif/EXIFProfile.h"
#include "imaging/PictureFormats.h"
#include "imaging/PictureReader.h"
#include "system/Log.h"

namespace Brenmarle {

namespace {

// IPTC arrives as raw records (TIFF, and JPEG through ImageMagick's own extraction) or inside
// Photoshop resources.
IPTCData readIPTC(const Magick::Image& header, bool& found)
{
    for (const char* name : {"iptc", "8bim"}) {
        const Magick::Blob profile = header.profile(name);
        if (profile.length() == 0)
            continue;
        IPTCData data =
            IPTCReader::parse(static_cast<const unsigned char*>(profile.data()), profile.length());
        if (!data.isEmpty()) {
            found = true;
            return data;
        }
    }
    found = false;
    return IPTCData();
}

// libexif's loader finds the block in a JPEG stream itself; other formats carry it in a form
// only ImageMagick unpacks, handed over as a profile (with or without the "Exif" header).
std::unique_ptr<EXIFProfile> readExif(const PictureReader& reader, const Magick::Image& header)
{
    if (wxString(reader.getFormat()) == wxS("JPEG"))
        return std::make_unique<EXIFProfile>(reader.getData(), reader.getSize(), true);
    const Magick::Blob profile = header.profile("exif");
    const auto* bytes = static_cast<const unsigned char*>(profile.data());
    const size_t length = profile.length();
    static const unsigned char exifHeader[] = {'E', 'x', 'i', 'f', 0, 0};
    if (length == 0 || (length >= 6 && std::equal(exifHeader, exifHeader + 6, bytes)))
        return std::make_unique<EXIFProfile>(bytes, length, true);
    std::vector<unsigned char> block(exifHeader, exifHeader + 6);
    block.insert(block.end(), bytes, bytes + length);
    return std::make_unique<EXIFProfile>(block.data(), block.size(), true);
}

} // namespace

wxString PictureInfo::contentTypeOf(const wxString& format)
{
    if (format == wxS("JPEG"))
        return wxS("image/jpeg");
    if (format == wxS("TIFF"))
        return wxS("image/tiff");
    if (format == wxS("PNG"))
        return wxS("image/png");
    if (format == wxS("GIF"))
        return wxS("image/gif");
    if (format == wxS("TGA") || format == wxS("TARGA"))
        return wxS("image/x-tga");
    if (format == wxS("BMP"))
        return wxS("image/bmp");
    return PictureFormats::contentTypeOfCoder(format);
}

bool PictureInfo::replacesTime(bool metadataUserModified, int32_t currentTime)
{
    return !metadataUserModified || currentTime == 0 || currentTime == -1;
}

PictureInfo PictureInfo::read(const wxString& path, const wxString& contentType)
{
    PictureInfo info;
    try {
        PictureReader reader(path, contentType);
        QDEBUG("[PICTUREINFO] Before ping");
        const Magick::Image& header = reader.ping();
        QDEBUG("[PICTUREINFO] After ping");
        info.format = reader.getFormat();
        info.contentType = contentTypeOf(info.format);
        // As ImageData shows it before the file's rotation: a mirrored orientation may lay the
        // stored pixels across.
        const bool across = PictureReader::liesAcross(reader.getMirroring());
        info.width = static_cast<int32_t>(across ? header.rows() : header.columns());
        info.height = static_cast<int32_t>(across ? header.columns() : header.rows());

        const std::unique_ptr<EXIFProfile> exif = readExif(reader, header);
        info.time = exif->getOriginalTime();
        info.timeMask = exif->getOriginalTimeMask();
        // A HEIF picture comes out of its decoder turned as meant already; its EXIF
        // orientation only repeats what the file's own transformations did.
        info.rotation = info.format == wxS("HEIC") ? 0 : exif->getRotation();
        info.make = exif->getMake();
        info.model = exif->getModel();
        info.copyright = exif->getCopyright();

        info.iptc = readIPTC(header, info.hasIPTC);
        info.recognised = true;
    } catch (const Quorvel::Exception& e) {
        QDEBUG("[PICTUREINFO] No picture information for %s: %s", path, e.getMessage());
        return PictureInfo();
    } catch (const Magick::Exception& e) {
        QDEBUG("[PICTUREINFO] No picture information for %s: %s", path,
               wxString::FromUTF8(e.what()));
        return PictureInfo();
    }
    return info;
}

} // namespace Brenmarle

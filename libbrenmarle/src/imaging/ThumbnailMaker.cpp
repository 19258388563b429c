#include "imaging/ThumbnailMaker.h"

#include <wx/filename.h>

#include "imaging/ImageData.h"
#include "system/Exceptions.h"
#include "system/Log.h"

namespace Brenmarle {

namespace {

void makeDirectoryOf(const wxString& path)
{
    const wxString directory = wxFileName(path).GetPath();
    if (!directory.empty() && !ImageData::makeDirectory(directory))
        throw Quorvel::FileNotFoundException(
            wxString::Format("Could not create directory: %s", directory));
}

void makeFitted(const wxString& source, const wxString& target, int width, int height, int rotation,
                ImageData::Fit fit, const wxString& contentType)
{
    const auto image = Quorvel::makeRef<ImageData>();
    image->loadFitted(source, width, height, rotation, fit, contentType);
    ThumbnailMaker::writeCacheFile(*image, target);
}

} // namespace

void ThumbnailMaker::makeThumbnail(const wxString& picturePath, const wxString& thumbnailPath,
                                   int rotation, const wxString& contentType)
{
    QDEBUG("[THUMBNAILMAKER] Thumbnail of %s", picturePath);
    makeFitted(picturePath, thumbnailPath, THUMBNAIL_SIZE, THUMBNAIL_SIZE, rotation,
               ImageData::Fit::Thumbnail, contentType);
}

void ThumbnailMaker::makeResizedCopy(const wxString& picturePath, const wxString& copyPath,
                                     int width, int height, int rotation,
                                     const wxString& contentType)
{
    QDEBUG("[THUMBNAILMAKER] %dx%d copy of %s", width, height, picturePath);
    makeFitted(picturePath, copyPath, width, height, rotation, ImageData::Fit::Display,
               contentType);
}

void ThumbnailMaker::writeCacheFile(const ImageData& image, const wxString& path)
{
    makeDirectoryOf(path);
    image.save(path, ImageData::FORMAT_JPEG, JPEG_QUALITY, ImageData::Metadata::Strip);
}

} // namespace Brenmarle

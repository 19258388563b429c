#include "import/ImportFileKind.h"

#include <set>

#include "imaging/PictureFormats.h"

namespace Brenmarle {

ImportFileKind::Kind ImportFileKind::of(const wxString& fileName)
{
    static const std::set<wxString> photos = {"jpg", "jpeg", "jpe", "png", "gif",
                                              "tif", "tiff", "bmp", "tga"};
    static const std::set<wxString> videos = {"avi", "mpg",  "mpeg", "mov", "mp4", "m4v",
                                              "mts", "m2ts", "3gp",  "wmv", "mkv", "asf"};
    static const std::set<wxString> audio = {"wav", "mp3", "m4a", "wma", "ogg", "aac", "amr"};
    if (!fileName.Contains("."))
        return Other;
    const wxString extension = fileName.AfterLast('.').Lower();
    if (photos.count(extension))
        return Photo;
    if (const PictureFormats::Family family = PictureFormats::familyOf(fileName);
        family != PictureFormats::Family::Other)
        return PictureFormats::canDecode(family) ? Photo : Other;
    if (videos.count(extension))
        return Video;
    if (audio.count(extension))
        return Audio;
    return Other;
}

bool ImportFileKind::isUndecodablePicture(const wxString& fileName)
{
    return PictureFormats::isUndecodablePicture(fileName);
}

} // namespace Brenmarle

#include "files/File.h"

#include <algorithm>

#include <wx/datetime.h>
#include <wx/intl.h>

#include "core/LibraryLock.h"
#include "system/Exceptions.h"
#include "system/Log.h"

namespace Brenmarle {

namespace {

// The text after the last "." of a file name; empty when there is none.
wxString extensionOf(const wxString& fileName)
{
    const size_t dot = fileName.rfind('.');
    return dot == wxString::npos ? wxString() : fileName.substr(dot + 1);
}

bool hasMajorType(const wxString& contentType, const char* major)
{
    return contentType.StartsWith(major);
}

} // namespace

File::File(const wxString& uri) : m_uri(uri) {}

bool File::Details::empty() const
{
    return creator.empty() && source.empty() && copyright.empty() && sublocation.empty() &&
           city.empty() && province.empty() && countryCode.empty() && safeStorageAccountId.empty();
}

File::File(const File& source, const wxString& uri) : ReferenceCounted()
{
    QDEBUG("[FILE] Copy constructor");
    LibraryLock lock;
    m_uri = uri.empty() ? source.m_uri : Quorvel::CompactString(uri);
    m_fileName = source.m_fileName;
    m_fileSize = source.m_fileSize;
    m_stateFlag1 = source.m_stateFlag1;
    m_stateFlag2 = source.m_stateFlag2;
    m_contentType = source.m_contentType;
    m_scanner = source.m_scanner;
    m_scanVersion = source.m_scanVersion;
    m_fileUserModified = source.m_fileUserModified;
    m_metaUserModified = source.m_metaUserModified;
    m_fileModifyTime = source.m_fileModifyTime;
    m_metaModifyTime = source.m_metaModifyTime;
    m_favorite = source.m_favorite;
    m_caption = source.m_caption;
    m_time = source.m_time;
    m_timeMask = source.m_timeMask;
    m_keywords = source.m_keywords;
    m_imageWidth = source.m_imageWidth;
    m_imageHeight = source.m_imageHeight;
    m_imageRotation = source.m_imageRotation;
    m_safeStorageType = source.m_safeStorageType;
    m_safeStorageRevision = source.m_safeStorageRevision;
    if (source.m_details)
        m_details = std::make_unique<Details>(*source.m_details);
    m_modified = true;
}

template <typename T> void File::change(T& field, const T& value)
{
    LibraryLock lock;
    if (field == value)
        return;
    field = value;
    m_modified = true;
}

void File::changeText(Quorvel::CompactString& field, const wxString& value)
{
    Quorvel::CompactString compact(value);
    LibraryLock lock;
    if (field == compact)
        return;
    field = std::move(compact);
    m_modified = true;
}

wxString File::detail(Quorvel::CompactString Details::*field) const
{
    LibraryLock lock;
    return m_details ? ((*m_details).*field).str() : wxString();
}

void File::changeDetail(Quorvel::CompactString Details::*field, const wxString& value)
{
    Quorvel::CompactString compact(value);
    LibraryLock lock;
    if (!m_details) {
        if (compact.empty())
            return;
        m_details = std::make_unique<Details>();
    }
    Quorvel::CompactString& target = (*m_details).*field;
    if (target == compact)
        return;
    target = std::move(compact);
    m_modified = true;
    if (m_details->empty())
        m_details.reset();
}

#define FILE_GETTER(Type, name, member)                                                            \
    Type File::name() const                                                                        \
    {                                                                                              \
        LibraryLock lock;                                                                          \
        return member;                                                                             \
    }
#define FILE_TEXT_GETTER(name, member)                                                             \
    wxString File::name() const                                                                    \
    {                                                                                              \
        LibraryLock lock;                                                                          \
        return member.str();                                                                       \
    }
#define FILE_TEXT_SETTER(name, member)                                                             \
    void File::name(const wxString& value)                                                         \
    {                                                                                              \
        changeText(member, value);                                                                 \
    }
#define FILE_DETAIL(getter, setter, member)                                                        \
    wxString File::getter() const                                                                  \
    {                                                                                              \
        return detail(&Details::member);                                                           \
    }                                                                                              \
    void File::setter(const wxString& value)                                                       \
    {                                                                                              \
        changeDetail(&Details::member, value);                                                     \
    }
#define FILE_SETTER(Type, name, member)                                                            \
    void File::name(Type value)                                                                    \
    {                                                                                              \
        change(member, value);                                                                     \
    }

FILE_TEXT_GETTER(getURI, m_uri)
FILE_TEXT_GETTER(getFileName, m_fileName)
FILE_TEXT_SETTER(setFileName, m_fileName)
FILE_GETTER(int32_t, getFileSize, m_fileSize)

void File::setFileSize(int64_t bytes)
{
    change(m_fileSize, static_cast<int32_t>(std::clamp<int64_t>(bytes, 0, MAX_FILE_SIZE)));
}

FILE_GETTER(bool, getStateFlag1, m_stateFlag1)
FILE_GETTER(bool, getStateFlag2, m_stateFlag2)
FILE_TEXT_GETTER(getContentType, m_contentType)
FILE_TEXT_SETTER(setContentType, m_contentType)
FILE_TEXT_GETTER(getScanner, m_scanner)
FILE_TEXT_SETTER(setScanner, m_scanner)
FILE_GETTER(int32_t, getScanVersion, m_scanVersion)
FILE_SETTER(int32_t, setScanVersion, m_scanVersion)
FILE_GETTER(bool, isFileUserModified, m_fileUserModified)
FILE_SETTER(bool, setFileUserModified, m_fileUserModified)
FILE_GETTER(bool, isMetaUserModified, m_metaUserModified)
FILE_SETTER(bool, setMetaUserModified, m_metaUserModified)
FILE_GETTER(int32_t, getFileModifyTime, m_fileModifyTime)
FILE_SETTER(int32_t, setFileModifyTime, m_fileModifyTime)
FILE_GETTER(int32_t, getMetaModifyTime, m_metaModifyTime)
FILE_SETTER(int32_t, setMetaModifyTime, m_metaModifyTime)
FILE_GETTER(bool, isFavorite, m_favorite)
FILE_SETTER(bool, setFavorite, m_favorite)
FILE_TEXT_GETTER(getCaption, m_caption)
FILE_TEXT_SETTER(setCaption, m_caption)
FILE_GETTER(int32_t, getTime, m_time)
FILE_SETTER(int32_t, setTime, m_time)
FILE_GETTER(int32_t, getTimeMask, m_timeMask)
FILE_SETTER(int32_t, setTimeMask, m_timeMask)
FILE_DETAIL(getCreator, setCreator, creator)
FILE_DETAIL(getSource, setSource, source)
FILE_DETAIL(getCopyright, setCopyright, copyright)
FILE_DETAIL(getSublocation, setSublocation, sublocation)
FILE_DETAIL(getCity, setCity, city)
FILE_DETAIL(getProvince, setProvince, province)
FILE_DETAIL(getCountryCode, setCountryCode, countryCode)
FILE_GETTER(std::set<wxString>, getKeywords, m_keywords)
FILE_SETTER(const std::set<wxString>&, setKeywords, m_keywords)
FILE_GETTER(int32_t, getImageWidth, m_imageWidth)
FILE_SETTER(int32_t, setImageWidth, m_imageWidth)
FILE_GETTER(int32_t, getImageHeight, m_imageHeight)
FILE_SETTER(int32_t, setImageHeight, m_imageHeight)
FILE_GETTER(int32_t, getImageRotation, m_imageRotation)
FILE_GETTER(int32_t, getSafeStorageType, m_safeStorageType)
FILE_SETTER(int32_t, setSafeStorageType, m_safeStorageType)
FILE_GETTER(int32_t, getSafeStorageRevision, m_safeStorageRevision)
FILE_SETTER(int32_t, setSafeStorageRevision, m_safeStorageRevision)
FILE_DETAIL(getSafeStorageAccountId, setSafeStorageAccountId, safeStorageAccountId)
FILE_GETTER(bool, isModified, m_modified)

#undef FILE_GETTER
#undef FILE_TEXT_GETTER
#undef FILE_TEXT_SETTER
#undef FILE_DETAIL
#undef FILE_SETTER

bool File::hasURI(const Quorvel::CompactString& uri) const
{
    LibraryLock lock;
    return m_uri == uri;
}

void File::setURI(const wxString& uri)
{
    LibraryLock lock;
    m_uri = Quorvel::CompactString(uri);
}

void File::setStateFlag1(bool flag)
{
    LibraryLock lock;
    m_stateFlag1 = flag;
}

void File::setStateFlag2(bool flag)
{
    LibraryLock lock;
    m_stateFlag2 = flag;
}

void File::setModified(bool modified)
{
    LibraryLock lock;
    m_modified = modified;
}

bool File::isImage() const
{
    return hasMajorType(getContentType(), "image");
}

bool File::isVideo() const
{
    return hasMajorType(getContentType(), "video");
}

bool File::isAudio() const
{
    return hasMajorType(getContentType(), "audio");
}

bool File::hasKeyword(const wxString& keyword) const
{
    LibraryLock lock;
    return m_keywords.count(keyword) > 0;
}

void File::addKeyword(const wxString& keyword)
{
    LibraryLock lock;
    if (m_keywords.insert(keyword).second)
        m_modified = true;
}

void File::removeKeyword(const wxString& keyword)
{
    LibraryLock lock;
    if (m_keywords.erase(keyword) > 0)
        m_modified = true;
}

int32_t File::normalizedRotation(int32_t degrees)
{
    // The remainder keeps the sign of the dividend; one correction brings it into 0-359.
    const int32_t remainder = degrees % 360;
    return remainder < 0 ? remainder + 360 : remainder;
}

void File::setImageRotation(int32_t degrees)
{
    change(m_imageRotation, normalizedRotation(degrees));
}

wxString File::getDateText() const
{
    LibraryLock lock;
    return formatDate(m_time, m_timeMask);
}

wxString File::formatDate(int32_t time, int32_t mask)
{
    if (time == 0)
        return _("No date set");
    if (mask == 0)
        return _("Unknown date");

    // The time holds the camera's wall-clock reading as UTC: format it as UTC so that every
    // time zone shows the same reading.
    const wxDateTime date(static_cast<time_t>(time));
    wxString text;
    if (mask == TIME_ALL) {
        text = date.Format(_("%a %b %d, %Y at %H:%M"), wxDateTime::UTC);
    } else {
        wxString datePart;
        if (mask & TIME_DAY)
            datePart = date.Format(_("%a %b %d, %Y"), wxDateTime::UTC);
        else if (mask & TIME_MONTH)
            datePart = date.Format(_("%b %Y"), wxDateTime::UTC);
        else if (mask & TIME_YEAR)
            datePart = date.Format(_("%Y"), wxDateTime::UTC);
        else
            datePart = _("Unknown date");

        wxString timePart;
        if (mask & TIME_MINUTE)
            timePart = date.Format(_("%H:%M"), wxDateTime::UTC);
        else if (mask & TIME_HOUR)
            timePart = date.Format(_("%H"), wxDateTime::UTC);

        text = timePart.empty() ? datePart : wxString::Format(_("%s at %s"), datePart, timePart);
    }
    // Some languages write weekday and month names in lower case; a date text starts a line.
    if (!text.empty())
        text[0] = wxToupper(text[0]);
    return text;
}

void File::checkFileSize(int64_t localFileSize) const
{
    const int32_t stored = getFileSize();
    if (stored == MAX_FILE_SIZE ? localFileSize >= MAX_FILE_SIZE : localFileSize == stored)
        return;
    throw Quorvel::RuntimeException(wxString::Format(
        _("Actual local file size (%lld) does match file size in database (%d).\n\n"
          "You should run the self-repair function from the help menu!"),
        static_cast<long long>(localFileSize), static_cast<int>(stored)));
}

wxString File::getContentTypeForFileName(const wxString& fileName)
{
    static const std::map<wxString, wxString> types = {
        {"jpg", "image/jpeg"},
        {"jpe", "image/jpeg"},
        {"jpeg", "image/jpeg"},
        {"bmp", "image/bmp"},
        {"gif", "image/gif"},
        {"tiff", "image/tiff"},
        {"tif", "image/tiff"},
        {"png", "image/png"},
        {"tga", "image/x-tga"},
        {"avi", "video/x-msvideo"},
        {"mpg", "video/mpeg"},
        {"mpeg", "video/mpeg"},
        {"wav", "audio/x-wav"},
        {"mp3", "audio/mpeg"},
        {"gpg", "application/pgp-encrypted"},
        {"pgp", "application/pgp-encrypted"},
    };
    const auto found = types.find(extensionOf(fileName).Lower());
    return found == types.end() ? wxString() : found->second;
}

wxString File::getContentTypeForExtension(const wxString& fileName)
{
    const wxString extension = extensionOf(fileName).Upper();
    QDEBUG("[FILE] Extension: %s", extension);
    return extension == "JPEG" ? wxString("image/jpeg") : wxString("application/unknown");
}

wxString File::getTypeDescription(const wxString& contentType, bool plural)
{
    struct Description {
        const char* plural;
        const char* singular;
    };
    static const std::map<wxString, Description> descriptions = {
        {"image/jpeg", {wxTRANSLATE("JPEG images"), wxTRANSLATE("JPEG Image")}},
        {"image/bmp", {wxTRANSLATE("Windows Bitmaps"), wxTRANSLATE("Windows Bitmap")}},
        {"image/tiff", {wxTRANSLATE("TIFF Images"), wxTRANSLATE("TIFF Image")}},
        {"image/gif", {wxTRANSLATE("GIF Images"), wxTRANSLATE("GIF Image")}},
        {"image/png", {wxTRANSLATE("PNG Images"), wxTRANSLATE("PNG Image")}},
        {"image/x-tga", {wxTRANSLATE("Targa Images"), wxTRANSLATE("Targa Image")}},
        {"video/mpeg", {wxTRANSLATE("MPEG Videos"), wxTRANSLATE("MPEG Video")}},
        {"video/x-msvideo", {wxTRANSLATE("MS AVI Videos"), wxTRANSLATE("MS AVI Video")}},
        {"audio/x-wav", {wxTRANSLATE("WAV Audio"), wxTRANSLATE("WAV Audio")}},
        {"audio/mpeg", {wxTRANSLATE("MP3 Audio"), wxTRANSLATE("MP3 Audio")}},
        {"application/pgp",
         {wxTRANSLATE("PGP Encrypted Files"), wxTRANSLATE("PGP Encrypted File")}},
        {"application/pgp-encrypted",
         {wxTRANSLATE("PGP Encrypted Files"), wxTRANSLATE("PGP Encrypted File")}},
    };
    static const Description unknown = {wxTRANSLATE("Unknown Files"), wxTRANSLATE("Unknown File")};
    const auto found = descriptions.find(contentType);
    const Description& description = found == descriptions.end() ? unknown : found->second;
    return wxGetTranslation(plural ? description.plural : description.singular);
}

} // namespace Brenmarle

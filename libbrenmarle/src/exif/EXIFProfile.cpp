#include "exif/EXIFProfile.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include <libexif/exif-data.h>
#include <libexif/exif-loader.h>
#include <libexif/exif-utils.h>

#include "exif/MetadataText.h"
#include "system/Log.h"

namespace Brenmarle {

namespace {

const unsigned char EXIF_HEADER[] = {'E', 'x', 'i', 'f', 0, 0};

struct ExifLoaderDeleter {
    void operator()(ExifLoader* loader) const { exif_loader_unref(loader); }
};
using LoaderPtr = std::unique_ptr<ExifLoader, ExifLoaderDeleter>;

bool startsWithExifHeader(const unsigned char* data, size_t size)
{
    return size >= sizeof(EXIF_HEADER) && std::memcmp(data, EXIF_HEADER, sizeof(EXIF_HEADER)) == 0;
}

// Texts of ASCII entries as stored, without the blanks some cameras pad them with. Some
// firmware writes these tags as UNDEFINED; the bytes mean the same.
wxString entryText(const ExifEntry* entry)
{
    if (entry->format != EXIF_FORMAT_ASCII && entry->format != EXIF_FORMAT_UNDEFINED)
        return wxString();
    if (!entry->data)
        return wxString();
    return MetadataText::trim(
        MetadataText::decode(reinterpret_cast<const char*>(entry->data), entry->size));
}

// The copyright entry holds the photographer's and the editor's notice, each ended by a NUL.
wxString copyrightText(const ExifEntry* entry)
{
    const wxString photographer = entryText(entry);
    if (entry->format != EXIF_FORMAT_ASCII || !entry->data)
        return photographer;
    const auto* bytes = reinterpret_cast<const char*>(entry->data);
    const void* nul = std::memchr(bytes, '\0', entry->size);
    if (!nul)
        return photographer;
    const size_t editorStart = static_cast<size_t>(static_cast<const char*>(nul) - bytes) + 1;
    const wxString editor =
        MetadataText::trim(MetadataText::decode(bytes + editorStart, entry->size - editorStart));
    if (editor.empty() || editor == photographer)
        return photographer;
    if (photographer.empty())
        return editor;
    return photographer + wxS(" - ") + editor;
}

wxString entryValue(ExifEntry* entry)
{
    char buffer[1024] = {};
    exif_entry_get_value(entry, buffer, sizeof(buffer));
    buffer[sizeof(buffer) - 1] = '\0';
    return MetadataText::decode(buffer, std::strlen(buffer));
}

// libexif's name tables answer NULL for what they do not know.
wxString libraryText(const char* text)
{
    return text ? wxString::FromUTF8(text) : wxString();
}

wxString tagName(ExifTag tag, ExifIfd ifd)
{
    if (const char* name = exif_tag_get_name_in_ifd(tag, ifd))
        return wxString::FromUTF8(name);
    return wxString::Format(wxS("0x%04x"), static_cast<unsigned>(tag));
}

wxString tagTitle(ExifTag tag, ExifIfd ifd)
{
    return libraryText(exif_tag_get_title_in_ifd(tag, ifd));
}

// Days from 1970-01-01 to the given proleptic Gregorian date (Howard Hinnant's algorithm); no
// time-zone database is involved, so the result is the same under every TZ.
int64_t daysFromCivil(int64_t year, unsigned month, unsigned day)
{
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<int64_t>(dayOfEra) - 719468;
}

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

const int FIELD_BLANK = -1;
const int FIELD_BAD = -2;

// The decimal number in characters [from, from + count) of `text`; FIELD_BLANK when they are all
// blanks or lie past the end (cameras that do not know the time write blanks, some leave the
// time out), FIELD_BAD when they are anything else.
int fixedField(const wxString& text, size_t from, size_t count)
{
    int value = 0;
    bool blank = true;
    bool digits = true;
    for (size_t i = from; i < from + count; ++i) {
        const wxUniChar c = i < text.length() ? text[i] : wxUniChar(' ');
        if (c >= '0' && c <= '9') {
            value = value * 10 + static_cast<int>(c.GetValue() - '0');
            blank = false;
        } else {
            digits = false;
            blank = blank && c == ' ';
        }
    }
    if (digits)
        return value;
    return blank ? FIELD_BLANK : FIELD_BAD;
}

// The fields of an EXIF date text. The date must be given; a blank hour, minute or second
// counts as 0 and leaves the time that much less known.
struct DateFields {
    bool valid = false;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    bool hourKnown = false;
    bool minuteKnown = false;
};

DateFields readDateFields(const wxString& text)
{
    DateFields fields;
    fields.year = fixedField(text, 0, 4);
    fields.month = fixedField(text, 5, 2);
    fields.day = fixedField(text, 8, 2);
    const int hour = fixedField(text, 11, 2);
    const int minute = fixedField(text, 14, 2);
    const int second = fixedField(text, 17, 2);
    if (fields.year < 0 || fields.month < 0 || fields.day < 0 || hour == FIELD_BAD ||
        minute == FIELD_BAD || second == FIELD_BAD)
        return fields;
    fields.hour = std::max(hour, 0);
    fields.minute = std::max(minute, 0);
    fields.second = std::max(second, 0);
    fields.hourKnown = hour >= 0;
    fields.minuteKnown = fields.hourKnown && minute >= 0;
    fields.valid = true;
    return fields;
}

const char* monthName(int month)
{
    static const char* names[] = {"January",   "February", "March",    "April",
                                  "May",       "June",     "July",     "August",
                                  "September", "October",  "November", "December"};
    return month >= 1 && month <= 12 ? names[month - 1] : "?";
}

} // namespace

void EXIFProfile::ExifDataDeleter::operator()(_ExifData* data) const
{
    exif_data_unref(data);
}

EXIFProfile::EXIFProfile(const wxString& path, bool readTags)
{
    LoaderPtr loader(exif_loader_new());
    if (!loader)
        return;
    exif_loader_write_file(loader.get(), static_cast<const char*>(path.fn_str()));
    const unsigned char* buffer = nullptr;
    unsigned int size = 0;
    exif_loader_get_buf(loader.get(), &buffer, &size);
    load(buffer, size, readTags);
}

EXIFProfile::EXIFProfile(const unsigned char* data, size_t size, bool readTags)
{
    if (!data || size == 0 || startsWithExifHeader(data, size)) {
        load(data, size, readTags);
        return;
    }
    // A JPEG stream: let the loader find the APP1 block. It takes chunks of at most UINT_MAX.
    LoaderPtr loader(exif_loader_new());
    if (!loader)
        return;
    const size_t chunk = std::numeric_limits<unsigned int>::max();
    for (size_t offset = 0; offset < size; offset += chunk) {
        const auto length = static_cast<unsigned int>(std::min(chunk, size - offset));
        // libexif only reads through this pointer; its interface just lacks the const.
        if (!exif_loader_write(loader.get(), const_cast<unsigned char*>(data + offset), length))
            break;
    }
    const unsigned char* buffer = nullptr;
    unsigned int bufferSize = 0;
    exif_loader_get_buf(loader.get(), &buffer, &bufferSize);
    load(buffer, bufferSize, readTags);
}

EXIFProfile::~EXIFProfile() = default;

void EXIFProfile::load(const unsigned char* data, size_t size, bool readTags)
{
    if (data && size > 0 && size <= std::numeric_limits<unsigned int>::max()) {
        m_data.reset(exif_data_new());
        if (m_data) {
            // Following the standard would make libexif add the entries it calls mandatory,
            // some with the current date, and so invent metadata the picture never had.
            exif_data_unset_option(m_data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
            exif_data_load_data(m_data.get(), data, static_cast<unsigned int>(size));
        }
    }
    // libexif's `data` member is the embedded thumbnail, which many pictures lack; what makes
    // a block usable is having entries.
    bool hasEntries = false;
    for (int ifd = 0; m_data && ifd < EXIF_IFD_COUNT && !hasEntries; ++ifd)
        hasEntries = m_data->ifd[ifd] && m_data->ifd[ifd]->count > 0;
    if (!hasEntries) {
        m_data.reset();
        QDEBUG("[EXIFPROFILE] File does not contain EXIF data");
        return;
    }
    m_empty = false;
    if (readTags)
        this->readTags();
}

void EXIFProfile::readTags()
{
    const ExifByteOrder order = exif_data_get_byte_order(m_data.get());
    for (int ifd = 0; ifd < EXIF_IFD_COUNT; ++ifd) {
        // IFD 1 describes the embedded thumbnail; its orientation or texts are not the picture's.
        if (ifd == EXIF_IFD_1)
            continue;
        const ExifContent* content = m_data->ifd[ifd];
        for (unsigned int i = 0; content && i < content->count; ++i) {
            const ExifEntry* entry = content->entries[i];
            if (!entry)
                continue;
            switch (static_cast<unsigned>(entry->tag)) {
            case 0x010f:
                m_make = entryText(entry);
                QDEBUG("[EXIFPROFILE] Make: %s", m_make);
                break;
            case 0x0110:
                m_model = entryText(entry);
                QDEBUG("[EXIFPROFILE] Model: %s", m_model);
                break;
            case 0x9003:
                m_captureDateTime = entryText(entry);
                QDEBUG("[EXIFPROFILE] Found original date/time: %s", m_captureDateTime);
                break;
            case 0x8298:
                m_copyright = copyrightText(entry);
                QDEBUG("[EXIFPROFILE] Copyright: %s", m_copyright);
                break;
            case 0x0112:
                if (entry->data && entry->size >= 2 &&
                    (entry->format == EXIF_FORMAT_SHORT || entry->format == EXIF_FORMAT_SSHORT)) {
                    m_orientation = exif_get_short(entry->data, order);
                    QDEBUG("[EXIFPROFILE] Orientation: %d", m_orientation);
                }
                break;
            default:
                break;
            }
        }
    }
}

int32_t EXIFProfile::rotationForOrientation(int32_t orientation)
{
    switch (orientation) {
    case 3:
        return 180;
    case 6:
        return 90;
    case 8:
        return 270;
    default:
        return 0;
    }
}

int32_t EXIFProfile::getOriginalTime() const
{
    if (m_captureDateTime.empty())
        return 0;
    QDEBUG("[EXIFPROFILE] Original date/time: %s", m_captureDateTime);
    return timeFromDateText(m_captureDateTime);
}

int32_t EXIFProfile::getOriginalTimeMask() const
{
    return timeMaskFromDateText(m_captureDateTime);
}

int32_t EXIFProfile::timeFromDateText(const wxString& text)
{
    const DateFields fields = readDateFields(text);
    if (!fields.valid)
        return 0;
    const int year = fields.year == 0 ? 1970 : fields.year;
    const int month = fields.month == 0 ? 1 : fields.month;
    const int day = fields.day == 0 ? 1 : fields.day;
    QDEBUG("Month 1 = %s", monthName(month));
    if (month > 12 || day > daysInMonth(year, month) || fields.hour > 23 || fields.minute > 59 ||
        fields.second > 59)
        return 0;
    const int64_t seconds =
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 +
        fields.hour * 3600 + fields.minute * 60 + fields.second;
    if (seconds < 0 || seconds > std::numeric_limits<int32_t>::max())
        return 0;
    return static_cast<int32_t>(seconds);
}

int32_t EXIFProfile::timeMaskFromDateText(const wxString& text)
{
    const DateFields fields = readDateFields(text);
    if (!fields.valid || fields.minuteKnown)
        return TIME_MASK_ALL;
    return TIME_MASK_DATE | (fields.hourKnown ? TIME_MASK_HOUR : 0);
}

std::map<wxString, wxString> EXIFProfile::getEntries() const
{
    std::map<wxString, wxString> entries;
    for (int ifd = 0; m_data && ifd < EXIF_IFD_COUNT; ++ifd) {
        const ExifContent* content = m_data->ifd[ifd];
        for (unsigned int i = 0; content && i < content->count; ++i) {
            ExifEntry* entry = content->entries[i];
            if (entry)
                entries.emplace(tagName(entry->tag, static_cast<ExifIfd>(ifd)), entryValue(entry));
        }
    }
    return entries;
}

void EXIFProfile::logEntries() const
{
    const wxString indent(wxS(' '), 2);
    for (int ifd = 0; m_data && ifd < EXIF_IFD_COUNT; ++ifd) {
        const ExifContent* content = m_data->ifd[ifd];
        const auto ifdId = static_cast<ExifIfd>(ifd);
        for (unsigned int i = 0; content && i < content->count; ++i) {
            ExifEntry* entry = content->entries[i];
            if (!entry)
                continue;
            const unsigned tag = entry->tag;
            QDEBUG("EXIF entry '%s' (0x%x, '%s') exists in IFD '%s':", tagName(entry->tag, ifdId),
                   tag, tagTitle(entry->tag, ifdId), libraryText(exif_ifd_get_name(ifdId)));
            QDEBUG("%sTag: 0x%x ('%s')", indent, tag, tagName(entry->tag, ifdId));
            QDEBUG("%s  Format: %i ('%s')", indent, static_cast<int>(entry->format),
                   libraryText(exif_format_get_name(entry->format)));
            QDEBUG("%s  Components: %i", indent, static_cast<int>(entry->components));
            QDEBUG("%s  Size: %i", indent, static_cast<int>(entry->size));
            QDEBUG("%s  Value: %s", indent, entryValue(entry));
        }
    }
}

} // namespace Brenmarle

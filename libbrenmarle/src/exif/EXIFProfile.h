#pragma once
// The EXIF block of a picture, read with libexif: camera maker and model, the moment the picture
// was taken, copyright and orientation, and a listing of every entry for the properties dialogs.
//
// Reading never throws for bad content: a missing, truncated or corrupt block gives an empty
// profile (time 0, empty texts, rotation 0). Objects are independent; one object may be read
// from several threads at once (no method changes it after construction).

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>

#include <wx/string.h>

struct _ExifData;

namespace Brenmarle {

class EXIFProfile {
public:
    // Reads the EXIF block of the file at `path` (a JPEG, or a raw block starting with
    // "Exif\0\0"). With `readTags`, fills maker, model, capture time, copyright and orientation
    // from every IFD but IFD 1, which describes the embedded thumbnail; a later entry with the
    // same tag wins.
    explicit EXIFProfile(const wxString& path, bool readTags = true);
    // The same from bytes already in memory; the bytes are not kept.
    EXIFProfile(const unsigned char* data, size_t size, bool readTags = true);
    virtual ~EXIFProfile();
    EXIFProfile(const EXIFProfile&) = delete;
    EXIFProfile& operator=(const EXIFProfile&) = delete;

    // True when there is no usable EXIF data (no block, or a block without a single entry).
    bool isEmpty() const { return m_empty; }

    const wxString& getMake() const { return m_make; }
    const wxString& getModel() const { return m_model; }
    const wxString& getCopyright() const { return m_copyright; }
    // The DateTimeOriginal text as written ("2005:07:14 18:30:05"), trimmed.
    const wxString& getCaptureDateTime() const { return m_captureDateTime; }
    // Tag 0x0112, 0 when absent.
    int32_t getOrientation() const { return m_orientation; }

    // Degrees to turn the stored pixels clockwise so the picture stands upright: orientation
    // 3 gives 180, 6 gives 90, 8 gives 270; anything else (mirrored forms too) gives 0.
    int32_t getRotation() const { return rotationForOrientation(m_orientation); }
    static int32_t rotationForOrientation(int32_t orientation);

    // Seconds since 1970 at which a UTC clock shows the capture date/time (the camera's wall
    // clock stored without time-zone shift); 0 when there is no valid date.
    int32_t getOriginalTime() const;
    // The same for any EXIF date text ("YYYY:MM:DD HH:MM:SS", fields at fixed positions). A year,
    // month or day of 0 counts as 1970, January or the 1st; a blank (or missing) hour, minute or
    // second counts as 0, so a camera that knows only the day still gives it. Dates that are not
    // real calendar dates, or lie outside 1970-01-01 .. 2038-01-19 03:14:07, give 0.
    static int32_t timeFromDateText(const wxString& text);

    // Which parts of the capture time the text gives, as a file's time mask: TIME_MASK_ALL, or
    // only the date (and the hour) when the time is blank from the hour (the minute) on.
    static constexpr int32_t TIME_MASK_ALL = 63;
    static constexpr int32_t TIME_MASK_DATE = 1 | 2 | 4;
    static constexpr int32_t TIME_MASK_HOUR = 8;
    int32_t getOriginalTimeMask() const;
    static int32_t timeMaskFromDateText(const wxString& text);

    // Tag name to value text of every entry, IFD by IFD in libexif's order (0, 1, EXIF, GPS,
    // Interoperability). When two IFDs hold the same name, the first one wins, so the
    // picture's own values are not replaced by those of its embedded thumbnail (IFD 1).
    std::map<wxString, wxString> getEntries() const;

    // Writes every entry to the debug log with its tag, format, components, size and value.
    void logEntries() const;

private:
    struct ExifDataDeleter {
        void operator()(_ExifData* data) const;
    };

    void load(const unsigned char* data, size_t size, bool readTags);
    void readTags();

    std::unique_ptr<_ExifData, ExifDataDeleter> m_data;
    wxString m_make;
    wxString m_model;
    wxString m_captureDateTime;
    wxString m_copyright;
    int32_t m_orientation = 0;
    bool m_empty = true;
};

} // namespace Brenmarle

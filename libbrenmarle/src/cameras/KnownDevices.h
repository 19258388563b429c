#pragma once
// The devices whose model the program can name: looked up by their USB vendor and product ids
// or by what their pictures say (EXIF make and model). Searched in order; the first match wins.
//
// Threads: any thread (a constant table).

#include <cstddef>

#include <wx/string.h>

namespace Brenmarle {

class KnownDevices {
public:
    struct Device {
        const char* vendorId;
        const char* productId;
        const char* model;
        // "-" when the device writes no EXIF make or model.
        const char* exifMake;
        const char* exifModel;
    };

    static constexpr const char* UNKNOWN = "Unknown";

    // The model of the device with these ids (any case), or "Unknown".
    static wxString modelForIds(const wxString& vendorId, const wxString& productId);
    // The model of the device whose pictures carry this EXIF make and model (trimmed before
    // comparing), or "Unknown".
    static wxString modelForExif(const wxString& make, const wxString& model);

    static const Device* begin();
    static const Device* end();
};

} // namespace Brenmarle

#include "cameras/KnownDevices.h"

#include <iterator>

#include "system/Log.h"

namespace Brenmarle {

namespace {

const KnownDevices::Device DEVICES[] = {
    {"04a9", "3072", "Digital IXUS II", "-", "-"},
    {"04a9", "3110", "EOS 400D Digital", "Canon", "Canon EOS 400D DIGITAL"},
    {"04cb", "0114", "FinePix F401", "FUJIFILM", "FinePix F401"},
    {"04cb", "0118", "FinePix A303", "-", "-"},
    {"04cb", "013e", "FinePix F420", "FUJIFILM", "FinePix F420"},
    {"04cb", "0162", "FinePix F455", "FUJIFILM", "FinePix F455"},
    {"043e", "7015", "MF-FE422 MP3 Player", "-", "-"},
    {"03f0", "4402", "PhotoSmart 935", "Hewlett-Packard", "HP PhotoSmart C935 (V03.60)"},
    {"0a17", "0025", "Optio WP", "-", "-"},
    {"05e3", "0760", "8 in 1 Card Reader", "-", "-"},
    {"05e3", "0710", "9 in 1 Card Reader", "-", "-"},
    {"0ea0", "2168", "256MB Memory Stick", "-", "-"},
    {"126f", "0161", "M1 Mobile Disk 256MB", "-", "-"},
};

wxString trimmed(wxString text)
{
    return text.Trim(true).Trim(false);
}

} // namespace

const KnownDevices::Device* KnownDevices::begin()
{
    return std::begin(DEVICES);
}
const KnownDevices::Device* KnownDevices::end()
{
    return std::end(DEVICES);
}

wxString KnownDevices::modelForIds(const wxString& vendorId, const wxString& productId)
{
    QDEBUG("Looking up model string for %s:%s", vendorId, productId);
    for (const Device& device : DEVICES) {
        if (vendorId.Lower() == device.vendorId && productId.Lower() == device.productId)
            return device.model;
    }
    return UNKNOWN;
}

wxString KnownDevices::modelForExif(const wxString& make, const wxString& model)
{
    const wxString wantedMake = trimmed(make);
    const wxString wantedModel = trimmed(model);
    // "-" marks a device that writes nothing: a picture without make and model names no device.
    if (wantedMake.empty() && wantedModel.empty())
        return UNKNOWN;
    for (const Device& device : DEVICES) {
        if (wantedMake == device.exifMake && wantedModel == device.exifModel)
            return device.model;
    }
    return UNKNOWN;
}

} // namespace Brenmarle

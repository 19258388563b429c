#include "cameras/PtpCamera.h"

#include <memory>

#include <wx/dir.h>
#include <wx/filefn.h>
#include <wx/log.h>

#include "cameras/GPhotoSession.h"
#include "cameras/PtpDeviceFolder.h"
#include "cameras/SysfsAttribute.h"
#include "system/Exceptions.h"
#include "system/Log.h"

namespace Brenmarle {

namespace {

// The entries of the kernel's USB device list under `sysfsRoot` (devices and their
// interfaces), with the folder they are in; none when there is no such list.
std::vector<wxString> usbDeviceEntries(const wxString& sysfsRoot, wxString& devices)
{
    devices = sysfsRoot + "/bus/usb/devices/";
    std::vector<wxString> entries;
    wxLogNull quiet;
    wxDir dir;
    if (!wxDirExists(devices) || !dir.Open(devices))
        return entries;
    wxString name;
    for (bool more = dir.GetFirst(&name, wxEmptyString, wxDIR_DIRS | wxDIR_FILES); more;
         more = dir.GetNext(&name))
        entries.push_back(name);
    return entries;
}

// The ids of the USB device at "usb:BBB,DDD" (bus and device number); false when not found.
bool findUsbIds(const wxString& sysfsRoot, const wxString& port, wxString& vendorId,
                wxString& productId)
{
    long bus = 0;
    long device = 0;
    if (!port.StartsWith("usb:") || !port.Mid(4).BeforeFirst(',').ToLong(&bus) ||
        !port.AfterFirst(',').ToLong(&device))
        return false;
    wxString devices;
    for (const wxString& name : usbDeviceEntries(sysfsRoot, devices)) {
        long busNumber = -1;
        long deviceNumber = -1;
        if (!readSysfsAttribute(devices + name + "/busnum").ToLong(&busNumber) ||
            !readSysfsAttribute(devices + name + "/devnum").ToLong(&deviceNumber))
            continue;
        if (busNumber == bus && deviceNumber == device) {
            vendorId = readSysfsAttribute(devices + name + "/idVendor").Lower();
            productId = readSysfsAttribute(devices + name + "/idProduct").Lower();
            return true;
        }
    }
    return false;
}

} // namespace

PtpCamera::PtpCamera(const wxString& gphotoModel, const wxString& port, const wxString& vendorId,
                     const wxString& productId)
    : Camera(SCHEME + port, gphotoModel.empty() ? wxString(DEFAULT_NAME) : gphotoModel, vendorId,
             productId),
      m_gphotoModel(gphotoModel), m_port(port)
{
}

FolderRef PtpCamera::getDeviceFolder() const
{
    return Quorvel::makeRef<PtpDeviceFolder>(getURI(), m_gphotoModel, m_port);
}

std::vector<PtpCamera::Detected> PtpCamera::detect()
{
    std::vector<Detected> detected;
    for (const GPhotoSession::Detected& camera : GPhotoSession::detect())
        detected.push_back({camera.model, camera.port});
    return detected;
}

CameraList PtpCamera::listConnected(const Detector& detector, const wxString& sysfsRoot)
{
    CameraList cameras;
    std::vector<Detected> detected;
    try {
        detected = detector ? detector() : detect();
    } catch (const Quorvel::Exception& e) {
        QDEBUG("[PTPCAMERA] Detection failed: %s", e.getMessage());
        return cameras;
    }
    for (const Detected& camera : detected) {
        wxString vendorId;
        wxString productId;
        if (!findUsbIds(sysfsRoot, camera.port, vendorId, productId))
            QDEBUG("Couldn't get USB device info, must rely on WIA device info only");
        cameras.push_back(
            std::make_shared<PtpCamera>(camera.model, camera.port, vendorId, productId));
    }
    return cameras;
}

wxString PtpCamera::usbDevicesSignature(const wxString& sysfsRoot)
{
    wxString devices;
    wxArrayString entries;
    for (const wxString& name : usbDeviceEntries(sysfsRoot, devices)) {
        // Interfaces ("1-2:1.0") come and go with their device.
        if (!name.Contains(":"))
            entries.push_back(name + "=" + readSysfsAttribute(devices + name + "/busnum") + "," +
                              readSysfsAttribute(devices + name + "/devnum"));
    }
    entries.Sort();
    return wxJoin(entries, ';');
}

PtpCamera::Detector PtpCamera::detectOnUsbChange(Detector detector, const wxString& sysfsRoot)
{
    struct Last {
        bool known = false;
        wxString signature;
        std::vector<Detected> cameras;
    };
    auto last = std::make_shared<Last>();
    return [detector = std::move(detector), sysfsRoot, last] {
        const wxString signature = usbDevicesSignature(sysfsRoot);
        if (!last->known || signature != last->signature) {
            // A failing detection throws before anything is kept, so the next refresh retries.
            last->cameras = detector ? detector() : detect();
            last->signature = signature;
            last->known = true;
        }
        return last->cameras;
    };
}

} // namespace Brenmarle

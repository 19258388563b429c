#include "cameras/UsbMassStorageCamera.h"

#include <mntent.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

#include <wx/filefn.h>
#include <wx/filename.h>

#include "cameras/SysfsAttribute.h"
#include "cameras/UMSDeviceFolder.h"
#include "system/Log.h"

namespace Brenmarle {

namespace {

struct MountsFileCloser {
    void operator()(FILE* file) const noexcept { endmntent(file); }
};


wxString realPath(const wxString& path)
{
    char resolved[PATH_MAX];
    if (::realpath(path.utf8_str(), resolved) == nullptr)
        return wxString();
    return wxString::FromUTF8(resolved);
}

struct UsbDevice {
    wxString path; // its sysfs folder, the device's identity
    wxString vendorId;
    wxString productId;
    wxString name;
};

// Walks up from the block device's sysfs folder to the USB device above it. False for a
// device on no USB bus (an internal disk).
bool findUsbDevice(const wxString& sysfsRoot, const wxString& blockName, UsbDevice& device)
{
    wxString dir = realPath(sysfsRoot + "/class/block/" + blockName);
    const wxString root = realPath(sysfsRoot);
    if (dir.empty() || root.empty())
        return false;
    while (dir.length() > root.length() && dir.StartsWith(root)) {
        const wxString vendor = readSysfsAttribute(dir + "/idVendor");
        const wxString product = readSysfsAttribute(dir + "/idProduct");
        if (!vendor.empty() && !product.empty()) {
            device.path = dir;
            device.vendorId = vendor.Lower();
            device.productId = product.Lower();
            wxString name = readSysfsAttribute(dir + "/manufacturer");
            const wxString productName = readSysfsAttribute(dir + "/product");
            if (!productName.empty())
                name = name.empty() ? productName : name + " " + productName;
            device.name = name.empty() ? wxString("USB Drive") : name;
            return true;
        }
        dir = dir.BeforeLast('/');
    }
    return false;
}

// The kernel's name of a mounted block device ("sdb1"), following /dev/disk/by-... links.
wxString blockNameOf(const wxString& deviceNode)
{
    const wxString resolved = realPath(deviceNode);
    return wxFileName(resolved.empty() ? deviceNode : resolved).GetFullName();
}

// getmntent_r undoes the octal escapes of the mounts table (a space is "\040").
struct Mount {
    wxString blockName;
    wxString mountPoint;
};

std::vector<Mount> readMounts(const wxString& mountsFile)
{
    std::vector<Mount> mounts;
    std::unique_ptr<FILE, MountsFileCloser> file(setmntent(mountsFile.utf8_str(), "r"));
    if (!file) {
        QDEBUG("[USBMSCAMERA] Could not read %s", mountsFile);
        return mounts;
    }
    struct mntent entry {};
    char buffer[4 * PATH_MAX];
    while (getmntent_r(file.get(), &entry, buffer, sizeof buffer) != nullptr) {
        const wxString node = wxString::FromUTF8(entry.mnt_fsname);
        if (!node.StartsWith("/dev/"))
            continue;
        mounts.push_back({blockNameOf(node), wxString::FromUTF8(entry.mnt_dir)});
    }
    return mounts;
}

} // namespace

UsbMassStorageCamera::UsbMassStorageCamera(const wxString& uri, const wxString& name,
                                           const wxString& vendorId, const wxString& productId,
                                           const wxString& mountPoint)
    : Camera(uri, name, vendorId, productId, mountPoint)
{
}

FolderRef UsbMassStorageCamera::getDeviceFolder() const
{
    return Quorvel::makeRef<UMSDeviceFolder>(getURI(), getDrive());
}

CameraList UsbMassStorageCamera::listMounted(const wxString& mountsFile, const wxString& sysfsRoot)
{
    struct Drive {
        UsbDevice device;
        wxString mountPoint;
    };
    std::vector<Drive> drives;
    std::map<wxString, int> drivesPerDevice;
    std::map<wxString, bool> seenBlocks;
    for (const Mount& mount : readMounts(mountsFile)) {
        // A volume mounted twice (a bind mount) is still one drive.
        if (seenBlocks[mount.blockName])
            continue;
        UsbDevice device;
        if (!findUsbDevice(sysfsRoot, mount.blockName, device))
            continue;
        seenBlocks[mount.blockName] = true;
        drives.push_back({device, mount.mountPoint});
        ++drivesPerDevice[device.path];
    }
    CameraList cameras;
    std::map<wxString, int> numbered;
    for (const Drive& drive : drives) {
        // The identity stays the same while the device stays in the same port.
        wxString uri = SCHEME + drive.device.path.AfterLast('/');
        if (drivesPerDevice[drive.device.path] > 1)
            uri += wxString::Format("\\%d", numbered[drive.device.path]++);
        cameras.push_back(
            std::make_shared<UsbMassStorageCamera>(uri, drive.device.name, drive.device.vendorId,
                                                   drive.device.productId, drive.mountPoint));
    }
    return cameras;
}

} // namespace Brenmarle

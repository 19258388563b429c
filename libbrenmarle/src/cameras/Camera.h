#pragma once
// One connected device that holds pictures: a camera, or a card reader or stick that appears
// as a drive. Made by the camera manager's enumeration and kept, unchanged, by camera lists;
// two cameras are the same device when their URIs are equal.
//
// Threads: immutable after construction, so any thread may read it. The device folder it
// makes is used by one thread at a time (the import task's).

#include <memory>

#include <wx/string.h>

#include "folders/Folder2.h"

namespace Brenmarle {

class Camera {
public:
    virtual ~Camera() = default;

    const wxString& getURI() const { return m_uri; }
    const wxString& getName() const { return m_name; }
    // From the known-device table; "Unknown" when the device is not in it.
    const wxString& getModel() const { return m_model; }
    // Four lower-case hexadecimal digits each; empty when not known.
    const wxString& getVendorId() const { return m_vendorId; }
    const wxString& getProductId() const { return m_productId; }
    // For a drive, its mount point; empty for a camera reached over its own protocol.
    const wxString& getDrive() const { return m_drive; }

    // A new folder holding the device's files. Throws Quorvel::IOException when the device
    // cannot be opened (with a message the user can act on).
    virtual FolderRef getDeviceFolder() const = 0;

protected:
    Camera(const wxString& uri, const wxString& name, const wxString& vendorId,
           const wxString& productId, const wxString& drive = wxString());

private:
    wxString m_uri;
    wxString m_name;
    wxString m_model;
    wxString m_vendorId;
    wxString m_productId;
    wxString m_drive;
};

using CameraRef = std::shared_ptr<const Camera>;

} // namespace Brenmarle

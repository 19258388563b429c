#include "cameras/UMSDeviceFolder.h"

#include <sys/stat.h>

#include <algorithm>

#include <wx/dir.h>

#include "files/Uri.h"
#include "system/Log.h"

namespace Brenmarle {

namespace {

bool isDirectory(const wxString& path)
{
    struct stat info {};
    return ::stat(path.utf8_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isRegularFile(const wxString& path)
{
    struct stat info {};
    return ::stat(path.utf8_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The names in `directory` (not "." or ".."), sorted; empty when it cannot be read.
std::vector<wxString> entriesOf(const wxString& directory)
{
    std::vector<wxString> names;
    wxLogNull quiet;
    wxDir dir;
    if (!dir.Open(directory))
        return names;
    wxString name;
    for (bool more = dir.GetFirst(&name, wxEmptyString, wxDIR_FILES | wxDIR_DIRS | wxDIR_HIDDEN);
         more; more = dir.GetNext(&name))
        names.push_back(name);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

UMSDeviceFolder::UMSDeviceFolder(const wxString& cameraUri, const wxString& drive)
    : m_uri(cameraUri), m_drive(drive.EndsWith("/") ? drive : drive + "/")
{
}

bool UMSDeviceFolder::isCameraFolderName(const wxString& name)
{
    if (name.length() < 3)
        return false;
    for (size_t i = 0; i < 3; ++i) {
        if (name[i] < '0' || name[i] > '9')
            return false;
    }
    return true;
}

void UMSDeviceFolder::scan()
{
    if (m_scanned)
        return;
    m_scanned = true;
    wxString dcim;
    for (const wxString& name : entriesOf(m_drive)) {
        if (name.Lower() == "dcim" && isDirectory(m_drive + name)) {
            dcim = m_drive + name + "/";
            break;
        }
    }
    if (dcim.empty()) {
        QDEBUG("Could not open DCIM directory");
        return;
    }
    for (const wxString& folder : entriesOf(dcim)) {
        if (!isCameraFolderName(folder) || !isDirectory(dcim + folder))
            continue;
        const wxString directory = dcim + folder + "/";
        for (const wxString& name : entriesOf(directory)) {
            if (isRegularFile(directory + name))
                m_uris.push_back(Uri::fromLocalPath(directory + name));
        }
    }
}

std::vector<wxString> UMSDeviceFolder::getFileUris()
{
    scan();
    return m_uris;
}

int UMSDeviceFolder::getFileCount()
{
    scan();
    return static_cast<int>(m_uris.size());
}

Quorvel::Ref<File> UMSDeviceFolder::getFile(const wxString& uri)
{
    auto file = Quorvel::makeRef<File>(uri);
    readFileSystemData(*file, Uri::toLocalPath(uri));
    return file;
}

wxString UMSDeviceFolder::getLocalPath(const File& file)
{
    QDEBUG("[UMSDeviceFolder] Get local file path for: %s", file.getURI());
    return Uri::toLocalPath(file.getURI());
}

} // namespace Brenmarle

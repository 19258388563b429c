#include "ordering/ScaledCopies.h"

#include <wx/dir.h>
#include <wx/filefn.h>
#include <wx/log.h>

#include "ordering/Order.h"
#include "ordering/OrderPart.h"
#include "system/Log.h"
#include "util/Uuid.h"

namespace Brenmarle {

namespace {

void removeCopy(const wxString& path)
{
    if (!wxFileExists(path))
        return;
    wxLogNull quiet; // reported below in the program's own words
    if (wxRemoveFile(path))
        QDEBUG("[SCALEDCOPIES] Removed %s", path);
    else
        QDEBUG("[SCALEDCOPIES] Could not remove %s", path);
}

} // namespace

wxString ScaledCopies::folderOf(const wxString& userDataDir)
{
    return userDataDir + "nvtemp/";
}

wxString ScaledCopies::newUri()
{
    return wxString(URI_PREFIX) + NAME_PREFIX + Quorvel::Uuid::create() + ".jpg";
}

bool ScaledCopies::isScaledCopy(const wxString& uri)
{
    wxString name;
    if (!uri.StartsWith(wxString(URI_PREFIX) + NAME_PREFIX, &name))
        return false;
    // One plain name in the folder: nothing that could reach another file when removed.
    return !name.empty() && name.find_first_of("/\\") == wxString::npos && !name.Contains("..");
}

wxString ScaledCopies::pathOf(const wxString& folder, const wxString& uri)
{
    if (!isScaledCopy(uri))
        return wxString();
    return folder + uri.Mid(wxStrlen(URI_PREFIX));
}

std::set<wxString> ScaledCopies::usedBy(const Order& order)
{
    std::set<wxString> used;
    for (size_t i = 0; i < order.getPartCount(); ++i) {
        for (const OrderPartFile& file : order.getPart(i).files) {
            if (isScaledCopy(file.uri))
                used.insert(file.uri);
        }
    }
    return used;
}

void ScaledCopies::release(const std::vector<const OrderPart*>& leaving, const Order& remaining,
                           const wxString& folder)
{
    try {
        const std::set<wxString> kept = usedBy(remaining);
        for (const OrderPart* part : leaving) {
            for (const OrderPartFile& file : part->files) {
                if (isScaledCopy(file.uri) && !kept.count(file.uri))
                    removeCopy(pathOf(folder, file.uri));
            }
        }
    } catch (const std::exception& e) {
        QDEBUG("[SCALEDCOPIES] %s", e.what());
    }
}

int ScaledCopies::removeUnused(const Order& order, const wxString& folder)
{
    if (!wxDirExists(folder))
        return 0;
    const std::set<wxString> kept = usedBy(order);
    std::vector<wxString> unused;
    {
        wxLogNull quiet; // an unreadable folder has nothing to remove
        wxDir dir(folder);
        if (!dir.IsOpened())
            return 0;
        wxString name;
        for (bool more = dir.GetFirst(&name, wxString(NAME_PREFIX) + "*", wxDIR_FILES); more;
             more = dir.GetNext(&name)) {
            const wxString uri = URI_PREFIX + name;
            if (isScaledCopy(uri) && !kept.count(uri))
                unused.push_back(folder + name);
        }
    }
    for (const wxString& path : unused)
        removeCopy(path);
    return static_cast<int>(unused.size());
}

} // namespace Brenmarle

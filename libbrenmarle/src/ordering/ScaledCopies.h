#pragma once
// The scaled copies of an order's pictures: JPEG files in the non-volatile temporary folder
// ("nvtemp://order-scaled-<uuid>.jpg"), which outlives a restart (the temporary folder is
// emptied at every start, and an order in the cart may be sent days after it was scaled). A
// copy belongs to the order parts that name it: it goes when the last of them leaves the cart,
// and copies that no part names (a crash between writing and using them) go when the cart
// starts.
//
// Only names of this form are ever removed, so other users of the folder are left alone.
// Pure file work; the caller's thread (the GUI thread for the cart).

#include <set>
#include <vector>

#include <wx/string.h>

namespace Brenmarle {

class Order;
class OrderPart;

class ScaledCopies {
public:
    static constexpr const char* URI_PREFIX = "nvtemp://";
    static constexpr const char* NAME_PREFIX = "order-scaled-";

    // The folder of `userDataDir` (ending in "/") that "nvtemp://" names, ending in "/".
    static wxString folderOf(const wxString& userDataDir);
    // A new unique URI for a copy.
    static wxString newUri();
    // Whether `uri` names a scaled copy (and nothing outside the folder).
    static bool isScaledCopy(const wxString& uri);
    // The copy's path in `folder`; empty for a URI that is no scaled copy.
    static wxString pathOf(const wxString& folder, const wxString& uri);

    // The scaled copies `order` names.
    static std::set<wxString> usedBy(const Order& order);
    // Removes the copies of `leaving` that `remaining` does not name. Never throws; a copy
    // that cannot be removed is logged.
    static void release(const std::vector<const OrderPart*>& leaving, const Order& remaining,
                        const wxString& folder);
    // Removes every scaled copy in `folder` that `order` does not name; returns how many.
    static int removeUnused(const Order& order, const wxString& folder);
};

} // namespace Brenmarle

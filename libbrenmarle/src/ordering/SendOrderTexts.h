#pragma once
// The texts of the ordering assistant that depend on counts and amounts: delivery times,
// the start of the upload, the receipt and the welcome page. Singular and plural are chosen
// by the count ("%d day" / "%d days").
//
// Pure; any thread.

#include <cstdint>
#include <vector>

#include <wx/string.h>

namespace Brenmarle {

class SendOrderTexts {
public:
    // What the start-upload page says.
    struct Lines {
        wxString title;
        std::vector<wxString> lines;
    };

    // A delivery option's entry: "Delivery time: within %d days" ("day" for one) from a day
    // on, else "Delivery time: %d hours" ("hour" for one).
    static wxString deliveryTimeEntry(int64_t seconds);
    // The same time in the receipt: "%d days", "%d day", "%d hours", "%d hour".
    static wxString deliveryTime(int64_t seconds);
    // Whether a delivery time unit letter is one the program counts ('d' days, 'h' hours).
    static bool isKnownTimeUnit(wxUniChar unit);

    // `toUpload` files of `totalBytes` must go up; `inOrder` files make up the order.
    static Lines startUpload(size_t toUpload, int64_t totalBytes, size_t inOrder);

    // The receipt's lines. `reference` is the service's order id ("Unknown" when empty); for
    // mail `place` is the address, for pickup the pickup location.
    static std::vector<wxString> receipt(const wxString& reference, bool byMail,
                                         const wxString& place, int64_t deliverySeconds);

    // The welcome page's lines.
    static std::vector<wxString> intro(const wxString& provider, int products,
                                       const wxString& total);
    // What the pickup choice on the delivery method page leads to.
    static wxString pickupChoiceHint(size_t locations);
};

} // namespace Brenmarle

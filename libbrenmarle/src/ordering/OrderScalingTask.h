#pragma once
// Scales the print pictures of an order down to what their prints can show, before they are
// sent: for every print part (product type 0) the first picture's dots per print unit are
// worked out against the product's print area, and while both directions exceed 300 the size
// shrinks in steps of 96.84 %. A picture that had to shrink is written once at its final size
// as a quality-85 JPEG, turned upright by its stored rotation (orientation tag 1), as a scaled
// copy in the non-volatile temporary folder (ScaledCopies). A copy of a picture without a JFIF
// header (JfifHeader) has none either.
//
// The task works on a copy of the order made when it is created, so the cart's order is never
// touched off the GUI thread; the owner applies the copies (applyTo) when the task has
// succeeded. A run that fails or is aborted removes the copies it wrote. Between parts the
// task pauses briefly and checks for abort, so Cancel is seen at the next part.
//
// Threads: made on the GUI thread; run() on a task runner thread; getCopies() after the
// finished event. m_mutex is held for the whole run except the pause between parts, and
// guards m_copies.

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include <wx/string.h>

#include "threads/Task.h"

namespace Brenmarle {

class Order;
class Pricelist;
class PrintAreaSize;

class OrderScalingTask : public Quorvel::Task {
public:
    static constexpr int PRINT_PRODUCT_TYPE = 0;
    static constexpr int ENOUGH_DOTS = 300;
    static constexpr double STEP_PERCENT = 96.84;
    static constexpr int JPEG_QUALITY = 85;
    static constexpr int PAUSE_MS = 10;

    // What the scaling needs to know of a picture.
    struct Picture {
        wxString path;
        wxString contentType;
        int width = 0; // as the file record keeps them (see ImageData::loadZoomed)
        int height = 0;
        int rotation = 0; // degrees clockwise
    };
    // Finds the picture a part names; runner thread. Throws when it cannot.
    using PictureLookup = std::function<Picture(const wxString& uri)>;

    // A part whose picture was replaced by a scaled copy.
    struct Copy {
        size_t partIndex;
        wxString originalUri;
        wxString copyUri;
    };
    struct Size {
        int width;
        int height;
    };

    // The size a width x height picture is scaled to for a print of `area`; nothing when it
    // needs no scaling (already at most 300 dots in a direction, or a size of 0 anywhere).
    static std::optional<Size> targetSize(int width, int height, const PrintAreaSize& area);

    // Copies `order` and keeps its price list. `folder` is where "nvtemp://" lives (see
    // ScaledCopies::folderOf). Without a lookup the pictures are looked up in the library.
    OrderScalingTask(const Order& order, const wxString& folder, PictureLookup lookup = {});

    // Throws ProductException "Could not resize order part - product not found in price list",
    // what reading and writing the pictures throw, AbortException when aborted.
    void run() override;

    std::vector<Copy> getCopies() const;
    // Gives each part of `order` that still uses the original its copy as its only picture;
    // returns how many parts changed. GUI thread, on the order the task was made from.
    static size_t applyTo(Order& order, const std::vector<Copy>& copies);

    // The library's file for `uri`: its local path, content type, size and rotation; size and
    // rotation from the picture's header when the library has not read them yet.
    static Picture lookUpInLibrary(const wxString& uri);

protected:
    ~OrderScalingTask() override;

private:
    void scalePart(size_t index, std::unique_lock<std::mutex>& lock);
    void removeWritten();

    std::unique_ptr<Order> m_order;
    std::shared_ptr<const Pricelist> m_pricelist;
    wxString m_folder;
    PictureLookup m_lookup;
    mutable std::mutex m_mutex;
    std::vector<Copy> m_copies;
};

} // namespace Brenmarle

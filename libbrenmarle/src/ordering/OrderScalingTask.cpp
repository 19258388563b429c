#include "ordering/OrderScalingTask.h"

#include <chrono>
#include <thread>

#include <wx/filefn.h>
#include <wx/intl.h>
#include <wx/log.h>

#include "core/Exceptions.h"
#include "filemanager/FileManager.h"
#include "files/File.h"
#include "imaging/ImageData.h"
#include "imaging/JfifHeader.h"
#include "imaging/PictureInfo.h"
#include "ordering/Order.h"
#include "ordering/Pricelist.h"
#include "ordering/PrintAreaSize.h"
#include "ordering/ScaledCopies.h"
#include "system/Log.h"

namespace Brenmarle {

namespace {

// Dots per 250 print units along a side, truncated as the print service counts them.
int dotsOf(int pixels, int printLength)
{
    return static_cast<int>(pixels / (printLength / 250.0));
}

int shrunk(int pixels)
{
    return static_cast<int>(pixels * OrderScalingTask::STEP_PERCENT / 100);
}

} // namespace

std::optional<OrderScalingTask::Size> OrderScalingTask::targetSize(int width, int height,
                                                                   const PrintAreaSize& area)
{
    if (area.width <= 0 || area.height <= 0 || width <= 0 || height <= 0)
        return std::nullopt;
    Size size{width, height};
    bool shrank = false;
    for (;;) {
        const int dotsWidth = dotsOf(size.width, area.width);
        const int dotsHeight = dotsOf(size.height, area.height);
        QDEBUG("[OrderScalingTask] Calculated dpy: %d : %d", dotsWidth, dotsHeight);
        if (dotsWidth <= ENOUGH_DOTS || dotsHeight <= ENOUGH_DOTS) {
            if (!shrank) {
                QDEBUG("[OrderScalingTask] No resize needed");
                return std::nullopt;
            }
            QDEBUG("[OrderScalingTask] Final dpy: %d : %d", dotsWidth, dotsHeight);
            return size;
        }
        size = {shrunk(size.width), shrunk(size.height)};
        shrank = true;
    }
}

OrderScalingTask::OrderScalingTask(const Order& order, const wxString& folder, PictureLookup lookup)
    : m_order(order.clone()), m_pricelist(order.getPricelist()), m_folder(folder),
      m_lookup(lookup ? std::move(lookup) : PictureLookup(&OrderScalingTask::lookUpInLibrary))
{
}

OrderScalingTask::~OrderScalingTask() = default;

OrderScalingTask::Picture OrderScalingTask::lookUpInLibrary(const wxString& uri)
{
    FileManager& files = FileManager::get();
    Quorvel::Ref<File> file = files.getImage(uri);
    Picture picture;
    picture.path = files.getLocalPath(*file);
    picture.contentType = file->getContentType();
    picture.width = file->getImageWidth();
    picture.height = file->getImageHeight();
    picture.rotation = file->getImageRotation();
    if (picture.width <= 0 || picture.height <= 0) {
        // A picture of a folder on the disk that was never scanned: its header tells.
        const PictureInfo info = PictureInfo::read(picture.path, picture.contentType);
        picture.width = info.width;
        picture.height = info.height;
        picture.rotation = info.rotation;
    }
    return picture;
}

void OrderScalingTask::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    try {
        const size_t count = m_order->getPartCount();
        for (size_t i = 0; i < count; ++i) {
            setProgress(_("Resizing pictures..."), static_cast<int64_t>(i),
                        static_cast<int64_t>(count));
            notifyProgress();
            scalePart(i, lock);
            // The pause lets an abort be seen between parts.
            lock.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(PAUSE_MS));
            lock.lock();
            checkAbort();
        }
        setProgress(_("Resizing pictures..."), static_cast<int64_t>(count),
                    static_cast<int64_t>(count));
    } catch (...) {
        // Copies the order will never name.
        removeWritten();
        throw;
    }
}

void OrderScalingTask::scalePart(size_t index, std::unique_lock<std::mutex>&)
{
    const OrderPart& part = m_order->getPart(index);
    if (part.productType != PRINT_PRODUCT_TYPE || part.files.empty())
        return;
    const Product* product = m_pricelist ? m_pricelist->findProduct(part.productUuid) : nullptr;
    if (!product)
        throw ProductException(_("Could not resize order part - product not found in price list"));
    const wxString uri = part.getFirstFileUri();
    const Picture picture = m_lookup(uri);
    const std::optional<Size> size =
        targetSize(picture.width, picture.height, product->printAreaSize);
    if (!size)
        return;
    const wxString copyUri = ScaledCopies::newUri();
    const wxString copyPath = ScaledCopies::pathOf(m_folder, copyUri);
    setDetail(wxString::Format(_("Resizing file %s..."), uri.AfterLast('/')), 0, 1);
    notifyProgress();
    const bool hasJfif = JfifHeader::isInFile(picture.path);
    Quorvel::Ref<ImageData> image = Quorvel::makeRef<ImageData>();
    image->loadZoomed(picture.path, size->width, size->height, picture.rotation,
                      picture.contentType);
    image->save(copyPath, ImageData::FORMAT_JPEG, JPEG_QUALITY);
    // Named at once, so a failure from here on removes the copy with the others.
    m_copies.push_back({index, uri, copyUri});
    if (!hasJfif) {
        // The encoder always writes one; the copy says no more than the original did.
        QDEBUG("[OrderScalingTask] Original image has no JFIF header");
        JfifHeader::removeFromFile(copyPath);
    }
    QDEBUG("[OrderScalingTask] %s scaled to %d x %d as %s", uri, size->width, size->height,
           copyUri);
}

void OrderScalingTask::removeWritten()
{
    for (const Copy& copy : m_copies) {
        wxLogNull quiet;
        wxRemoveFile(ScaledCopies::pathOf(m_folder, copy.copyUri));
    }
    m_copies.clear();
}

std::vector<OrderScalingTask::Copy> OrderScalingTask::getCopies() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_copies;
}

size_t OrderScalingTask::applyTo(Order& order, const std::vector<Copy>& copies)
{
    size_t applied = 0;
    for (const Copy& copy : copies) {
        if (copy.partIndex >= order.getPartCount())
            continue;
        OrderPart& part = order.getPart(copy.partIndex);
        if (part.files.empty() || part.files.front().uri != copy.originalUri)
            continue;
        part.setSingleFile(copy.copyUri);
        ++applied;
    }
    return applied;
}

} // namespace Brenmarle

#pragma once
// Turns a file into its thumbnail picture: resolves the file's folder through the file manager
// and has it load the thumbnail file (a local folder makes a missing one first). The load queue
// uses one of these for every request that brings no loader of its own; a subclass may load
// thumbnails from elsewhere.
//
// Its two placeholders, the waiting one (safe storage) and the failure one, belong to the
// process's placeholder set, which the thumbnail manager owns and which outlives every loader.
//
// Threads: loadThumbnail() runs on the load queue's threads, several at once when the queue has
// more than one; the file and folder calls take the library lock themselves. Subclasses must
// allow the same.

#include "files/File.h"
#include "imaging/ImageData.h"

namespace Brenmarle {

class ThumbnailPlaceholders;

class ThumbnailLoader {
public:
    explicit ThumbnailLoader(ThumbnailPlaceholders& placeholders);
    virtual ~ThumbnailLoader() = default;
    ThumbnailLoader(const ThumbnailLoader&) = delete;
    ThumbnailLoader& operator=(const ThumbnailLoader&) = delete;

    // The file's thumbnail. Throws what the folder throws: ImageException for a file that holds
    // no readable picture, Quorvel::NotFoundException for an unknown folder, and so on.
    virtual Quorvel::Ref<ImageData> loadThumbnail(File& file);

    // Throw Quorvel::FileNotFoundException when the placeholder cannot be loaded.
    Quorvel::Ref<ImageData> getWaitingThumbnail();
    Quorvel::Ref<ImageData> getFailureThumbnail();

private:
    ThumbnailPlaceholders& m_placeholders;
};

} // namespace Brenmarle

#pragma once
// The seven pictures shown instead of a thumbnail: while one loads, for files that are no
// pictures, for a picture waiting for safe storage and for one that could not be loaded. They
// come from the skin directory, each loaded when first needed and then kept. They are part of
// the installation: one that is missing or unreadable is reported as a broken installation,
// never replaced by something else.
//
// Threads: get() from any thread (the views ask on the GUI thread, the load queue for the failure
// placeholder on its own); m_mutex guards m_images and is held while one is loaded, so each is
// read once.

#include <mutex>

#include <wx/string.h>

#include "imaging/ImageData.h"

namespace Brenmarle {

class ThumbnailPlaceholders {
public:
    enum Kind {
        LOADING,   // "thumb_loading.png": a picture whose thumbnail is being loaded
        VIDEO,     // "thumb_video.png"
        AUDIO,     // "thumb_audio.png"
        ENCRYPTED, // "thumb_encrypted.png": content type "application/pgp-encrypted"
        FILE,      // "thumb_file.png": any other file that is no picture
        WAITING,   // "thumb_sswait.png": a picture waiting for safe storage
        FAILURE,   // "thumb_invalid.png": a picture whose thumbnail could not be loaded
        KIND_COUNT
    };

    ThumbnailPlaceholders() = default;
    ThumbnailPlaceholders(const ThumbnailPlaceholders&) = delete;
    ThumbnailPlaceholders& operator=(const ThumbnailPlaceholders&) = delete;

    // The placeholder, loaded from the skin directory on first request. Throws
    // Quorvel::FileNotFoundException naming the file when it cannot be loaded.
    Quorvel::Ref<ImageData> get(Kind kind);

    // The placeholder's file name in the skin directory.
    static wxString fileName(Kind kind);

private:
    std::mutex m_mutex;
    Quorvel::Ref<ImageData> m_images[KIND_COUNT];
};

} // namespace Brenmarle

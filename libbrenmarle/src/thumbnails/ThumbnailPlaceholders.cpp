#include "thumbnails/ThumbnailPlaceholders.h"

#include "system/Environment.h"
#include "system/Exceptions.h"
#include "system/Log.h"

namespace Brenmarle {

namespace {

struct Description {
    const char* fileName;
    const char* owner; // the log tag of the class whose placeholder it is
    const char* name;
};

const Description DESCRIPTIONS[ThumbnailPlaceholders::KIND_COUNT] = {
    {"thumb_loading.png", "THUMBNAILMANAGER", "loading_thumb"},
    {"thumb_video.png", "THUMBNAILMANAGER", "video_thumb"},
    {"thumb_audio.png", "THUMBNAILMANAGER", "audio_thumb"},
    {"thumb_encrypted.png", "THUMBNAILMANAGER", "encrypted_thumb"},
    {"thumb_file.png", "THUMBNAILMANAGER", "file_thumb"},
    {"thumb_sswait.png", "THUMBNAILLOADER", "sswait_thumb"},
    {"thumb_invalid.png", "THUMBNAILLOADER", "invalid_thumb"},
};

} // namespace

wxString ThumbnailPlaceholders::fileName(Kind kind)
{
    return wxString::FromUTF8(DESCRIPTIONS[kind].fileName);
}

Quorvel::Ref<ImageData> ThumbnailPlaceholders::get(Kind kind)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Quorvel::Ref<ImageData>& image = m_images[kind];
    if (image)
        return image;
    const Description& description = DESCRIPTIONS[kind];
    QDEBUG("[%s] Initialize %s", description.owner, description.name);
    const wxString path = Quorvel::Environment::getSkinDir() + "/" + fileName(kind);
    auto loaded = Quorvel::makeRef<ImageData>();
    try {
        loaded->load(path);
    } catch (const Quorvel::Exception& e) {
        // Not retried with something else: the skin is part of the installation.
        throw Quorvel::FileNotFoundException(wxString::Format(
            "The program's picture %s could not be loaded (%s); the installation is broken", path,
            e.getMessage()));
    }
    image = loaded;
    return image;
}

} // namespace Brenmarle

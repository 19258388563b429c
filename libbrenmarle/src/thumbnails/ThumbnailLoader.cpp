#include "thumbnails/ThumbnailLoader.h"

#include "filemanager/FileManager.h"
#include "thumbnails/ThumbnailPlaceholders.h"

namespace Brenmarle {

ThumbnailLoader::ThumbnailLoader(ThumbnailPlaceholders& placeholders) : m_placeholders(placeholders)
{
}

Quorvel::Ref<ImageData> ThumbnailLoader::loadThumbnail(File& file)
{
    const FolderRef folder = FileManager::get().getFolder(file.getURI());
    return folder->loadThumbnail(file);
}

Quorvel::Ref<ImageData> ThumbnailLoader::getWaitingThumbnail()
{
    return m_placeholders.get(ThumbnailPlaceholders::WAITING);
}

Quorvel::Ref<ImageData> ThumbnailLoader::getFailureThumbnail()
{
    return m_placeholders.get(ThumbnailPlaceholders::FAILURE);
}

} // namespace Brenmarle

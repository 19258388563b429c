#include "ordering/AlbumPicturesTask.h"

#include "files/File.h"

AlbumPicturesTask::AlbumPicturesTask(int32_t id, Quorvel::Ref<Brenmarle::AlbumFolder> album)
    : Quorvel::Task(id), m_album(std::move(album))
{
}

void AlbumPicturesTask::run()
{
    std::vector<Quorvel::Ref<Brenmarle::File>> files = m_album->loadFileList();
    checkAbort();
    m_pictures.reserve(files.size());
    for (const auto& file : files) {
        if (!file)
            continue;
        m_pictures.push_back(
            {file->getURI(), file->getFileModifyTime(), file->getMetaModifyTime()});
    }
}

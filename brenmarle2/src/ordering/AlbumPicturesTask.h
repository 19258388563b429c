#pragma once
// Lists an album's pictures for ordering (URI and time stamps, in the album's order) on a task
// runner, so ordering prints of a large album never holds the window while the catalogue is
// read.

#include <vector>

#include "folders/AlbumFolder.h"
#include "ordering/PrintParts.h"
#include "threads/Task.h"

class AlbumPicturesTask : public Quorvel::Task {
public:
    AlbumPicturesTask(int32_t id, Quorvel::Ref<Brenmarle::AlbumFolder> album);

    void run() override;

    // GUI thread, once the task has finished.
    std::vector<Brenmarle::PrintParts::Picture> takePictures() { return std::move(m_pictures); }
    const Quorvel::Ref<Brenmarle::AlbumFolder>& getAlbum() const { return m_album; }

private:
    ~AlbumPicturesTask() override = default;

    Quorvel::Ref<Brenmarle::AlbumFolder> m_album;
    std::vector<Brenmarle::PrintParts::Picture> m_pictures;
};

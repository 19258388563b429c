#pragma once
// Deletes an album as the album list's delete command does: first its pictures, one by one in
// the background with the file-task progress window (FileTaskRunner), then the album itself.
// When not every picture could be deleted (a failure, or the user pressed "Stop") the album
// stays, holding the pictures that are left; so does an album that received pictures while its
// own were deleted. Pictures whose catalogue row is gone already are no obstacle, and pictures
// moved to another album meanwhile stay there.
//
// Threads: GUI thread only.
// Lifetime: held by whoever started it (the main window). Destroying it before it finished
// stops the deletion after the picture in hand and keeps the album.

#include <functional>
#include <memory>

#include "dialogs/FileTaskRunner.h"
#include "folders/AlbumFolder.h"

class wxWindow;

class AlbumDeletion {
public:
    // Told once when the deletion ended, with whether the album is gone; it may destroy the
    // AlbumDeletion.
    using FinishedHandler = std::function<void(bool albumDeleted)>;

    // Starts deleting the pictures at once. `parent` (may be null) is the progress window's
    // parent. Throws what reading the album's pictures throws.
    AlbumDeletion(Quorvel::Ref<Brenmarle::AlbumFolder> album, wxWindow* parent,
                  FinishedHandler onFinished = {}, int delayMs = FileTaskRunner::DEFAULT_DELAY_MS);
    ~AlbumDeletion();
    AlbumDeletion(const AlbumDeletion&) = delete;
    AlbumDeletion& operator=(const AlbumDeletion&) = delete;

    bool isFinished() const { return m_finished; }
    bool isAlbumDeleted() const { return m_albumDeleted; }
    // The runner deleting the pictures (its progress window and state).
    const FileTaskRunner& getRunner() const { return *m_runner; }
    FileTaskRunner& getRunner() { return *m_runner; }

private:
    void onPicturesDeleted(FileTaskRunner& runner);

    Quorvel::Ref<Brenmarle::AlbumFolder> m_album;
    std::unique_ptr<FileTaskRunner> m_runner;
    FinishedHandler m_onFinished;
    bool m_finished = false;
    bool m_albumDeleted = false;
};

#include "myalbums/AlbumDeletion.h"

#include <utility>

#include "core/Exceptions.h"
#include "filemanager/FileManager.h"
#include "filetasks/FileDeleteTask.h"
#include "system/Exceptions.h"
#include "system/Log.h"

AlbumDeletion::AlbumDeletion(Quorvel::Ref<Brenmarle::AlbumFolder> album, wxWindow* parent,
                             FinishedHandler onFinished, int delayMs)
    : m_album(std::move(album)), m_onFinished(std::move(onFinished))
{
    QDEBUG("[ALBUMDELETION] Delete album %s", m_album->getURI());
    Brenmarle::FileTask::Files pictures;
    Brenmarle::FileManager& manager = Brenmarle::FileManager::get();
    for (const wxString& uri : m_album->getFileUris()) {
        try {
            pictures.push_back(manager.getFile(uri));
        } catch (const Brenmarle::RowException&) {
            // Its row is gone already: what is left of it (the stored file, the album's entry)
            // still goes with the album.
            QDEBUG("[ALBUMDELETION] No catalogue row for %s", uri);
            pictures.push_back(Quorvel::makeRef<Brenmarle::File>(uri));
        }
    }
    // Pictures moved out of the album meanwhile are kept where they went.
    m_runner = std::make_unique<FileTaskRunner>(
        std::make_unique<Brenmarle::FileDeleteTask>(std::move(pictures), m_album), delayMs, parent);
    m_runner->setFinishedHandler([this](FileTaskRunner& runner) { onPicturesDeleted(runner); });
}

// Out of line: the runner's destructor stops a deletion still running.
AlbumDeletion::~AlbumDeletion() = default;

void AlbumDeletion::onPicturesDeleted(FileTaskRunner& runner)
{
    if (runner.getState() == FileTaskRunner::State::Succeeded) {
        try {
            Brenmarle::AlbumFolder::deleteAlbum(m_album);
            m_albumDeleted = true;
        } catch (const Quorvel::Exception& e) {
            wxLogError(_("Could not delete the album %s: %s"), m_album->getName(), e.getMessage());
        }
    } else {
        QDEBUG("[ALBUMDELETION] Album %s kept: %s", m_album->getURI(), runner.getFailureText());
    }
    m_finished = true;
    // Last: the handler may destroy this object.
    if (FinishedHandler handler = std::exchange(m_onFinished, nullptr))
        handler(m_albumDeleted);
}

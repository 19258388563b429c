#include "folders/AlbumFolder.h"

#include <ctime>

#include <wx/intl.h>

#include "core/LibraryLock.h"
#include "database/Database.h"
#include "filemanager/FileManager.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "util/Uuid.h"

namespace Brenmarle {

AlbumFolder::AlbumMap AlbumFolder::ms_albums;
AlbumFolder::AlbumMap AlbumFolder::ms_hiddenAlbums;
bool AlbumFolder::ms_hiddenShown = false;

namespace {
const wxString SCHEME_PREFIX = "album://";
}

bool AlbumFolder::isValidUri(const wxString& uri)
{
    return uri.length() == 45 && uri.StartsWith(SCHEME_PREFIX) && uri.EndsWith("/") &&
           Quorvel::Uuid::isValid(uri.Mid(8, 36));
}

AlbumFolder::AlbumFolder() : m_uuid(Quorvel::Uuid::create())
{
    m_record.uri = SCHEME_PREFIX + m_uuid + "/";
    m_record.creationTime = static_cast<int32_t>(std::time(nullptr));
    m_modifyTime = m_record.creationTime;
    setNewlyMade();
}

AlbumFolder::AlbumFolder(const wxString& uri)
{
    if (!isValidUri(uri)) {
        QDEBUG("[ALBUMFOLDER] Invalid album URI %s", uri);
        throw Quorvel::RuntimeException(uri + ": URI is not a valid AlbumFolder URI");
    }
    m_uuid = uri.Mid(8, 36);
    QDEBUG("[ALBUMFOLDER] UUID is %s", m_uuid);
    m_record.uri = uri;
}

void AlbumFolder::readRow()
{
    LibraryLock lock;
    // The album's file list is read when first needed: at start-up a large album would
    // otherwise cost a read of its every URI.
    Database::getInstance().loadAlbum(m_record, false);
    m_modifyTime = m_record.creationTime;
}

wxString AlbumFolder::getURI() const { return m_record.uri; }

wxString AlbumFolder::getName() const { return locked(m_record.name); }

void AlbumFolder::update()
{
    LibraryLock lock;
    Database::getInstance().updateFolder(m_record);
}

wxString AlbumFolder::getUuid() const { return m_uuid; }


// Album fields are read and written under the library lock, like every folder's state.
template <typename T> T AlbumFolder::locked(const T& field) const
{
    LibraryLock lock;
    return field;
}

template <typename T> void AlbumFolder::lockedSet(T& field, const T& value)
{
    LibraryLock lock;
    field = value;
}

void AlbumFolder::setName(const wxString& name) { lockedSet(m_record.name, name); }
int32_t AlbumFolder::getCreationTime() const { return locked(m_record.creationTime); }
int32_t AlbumFolder::getModifyTime() const { return locked(m_modifyTime); }
bool AlbumFolder::isListedHidden() const { return locked(m_listedHidden); }
wxString AlbumFolder::getIcon() const { return locked(m_record.icon); }
void AlbumFolder::setIcon(const wxString& value) { lockedSet(m_record.icon, value); }
wxString AlbumFolder::getDescription() const { return locked(m_record.description); }
void AlbumFolder::setDescription(const wxString& value) { lockedSet(m_record.description, value); }
int32_t AlbumFolder::getMetaModifyTime() const { return locked(m_record.metaModifyTime); }
void AlbumFolder::setMetaModifyTime(int32_t value) { lockedSet(m_record.metaModifyTime, value); }
int32_t AlbumFolder::getSafeStorageUpdateTime() const { return locked(m_record.safeStorageUpdateTime); }
void AlbumFolder::setSafeStorageUpdateTime(int32_t value) { lockedSet(m_record.safeStorageUpdateTime, value); }
wxString AlbumFolder::getSafeStorageAccountId() const { return locked(m_record.safeStorageAccountId); }
void AlbumFolder::setSafeStorageAccountId(const wxString& value) { lockedSet(m_record.safeStorageAccountId, value); }
bool AlbumFolder::hasSafeStorageWarning() const { return locked(m_record.safeStorageWarning); }
void AlbumFolder::setSafeStorageWarning(bool value) { lockedSet(m_record.safeStorageWarning, value); }
bool AlbumFolder::isHidden() const { return locked(m_record.hidden); }
void AlbumFolder::setHidden(bool value) { lockedSet(m_record.hidden, value); }

bool AlbumFolder::isLive() const { return getIcon().EndsWith("_live"); }

// --- The album lists ---------------------------------------------------------------------

void AlbumFolder::loadInto(const std::vector<wxString>& uris, AlbumMap& albums,
                           const char* logFormat, bool listedHidden)
{
    for (const wxString& uri : uris) {
        QDEBUG(logFormat, uri);
        try {
            auto album = Quorvel::makeRef<AlbumFolder>(uri);
            QDEBUG("[ALBUMFOLDER] Created new album");
            album->readRow();
            album->m_listedHidden = listedHidden;
            albums[uri] = album;
        } catch (const Quorvel::Exception& e) {
            // One broken row must not cost the user every other album.
            wxLogError("Could not load album %s: %s", uri, e.getMessage());
        }
    }
}

void AlbumFolder::loadAlbums()
{
    LibraryLock lock;
    QDEBUG("[ALBUMFOLDER] Load albums");
    loadInto(Database::getInstance().getAlbumUris(), ms_albums, "[ALBUMFOLDER] Load album: %s", false);
    QDEBUG("[ALBUMFOLDER] Done");
}

void AlbumFolder::loadHiddenAlbums()
{
    LibraryLock lock;
    QDEBUG("[ALBUMFOLDER] Load hidden albums");
    loadInto(Database::getInstance().getHiddenAlbumUris(), ms_hiddenAlbums,
             "[ALBUMFOLDER] Load hidden album: %s", true);
    QDEBUG("[ALBUMFOLDER] Done");
}

bool AlbumFolder::showHiddenAlbums()
{
    LibraryLock lock;
    QDEBUG("[ALBUMFOLDER] Show hidden albums");
    ms_hiddenShown = true;
    const bool moved = !ms_hiddenAlbums.empty();
    for (auto& [uri, album] : ms_hiddenAlbums) {
        album->m_listedHidden = false;
        ms_albums[uri] = album;
        FileManager::get().addFolder(album);
    }
    ms_hiddenAlbums.clear();
    return moved;
}

void AlbumFolder::setAlbumHidden(const Quorvel::Ref<AlbumFolder>& album, bool hidden)
{
    LibraryLock lock;
    const wxString uri = album->getURI();
    QDEBUG(hidden ? "[ALBUMFOLDER] Hide album: %s" : "[ALBUMFOLDER] Unhide album: %s", uri);
    const bool listed = ms_albums.count(uri) > 0;
    const bool waiting = ms_hiddenAlbums.count(uri) > 0;
    if (!listed && !waiting)
        throw Quorvel::NotFoundException(wxS("Album does not exist"));
    if (album->isHidden() != hidden) {
        album->setHidden(hidden);
        try {
            album->update();
        } catch (...) {
            album->setHidden(!hidden);
            throw;
        }
    }
    if (hidden && listed && !ms_hiddenShown) {
        ms_albums.erase(uri);
        album->m_listedHidden = true;
        ms_hiddenAlbums[uri] = album;
    } else if (!hidden && waiting) {
        ms_hiddenAlbums.erase(uri);
        album->m_listedHidden = false;
        ms_albums[uri] = album;
        FileManager::get().addFolder(album);
        return;
    }
    FileManager::get().folderChanged(*album, 0);
}

void AlbumFolder::createAlbum(const Quorvel::Ref<AlbumFolder>& album)
{
    LibraryLock lock;
    Database::getInstance().addFolder(album->m_record);
    ms_albums[album->getURI()] = album;
    FileManager::get().addFolder(album);
}

Quorvel::Ref<AlbumFolder> AlbumFolder::findAlbum(const wxString& uri)
{
    LibraryLock lock;
    if (auto found = ms_albums.find(uri); found != ms_albums.end())
        return found->second;
    if (auto found = ms_hiddenAlbums.find(uri); found != ms_hiddenAlbums.end())
        return found->second;
    throw Quorvel::NotFoundException(wxS("Album does not exist"));
}

void AlbumFolder::deleteAlbum(const Quorvel::Ref<AlbumFolder>& album)
{
    LibraryLock lock;
    const wxString uri = album->getURI();
    // Without its row, a file left in the album would be in no album the user can reach.
    if (const int left = album->getFileCount(); left > 0)
        throw Quorvel::LogicException(wxString::Format(
            wxPLURAL("The album still holds %d picture", "The album still holds %d pictures", left),
            left));
    QDEBUG("[ALBUMFOLDER] Delete %s", uri);
    Database::getInstance().deleteFolder(uri);
    ms_albums.erase(uri);
    ms_hiddenAlbums.erase(uri);
    FileManager::get().deleteFolder(*album);
}

void AlbumFolder::unloadAlbums()
{
    LibraryLock lock;
    QDEBUG("[ALBUMFOLDER] Unload albums");
    for (AlbumMap* albums : {&ms_albums, &ms_hiddenAlbums}) {
        for (auto& [uri, album] : *albums)
            QDEBUG("Refcount: %d", album->getReferenceCount());
        albums->clear();
    }
    ms_hiddenShown = false;
}

AlbumFolder::AlbumMap AlbumFolder::getAlbums()
{
    LibraryLock lock;
    return ms_albums;
}

AlbumFolder::AlbumMap AlbumFolder::getHiddenAlbums()
{
    LibraryLock lock;
    return ms_hiddenAlbums;
}

} // namespace Brenmarle

#pragma once
// A user album: a managed folder with a name, icon, description and safe-storage state, stored
// as a catalogue row. The class keeps the process's albums: those shown and those hidden.
//
// Threads: any thread; fields and the album maps are guarded by the library lock.

#include <map>

#include "database/AlbumRecord.h"
#include "folders/ManagedFolder.h"

namespace Brenmarle {

class AlbumFolder : public ManagedFolder {
public:
    using AlbumMap = std::map<wxString, Quorvel::Ref<AlbumFolder>>;

    // A new album with a fresh UUID, created now.
    AlbumFolder();
    // The album named by `uri` ("album://" + UUID + "/", exactly 45 characters); throws
    // Quorvel::RuntimeException (uri + ": URI is not a valid AlbumFolder URI") otherwise.
    explicit AlbumFolder(const wxString& uri);

    wxString getURI() const override;
    wxString getName() const override;
    // Writes the album's row.
    void update() override;

    wxString getUuid() const;
    void setName(const wxString& name);
    wxString getIcon() const;
    void setIcon(const wxString& icon);
    wxString getDescription() const;
    void setDescription(const wxString& description);
    int32_t getCreationTime() const;
    int32_t getModifyTime() const;
    int32_t getMetaModifyTime() const;
    void setMetaModifyTime(int32_t seconds);
    int32_t getSafeStorageUpdateTime() const;
    void setSafeStorageUpdateTime(int32_t seconds);
    wxString getSafeStorageAccountId() const;
    void setSafeStorageAccountId(const wxString& id);
    bool hasSafeStorageWarning() const;
    void setSafeStorageWarning(bool warning);
    // Stored: the album is hidden from the album list.
    bool isHidden() const;
    void setHidden(bool hidden);
    // Run-time: the album is one of the hidden albums now listed.
    bool isListedHidden() const;
    // An icon name ending in "_live" marks a live album.
    bool isLive() const;

    // The class's album lists.
    static void loadAlbums();
    static void loadHiddenAlbums();
    // Lists the hidden albums with the others; returns whether any moved. From then on, for
    // the rest of the run, albums the user hides stay listed (see setAlbumHidden).
    static bool showHiddenAlbums();
    // Hides the album from the album list or lists it again: stores the flag and moves the
    // album between the lists at once. A hidden album leaves the shown albums, unless the hidden
    // ones were shown in this run: then it stays listed, as they are. An album waiting among
    // the hidden ones that is no longer hidden joins the shown albums and is registered with
    // the file manager (FOLDER_ADDED); every other change is told as FOLDER_CHANGED. A hidden
    // album stays known to the file manager: its pictures can still be reached by URI. Throws
    // Quorvel::NotFoundException "Album does not exist" for an album on neither list, and what
    // writing the row throws (the album is then unchanged).
    static void setAlbumHidden(const Quorvel::Ref<AlbumFolder>& album, bool hidden);
    // Stores a new album and lists it.
    static void createAlbum(const Quorvel::Ref<AlbumFolder>& album);
    // Shown albums first, then hidden; throws Quorvel::NotFoundException "Album does not exist".
    static Quorvel::Ref<AlbumFolder> findAlbum(const wxString& uri);
    // Deletes the album's row and takes it off the lists. Its files must be gone already:
    // throws Quorvel::LogicException ("The album still holds %d pictures") otherwise.
    static void deleteAlbum(const Quorvel::Ref<AlbumFolder>& album);
    static void unloadAlbums();
    static AlbumMap getAlbums();
    static AlbumMap getHiddenAlbums();

    static bool isValidUri(const wxString& uri);

private:
    template <typename T> T locked(const T& field) const;
    template <typename T> void lockedSet(T& field, const T& value);
    void readRow();
    static void loadInto(const std::vector<wxString>& uris, AlbumMap& albums, const char* logFormat,
                         bool listedHidden);

    AlbumRecord m_record;
    wxString m_uuid;
    int32_t m_modifyTime = 0;
    bool m_listedHidden = false;

    static AlbumMap ms_albums;
    static AlbumMap ms_hiddenAlbums;
    // showHiddenAlbums() ran in this run.
    static bool ms_hiddenShown;
};

} // namespace Brenmarle

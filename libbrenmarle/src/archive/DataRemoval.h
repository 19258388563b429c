#pragma once
// What removing the program's data from this computer takes away, and doing it: the
// catalogue, the picture store of the albums and the inbox, thumbnails and resized copies,
// settings, the shopping cart, downloaded price lists, templates and plug-ins, and the
// temporary folders, all under the user data directory.
//
// Only the program's own entries of the data folder are touched, each by its known name;
// whatever else lies there stays. A folder is removed with its contents only when it is the
// program's own beyond doubt, so it is kept (and said so) when:
// - the data folder is reached through a symbolic link, or is the user's home, the root or a
//   folder above the home (the data folder can be set to any folder);
// - it holds one of the computer folders the catalogue shows, or the user's home;
// and an entry that is itself a link is removed as a link, never followed. Files (catalogue,
// settings) are removed by name in any case: they are the ones the program opened.
//
// Before anything is removed, survey() counts the pictures that exist only in the program's
// store and are not safely stored online (never stored, or changed since), so the user can be
// warned that they will be lost.
//
// Threads: survey() reads the catalogue (under the library lock, any thread); remove() on a
// runner thread once the catalogue is closed. One thread at a time per object.

#include <functional>
#include <vector>

#include <wx/string.h>

namespace Brenmarle {

class Database;

class DataRemoval {
public:
    enum class Kind { Catalogue, PictureStore, Thumbnails, Settings, Downloads, Temporary };

    // One entry of the data folder that will be removed.
    struct Item {
        Kind kind;
        wxString path;
        // A folder removed with its contents; otherwise a file (or a link) removed by name.
        bool tree = false;
    };
    // One entry that stays, and why.
    struct Kept {
        wxString path;
        wxString reason;
    };

    // `dataDir`: the user data directory; `homeDir`: the user's home.
    DataRemoval(const wxString& dataDir, const wxString& homeDir);

    // Looks at the data folder and at `catalogue` (open, or closed: then nothing is counted
    // and no computer folder is known, so every folder entry that might hold one is kept).
    // Throws the catalogue's DatabaseException.
    void survey(Database& catalogue);

    // What a person reads for each kind ("The catalogue of your pictures", ...).
    static wxString describe(Kind kind);

    const std::vector<Item>& getItems() const { return m_items; }
    const std::vector<Kept>& getKept() const { return m_kept; }
    // Pictures of albums and the inbox that are not safely stored online.
    int getUnsafePictureCount() const { return m_unsafePictures; }
    // The folders of the user's disk that the catalogue shows.
    const std::vector<wxString>& getComputerFolders() const { return m_computerFolders; }

    // Removes the items in order (catalogue first, so a removal cut short leaves a program that
    // starts empty rather than one that shows missing pictures), then the data folder itself
    // when it is the program's own and empty. `step` is told before each item (index, count)
    // and stops the removal by returning false. Returns what could not be removed; the rest
    // goes on after a failure.
    std::vector<Kept> remove(const std::function<bool(size_t index, size_t count)>& step) const;

private:
    void addEntry(const wxString& name, Kind kind, bool folder);
    wxString whyNotOurs(const wxString& path) const;
    void readCatalogue(Database& catalogue);

    wxString m_dataDir;
    wxString m_homeDir;
    // The data folder and the home as the file system resolves them.
    wxString m_realData;
    wxString m_realHome;
    // Why no folder of the data folder is removed with its contents; empty when they may be.
    wxString m_dataFolderRefusal;
    std::vector<wxString> m_computerFolders;
    bool m_catalogueRead = false;
    std::vector<Item> m_items;
    std::vector<Kept> m_kept;
    int m_unsafePictures = 0;
};

} // namespace Brenmarle

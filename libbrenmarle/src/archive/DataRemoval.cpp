#include "archive/DataRemoval.h"

#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>

#include <sys/stat.h>

#include "database/Database.h"
#include "files/Uri.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "util/FolderTree.h"

namespace Brenmarle {

namespace {

// The program's entries of the data folder, in the order they are removed. A folder whose
// files all carry `extension` is checked for strangers before it is removed with them.
struct Entry {
    const char* name;
    DataRemoval::Kind kind;
    bool folder;
    const char* extension;
};

using Kind = DataRemoval::Kind;
const Entry ENTRIES[] = {
    {"database.db", Kind::Catalogue, false, nullptr},
    {"database.db-journal", Kind::Catalogue, false, nullptr},
    {"database.db-wal", Kind::Catalogue, false, nullptr},
    {"database.db-shm", Kind::Catalogue, false, nullptr},
    {"user.ini", Kind::Settings, false, nullptr},
    {"prefs.conf", Kind::Settings, false, nullptr},
    {"order.xml", Kind::Settings, false, nullptr},
    {"order", Kind::Settings, true, nullptr},
    {"archive", Kind::PictureStore, true, ".vsaf"},
    {"thumbnails", Kind::Thumbnails, true, ".vstf"},
    {"resized", Kind::Thumbnails, true, ".vstf"},
    {"fsthumbs3", Kind::Thumbnails, true, ".vstf"},
    {"fsresized", Kind::Thumbnails, true, ".vstf"},
    {"tempthumbs", Kind::Thumbnails, true, ".vstf"},
    {"fsthumbnails", Kind::Thumbnails, true, nullptr},
    {"fsthumbs2", Kind::Thumbnails, true, nullptr},
    {"portals", Kind::Downloads, true, nullptr},
    {"templates", Kind::Downloads, true, nullptr},
    {"plugins", Kind::Downloads, true, nullptr},
    {"spool", Kind::Temporary, true, nullptr},
    {"temp", Kind::Temporary, true, nullptr},
    {"nvtemp", Kind::Temporary, true, nullptr},
};

struct DirCloser {
    void operator()(DIR* folder) const { ::closedir(folder); }
};

// How deep the program's own folders go (resized/WxH/P/file).
constexpr int STORE_DEPTH = 4;

wxString withoutSlash(wxString path)
{
    while (path.length() > 1 && path.EndsWith("/"))
        path.RemoveLast();
    return path;
}

// `path` with every link resolved; the path itself when it cannot be resolved.
wxString resolved(const wxString& path)
{
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.utf8_str(), nullptr),
                                                     &std::free);
    return real ? wxString::FromUTF8(real.get()) : withoutSlash(path);
}

// `inner` is `outer` or lies below it.
bool isWithin(const wxString& inner, const wxString& outer)
{
    return inner == outer || outer == "/" || inner.StartsWith(outer + "/");
}

bool isLink(const wxString& path)
{
    struct stat info {};
    return ::lstat(path.utf8_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

bool exists(const wxString& path)
{
    struct stat info {};
    return ::lstat(path.utf8_str(), &info) == 0;
}

// The first file below `dir` (links not followed) that the program would not have put there:
// one whose name does not end in `extension` and is not a hidden file of a write under way,
// or anything deeper than the program's folders go. Empty when there is none.
wxString firstStranger(const wxString& dir, const wxString& extension, int depth)
{
    std::unique_ptr<DIR, DirCloser> folder(::opendir(dir.utf8_str()));
    if (!folder)
        return wxString();
    while (const dirent* entry = ::readdir(folder.get())) {
        const wxString name = wxString::FromUTF8(entry->d_name);
        if (name == "." || name == "..")
            continue;
        const wxString path = dir + "/" + name;
        struct stat info {};
        if (::lstat(path.utf8_str(), &info) != 0)
            continue;
        if (S_ISDIR(info.st_mode)) {
            if (depth <= 1)
                return path;
            const wxString inner = firstStranger(path, extension, depth - 1);
            if (!inner.empty())
                return inner;
        } else if (!name.EndsWith(extension) && !name.StartsWith(".")) {
            return path;
        }
    }
    return wxString();
}

} // namespace

DataRemoval::DataRemoval(const wxString& dataDir, const wxString& homeDir)
    : m_dataDir(withoutSlash(dataDir)), m_homeDir(withoutSlash(homeDir))
{
}

wxString DataRemoval::describe(Kind kind)
{
    switch (kind) {
    case Kind::Catalogue:
        return "The catalogue of your pictures: albums, captions, keywords and favourites";
    case Kind::PictureStore:
        return "The pictures of your albums and of the Picture Inbox";
    case Kind::Thumbnails:
        return "Thumbnails and resized copies";
    case Kind::Settings:
        return "Your settings, account details and shopping cart";
    case Kind::Downloads:
        return "Downloaded price lists, templates and plug-ins";
    case Kind::Temporary:
        return "Temporary files";
    }
    return wxString();
}

void DataRemoval::readCatalogue(Database& catalogue)
{
    m_catalogueRead = false;
    m_unsafePictures = 0;
    m_computerFolders.clear();
    if (!catalogue.isOpen())
        return;
    // A picture is safe when it is stored online and nothing changed since it was sent.
    const std::vector<wxString> count = catalogue.getTexts(
        "SELECT count(*) FROM file WHERE (substr(uri, 1, 8) = 'album://' OR "
        "substr(uri, 1, 8) = 'inbox://') AND (safestoragetype IS NULL OR safestoragetype <= 0 "
        "OR filemodifytime > safestoragerevision OR metamodifytime > safestoragerevision)");
    long value = 0;
    if (!count.empty() && count[0].ToLong(&value))
        m_unsafePictures = static_cast<int>(value);
    std::set<wxString> folders;
    for (const wxString& uri :
         catalogue.getTexts("SELECT uri FROM file WHERE substr(uri, 1, 7) = 'file://'"))
        folders.insert(resolved(Uri::toLocalPath(Uri::folderOf(uri))));
    m_computerFolders.assign(folders.begin(), folders.end());
    m_catalogueRead = true;
}

wxString DataRemoval::whyNotOurs(const wxString& path) const
{
    if (!m_dataFolderRefusal.empty())
        return m_dataFolderRefusal;
    const wxString real = resolved(path);
    if (isWithin(m_realHome, real))
        return "It holds your home folder.";
    if (!m_catalogueRead)
        return "The catalogue could not be read to learn which of your folders it shows.";
    for (const wxString& folder : m_computerFolders)
        if (isWithin(folder, real))
            return wxString::Format("It holds your folder %s.", folder);
    return wxString();
}

void DataRemoval::addEntry(const wxString& name, Kind kind, bool folder)
{
    const wxString path = m_dataDir + "/" + name;
    if (!exists(path))
        return;
    if (!folder || isLink(path)) {
        // A file, or a link that goes as a link: what it points to stays.
        m_items.push_back({kind, path, false});
        return;
    }
    wxString reason = whyNotOurs(path);
    if (reason.empty()) {
        for (const Entry& entry : ENTRIES) {
            if (name != entry.name || !entry.extension)
                continue;
            const wxString stranger = firstStranger(path, entry.extension, STORE_DEPTH);
            if (!stranger.empty())
                reason =
                    wxString::Format("It holds %s, which the program did not put there.", stranger);
        }
    }
    if (reason.empty())
        m_items.push_back({kind, path, true});
    else
        m_kept.push_back({path, reason});
}

void DataRemoval::survey(Database& catalogue)
{
    m_items.clear();
    m_kept.clear();
    readCatalogue(catalogue);
    m_realData = resolved(m_dataDir);
    m_realHome = resolved(m_homeDir);
    const wxString parent =
        resolved(m_dataDir.BeforeLast('/').empty() ? wxString("/") : m_dataDir.BeforeLast('/'));
    const wxString expected =
        (parent == "/" ? wxString() : parent) + "/" + m_dataDir.AfterLast('/');
    m_dataFolderRefusal.clear();
    if (m_realData != expected)
        m_dataFolderRefusal =
            wxString::Format("The data folder %s is a link to %s.", m_dataDir, m_realData);
    else if (isWithin(m_realHome, m_realData))
        m_dataFolderRefusal =
            wxString::Format("The data folder %s is your home folder or holds it.", m_dataDir);
    for (const Entry& entry : ENTRIES)
        addEntry(entry.name, entry.kind, entry.folder);
    QDEBUG("[DATAREMOVAL] %d entries to remove, %d kept, %d pictures not safely stored",
           int(m_items.size()), int(m_kept.size()), m_unsafePictures);
}

std::vector<DataRemoval::Kept>
DataRemoval::remove(const std::function<bool(size_t index, size_t count)>& step) const
{
    std::vector<Kept> failed;
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (step && !step(i, m_items.size()))
            return failed;
        const Item& item = m_items[i];
        QDEBUG("[DATAREMOVAL] Removing %s", item.path);
        try {
            if (item.tree)
                Quorvel::FolderTree::remove(item.path);
            else if (::unlink(item.path.utf8_str()) != 0 && errno != ENOENT)
                throw Quorvel::IOException(wxString::FromUTF8(std::strerror(errno)));
        } catch (const Quorvel::Exception& e) {
            failed.push_back({item.path, e.getMessage()});
        }
    }
    // Whatever else lies in the data folder keeps it; only an empty one goes.
    if (m_dataFolderRefusal.empty() && failed.empty() && m_kept.empty())
        ::rmdir(m_dataDir.utf8_str());
    return failed;
}

} // namespace Brenmarle

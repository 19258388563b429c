#pragma once
// The user's keyword list: hierarchical tags written as paths ("Events/Party"), kept sorted in
// memory, loaded from the catalogue at start-up and written back at exit. Adding and removing
// keywords is announced to the listeners (KeywordEvent); renaming and removing are carried
// through to every file, those in memory (file manager) and those only in the catalogue.
//
// Threads: keyword operations and the events they send belong to the GUI thread; getKeywords
// and getParentKeywords may be called from any thread (m_mutex guards the list and the loaded
// flag). Errors of the catalogue are passed on as DatabaseException.

#include <mutex>
#include <set>

#include <wx/string.h>

#include "system/Exceptions.h"
#include "threads/EventBroadcaster.h"

namespace Brenmarle {

class Database;

// A keyword the catalogue cannot store; the message says why, for the user.
QUORVEL_DECLARE_EXCEPTION(KeywordException, Quorvel::RuntimeException, "Keyword.Invalid")

class KeywordManager : public Quorvel::EventBroadcaster {
public:
    // Ends each keyword in a file's catalogue row, so no keyword may contain it.
    static constexpr wxChar SEPARATOR = wxS('|');

    // The program's keyword list over the program's catalogue, made on first use.
    static KeywordManager& getInstance();

    // An empty, unloaded list over `database`, which must outlive it.
    explicit KeywordManager(Database& database);

    // The list becomes the catalogue's list together with every keyword a file carries; sends
    // KEYWORDS_CHANGED.
    void load();
    bool isLoaded() const;
    // Writes the list to the catalogue. Does nothing before load() succeeded: the list would
    // then replace the user's with nothing.
    void save();

    std::set<wxString> getKeywords() const;
    // The keywords one level up ("Events" for "Events/Party"; "A/B" for "A/B/C").
    std::set<wxString> getParentKeywords() const;

    // Adds a keyword the user typed, when absent, and sends KEYWORD_ADDED. Throws
    // KeywordException for one that cannot be stored (see checkKeyword).
    void addKeyword(const wxString& keyword);
    // Renames the keyword in the list and on every file; a file that already had `newKeyword`
    // keeps it once. Nothing happens when the two are equal. Throws KeywordException for a new
    // name that cannot be stored, before anything changes.
    void renameKeyword(const wxString& oldKeyword, const wxString& newKeyword);
    // Removes the exact keyword (not its children) from the list and from every file, and sends
    // KEYWORD_REMOVED. Nothing happens when it is not in the list.
    void removeKeyword(const wxString& keyword);

    // Throws KeywordException when `keyword` is empty or contains the separator.
    static void checkKeyword(const wxString& keyword);

private:
    void sendEvent(wxEventType type, const wxString& keyword);

    Database& m_database;
    mutable std::mutex m_mutex;
    std::set<wxString> m_keywords; // under m_mutex
    bool m_loaded = false;         // under m_mutex
};

} // namespace Brenmarle

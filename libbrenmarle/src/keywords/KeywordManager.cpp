#include "keywords/KeywordManager.h"

#include <wx/intl.h>

#include "core/LibraryLock.h"
#include "database/Database.h"
#include "filemanager/FileManager.h"
#include "keywords/KeywordEvent.h"
#include "system/Log.h"

namespace Brenmarle {

KeywordManager& KeywordManager::getInstance()
{
    static KeywordManager instance(Database::getInstance());
    return instance;
}

KeywordManager::KeywordManager(Database& database) : m_database(database) {}

void KeywordManager::load()
{
    std::set<wxString> keywords = m_database.getKeywords();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_keywords.swap(keywords);
        m_loaded = true;
    }
    sendEvent(KEYWORDS_CHANGED, wxString());
}

bool KeywordManager::isLoaded() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_loaded;
}

void KeywordManager::save()
{
    std::set<wxString> keywords;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_loaded) {
            QDEBUG("[KEYWORDMANAGER] Keywords were never loaded; the catalogue keeps its list");
            return;
        }
        keywords = m_keywords;
    }
    m_database.setKeywords(keywords);
}

std::set<wxString> KeywordManager::getKeywords() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_keywords;
}

std::set<wxString> KeywordManager::getParentKeywords() const
{
    std::set<wxString> parents;
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const wxString& keyword : m_keywords) {
        const size_t slash = keyword.rfind('/');
        if (slash != wxString::npos)
            parents.insert(keyword.substr(0, slash));
    }
    return parents;
}

void KeywordManager::checkKeyword(const wxString& keyword)
{
    if (keyword.empty())
        throw KeywordException(_("A keyword cannot be empty."));
    if (keyword.find(SEPARATOR) != wxString::npos)
        throw KeywordException(
            wxString::Format(_("A keyword cannot contain the character \"%c\"."), SEPARATOR));
}

void KeywordManager::addKeyword(const wxString& keyword)
{
    checkKeyword(keyword);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_keywords.insert(keyword).second)
            return;
    }
    sendEvent(KEYWORD_ADDED, keyword);
    sendEvent(KEYWORDS_CHANGED, keyword);
}

void KeywordManager::renameKeyword(const wxString& oldKeyword, const wxString& newKeyword)
{
    if (oldKeyword == newKeyword)
        return;
    checkKeyword(newKeyword);
    addKeyword(newKeyword);
    {
        // Files in memory and rows in the catalogue change as one: a file read from the
        // catalogue in between would keep the old keyword and write it back when stored.
        LibraryLock lock;
        if (FileManager::exists())
            FileManager::get().renameKeyword(oldKeyword, newKeyword);
        m_database.renameKeyword(oldKeyword, newKeyword);
    }
    removeKeyword(oldKeyword);
}

void KeywordManager::removeKeyword(const wxString& keyword)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_keywords.erase(keyword) == 0)
            return;
    }
    sendEvent(KEYWORD_REMOVED, keyword);
    sendEvent(KEYWORDS_CHANGED, keyword);
    LibraryLock lock;
    if (FileManager::exists())
        FileManager::get().deleteKeyword(keyword);
    m_database.deleteKeyword(keyword);
}

void KeywordManager::sendEvent(wxEventType type, const wxString& keyword)
{
    send(KeywordEvent(type, keyword));
}

} // namespace Brenmarle

#include "filemanager/FileNewsBatch.h"

#include <algorithm>

namespace Brenmarle {

void FileNewsBatch::added(const Quorvel::Ref<File>& file)
{
    // Removed and added back: it stays where it is, if it is there.
    m_removed.erase(file.get());
    if (m_addedSet.insert(file.get()).second)
        m_added.push_back(file);
}

void FileNewsBatch::removed(const Quorvel::Ref<File>& file)
{
    // Added and removed again: it is not appended, and goes if it was there before.
    m_addedSet.erase(file.get());
    m_changed.erase(file.get());
    m_removed.emplace(file.get(), file);
}

void FileNewsBatch::changed(const Quorvel::Ref<File>& file)
{
    m_changed.emplace(file.get(), file);
}

namespace {
FileNewsBatch::Files filesOf(const std::unordered_map<const File*, Quorvel::Ref<File>>& map)
{
    FileNewsBatch::Files files;
    files.reserve(map.size());
    for (const auto& entry : map)
        files.push_back(entry.second);
    return files;
}
} // namespace

FileNewsBatch::Files FileNewsBatch::removedFiles() const
{
    return filesOf(m_removed);
}

FileNewsBatch::Files FileNewsBatch::changedFiles() const
{
    return filesOf(m_changed);
}

FileNewsBatch::Files FileNewsBatch::addedFiles() const
{
    Files files;
    for (const Quorvel::Ref<File>& file : m_added) {
        if (m_addedSet.count(file.get()))
            files.push_back(file);
    }
    return files;
}

std::vector<std::size_t> FileNewsBatch::apply(Files& list, const Keep& keep,
                                              std::size_t* appended) const
{
    std::vector<std::size_t> removedAt;
    // Of the files to add, those the list holds already.
    std::unordered_set<const File*> present;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const File* file = list[i].get();
        if (!m_removed.empty() && m_removed.count(file)) {
            removedAt.push_back(i);
            continue;
        }
        if (!m_addedSet.empty() && m_addedSet.count(file))
            present.insert(file);
        if (kept != i)
            list[kept] = std::move(list[i]);
        ++kept;
    }
    list.resize(kept);
    std::size_t count = 0;
    for (const Quorvel::Ref<File>& file : m_added) {
        if (m_addedSet.count(file.get()) && !present.count(file.get()) && (!keep || keep(*file))) {
            list.push_back(file);
            present.insert(file.get());
            ++count;
        }
    }
    if (appended)
        *appended = count;
    return removedAt;
}

void FileNewsBatch::clear()
{
    m_removed.clear();
    m_added.clear();
    m_addedSet.clear();
    m_changed.clear();
}

} // namespace Brenmarle

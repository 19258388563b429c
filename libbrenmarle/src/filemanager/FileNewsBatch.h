#pragma once
// News about files (added, removed, changed) gathered between two updates of a list that shows
// them, and applied to the list in one pass. A view of a 100,000-picture album that hears of
// 10,000 removals walks its list once instead of once per removal, and tells its owner once.
//
// Gathering a piece of news costs a hash look-up; applying costs one pass over the list plus
// one look-up per item. Files are known by their object: the file manager keeps one object per
// URI, and a moved file keeps its object under the new URI.
//
// News about one file keeps its order: added and then removed again, it is gone; removed and
// then added back, it is there once.
//
// A value for one thread (a view's GUI thread).

#include <cstddef>
#include <functional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "files/File.h"

namespace Brenmarle {

class FileNewsBatch {
public:
    using Files = std::vector<Quorvel::Ref<File>>;
    using Keep = std::function<bool(const File& file)>;

    void added(const Quorvel::Ref<File>& file);
    void removed(const Quorvel::Ref<File>& file);
    void changed(const Quorvel::Ref<File>& file);

    bool empty() const { return m_removed.empty() && m_added.empty() && m_changed.empty(); }
    bool hasChanges() const { return !m_changed.empty(); }
    bool isChanged(const File& file) const { return m_changed.count(&file) > 0; }
    // The removed files, for a caller that drops what it keeps about them.
    Files removedFiles() const;
    // The changed files, in no particular order.
    Files changedFiles() const;
    // The added files still added (not removed again since), in the order they came.
    Files addedFiles() const;

    // Takes the removed files out of `list` and appends the added ones that are not in it yet
    // and that `keep` accepts (all without one), in the order they were added. Returns the
    // positions the removed items had, ascending; `appended` (when given) gets how many were
    // appended.
    std::vector<std::size_t> apply(Files& list, const Keep& keep = Keep(),
                                   std::size_t* appended = nullptr) const;

    void clear();

private:
    std::unordered_map<const File*, Quorvel::Ref<File>> m_removed;
    // In the order they came; an entry is void once its file is removed again.
    Files m_added;
    std::unordered_set<const File*> m_addedSet;
    std::unordered_map<const File*, Quorvel::Ref<File>> m_changed;
};

} // namespace Brenmarle

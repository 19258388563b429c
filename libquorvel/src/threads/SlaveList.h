#pragma once
// The waiting slaves of a SlaveManager, in the order they are to run. The list owns its
// slaves: those removed by clear() or still listed when it is destroyed are deleted.
//
// Not thread-safe; the manager guards it with its list lock.

#include <cstddef>
#include <deque>
#include <memory>

#include "threads/Slave.h"

namespace Quorvel {

class SlaveList {
public:
    void append(std::unique_ptr<Slave> slave);
    // Inserts before `position`; a position at or beyond the end appends.
    void insert(std::unique_ptr<Slave> slave, std::size_t position);
    // Hands the first slave over to the caller; null when the list is empty.
    std::unique_ptr<Slave> takeFirst();
    // Deletes every slave. Returns whether there were any.
    bool clear();

    std::size_t size() const { return m_slaves.size(); }
    bool empty() const { return m_slaves.empty(); }

private:
    std::deque<std::unique_ptr<Slave>> m_slaves;
};

} // namespace Quorvel

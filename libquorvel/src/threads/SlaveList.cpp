#include "threads/SlaveList.h"

#include <algorithm>
#include <iterator>

namespace Quorvel {

void SlaveList::append(std::unique_ptr<Slave> slave)
{
    m_slaves.push_back(std::move(slave));
}

void SlaveList::insert(std::unique_ptr<Slave> slave, std::size_t position)
{
    const std::size_t at = std::min(position, m_slaves.size());
    m_slaves.insert(std::next(m_slaves.begin(), static_cast<std::ptrdiff_t>(at)), std::move(slave));
}

std::unique_ptr<Slave> SlaveList::takeFirst()
{
    if (m_slaves.empty())
        return nullptr;
    std::unique_ptr<Slave> first = std::move(m_slaves.front());
    m_slaves.pop_front();
    return first;
}

bool SlaveList::clear()
{
    const bool hadAny = !m_slaves.empty();
    m_slaves.clear();
    return hadAny;
}

} // namespace Quorvel

#include "threads/ReferenceCounted.h"

namespace Quorvel {

std::mutex& ReferenceCounted::referenceMutex()
{
    static std::mutex mutex;
    return mutex;
}

void ReferenceCounted::addReference()
{
    std::lock_guard<std::mutex> lock(referenceMutex());
    ++m_count;
}

int32_t ReferenceCounted::dropReference(bool destroyAtZero)
{
    int32_t count;
    {
        std::lock_guard<std::mutex> lock(referenceMutex());
        count = --m_count;
        if (count == 1 && m_orphanCounter)
            ++*m_orphanCounter;
    }
    if (count == 0 && destroyAtZero)
        destroy();
    return count;
}

void ReferenceCounted::release() { dropReference(true); }

int32_t ReferenceCounted::getReferenceCount() const
{
    std::lock_guard<std::mutex> lock(referenceMutex());
    return m_count;
}

void ReferenceCounted::setOrphanCounter(std::atomic<int32_t>* counter)
{
    std::lock_guard<std::mutex> lock(referenceMutex());
    m_orphanCounter = counter;
}

void ReferenceCounted::destroy() { delete this; }

} // namespace Quorvel

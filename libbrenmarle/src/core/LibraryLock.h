#pragma once
// The library lock: one process-wide recursive mutex that every catalogue, file, folder and
// file-manager method takes on entry, so the photo library is changed by one thread at a time.
// Recursive because those methods call each other (storing a file while adding it, upgrading
// while opening).

#include <mutex>

namespace Brenmarle {

std::recursive_mutex& libraryMutex();

class LibraryLock {
public:
    LibraryLock() : m_lock(libraryMutex()) {}

private:
    std::lock_guard<std::recursive_mutex> m_lock;
};

} // namespace Brenmarle

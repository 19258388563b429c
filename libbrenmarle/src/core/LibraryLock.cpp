#include "core/LibraryLock.h"

namespace Brenmarle {

std::recursive_mutex& libraryMutex()
{
    static std::recursive_mutex mutex;
    return mutex;
}

} // namespace Brenmarle

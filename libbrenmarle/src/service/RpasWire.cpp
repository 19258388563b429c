#include "service/RpasWire.h"

#include <limits>

namespace Brenmarle {

int RpasWire::wireSize(int64_t size)
{
    if (size < 0 || size > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    return static_cast<int>(size);
}

} // namespace Brenmarle

#pragma once
// Told by a cache's owner that reference-counted objects held by the cache have become orphans
// (only the cache still refers to them), so it may drop them.

namespace Quorvel {

class OrphanListener {
public:
    virtual ~OrphanListener() = default;
    virtual void orphansAvailable() = 0;
};

} // namespace Quorvel

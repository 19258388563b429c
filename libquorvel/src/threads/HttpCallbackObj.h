#pragma once
// What the HTTP client tells about a transfer while it sends or receives, and how it learns that
// it should stop. Tasks implement it, so an aborted task ends its transfer at the next block.

#include <cstdint>

namespace Quorvel {

class HttpCallbackObj {
public:
    virtual ~HttpCallbackObj() = default;

    // Called on the transferring thread after each block with the bytes done so far and the
    // bytes expected (0 when unknown). Returns whether the transfer may go on; false makes the
    // client stop it.
    virtual bool progress(int64_t done, int64_t total) = 0;

    // Asked on the transferring thread, also while nothing moves (waiting for an answer):
    // true stops the transfer. The default never does.
    virtual bool isAbortRequested() const { return false; }
};

} // namespace Quorvel

#pragma once
// The cameras connected at one moment, in the order the enumeration found them.
//
// Threads: a value; each list is used by one thread at a time (built on the enumerating
// thread, then handed to the GUI thread).

#include <vector>

#include "cameras/Camera.h"

namespace Brenmarle {

class CameraList : public std::vector<CameraRef> {
public:
    using std::vector<CameraRef>::vector;

    // The camera with this URI, or null.
    CameraRef find(const wxString& uri) const;
    bool contains(const wxString& uri) const { return find(uri) != nullptr; }
};

} // namespace Brenmarle

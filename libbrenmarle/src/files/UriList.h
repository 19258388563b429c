#pragma once
// The URIs of a folder's files in the folder's order, with quick look-up. Each URI is kept once,
// compactly: an album of 100,000 pictures holds its list from start-up on, and a URI kept both
// in a vector and in a set of wxString cost over 700 bytes.
//
// A plain value with no locking of its own (its folder guards it with the library lock). It can
// be moved but not copied: the order refers into the look-up set.

#include <cstddef>
#include <unordered_set>
#include <vector>

#include <wx/string.h>

#include "util/CompactString.h"

namespace Brenmarle {

class UriList {
public:
    UriList() = default;
    UriList(UriList&&) = default;
    UriList& operator=(UriList&&) = default;
    UriList(const UriList&) = delete;
    UriList& operator=(const UriList&) = delete;

    // Appends `uri`; false when it is listed already (the list is unchanged).
    bool add(const wxString& uri) { return add(Quorvel::CompactString(uri)); }
    bool add(Quorvel::CompactString uri);
    // False when `uri` was not listed.
    bool remove(const wxString& uri);
    bool contains(const wxString& uri) const;
    bool contains(const Quorvel::CompactString& uri) const { return m_set.count(uri) > 0; }
    void clear();

    std::size_t size() const { return m_order.size(); }
    bool empty() const { return m_order.empty(); }
    std::vector<wxString> toVector() const;
    // The URIs in order.
    const std::vector<const Quorvel::CompactString*>& order() const { return m_order; }
    // The listed copy of `uri` (its address is the same for as long as it is listed); null when
    // it is not listed.
    const Quorvel::CompactString* find(const Quorvel::CompactString& uri) const;

private:
    // Nodes of an unordered_set stay where they are when it grows or is moved.
    std::unordered_set<Quorvel::CompactString, Quorvel::CompactStringHash> m_set;
    std::vector<const Quorvel::CompactString*> m_order;
};

} // namespace Brenmarle

#include "files/UriList.h"

#include <algorithm>

namespace Brenmarle {

bool UriList::add(Quorvel::CompactString uri)
{
    const auto [entry, added] = m_set.insert(std::move(uri));
    if (added)
        m_order.push_back(&*entry);
    return added;
}

bool UriList::remove(const wxString& uri)
{
    const auto entry = m_set.find(Quorvel::CompactString(uri));
    if (entry == m_set.end())
        return false;
    m_order.erase(std::find(m_order.begin(), m_order.end(), &*entry));
    m_set.erase(entry);
    return true;
}

bool UriList::contains(const wxString& uri) const
{
    return contains(Quorvel::CompactString(uri));
}

void UriList::clear()
{
    m_order.clear();
    m_set.clear();
}

std::vector<wxString> UriList::toVector() const
{
    std::vector<wxString> uris;
    uris.reserve(m_order.size());
    for (const Quorvel::CompactString* uri : m_order)
        uris.push_back(uri->str());
    return uris;
}

const Quorvel::CompactString* UriList::find(const Quorvel::CompactString& uri) const
{
    const auto entry = m_set.find(uri);
    return entry == m_set.end() ? nullptr : &*entry;
}

} // namespace Brenmarle

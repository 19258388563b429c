#include "search/SearchTarget.h"

#include "search/SearchManager.h"

namespace Brenmarle {

SearchTarget::~SearchTarget()
{
    if (m_searchManager)
        m_searchManager->forget(this);
}

} // namespace Brenmarle

#include "search/SearchCountListener.h"

#include "search/SearchManager.h"

namespace Brenmarle {

SearchCountListener::~SearchCountListener()
{
    if (m_searchManager)
        m_searchManager->forget(this);
}

} // namespace Brenmarle

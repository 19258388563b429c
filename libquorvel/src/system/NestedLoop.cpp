#include "system/NestedLoop.h"

#include "system/OrderlyExit.h"

namespace Quorvel {

NestedLoop::NestedLoop(std::function<void()> end) : m_end(std::move(end))
{
    if (OrderlyExit* exit = OrderlyExit::get())
        exit->enterNested(this);
}

NestedLoop::~NestedLoop()
{
    if (OrderlyExit* exit = OrderlyExit::get())
        exit->leaveNested(this);
}

void NestedLoop::end()
{
    if (m_ended)
        return;
    m_ended = true;
    if (m_end)
        m_end();
}

} // namespace Quorvel

#include "main/CommandQueue.h"

namespace {
constexpr int TURN_DELAY_MS = 1;
} // namespace

CommandQueue::CommandQueue(Runner run) : m_run(std::move(run)), m_timer(this)
{
    Bind(wxEVT_TIMER, &CommandQueue::onTimer, this, m_timer.GetId());
}

CommandQueue::~CommandQueue()
{
    m_timer.Stop();
}

void CommandQueue::push(const wxString& command, const wxString& argument)
{
    m_commands.emplace_back(command, argument);
    if (!m_timer.IsRunning())
        m_timer.StartOnce(TURN_DELAY_MS);
}

void CommandQueue::onTimer(wxTimerEvent&)
{
    if (m_commands.empty())
        return;
    const auto [command, argument] = m_commands.front();
    m_commands.pop_front();
    if (!m_commands.empty())
        m_timer.StartOnce(TURN_DELAY_MS);
    m_run(command, argument);
}

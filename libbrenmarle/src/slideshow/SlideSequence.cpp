#include "slideshow/SlideSequence.h"

#include <algorithm>

#include "system/Exceptions.h"

namespace Brenmarle {

namespace {
constexpr std::size_t HISTORY_LIMIT = 1000;
} // namespace

SlideSequence::SlideSequence(std::size_t count, bool random, int delayMs)
    : m_count(count), m_random(random), m_delayMs(std::max(delayMs, 0)), m_autoAdvance(delayMs > 0),
      m_generator(std::random_device{}())
{
    if (count == 0)
        throw Quorvel::LogicException(wxS("A slide show needs at least one picture"));
}

std::size_t SlideSequence::chooseNext()
{
    if (m_random)
        m_next = drawRandom();
    else
        m_next = m_current == NONE ? 0 : (m_current + 1) % m_count;
    m_nextState = NextState::Loading;
    return m_next;
}

std::optional<std::size_t> SlideSequence::chooseBack()
{
    if (m_current == NONE)
        return std::nullopt;
    if (m_random) {
        // The current picture is the last one remembered; the one before it comes back, and
        // the round gets the skipped-ahead picture again.
        if (m_history.size() < 2)
            return std::nullopt;
        if (m_nextState != NextState::None && m_next != NONE)
            m_round.push_back(m_next);
        m_history.pop_back();
        m_next = m_history.back();
        m_history.pop_back(); // shown again, it is remembered again
    } else {
        m_next = (m_current + m_count - 1) % m_count;
    }
    m_nextState = NextState::Loading;
    m_pending = true;
    return m_next;
}

bool SlideSequence::nextLoaded()
{
    m_nextState = NextState::Loaded;
    return m_pending;
}

bool SlideSequence::nextFailed()
{
    m_nextState = NextState::Failed;
    return m_pending;
}

SlideSequence::Advance SlideSequence::advance()
{
    if (m_nextState != NextState::Loaded && m_nextState != NextState::Failed) {
        m_pending = true;
        return Advance::Waiting;
    }
    const bool failed = m_nextState == NextState::Failed;
    m_current = m_next;
    m_nextState = NextState::None;
    m_pending = false;
    m_firstShown = true;
    m_history.push_back(m_current);
    if (m_history.size() > HISTORY_LIMIT)
        m_history.erase(m_history.begin());
    return failed ? Advance::Failed : Advance::Shown;
}

bool SlideSequence::takeFirstShown()
{
    if (!m_firstShown || m_firstTaken)
        return false;
    m_firstTaken = true;
    return true;
}

void SlideSequence::setAutoAdvance(bool on)
{
    m_autoAdvance = on;
    if (on && m_delayMs == 0)
        m_delayMs = DEFAULT_DELAY_MS;
}

std::size_t SlideSequence::drawRandom()
{
    if (m_round.empty()) {
        for (std::size_t i = m_count; i-- > 0;)
            m_round.push_back(i);
        std::shuffle(m_round.begin(), m_round.end(), m_generator);
        if (m_round.size() > 1 && m_round.back() == m_current)
            std::swap(m_round.back(), m_round.front());
    }
    const std::size_t index = m_round.back();
    m_round.pop_back();
    return index;
}

} // namespace Brenmarle

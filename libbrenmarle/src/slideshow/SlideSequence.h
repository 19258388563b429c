#pragma once
// Which picture of a slide show comes next, and when: the order (as listed, or random), the
// picture being shown and the one loaded ahead of it, an advance asked for before that one is
// ready, and automatic advance. Holds no pictures and no windows; the frame loads and shows.
//
// Random order shuffles the pictures into rounds: every picture comes once before any comes
// again, and the one just shown never opens the next round (with a single picture, it always
// comes again). The generator is seeded once, when the sequence is made.
//
// GUI thread only.

#include <cstddef>
#include <optional>
#include <random>
#include <vector>

namespace Brenmarle {

class SlideSequence {
public:
    // The delay automatic advance takes when switched on without one.
    static constexpr int DEFAULT_DELAY_MS = 3000;

    enum class NextState { None, Loading, Loaded, Failed };
    enum class Advance {
        Waiting, // the next picture is still loading: the advance runs once it is ready
        Shown,   // the next picture is now the current one
        Failed,  // the same, but it could not be loaded: its slot says so
    };

    // `count` pictures (at least one); `delayMs` 0 for advancing by hand.
    SlideSequence(std::size_t count, bool random, int delayMs);

    // Picks the picture to load ahead of the current one and marks it loading; returns it.
    std::size_t chooseNext();
    // Asks for the picture shown before the current one instead of the next (wrapping in order;
    // in random order the one shown before, as long as it is remembered). The advance is
    // pending until it is loaded; returns it. Nothing, and nothing changes (the picture loaded
    // ahead stays the next), when there is none to go back to: before the first picture, and
    // in random order at the first one shown.
    std::optional<std::size_t> chooseBack();
    // The load of the next picture ended; true when an advance was waiting for it.
    bool nextLoaded();
    bool nextFailed();
    // The user or the timer asks for the next picture.
    Advance advance();

    // True once, at the first picture shown: the show (and its music) begins.
    bool takeFirstShown();
    // Switches automatic advance; switched on without a delay, it takes DEFAULT_DELAY_MS.
    void setAutoAdvance(bool on);
    bool isAutoAdvance() const { return m_autoAdvance; }
    int getDelayMs() const { return m_delayMs; }
    // Whether the advance timer should run now for getDelayMs().
    bool wantsTimer() const { return m_autoAdvance && m_delayMs > 0; }

    bool hasCurrent() const { return m_current != NONE; }
    std::size_t getCurrent() const { return m_current; }
    std::size_t getNext() const { return m_next; }
    NextState getNextState() const { return m_nextState; }
    bool isPending() const { return m_pending; }
    std::size_t size() const { return m_count; }

private:
    static constexpr std::size_t NONE = static_cast<std::size_t>(-1);
    std::size_t drawRandom();

    std::size_t m_count;
    bool m_random;
    int m_delayMs;
    bool m_autoAdvance;
    std::size_t m_current = NONE;
    std::size_t m_next = NONE;
    NextState m_nextState = NextState::None;
    bool m_pending = false;
    bool m_firstShown = false;
    bool m_firstTaken = false;
    std::vector<std::size_t> m_round;   // random order: still to come in this round (from the back)
    std::vector<std::size_t> m_history; // pictures shown, for going back
    std::mt19937 m_generator;
};

} // namespace Brenmarle

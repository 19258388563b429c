#pragma once
// Marks a loop of the toolkit's that runs inside a handler for as long as it lives: a pop-up
// menu, drag and drop, a wait on a child process. While one runs, an orderly exit does not
// close windows (the code further up the stack still uses them); it calls `end` to make the
// loop return instead, and closes them once the last nested loop is left.
//
// GUI thread. Without an OrderlyExit in the process (a test) it does nothing.

#include <functional>

namespace Quorvel {

class NestedLoop {
public:
    // `end` asks the loop to return soon; it is called at most once, on the GUI thread.
    explicit NestedLoop(std::function<void()> end);
    ~NestedLoop();
    NestedLoop(const NestedLoop&) = delete;
    NestedLoop& operator=(const NestedLoop&) = delete;

    // Calls `end` (once).
    void end();
    // Whether end() was called: the program is closing.
    bool wasEnded() const { return m_ended; }

private:
    std::function<void()> m_end;
    bool m_ended = false;
};

} // namespace Quorvel

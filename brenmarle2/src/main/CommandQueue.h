#pragma once
// The commands later starts hand over to the running instance, run on the GUI thread one after
// another in the order they arrived. Receiving a command only queues it: it runs from the event
// loop, outside the connection's callback, one per pass of a one-shot timer of 1 ms. Several
// quick starts (a file manager opening three pictures at once) each get their command run.
//
// The timer is armed for the next command before one runs, so a command that waits in a
// dialog of its own does not hold the others back.
//
// GUI thread only.

#include <deque>
#include <functional>
#include <utility>

#include <wx/event.h>
#include <wx/timer.h>

class CommandQueue : public wxEvtHandler {
public:
    using Runner = std::function<void(const wxString& command, const wxString& argument)>;

    explicit CommandQueue(Runner run);
    ~CommandQueue() override;
    CommandQueue(const CommandQueue&) = delete;
    CommandQueue& operator=(const CommandQueue&) = delete;

    // Keeps the command until its turn comes.
    void push(const wxString& command, const wxString& argument);
    // Commands waiting for their turn.
    std::size_t size() const { return m_commands.size(); }

private:
    void onTimer(wxTimerEvent& event);

    Runner m_run;
    std::deque<std::pair<wxString, wxString>> m_commands;
    wxTimer m_timer;
};

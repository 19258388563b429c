#pragma once
// How a task went when run to its end on a TaskRunnerThread of its own: the event that ended
// it (finished, aborted or failed) with its error, and the progress texts it showed. For
// console tests with no event loop: the runner has stopped and its events are handled by the
// time runToEnd() returns.

#include <cstddef>
#include <vector>

#include <wx/event.h>
#include <wx/string.h>

#include "threads/ReferenceCounted.h"
#include "threads/Task.h"

struct TaskOutcome {
    // Runs `task` on a runner of its own until the runner has stopped. Main thread.
    static TaskOutcome runToEnd(const Quorvel::Ref<Quorvel::Task>& task);

    // "code: message" of the ending event.
    wxString failure() const { return code + ": " + message; }

    // The type of the last ending event; wxEVT_NULL when none came.
    wxEventType type = wxEVT_NULL;
    // How many ending events came: one for a task that behaves.
    std::size_t endings = 0;
    // The error of the last ending event (empty for finished).
    wxString code;
    wxString message;
    // The progress texts in order, a text repeated at once kept once.
    std::vector<wxString> progressTexts;
};

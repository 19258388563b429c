#pragma once
// Records every event a slave manager posts to it, in order.

#include "EventRecorder.h"
#include "threads/SlaveManagerEvent.h"

class SlaveRecorder : public EventRecorder {
public:
    SlaveRecorder()
    {
        record(Quorvel::EVT_SLAVE_STARTED);
        record(Quorvel::EVT_SLAVE_PROGRESS);
        record(Quorvel::EVT_SLAVE_FINISHED);
        record(Quorvel::EVT_SLAVE_ABORTED);
        record(Quorvel::EVT_SLAVE_FAILED);
    }
    const Quorvel::SlaveManagerEvent& event(std::size_t i) const
    {
        return at<Quorvel::SlaveManagerEvent>(i);
    }
    const Quorvel::SlaveManagerEvent& last() const { return event(count() - 1); }
    // Whether the last event recorded ends a slave.
    bool ended() const
    {
        const wxEventType type = count() ? typeAt(count() - 1) : wxEVT_NULL;
        return type == Quorvel::EVT_SLAVE_FINISHED || type == Quorvel::EVT_SLAVE_ABORTED ||
               type == Quorvel::EVT_SLAVE_FAILED;
    }
};

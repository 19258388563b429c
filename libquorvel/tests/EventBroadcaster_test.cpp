#include <gtest/gtest.h>

#include "EventRecorder.h"
#include "threads/EventBroadcaster.h"
#include "threads/SlaveManagerEvent.h"

using Quorvel::EventBroadcaster;
using Quorvel::SlaveManagerEvent;

namespace {

class Recorder : public EventRecorder {
public:
    Recorder() { record(Quorvel::EVT_SLAVE_PROGRESS); }
};

SlaveManagerEvent progressEvent()
{
    return SlaveManagerEvent(Quorvel::EVT_SLAVE_PROGRESS);
}

} // namespace

TEST(EventBroadcaster, RemovedListenerGetsNothingEvenWhatWasAlreadyQueued)
{
    Recorder removed, kept;
    EventBroadcaster broadcaster;
    broadcaster.addListener(&removed, 1);
    broadcaster.addListener(&kept, 2);
    broadcaster.addListener(&removed, 3);
    broadcaster.broadcast(progressEvent());
    broadcaster.removeListener(&removed);
    broadcaster.broadcast(progressEvent());
    kept.processPending();

    EXPECT_EQ(removed.count(), 0u);
    EXPECT_EQ(kept.count(), 2u);

    // Registered again, it hears of what comes next.
    broadcaster.addListener(&removed, 4);
    broadcaster.broadcast(progressEvent());
    removed.processPending();
    ASSERT_EQ(removed.count(), 1u);
    EXPECT_EQ(removed.at<SlaveManagerEvent>(0).GetId(), 4);
}

TEST(EventBroadcaster, SentEventIsHandledAtOnceAndNotByAListenerRemovedMeanwhile)
{
    Recorder first, second;
    EventBroadcaster broadcaster;
    broadcaster.addListener(&first, 1);
    broadcaster.addListener(&second, 2);
    first.Bind(Quorvel::EVT_SLAVE_PROGRESS, [&](SlaveManagerEvent& event) {
        broadcaster.removeListener(&second);
        event.Skip();
    });
    broadcaster.send(progressEvent());

    ASSERT_EQ(first.count(), 1u);
    EXPECT_EQ(first.at<SlaveManagerEvent>(0).GetId(), 1);
    EXPECT_EQ(second.count(), 0u);
}

#include <gtest/gtest.h>

#include <thread>

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
    SlaveManagerEvent event(Quorvel::EVT_SLAVE_PROGRESS);
    event.fillFrom(Quorvel::Slave(3, 4, "copy"));
    return event;
}

} // namespace

TEST(EventBroadcaster, EachListenerGetsItsOwnCopyWithItsOwnId)
{
    Recorder seven, eight;
    EventBroadcaster broadcaster;
    broadcaster.addListener(&seven, 7);
    broadcaster.addListener(&eight, 8);
    const SlaveManagerEvent event = progressEvent();
    std::thread worker([&] { broadcaster.broadcast(event); });
    worker.join();
    seven.processPending();

    ASSERT_EQ(seven.count(), 1u);
    ASSERT_EQ(eight.count(), 1u);
    EXPECT_EQ(seven.at<SlaveManagerEvent>(0).GetId(), 7);
    EXPECT_EQ(eight.at<SlaveManagerEvent>(0).GetId(), 8);
    EXPECT_EQ(eight.at<SlaveManagerEvent>(0).getName(), "copy");
    EXPECT_EQ(eight.at<SlaveManagerEvent>(0).getSecondNumber(), 4);
    EXPECT_EQ(event.GetId(), -1);
}

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

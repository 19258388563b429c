#include <gtest/gtest.h>

#include <vector>

#include "WaitUntil.h"
#include "main/CommandQueue.h"

TEST(CommandQueue, CommandsHandedOverTogetherEachRunInTheOrderTheyCame)
{
    std::vector<wxString> ran;
    CommandQueue queue([&](const wxString& command, const wxString& argument) {
        ran.push_back(command + " " + argument);
    });
    // Three starts from a file manager, their hand-overs taken in one pass of the event loop.
    queue.push("open", "/p/1.jpg");
    queue.push("open", "/p/2.jpg");
    queue.push("openuri", "app://go/myalbums");
    // Nothing runs inside the connection's callback.
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(queue.size(), 3u);
    ASSERT_TRUE(waitUntil([&] { return ran.size() >= 3; }));
    EXPECT_EQ(ran, (std::vector<wxString>{"open /p/1.jpg", "open /p/2.jpg",
                                          "openuri app://go/myalbums"}));
    EXPECT_EQ(queue.size(), 0u);

    // The queue is ready for the next ones.
    queue.push("runquery", "beach");
    ASSERT_TRUE(waitUntil([&] { return ran.size() >= 4; }));
    EXPECT_EQ(ran.back(), "runquery beach");
}

TEST(CommandQueue, ACommandWaitingInADialogDoesNotHoldTheOthersBack)
{
    std::vector<wxString> ran;
    CommandQueue* queued = nullptr;
    CommandQueue queue([&](const wxString& command, const wxString&) {
        ran.push_back(command);
        if (command == "first") {
            // A modal dialog's loop, left once the user has seen the others arrive; one handed
            // over meanwhile still comes after those queued before it.
            queued->push("during", wxString());
            waitUntil([&] { return ran.size() >= 3; });
            ran.push_back("first answered");
        }
    });
    queued = &queue;
    queue.push("first", wxString());
    queue.push("second", wxString());
    ASSERT_TRUE(waitUntil([&] { return ran.size() >= 4; }));
    EXPECT_EQ(ran, (std::vector<wxString>{"first", "second", "during", "first answered"}));
}

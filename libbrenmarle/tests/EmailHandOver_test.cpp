#include <gtest/gtest.h>

#include "FakeMailTool.h"
#include "ScratchDir.h"
#include "TaskOutcome.h"
#include "sharing/EmailHandOver.h"
#include "threads/TaskEvent.h"

using Brenmarle::EmailHandOver;

namespace {

TaskOutcome handOver(const EmailHandOver::Message& message)
{
    return TaskOutcome::runToEnd(Quorvel::makeRef<EmailHandOver>(message));
}

} // namespace

TEST(EmailHandOver, TheToolGetsSubjectTextOneAttachEachAndTheRecipients)
{
    ScratchDir files;
    files.writeFile("IMG_0001.JPG", std::string("\xff\xd8 one\0 two", 11));
    files.writeFile("name with spaces; and $(quotes).jpg", "second");
    FakeMailTool tool;
    const auto message = EmailHandOver::sharedPhotos(
        {"anna@example.com", "bo@example.org"},
        {files / "IMG_0001.JPG", files / "name with spaces; and $(quotes).jpg"});
    const TaskOutcome outcome = handOver(message);
    ASSERT_EQ(outcome.type, Quorvel::EVT_TASK_FINISHED) << outcome.failure();
    EXPECT_EQ(tool.arguments(),
              (std::vector<wxString>{"--utf8", "--subject", "Shared photos!", "--body",
                                     "Shared photos are attached to the message", "--attach",
                                     files / "IMG_0001.JPG", "--attach",
                                     files / "name with spaces; and $(quotes).jpg",
                                     "anna@example.com", "bo@example.org"}));
    EXPECT_EQ(tool.received("IMG_0001.JPG"), files.readFile("IMG_0001.JPG"));
    EXPECT_EQ(tool.received("name with spaces; and $(quotes).jpg"), "second");
}

TEST(EmailHandOver, AnAddressThatCouldSteerTheToolIsRefusedBeforeItRuns)
{
    FakeMailTool tool;
    for (const char* hostile : {"--attach=/etc/passwd", "anna@example.com?attach=/etc/passwd"}) {
        const TaskOutcome outcome =
            handOver(EmailHandOver::sharedPhotos({"bo@example.org", hostile}, {}));
        EXPECT_EQ(outcome.type, Quorvel::EVT_TASK_FAILED) << hostile;
        EXPECT_EQ(outcome.message, wxString("Invalid email address: ") + hostile);
    }
    EXPECT_EQ(handOver(EmailHandOver::sharedPhotos({}, {})).type, Quorvel::EVT_TASK_FAILED);
    EXPECT_FALSE(tool.ran());
}

TEST(EmailHandOver, AMissingOrFailingToolIsAFailure)
{
    {
        FakeMailTool failing(3);
        const TaskOutcome outcome = handOver(EmailHandOver::sharedPhotos({"anna@example.com"}, {}));
        EXPECT_EQ(outcome.type, Quorvel::EVT_TASK_FAILED);
        EXPECT_EQ(outcome.message,
                  "The email program reported an error (xdg-email ended with code 3)");
        EXPECT_TRUE(failing.ran());
    }
    ScratchDir empty;
    const std::string path = std::getenv("PATH");
    setenv("PATH", empty.path().utf8_str(), 1);
    const TaskOutcome outcome = handOver(EmailHandOver::sharedPhotos({"anna@example.com"}, {}));
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(outcome.type, Quorvel::EVT_TASK_FAILED);
    EXPECT_TRUE(outcome.message.StartsWith("The email program could not be started (xdg-email)"))
        << outcome.message;
}

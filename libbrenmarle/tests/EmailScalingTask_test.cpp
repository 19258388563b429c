#include <gtest/gtest.h>

#include <Magick++.h>
#include <wx/filefn.h>
#include <wx/filename.h>

#include "PhotoLibraryTest.h"
#include "TaskOutcome.h"
#include "TestPictures.h"
#include "sharing/EmailScalingTask.h"
#include "system/Exceptions.h"
#include "threads/TaskEvent.h"

using Brenmarle::EmailScalingTask;

TEST(EmailScalingTask, BoxesOfTheFourSizesAndNoOther)
{
    EXPECT_EQ(EmailScalingTask::boxOf(160).height, 120);
    EXPECT_EQ(EmailScalingTask::boxOf(320).height, 240);
    EXPECT_EQ(EmailScalingTask::boxOf(640).height, 480);
    EXPECT_EQ(EmailScalingTask::boxOf(1280).height, 960);
    for (int size : {0, 800, -640, 161}) {
        try {
            EmailScalingTask::boxOf(size);
            ADD_FAILURE() << size;
        } catch (const Quorvel::Exception& e) {
            EXPECT_EQ(e.getMessage(), wxString::Format("Unsupported preview size: %d", size));
        }
    }
}

TEST(EmailScalingTask, AttachmentNamesAreCleanAndScaledOnesAreJpegs)
{
    EXPECT_EQ(EmailScalingTask::attachmentName("IMG_0001.JPG", false), "IMG_0001.JPG");
    EXPECT_EQ(EmailScalingTask::attachmentName("IMG_0001.JPG", true), "IMG_0001.JPG");
    EXPECT_EQ(EmailScalingTask::attachmentName("photo.jpeg", true), "photo.jpeg");
    EXPECT_EQ(EmailScalingTask::attachmentName("scan.png", true), "scan.jpg");
    EXPECT_EQ(EmailScalingTask::attachmentName("scan.png", false), "scan.png");
    EXPECT_EQ(EmailScalingTask::attachmentName("raw", true), "raw.jpg");
    // Nothing leads out of the folder, hides the file or upsets a mail program.
    EXPECT_EQ(EmailScalingTask::attachmentName("../../etc/passwd", false), "passwd");
    EXPECT_EQ(EmailScalingTask::attachmentName("a:b?c*.jpg", false), "a_b_c_.jpg");
    EXPECT_EQ(EmailScalingTask::attachmentName(".jpg", true), "picture.jpg");
    EXPECT_EQ(EmailScalingTask::attachmentName("", false), "picture");
    EXPECT_EQ(EmailScalingTask::attachmentName("..", false), "picture..");
}

namespace {

class EmailScalingRun : public PhotoLibraryTest {
protected:
    wxString picture(const wxString& relative, int width, int height,
                     const std::string& magick = "JPEG")
    {
        wxFileName::Mkdir(wxFileName(home / relative).GetPath(), 0700, wxPATH_MKDIR_FULL);
        TestPictures::writePicture(home / relative, width, height, magick);
        return "file://" + home.path() + relative;
    }
    TaskOutcome run(const std::vector<wxString>& uris, int size,
                    EmailScalingTask::PictureLookup lookup = {})
    {
        task = Quorvel::makeRef<EmailScalingTask>(uris, size, folder, std::move(lookup));
        return TaskOutcome::runToEnd(task);
    }
    static Magick::Image read(const wxString& path)
    {
        Magick::Image image;
        image.read(std::string(path.utf8_str()));
        return image;
    }

    wxString folder = home / "attachments/";
    Quorvel::Ref<EmailScalingTask> task;
};

} // namespace

TEST_F(EmailScalingRun, FullSizeAttachesByteIdenticalCopiesUnderTheirOwnUniqueNames)
{
    const wxString first = picture("Summer/IMG_0001.JPG", 300, 200);
    const wxString second = picture("Winter/IMG_0001.JPG", 200, 300);
    const wxString third = picture("Winter/img_0001.jpg", 100, 100);
    const TaskOutcome outcome = run({first, second, third}, 0);
    ASSERT_EQ(outcome.type, Quorvel::EVT_TASK_FINISHED) << outcome.failure();
    const auto attachments = task->getAttachments();
    ASSERT_EQ(attachments.size(), 3u);
    // Two pictures of the same name are two files; names differing in case count as the same.
    EXPECT_EQ(attachments[0], folder + "IMG_0001.JPG");
    EXPECT_EQ(attachments[1], folder + "IMG_0001 (2).JPG");
    EXPECT_EQ(attachments[2], folder + "img_0001 (3).jpg");
    EXPECT_EQ(readFile(attachments[0]), home.readFile("Summer/IMG_0001.JPG"));
    EXPECT_EQ(readFile(attachments[1]), home.readFile("Winter/IMG_0001.JPG"));
    EXPECT_EQ(readFile(attachments[2]), home.readFile("Winter/img_0001.jpg"));
    EXPECT_EQ(outcome.progressTexts.front(), "Resizing file 1...");
    EXPECT_EQ(filesUnder(folder), 3u);
}

TEST_F(EmailScalingRun, ScaledCopiesAreUprightQuality85JpegsFittedIntoTheScreenBox)
{
    const wxString wide = picture("wide.jpg", 1500, 1000);
    const wxString turned = picture("turned.jpg", 1500, 1000); // shown a quarter turned
    const wxString small = picture("small.jpg", 300, 200);
    const wxString scan = picture("scan.png", 1000, 1000, "PNG");
    const TaskOutcome outcome = run({wide, turned, small, scan}, 640, [&](const wxString& uri) {
        EmailScalingTask::Picture found;
        found.path = uri.Mid(7);
        found.fileName = uri.AfterLast('/');
        found.rotation = uri == turned ? 90 : 0;
        return found;
    });
    ASSERT_EQ(outcome.type, Quorvel::EVT_TASK_FINISHED) << outcome.failure();
    const auto attachments = task->getAttachments();
    ASSERT_EQ(attachments.size(), 4u);
    EXPECT_EQ(attachments[3], folder + "scan.jpg");
    const struct {
        size_t width, height;
    } expected[] = {{640, 427}, {320, 480}, {300, 200}, {480, 480}};
    for (size_t i = 0; i < attachments.size(); ++i) {
        const Magick::Image written = read(attachments[i]);
        EXPECT_EQ(written.magick(), "JPEG") << i;
        EXPECT_EQ(written.quality(), 85u) << i;
        EXPECT_EQ(written.columns(), expected[i].width) << i;
        EXPECT_EQ(written.rows(), expected[i].height) << i;
        EXPECT_TRUE(written.orientation() == MagickCore::TopLeftOrientation ||
                    written.orientation() == MagickCore::UndefinedOrientation)
            << i;
    }
    // The red quarter was top left; after a clockwise quarter turn it is top right.
    const Magick::Image upright = read(attachments[1]);
    EXPECT_GT(Magick::ColorRGB(upright.pixelColor(upright.columns() - 5, 5)).red(), 0.8);
    EXPECT_LT(Magick::ColorRGB(upright.pixelColor(5, 5)).red(), 0.8);
    // The originals are untouched.
    EXPECT_EQ(read(turned.Mid(7)).columns(), 1500u);
}

TEST_F(EmailScalingRun, ACameraPictureTurnedByItsTagComesOutWithOrientationOne)
{
    TestPictures::JpegOptions options;
    options.exif = TestPictures::cameraExif(6);
    TestPictures::writeJpeg(home / "camera.jpg", 1600, 1200, options);
    const TaskOutcome outcome =
        run({"file://" + home.path() + "camera.jpg"}, 320, [](const wxString& uri) {
            return EmailScalingTask::Picture{uri.Mid(7), "camera.jpg", wxString(), 90};
        });
    ASSERT_EQ(outcome.type, Quorvel::EVT_TASK_FINISHED) << outcome.failure();
    const Magick::Image written = read(task->getAttachments().at(0));
    EXPECT_EQ(written.columns(), 180u);
    EXPECT_EQ(written.rows(), 240u);
    EXPECT_EQ(written.attribute("EXIF:Orientation"), "1");
}

TEST_F(EmailScalingRun, AnUnknownSizeOrAMissingPictureFailsAndLeavesNoAttachments)
{
    const wxString good = picture("good.jpg", 800, 600);
    TaskOutcome outcome = run({good}, 800);
    EXPECT_EQ(outcome.type, Quorvel::EVT_TASK_FAILED);
    EXPECT_EQ(outcome.message, "Unsupported preview size: 800");
    EXPECT_EQ(filesUnder(folder), 0u);

    for (int size : {0, 160}) {
        outcome = run({good, "file://" + home.path() + "gone.jpg"}, size);
        EXPECT_EQ(outcome.type, Quorvel::EVT_TASK_FAILED) << size;
        EXPECT_EQ(outcome.endings, 1u);
        EXPECT_TRUE(task->getAttachments().empty());
        EXPECT_EQ(filesUnder(folder), 0u) << size;
    }
}

TEST_F(EmailScalingRun, TheLibraryLooksUpLocalPicturesByTheirFileName)
{
    const wxString uri = picture("Pictures/Holiday Beach.jpg", 640, 480);
    const EmailScalingTask::Picture found = EmailScalingTask::lookUpInLibrary(uri);
    EXPECT_EQ(found.path, home / "Pictures/Holiday Beach.jpg");
    EXPECT_EQ(found.fileName, "Holiday Beach.jpg");
}

// Exporting albums into a folder of the user's: the names it writes, the sidecars beside the
// pictures, and the export task against a real catalogue and picture store.

#include <sys/mount.h>
#include <sys/stat.h>

#include <wx/filefn.h>

#include "PhotoLibraryTest.h"
#include "SmallFileSystem.h"
#include "TaskOutcome.h"
#include "archive/ArchiveExportTask.h"
#include "archive/ExportName.h"
#include "archive/XmpSidecar.h"
#include "files/File.h"
#include "files/StoragePaths.h"
#include "folders/InboxFolder.h"
#include "system/Exceptions.h"
#include "threads/TaskEvent.h"
#include "util/XMLDocument.h"

using namespace Brenmarle;
using Quorvel::Ref;

TEST(ExportName, CleansWhatWouldEscapeHideOrBreakTheName)
{
    EXPECT_EQ(ExportName::clean("../../etc/passwd", "x"), "_.._etc_passwd");
    EXPECT_EQ(ExportName::clean(".hidden.jpg", "x"), "hidden.jpg");
    EXPECT_EQ(ExportName::clean(wxString::FromUTF8("Tur\x01 til\tM\xc3\xb8n."), "x"),
              wxString::FromUTF8("Tur_ til_M\xc3\xb8n"));
    EXPECT_EQ(ExportName::clean("a:b*c?.jpg", "x"), "a_b_c_.jpg");
    // Nothing left: the fallback, cleaned in its turn.
    EXPECT_EQ(ExportName::clean("..", "Album"), "Album");
    EXPECT_EQ(ExportName::clean(" . ", "../x"), "_x");
    EXPECT_EQ(ExportName::clean("", ""), "_");
}

TEST(ExportName, BoundsTheLengthKeepingTheExtensionAndRoomForASidecar)
{
    const wxString longName = wxString('a', 300) + ".jpeg";
    EXPECT_EQ(ExportName::clean(longName, "x"), wxString('a', 250) + ".jpeg");
    EXPECT_EQ(ExportName::clean(longName, "x", 4), wxString('a', 246) + ".jpeg");
    wxString letters;
    for (int i = 0; i < 200; ++i)
        letters += wxString::FromUTF8("\xc3\xa6");
    // Letters are not cut in half.
    EXPECT_EQ(ExportName::clean(letters + ".jpg", "x", 4).utf8_string().size(), 250u);
    // A name without an extension ends in no blank where it was cut.
    EXPECT_EQ(ExportName::clean(wxString('a', 253) + "   b", "x"), wxString('a', 253));
}

TEST(ExportName, FolderGivesUniqueNamesWithoutRegardToCaseAndPairsSidecars)
{
    ExportName::Folder names(".xmp");
    EXPECT_EQ(names.reserve("IMG.JPG"), "IMG.JPG");
    EXPECT_EQ(names.reserve("img.jpg"), "img (2).jpg");
    EXPECT_EQ(names.reserve("img.jpg"), "img (3).jpg");
    // A picture named like another's sidecar pushes that other picture aside.
    EXPECT_EQ(names.reserve("b.jpg.xmp"), "b.jpg.xmp");
    EXPECT_EQ(names.reserve("b.jpg"), "b (2).jpg");
    EXPECT_TRUE(names.isTaken("B (2).JPG.XMP"));
    // A numbered long name still leaves room for its sidecar.
    const wxString longName = wxString('c', 247) + ".jpg";
    EXPECT_EQ(names.reserve(longName), longName);
    const wxString second = names.reserve(longName);
    EXPECT_EQ(second, wxString('c', 243) + " (2).jpg");
    EXPECT_LE((second + ".xmp").utf8_string().size(), 255u);
}

TEST(XmpSidecar, DatesAreAsPreciseAsTheTimeIsKnown)
{
    const int32_t time = 1136196245; // 2006-01-02 10:04:05 on the camera's clock
    EXPECT_EQ(XmpSidecar::dateText(time, 63), "2006-01-02T10:04:05");
    EXPECT_EQ(XmpSidecar::dateText(time, 1 | 2 | 4 | 32), "2006-01-02T10:04");
    EXPECT_EQ(XmpSidecar::dateText(time, 1 | 2 | 4 | 8), "2006-01-02");
    EXPECT_EQ(XmpSidecar::dateText(time, 1 | 2), "2006-01");
    EXPECT_EQ(XmpSidecar::dateText(time, 1), "2006");
    EXPECT_EQ(XmpSidecar::dateText(time, 6), "");
    EXPECT_EQ(XmpSidecar::dateText(0, 63), "");
    EXPECT_EQ(XmpSidecar::orientationFor(90), 6);
    EXPECT_EQ(XmpSidecar::orientationFor(-90), 8);
    EXPECT_EQ(XmpSidecar::orientationFor(0), 1);
}

TEST(XmpSidecar, HostileTextsStillMakeAWellFormedDocumentThatReadsBack)
{
    auto file = Quorvel::makeRef<File>("inbox://00000000-0000-4000-8000-000000000001");
    file->setCaption(wxString::FromUTF8("<b>Fish & \"chips\"</b>\x01\x1b] \xc3\xa6"));
    file->setKeywords({"beach", "a<b"});
    file->setFavorite(true);
    file->setImageRotation(270);
    const std::string text = XmpSidecar::make(*file);
    const auto document = Quorvel::XMLDocument::parse(text, "not XML");
    EXPECT_NE(text.find("<rdf:li xml:lang=\"x-default\">&lt;b&gt;Fish &amp; &quot;chips&quot;"
                        "&lt;/b&gt;] \xc3\xa6</rdf:li>"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("<rdf:li>a&lt;b</rdf:li>"), std::string::npos) << text;
    EXPECT_NE(text.find("<rdf:li>beach</rdf:li>"), std::string::npos) << text;
    EXPECT_NE(text.find("<xmp:Rating>5</xmp:Rating>"), std::string::npos);
    EXPECT_NE(text.find("<tiff:Orientation>8</tiff:Orientation>"), std::string::npos);
    // Nothing is claimed that is not known.
    EXPECT_EQ(text.find("photoshop:DateCreated"), std::string::npos);
    EXPECT_EQ(text.find("dc:creator"), std::string::npos);
}

namespace {

class ArchiveExportTest : public PhotoLibraryTest {
protected:
    // A picture with `bytes` in `folder`, named `name` in the program.
    Ref<File> addPicture(Folder2& folder, const wxString& name, const std::string& bytes)
    {
        const wxString source = makeComputerPicture("source/" + name, bytes);
        Ref<File> copy = folder.copyFileIn(*manager->getFile(source));
        copy->setFileName(name);
        return copy;
    }

    TaskOutcome exportTo(std::vector<wxString> uris, const wxString& target)
    {
        task = Quorvel::makeRef<ArchiveExportTask>(std::move(uris), target);
        return TaskOutcome::runToEnd(task);
    }

    Ref<ArchiveExportTask> task;
};

} // namespace

TEST_F(ArchiveExportTest, CopiesEachAlbumIntoAFolderOfItsOwnWithSidecarsAndNeverOverwrites)
{
    auto trip = makeAlbum("Trip");
    auto other = makeAlbum("trip");
    auto sneaky = makeAlbum("../.config");
    Ref<File> first = addPicture(*trip, "IMG.JPG", "first picture");
    first->setCaption("At the beach");
    first->setKeywords({"sea"});
    addPicture(*trip, "img.jpg", "second picture");
    addPicture(*other, "IMG.JPG", "other album");
    addPicture(*sneaky, ".bashrc", "not a script");
    // The user's own folder of that name, with a file the export must not touch.
    home.writeFile("Export/Trip/IMG.JPG", "the user's own");
    const int rows = Database::getInstance().getFileCount();

    const TaskOutcome outcome =
        exportTo({trip->getURI(), other->getURI(), sneaky->getURI(), "inbox://"}, home / "Export");
    ASSERT_EQ(outcome.type, Quorvel::EVT_TASK_FINISHED) << outcome.failure();
    EXPECT_EQ(task->getExportedCount(), 4);
    EXPECT_TRUE(task->getFailures().empty());
    EXPECT_EQ(home.readFile("Export/Trip/IMG.JPG"), "the user's own");
    EXPECT_EQ(home.readFile("Export/Trip (2)/IMG.JPG"), "first picture");
    EXPECT_EQ(home.readFile("Export/Trip (2)/img (2).jpg"), "second picture");
    EXPECT_EQ(home.readFile("Export/trip (3)/IMG.JPG"), "other album");
    EXPECT_EQ(home.readFile("Export/_.config/bashrc"), "not a script");
    EXPECT_TRUE(wxDirExists(home / "Export/Picture Inbox"));
    EXPECT_EQ(task->getCreatedFolders(),
              (std::vector<wxString>{home / "Export/Trip (2)", home / "Export/trip (3)",
                                     home / "Export/_.config", home / "Export/Picture Inbox"}));
    const std::string sidecar = home.readFile("Export/Trip (2)/IMG.JPG.xmp");
    EXPECT_NE(sidecar.find("At the beach"), std::string::npos) << sidecar;
    EXPECT_NE(sidecar.find("<rdf:li>sea</rdf:li>"), std::string::npos) << sidecar;
    // The copies carry the pictures' own times.
    struct stat info {};
    ASSERT_EQ(::stat((home / "Export/Trip (2)/IMG.JPG").utf8_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, first->getFileModifyTime());
    EXPECT_EQ(Database::getInstance().getFileCount(), rows);
    EXPECT_EQ(outcome.progressTexts.back(), "Exporting ../.config");
}

TEST_F(ArchiveExportTest, APictureMissingFromTheStoreIsListedAndTheRestExported)
{
    auto album = makeAlbum("Party");
    Ref<File> lost = addPicture(*album, "lost.jpg", "lost");
    addPicture(*album, "kept.jpg", "kept");
    ASSERT_TRUE(wxRemoveFile(StoragePaths(dataDir).managedFile(lost->getURI())));
    wxMkdir(home / "Export");
    const TaskOutcome outcome = exportTo({album->getURI()}, home / "Export");
    ASSERT_EQ(outcome.type, Quorvel::EVT_TASK_FINISHED) << outcome.failure();
    EXPECT_EQ(task->getExportedCount(), 1);
    ASSERT_EQ(task->getFailures().size(), 1u);
    EXPECT_EQ(task->getFailures()[0].first, "lost.jpg");
    EXPECT_EQ(home.readFile("Export/Party/kept.jpg"), "kept");
    EXPECT_EQ(filesUnder(home / "Export"), 2u);
}

TEST_F(ArchiveExportTest, AMissingOrUnusableTargetFailsBeforeAnythingIsWritten)
{
    auto album = makeAlbum("Party");
    addPicture(*album, "a.jpg", "a");
    TaskOutcome outcome = exportTo({album->getURI()}, home / "nowhere");
    EXPECT_EQ(outcome.type, Quorvel::EVT_TASK_FAILED);
    EXPECT_TRUE(outcome.message.Contains("does not exist")) << outcome.failure();
    EXPECT_FALSE(wxDirExists(home / "nowhere"));

    // A file where the folder should be.
    home.writeFile("plain", "x");
    outcome = exportTo({album->getURI()}, home / "plain");
    EXPECT_EQ(outcome.type, Quorvel::EVT_TASK_FAILED);
    EXPECT_EQ(home.readFile("plain"), "x");
    EXPECT_EQ(Database::getInstance().getFileCount(), 1);
}

TEST_F(ArchiveExportTest, AReadOnlyDiskIsRefusedBeforeAnythingIsWritten)
{
    SmallFileSystem disk(home / "cdrom", 64);
    if (!disk.isMounted())
        GTEST_SKIP() << "needs root to mount a small file system";
    ASSERT_EQ(::mount("tmpfs", disk.path().utf8_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr),
              0);
    auto album = makeAlbum("Party");
    addPicture(*album, "a.jpg", "a");
    const TaskOutcome outcome = exportTo({album->getURI()}, disk.path());
    EXPECT_EQ(outcome.type, Quorvel::EVT_TASK_FAILED);
    EXPECT_EQ(outcome.message, "You may not write into the folder " + home / "cdrom" +
                                   ". Please choose another folder.");
    EXPECT_EQ(filesUnder(disk.path()), 0u);
}

TEST_F(ArchiveExportTest, AFullDiskStopsWithAClearMessageAndNoPartialFile)
{
    SmallFileSystem disk(home / "stick", 64);
    if (!disk.isMounted())
        GTEST_SKIP() << "needs root to mount a small file system";
    auto album = makeAlbum("Holiday");
    const std::string big(40 * 1024, 'p');
    for (int i = 1; i <= 3; ++i)
        addPicture(*album, wxString::Format("%d.jpg", i), big + std::to_string(i));
    const TaskOutcome outcome = exportTo({album->getURI()}, disk.path());
    ASSERT_EQ(outcome.type, Quorvel::EVT_TASK_FAILED);
    EXPECT_EQ(outcome.code, ArchiveExportTask::DISK_FULL);
    EXPECT_TRUE(outcome.message.Contains("is full. 1 of 3 pictures were exported"))
        << outcome.message;
    // The first picture and its sidecar, whole; nothing of the second.
    EXPECT_EQ(filesUnder(disk.path()), 2u);
    EXPECT_EQ(readFile(disk.path() + "/Holiday/1.jpg"), big + "1");
    EXPECT_EQ(Database::getInstance().getFileCount(), 3);
    for (const wxString& uri : album->getFileUris())
        EXPECT_TRUE(wxFileExists(StoragePaths(dataDir).managedFile(uri)));
}

TEST_F(ArchiveExportTest, StoppedBeforeItStartsMakesNoFolder)
{
    auto album = makeAlbum("Party");
    addPicture(*album, "a.jpg", "a");
    task = Quorvel::makeRef<ArchiveExportTask>(std::vector<wxString>{album->getURI()},
                                               home / "Export");
    wxMkdir(home / "Export");
    task->abort();
    const TaskOutcome outcome = TaskOutcome::runToEnd(task);
    EXPECT_EQ(outcome.type, Quorvel::EVT_TASK_ABORTED);
    EXPECT_EQ(filesUnder(home / "Export"), 0u);
    EXPECT_FALSE(wxDirExists(home / "Export/Party"));
}

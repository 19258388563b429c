// The import from cameras and folders: the kinds of file, the folder scan, and the import task
// that copies files into the catalogue with their picture information and thumbnails.

#include <unistd.h>

#include <algorithm>
#include <atomic>

#include <wx/filefn.h>

#include "PhotoLibraryTest.h"
#include "SmallFileSystem.h"
#include "TaskOutcome.h"
#include "TestPictures.h"
#include "cameras/PtpCamera.h"
#include "files/Uri.h"
#include "folders/InboxFolder.h"
#include "imaging/PictureFormats.h"
#include "import/FileSizeIndex.h"
#include "import/FolderScanner.h"
#include "import/ImportFileKind.h"
#include "import/ImportSelection.h"
#include "import/ImportTask.h"
#include "system/Exceptions.h"
#include "threads/TaskEvent.h"
#include "threads/TaskRunnerThread.h"

using namespace Brenmarle;
using Quorvel::Ref;

TEST(ImportFileKind, TellsTheKindByTheExtensionInAnyCase)
{
    EXPECT_EQ(ImportFileKind::of("IMG_0001.JPG"), ImportFileKind::Photo);
    EXPECT_EQ(ImportFileKind::of("scan.tiff"), ImportFileKind::Photo);
    EXPECT_EQ(ImportFileKind::of("MVI_0002.MOV"), ImportFileKind::Video);
    EXPECT_EQ(ImportFileKind::of("memo.wav"), ImportFileKind::Audio);
    EXPECT_EQ(ImportFileKind::of("notes.txt"), ImportFileKind::Other);
    EXPECT_EQ(ImportFileKind::of("jpg"), ImportFileKind::Other);
}

TEST(FolderScanner, FindsTheFilesOfEverySubFolder)
{
    ScratchDir dir;
    dir.writeFile("trip/b.jpg", "b");
    dir.writeFile("trip/a.jpg", "a");
    dir.writeFile("trip/day 2/c.mov", "c");
    dir.writeFile("trip/.hidden/d.jpg", "d");
    dir.writeFile("trip/.thumbs.db", "e");
    const std::vector<wxString> found = FolderScanner().scan(dir / "trip");
    EXPECT_EQ(found, (std::vector<wxString>{Uri::fromLocalPath(dir / "trip/a.jpg"),
                                            Uri::fromLocalPath(dir / "trip/b.jpg"),
                                            Uri::fromLocalPath(dir / "trip/day 2/c.mov")}));
}

TEST(FolderScanner, FollowsNoLinkToAFolderButLinksToFiles)
{
    ScratchDir dir;
    dir.writeFile("trip/a.jpg", "a");
    dir.writeFile("elsewhere/b.jpg", "b");
    // A link back up would make the scan endless; a link out would import what was not chosen.
    ASSERT_EQ(::symlink((dir / "trip").utf8_str(), (dir / "trip/loop").utf8_str()), 0);
    ASSERT_EQ(::symlink((dir / "elsewhere").utf8_str(), (dir / "trip/out").utf8_str()), 0);
    ASSERT_EQ(::symlink((dir / "elsewhere/b.jpg").utf8_str(), (dir / "trip/b.jpg").utf8_str()), 0);
    const std::vector<wxString> found = FolderScanner().scan(dir / "trip");
    EXPECT_EQ(found, (std::vector<wxString>{Uri::fromLocalPath(dir / "trip/a.jpg"),
                                            Uri::fromLocalPath(dir / "trip/b.jpg")}));
}

TEST(FolderScanner, LeavesOutTheProgramsDataFolderByWhateverPath)
{
    ScratchDir dir;
    dir.writeFile("home/photo.jpg", "p");
    dir.writeFile("home/Vistrelle/archive/abc/x.vsaf", "store");
    ASSERT_EQ(::symlink((dir / "home/Vistrelle").utf8_str(), (dir / "data").utf8_str()), 0);
    FolderScanner scanner({dir / "data"});
    EXPECT_EQ(scanner.scan(dir / "home"),
              (std::vector<wxString>{Uri::fromLocalPath(dir / "home/photo.jpg")}));
}

TEST(FolderScanner, StopsWhenAsked)
{
    ScratchDir dir;
    for (int i = 0; i < 120; ++i)
        dir.writeFile(wxString::Format("many/%03d/p.jpg", i), "p");
    std::vector<std::size_t> reports;
    FolderScanner* self = nullptr;
    FolderScanner scanner({}, [&](std::size_t found) {
        reports.push_back(found);
        self->stop();
    });
    self = &scanner;
    const std::size_t found = scanner.scan(dir / "many").size();
    EXPECT_EQ(found, 50u);
    EXPECT_EQ(reports.front(), 50u);
}

namespace {

// The inbox, with a hook run after each file entered it (to fail or stop an import there).
class HookedInbox : public InboxFolder {
public:
    std::function<void(File&)> afterAdded;
    void onFileAdded(File& file, const wxString& oldUri, bool newFile) override
    {
        InboxFolder::onFileAdded(file, oldUri, newFile);
        if (afterAdded)
            afterAdded(file);
    }
};

class ImportTaskTest : public PhotoLibraryTest {
protected:
    ImportTaskTest() { inbox = Quorvel::makeRef<HookedInbox>(); }

    // A JPEG on the user's disk taken at `dateTime`.
    wxString cameraPicture(const wxString& relative, const std::string& dateTime)
    {
        const wxString path = home / relative;
        wxFileName::Mkdir(wxFileName(path).GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
        TestPictures::JpegOptions options;
        options.exif = TestPictures::cameraExif(1, dateTime);
        TestPictures::writeJpeg(path, 64, 48, options);
        return Uri::fromLocalPath(path);
    }

    ImportTask::Files filesOf(const std::vector<wxString>& uris)
    {
        ImportTask::Files files;
        for (const wxString& uri : uris)
            files.push_back(manager->getFile(uri));
        return files;
    }

    // Runs an import of `uris` into the inbox to its end; returns its last event's type.
    // `workers` 1 takes the files strictly one after the other.
    wxEventType import(const std::vector<wxString>& uris, int workers = 2)
    {
        task = Quorvel::makeRef<ImportTask>(filesOf(uris), FolderRef(), inbox);
        task->setWorkerCount(workers);
        const TaskOutcome outcome = TaskOutcome::runToEnd(task);
        failure = outcome.failure();
        return outcome.endings == 1 ? outcome.type : wxEVT_NULL;
    }

    // Runs `this->task` to its end.
    void runTask()
    {
        Quorvel::TaskRunnerThread runner;
        runner.addTask(task, nullptr);
        runner.waitUntilStopped();
    }

    std::size_t storedFiles() const { return filesUnder(dataDir + "archive"); }

    Ref<HookedInbox> inbox;
    Ref<ImportTask> task;
    wxString failure;
};

} // namespace

TEST_F(ImportTaskTest, CopiesFilesWithTheirPictureTimesAndThumbnails)
{
    const std::vector<wxString> uris = {cameraPicture("card/IMG_0001.JPG", "2005:07:14 18:30:05"),
                                        makeComputerPicture("card/notes.txt", "a note")};
    EXPECT_EQ(import(uris), Quorvel::EVT_TASK_FINISHED);
    EXPECT_EQ(task->getImportedCount(), 2);
    EXPECT_EQ(task->getFailedCount(), 0);
    EXPECT_EQ(task->getLog(), "Import job started<p>");
    const ImportTask::Files imported = task->getImportedFiles();
    ASSERT_EQ(imported.size(), 2u);
    Ref<File> picture = Database::getInstance().loadFile(imported[0]->getURI());
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->getTime(), 1121365805);
    EXPECT_TRUE(wxFileExists(inbox->getThumbnailPath(*picture)));
    EXPECT_EQ(inbox->getFileCount(), 2);
    EXPECT_EQ(storedFiles(), 2u);
    // The originals stay.
    EXPECT_EQ(home.readFile("card/notes.txt"), "a note");
}

TEST_F(ImportTaskTest, FilesAlreadyInTheCatalogueAreSkippedBySizeAndContent)
{
    const std::vector<wxString> first = {makeComputerPicture("card/a.jpg", "picture A"),
                                         makeComputerPicture("card/b.jpg", "picture B")};
    ASSERT_EQ(import(first), Quorvel::EVT_TASK_FINISHED);
    // Same size as a and b but other bytes: a different picture.
    const wxString other = makeComputerPicture("card/c.jpg", "picture C");
    const wxString copyOfA = makeComputerPicture("card/copy of a.jpg", "picture A");
    ASSERT_EQ(import({first[0], first[1], other, copyOfA}), Quorvel::EVT_TASK_FINISHED);
    EXPECT_EQ(task->getImportedCount(), 1);
    EXPECT_EQ(task->getSkippedCount(), 3);
    EXPECT_EQ(inbox->getFileCount(), 3);
}

TEST_F(ImportTaskTest, FindsTheFilesItHasWithoutScanningTheCatalogueForEach)
{
    // A catalogue of a few hundred rows, none of them a duplicate but one.
    Database& database = Database::getInstance();
    const int rows = 400;
    for (int i = 0; i < rows; ++i) {
        auto file =
            Quorvel::makeRef<File>(wxString::Format("album://6f1c4b5e-2c1a-4d8e-9d0b-3b9f1f6a7c21/"
                                                    "00000000-0000-4000-8000-%012d",
                                                    i));
        file->setFileSize(100000 + i);
        database.addFile(*file);
    }
    const std::vector<wxString> first = {makeComputerPicture("card/a.jpg", "picture A")};
    ASSERT_EQ(import(first), Quorvel::EVT_TASK_FINISHED);
    const std::vector<wxString> uris = {
        first[0], makeComputerPicture("card/b.jpg", "picture B, longer"),
        makeComputerPicture("card/c.jpg", "picture C, longer still"),
        makeComputerPicture("card/d.jpg", "picture D, the longest one")};

    const int64_t before = database.getFullScanSteps();
    ASSERT_EQ(import(uris, 1), Quorvel::EVT_TASK_FINISHED);
    EXPECT_EQ(task->getSkippedCount(), 1);
    EXPECT_EQ(task->getImportedCount(), 3);
    // Each file looked for by scanning the catalogue would step through every row again.
    EXPECT_LT(database.getFullScanSteps() - before, rows);
}

TEST(FileSizeIndex, ReadsTheCatalogueInStepsAndThenOnlyWhatCameSince)
{
    ScratchDir dir;
    Database database;
    database.open(dir / "database.db");
    const auto add = [&](int number, int64_t size) {
        auto file = Quorvel::makeRef<File>(wxString::Format("inbox://%036d", number));
        file->setFileSize(size);
        database.addFile(*file);
    };
    for (int i = 0; i < 10; ++i)
        add(i, i % 3);
    add(10, int64_t(3) << 31); // 6 GiB: kept as the largest size there is
    FileSizeIndex sizes(database, 4);
    sizes.update();
    EXPECT_EQ(sizes.size(), 11u);
    EXPECT_EQ(sizes.rowsOfSize(1), (std::vector<int64_t>{2, 5, 8}));
    EXPECT_EQ(sizes.rowsOfSize(int64_t(5) << 31), (std::vector<int64_t>{11}));
    EXPECT_TRUE(sizes.rowsOfSize(7).empty());

    add(11, 7);
    sizes.update();
    EXPECT_EQ(sizes.size(), 12u);
    EXPECT_EQ(sizes.rowsOfSize(7), (std::vector<int64_t>{12}));

    // The last rows deleted and new ones added: the new rows take the old numbers again and
    // are still read, also when one has the number of the last row read.
    database.deleteFile(wxString::Format("inbox://%036d", 11));
    database.deleteFile(wxString::Format("inbox://%036d", 10));
    add(12, 9);
    sizes.update();
    EXPECT_EQ(sizes.rowsOfSize(9), (std::vector<int64_t>{11}));
    add(13, 9);
    sizes.update();
    EXPECT_EQ(sizes.rowsOfSize(9), (std::vector<int64_t>{11, 12}));
    EXPECT_EQ(sizes.size(), 12u);
    database.close();
}

TEST_F(ImportTaskTest, AFileThatFailsHalfWayLeavesNothingBehind)
{
    const wxString good = makeComputerPicture("card/good.jpg", "good");
    const wxString bad = makeComputerPicture("card/bad.jpg", "bad picture");
    inbox->afterAdded = [](File& file) {
        if (file.getFileName() == "bad.jpg")
            throw Quorvel::IOException("The catalogue could not take the picture");
    };
    // A directory opens but cannot be read: the copy fails in the middle.
    home.writeFile("card/folder.jpg/inside", "x");
    const wxString unreadable = Uri::fromLocalPath(home / "card/folder.jpg");
    // Counted before: the count is then kept by the files coming and going.
    EXPECT_EQ(inbox->getFileCount(), 0);
    ASSERT_EQ(import({good, bad, unreadable}), Quorvel::EVT_TASK_FINISHED);
    EXPECT_EQ(task->getImportedCount(), 1);
    EXPECT_EQ(task->getFailedCount(), 2);
    EXPECT_EQ(storedFiles(), 1u);
    EXPECT_EQ(filesUnder(dataDir + "thumbnails"), 0u); // not pictures: none for good.jpg either
    EXPECT_EQ(Database::getInstance().getFileCount(), 1);
    EXPECT_EQ(inbox->getFileCount(), 1);
    // The picture taken back out was announced and is announced gone.
    const std::vector<wxEventType> seen = events->types();
    EXPECT_EQ(std::count(seen.begin(), seen.end(), FILE_ADDED), 2);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), FILE_REMOVED), 1);
    EXPECT_TRUE(task->getLog().Contains("<p>Failure importing file:<br>" + bad +
                                        " The catalogue could not take the picture"));
    EXPECT_TRUE(task->getLog().Contains("<p>Failure importing file:<br>" + unreadable));
}

TEST_F(ImportTaskTest, StoppingEndsBetweenFilesAndKeepsThoseImported)
{
    std::vector<wxString> uris;
    for (int i = 1; i <= 5; ++i)
        uris.push_back(cameraPicture(wxString::Format("card/IMG_%04d.JPG", i),
                                     wxString::Format("2006:01:0%d 10:00:00", i).ToStdString()));
    int added = 0;
    inbox->afterAdded = [&](File&) {
        if (++added == 3)
            task->abort();
    };
    EXPECT_EQ(import(uris, 1), Quorvel::EVT_TASK_ABORTED);
    EXPECT_EQ(task->getImportedCount(), 3);
    EXPECT_EQ(Database::getInstance().getFileCount(), 3);
    for (const Ref<File>& file : task->getImportedFiles()) {
        EXPECT_GT(file->getTime(), 0);
        EXPECT_TRUE(wxFileExists(inbox->getThumbnailPath(*file)));
    }
}

TEST_F(ImportTaskTest, AFullDiskStopsTheImportWithAClearMessage)
{
    SmallFileSystem disk(dataDir + "archive", 64);
    if (!disk.isMounted())
        GTEST_SKIP() << "needs root to mount a small file system";
    const std::string big(40 * 1024, 'p');
    std::vector<wxString> uris;
    for (int i = 1; i <= 3; ++i)
        uris.push_back(
            makeComputerPicture(wxString::Format("card/%d.jpg", i), big + std::to_string(i)));
    EXPECT_EQ(import(uris, 1), Quorvel::EVT_TASK_FAILED);
    EXPECT_TRUE(failure.StartsWith("System.NotEnoughSpace: The disk that holds your pictures is "
                                   "full. 1 files were imported"))
        << failure;
    EXPECT_EQ(task->getImportedCount(), 1);
    // The third file was not tried.
    EXPECT_EQ(task->getFailedCount(), 1);
    EXPECT_EQ(Database::getInstance().getFileCount(), 1);
    EXPECT_EQ(home.readFile("card/2.jpg"), big + "2");
}

TEST(ImportSelection, CountsTheKindsAndKeepsTheTickedOnes)
{
    ImportTask::Files files;
    for (const char* name : {"a.jpg", "b.JPG", "c.mov", "d.wav", "e.txt", "f.thm"})
        files.push_back(Quorvel::makeRef<File>(wxString("file:///card/") + name));
    for (auto& file : files)
        file->setFileName(file->getURI().AfterLast('/'));
    const ImportSelection selection(files);
    EXPECT_EQ(selection.count(ImportFileKind::Photo), 2);
    EXPECT_EQ(selection.count(ImportFileKind::Video), 1);
    EXPECT_EQ(selection.count(ImportFileKind::Audio), 1);
    EXPECT_EQ(selection.count(ImportFileKind::Other), 2);
    const ImportSelection::Ticked photosAndAudio = {true, false, true, false};
    const ImportTask::Files chosen = selection.chosen(photosAndAudio);
    ASSERT_EQ(chosen.size(), 3u);
    EXPECT_EQ(chosen[2]->getFileName(), "d.wav");
    EXPECT_EQ(selection.skippedLines(photosAndAudio),
              (std::vector<wxString>{"1 video was skipped",
                                     "2 file were ignored (not video, audio or photo)"}));
    EXPECT_TRUE(selection.chosen({false, false, false, false}).empty());
}

TEST(ImportSelection, ResultLinesUseTheSingularForOne)
{
    EXPECT_EQ(ImportSelection::resultLines(1, 1, 1),
              (std::vector<wxString>{"1 file was successfully imported",
                                     "1 file was already in your collection and was skipped",
                                     "1 file was not imported due to an error"}));
    EXPECT_EQ(ImportSelection::resultLines(0, 0, 0),
              (std::vector<wxString>{"0 files were successfully imported"}));
    EXPECT_EQ(ImportSelection::resultLines(12, 2, 0)[1], "2 files were not imported due to errors");
}

TEST(ImportSelection, PicturesThisComputerCannotReadAreNamedAndLeftBehindUnlessOtherIsTicked)
{
    if (PictureFormats::canDecode(PictureFormats::Family::Raw))
        GTEST_SKIP() << "RAW files can be decoded here";
    const auto selectionOf = [](std::vector<const char*> names) {
        ImportTask::Files files;
        for (const char* name : names) {
            files.push_back(Quorvel::makeRef<File>(wxString("file:///card/") + name));
            files.back()->setFileName(name);
        }
        return ImportSelection(files);
    };
    const ImportSelection card = selectionOf({"a.jpg", "b.CR2", "c.cr2", "d.NEF", "e.txt"});
    EXPECT_EQ(card.count(ImportFileKind::Photo), 1);
    EXPECT_EQ(card.count(ImportFileKind::Other), 4);
    EXPECT_EQ(card.undecodableCount(), 3);
    EXPECT_EQ(card.undecodableExtensions(), "CR2, NEF");
    EXPECT_EQ(card.undecodableNote(),
              "3 pictures (CR2, NEF) cannot be read on this computer. They count as Other and are "
              "left behind unless Other is ticked.");
    EXPECT_EQ(card.skippedLines({true, true, true, false}),
              (std::vector<wxString>{
                  "1 file was ignored (not video, audio or photo)",
                  "3 pictures (CR2, NEF) were left behind: this computer cannot read them"}));
    // Other ticked: they are copied as files, and nothing is said to be left behind.
    EXPECT_TRUE(card.skippedLines({true, true, true, true}).empty());
    EXPECT_EQ(card.chosen({true, true, true, true}).size(), 5u);

    const ImportSelection one = selectionOf({"DSC_0001.nef"});
    EXPECT_EQ(one.undecodableNote(), "1 picture (NEF) cannot be read on this computer. It counts "
                                     "as Other and is left behind unless Other is ticked.");
    EXPECT_EQ(
        one.skippedLines({true, false, false, false}),
        (std::vector<wxString>{"1 picture (NEF) was left behind: this computer cannot read it"}));
    EXPECT_TRUE(selectionOf({"a.jpg", "b.txt"}).undecodableNote().empty());
}

TEST_F(ImportTaskTest, HeifPicturesFromAPhoneArriveAsPicturesWhereTheyCanBeDecoded)
{
    if (!PictureFormats::canDecode(PictureFormats::Family::Heif))
        GTEST_SKIP() << "HEIF pictures cannot be decoded here";
    const wxString path = home / "phone/IMG_0001.HEIC";
    try {
        TestPictures::writePicture(path, 64, 48, "HEIC");
    } catch (const std::exception& e) {
        GTEST_SKIP() << "no HEIF encoder here: " << e.what();
    }
    EXPECT_EQ(ImportFileKind::of("IMG_0001.HEIC"), ImportFileKind::Photo);
    ASSERT_EQ(import({Uri::fromLocalPath(path)}), Quorvel::EVT_TASK_FINISHED) << failure;
    ASSERT_EQ(task->getImportedCount(), 1);
    Ref<File> picture = Database::getInstance().loadFile(task->getImportedFiles()[0]->getURI());
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->getContentType(), "image/heic");
    EXPECT_TRUE(picture->isImage());
    EXPECT_EQ(picture->getImageWidth(), 64);
    EXPECT_EQ(picture->getImageHeight(), 48);
    EXPECT_TRUE(wxFileExists(inbox->getThumbnailPath(*picture)));
}

// libgphoto2's "Directory Browse" driver serves a folder as a camera would be served.
TEST_F(ImportTaskTest, ImportsFromACameraReadThroughLibgphoto2)
{
    cameraPicture("served/DCIM/100TEST/IMG_0001.JPG", "2007:03:01 09:15:00");
    home.writeFile("served/DCIM/100TEST/MVI_0002.MOV", "movie");
    const CameraList cameras = PtpCamera::listConnected([this] {
        return std::vector<PtpCamera::Detected>{{"Directory Browse", "disk:" + home / "served"}};
    });
    ASSERT_EQ(cameras.size(), 1u);
    FolderRef device;
    ImportTask::Files files;
    try {
        device = cameras[0]->getDeviceFolder();
        for (const wxString& uri : device->getFileUris())
            files.push_back(device->getFile(uri));
    } catch (const Quorvel::Exception& e) {
        GTEST_SKIP() << "libgphoto2 cannot serve a folder here: " << e.getMessage();
    }
    ASSERT_EQ(files.size(), 2u);
    task = Quorvel::makeRef<ImportTask>(files, device, inbox);
    runTask();
    EXPECT_EQ(task->getImportedCount(), 2);
    const ImportTask::Files imported = task->getImportedFiles();
    ASSERT_EQ(imported.size(), 2u);
    EXPECT_EQ(imported[0]->getFileName(), "IMG_0001.JPG");
    EXPECT_EQ(imported[0]->getTime(), 1172740500);
    EXPECT_EQ(readFile(inbox->getLocalPath(*imported[1])), "movie");
}

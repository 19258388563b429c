#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <future>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>

#include <wx/dir.h>
#include <wx/filefn.h>
#include <wx/image.h>

#include "LogCapture.h"
#include "PhotoLibraryTest.h"
#include "WaitUntil.h"
#include "core/LibraryLock.h"
#include "files/StoragePaths.h"
#include "importexport/ExternalEdit.h"
#include "importexport/FileMonitor.h"
#include "importexport/SpoolFolder.h"
#include "importexport/WatchList.h"
#include "system/Exceptions.h"
#include "util/OutputFile.h"
#include "util/Uuid.h"

using namespace Brenmarle;
using Quorvel::Ref;

namespace {

std::string jpegBytes(int width)
{
    if (!wxImage::FindHandler(wxBITMAP_TYPE_JPEG))
        wxImage::AddHandler(new wxJPEGHandler);
    ScratchDir scratch;
    wxImage image(width, 8);
    image.SetRGB(wxRect(0, 0, width, 8), 200, 30, 30);
    EXPECT_TRUE(image.SaveFile(scratch / "p.jpg", wxBITMAP_TYPE_JPEG));
    return scratch.readFile("p.jpg");
}

class SpoolTest : public PhotoLibraryTest {
protected:
    SpoolTest() : spoolDir(dataDir + "spool/"), spool(spoolDir)
    {
        wxFileName::Mkdir(spoolDir, 0700, wxPATH_MKDIR_FULL);
        album = makeAlbum("Holiday");
    }

    // An item as a producer writes it: the description, the picture, then the marker.
    void drop(const wxString& name, const std::string& xml, const std::string* bytes)
    {
        writeFile(spoolDir + name + ".xml", xml);
        if (bytes)
            writeFile(spoolDir + name + ".file", *bytes);
        writeFile(spoolDir + name + ".ready", "");
    }
    static std::string item(const wxString& uri, const std::string& meta = std::string())
    {
        return "<?xml version=\"1.0\"?><spoolitem><fileuri>" + std::string(uri.utf8_str()) +
               "</fileuri>" + meta + "</spoolitem>";
    }
    // The message of a ".fail" file (after the time and the line feed).
    wxString failure(const wxString& name)
    {
        const std::string text = readFile(spoolDir + name + ".fail");
        return wxString::FromUTF8(text.substr(text.find('\n') + 1));
    }
    bool inputsGone(const wxString& name)
    {
        return !wxFileExists(spoolDir + name + ".xml") &&
               !wxFileExists(spoolDir + name + ".file") &&
               !wxFileExists(spoolDir + name + ".ready") &&
               !wxFileExists(spoolDir + name + ".temp");
    }

    // How many events of `type` arrived so far.
    std::size_t received(wxEventType type)
    {
        events->processPending();
        const std::vector<wxEventType> types = events->types();
        return static_cast<std::size_t>(std::count(types.begin(), types.end(), type));
    }

    wxString spoolDir;
    SpoolFolder spool;
    Ref<AlbumFolder> album;
};

} // namespace

TEST_F(SpoolTest, ItemArrivesInItsAlbumWithItsMetadataAndThumbnail)
{
    const wxString uri = album->getURI() + Quorvel::Uuid::create();
    const std::string picture = jpegBytes(16);
    drop("one",
         item(uri, "<setmetadata><filename>Beach.jpg</filename><time>1000</time>"
                   "<timemask>7</timemask></setmetadata>"),
         &picture);

    EXPECT_EQ(1, spool.processAll());

    const std::string ok = readFile(spoolDir + "one.ok");
    ASSERT_FALSE(ok.empty());
    EXPECT_GT(std::stol(ok), 1000000000L);
    EXPECT_TRUE(inputsGone("one"));
    EXPECT_TRUE(album->contains(uri));
    Ref<File> file = Database::getInstance().loadFile(uri);
    EXPECT_EQ("Beach.jpg", file->getFileName());
    EXPECT_EQ(1000, file->getTime());
    EXPECT_EQ(7, file->getTimeMask());
    EXPECT_EQ("image/jpeg", file->getContentType());
    EXPECT_EQ(static_cast<int32_t>(picture.size()), file->getFileSize());
    EXPECT_EQ(picture, readFile(album->getLocalPath(*file)));
    EXPECT_TRUE(wxFileExists(album->getThumbnailPath(*file)));
    EXPECT_TRUE(waitUntil([&] { return received(FILE_ADDED) == 1; }));
}

TEST_F(SpoolTest, ItemWithoutPictureBytesIsCataloguedAlone)
{
    const wxString uri = album->getURI() + Quorvel::Uuid::create();
    drop("bare", item(uri), nullptr);
    spool.processAll();
    EXPECT_TRUE(wxFileExists(spoolDir + "bare.ok"));
    EXPECT_TRUE(album->contains(uri));
}

TEST_F(SpoolTest, BrokenItemsFailWithTheirReasonAndLoseTheirInputs)
{
    const wxString uuid = Quorvel::Uuid::create();
    const std::string picture = "bytes";
    writeFile(spoolDir + "noxml.ready", "");
    drop("badxml", "<spoolitem><fileuri>", &picture);
    drop("nouri", "<spoolitem><other/></spoolitem>", &picture);
    drop("nofolder", item("album://" + Quorvel::Uuid::create() + "/" + uuid), &picture);
    drop("entity",
         "<?xml version=\"1.0\"?><!DOCTYPE s [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>"
         "<s><fileuri>" +
             std::string(album->getURI().utf8_str()) + "&e;</fileuri></s>",
         &picture);
    drop("notmanaged", item("file://" + home.path() + "x.jpg"), &picture);

    EXPECT_EQ(6, spool.processAll());

    EXPECT_EQ("Could not find spool item XML-file", failure("noxml"));
    EXPECT_EQ("Could not load spool item XML document", failure("badxml"));
    EXPECT_EQ("No file uri in spool item XML", failure("nouri"));
    EXPECT_EQ("Could not find folder (spool file)", failure("nofolder"));
    EXPECT_EQ("Could not load spool item XML document", failure("entity"));
    EXPECT_EQ("Spool items can only be added to albums and the inbox", failure("notmanaged"));
    for (const char* name : {"noxml", "badxml", "nouri", "nofolder", "entity", "notmanaged"}) {
        EXPECT_TRUE(inputsGone(name)) << name;
        EXPECT_FALSE(wxFileExists(spoolDir + name + ".ok")) << name;
    }
    EXPECT_FALSE(wxFileExists(home / "x.jpg"));
}

TEST_F(SpoolTest, ItemNamingAFileThatExistsFailsAndChangesNothing)
{
    const wxString uuid = Quorvel::Uuid::create();
    const wxString uri = album->getURI() + uuid;
    const std::string first = jpegBytes(16);
    drop("first", item(uri), &first);
    spool.processAll();
    ASSERT_TRUE(wxFileExists(spoolDir + "first.ok"));
    Ref<File> file = manager->getFile(uri);
    const wxString stored = album->getLocalPath(*file);
    const int32_t size = file->getFileSize();

    Ref<AlbumFolder> other = makeAlbum("Other");
    const std::string second = "not the picture";
    drop("again", item(uri), &second);
    // The same UUID in another album would be stored on the same path.
    drop("otheralbum", item(other->getURI() + uuid), &second);
    drop("upper", item(album->getURI() + uuid.Upper()), &second);
    drop("escape", item(album->getURI() + "../" + uuid), &second);
    drop("longer", item(album->getURI() + "x" + uuid), &second);
    spool.processAll();

    for (const char* name : {"again", "otheralbum", "upper"})
        EXPECT_EQ("The file of the spool item exists already", failure(name)) << name;
    EXPECT_TRUE(wxFileExists(spoolDir + "escape.fail"));
    EXPECT_EQ("Invalid file uri in spool item XML", failure("longer"));
    EXPECT_EQ(first, readFile(stored));
    EXPECT_EQ(size, Database::getInstance().loadFile(uri)->getFileSize());
    EXPECT_EQ(0, other->getFileCount());
}

// The inbox is one fixed folder: a path step under it names no folder at all, and must not
// reach the catalogue or the store as a second inbox would.
TEST_F(SpoolTest, ItemAddressWithAnExtraStepUnderAFixedFolderIsRefused)
{
    const std::string picture = jpegBytes(16);
    const wxString uuid = Quorvel::Uuid::create();
    const int inboxFiles = manager->getFolder("inbox://")->getFileCount();
    drop("extra", item("inbox://extra/" + uuid), &picture);
    drop("empty", item("inbox:///" + uuid), &picture);
    drop("deeper", item("inbox://a/b/" + uuid), &picture);
    drop("inalbum", item(album->getURI() + "extra/" + uuid), &picture);
    // The same UUID straight in the inbox is a new file like any other.
    drop("plain", item("inbox://" + uuid), &picture);
    EXPECT_EQ(5, spool.processAll());

    for (const char* name : {"extra", "empty", "deeper", "inalbum"}) {
        EXPECT_EQ("Could not find folder (spool file)", failure(name)) << name;
        EXPECT_TRUE(inputsGone(name)) << name;
    }
    ASSERT_TRUE(wxFileExists(spoolDir + "plain.ok")) << failure("plain");
    EXPECT_EQ(inboxFiles + 1, manager->getFolder("inbox://")->getFileCount());
    EXPECT_EQ(1, Database::getInstance().getFileCount());
    EXPECT_EQ(0, album->getFileCount());
    // The one picture in the store is the plain item's.
    wxArrayString stored;
    wxDir::GetAllFiles(dataDir, &stored);
    const auto plainItems = [&uuid](const wxString& path) {
        return path.AfterLast('/').StartsWith(uuid) && !path.Contains("thumb");
    };
    EXPECT_EQ(1, std::count_if(stored.begin(), stored.end(), plainItems)) << wxJoin(stored, '\n');
    EXPECT_THROW(manager->getFolder("inbox://extra/"), Quorvel::NotFoundException);
}

namespace {

void setModifyTime(const wxString& path, time_t seconds, long nanoseconds)
{
    const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ASSERT_EQ(0, ::utimensat(AT_FDCWD, path.utf8_str(), times, 0));
}

} // namespace

TEST_F(SpoolTest, WatchedCopyIsWrittenBackOnlyOnceItSettled)
{
    const wxString uri = album->getURI() + Quorvel::Uuid::create();
    const std::string original = jpegBytes(16);
    drop("edit", item(uri), &original);
    spool.processAll();
    Ref<File> file = manager->getFile(uri);
    const int32_t modifyTime = file->getFileModifyTime() - 10;
    file->setFileModifyTime(modifyTime);
    const wxString oldThumbnail = album->getThumbnailPath(*file);
    writeFile(oldThumbnail, "thumbnail");
    const wxString copy = home / "edit/copy.jpg";
    writeFile(copy, original);
    setModifyTime(copy, 1000000000, 0);

    FileMonitor::Options options;
    options.startThread = false;
    FileMonitor monitor(spoolDir, options);
    monitor.watch(file, copy);
    using namespace std::chrono_literals;
    const auto t0 = WatchList::Clock::now();

    // Touched without a new modification time: nothing to write.
    setModifyTime(copy, 1000000000, 0);
    EXPECT_EQ(0, monitor.writeBack(t0 + 5s));

    // Saved in two steps half a second apart; the same size, times a nanosecond apart.
    const std::string half = jpegBytes(24);
    const std::string final = jpegBytes(24).substr(0, half.size() - 2) + "\xff\xd9";
    writeFile(copy, half);
    setModifyTime(copy, 1000000001, 1);
    EXPECT_EQ(0, monitor.writeBack(t0 + 6s));
    writeFile(copy, final);
    setModifyTime(copy, 1000000001, 2);
    EXPECT_EQ(0, monitor.writeBack(t0 + 6500ms));
    EXPECT_EQ(0, monitor.writeBack(t0 + 7400ms));
    EXPECT_EQ(original, readFile(album->getLocalPath(*file)));

    EXPECT_EQ(1, monitor.writeBack(t0 + 7600ms));
    EXPECT_EQ(final, readFile(album->getLocalPath(*file)));
    EXPECT_EQ(static_cast<int32_t>(final.size()),
              Database::getInstance().loadFile(uri)->getFileSize());
    // A new modify time names new thumbnails; the old thumbnail is gone.
    EXPECT_NE(modifyTime, file->getFileModifyTime());
    EXPECT_FALSE(wxFileExists(oldThumbnail));
    EXPECT_TRUE(waitUntil([&] { return received(FILE_CHANGED) >= 2; }));
    // Written once per change.
    EXPECT_EQ(0, monitor.writeBack(t0 + 20s));
    // Nothing but the picture is left in the store's folder: the copy went through a rename.
    EXPECT_EQ(1u, filesUnder(wxFileName(album->getLocalPath(*file)).GetPath()));
}

namespace {

// An album whose picture's copy is saved again by the other program (`saveAgain`) just as the
// monitor starts writing what it read back.
class SavedDuringReadBackAlbum : public AlbumFolder {
public:
    std::function<void()> saveAgain;

    std::unique_ptr<Quorvel::OutputFile> getFileOutputStream(File& file) override
    {
        if (auto save = std::exchange(saveAgain, nullptr))
            save();
        return AlbumFolder::getFileOutputStream(file);
    }
};

} // namespace

// A program that saves the copy again while it is read back, on a file system with whole-second
// times (a memory card, a network share), can leave it with the very size and time the monitor
// had read. What was read is dropped; the copy must still be written back, once.
TEST_F(SpoolTest, CopySavedAgainWhileReadBackIsWrittenBackLaterEvenWithTheSameSizeAndTime)
{
    Ref<SavedDuringReadBackAlbum> edits = makeAlbum<SavedDuringReadBackAlbum>("Edits");
    const wxString uri = edits->getURI() + Quorvel::Uuid::create();
    const std::string original = jpegBytes(16);
    drop("copy", item(uri), &original);
    spool.processAll();
    Ref<File> file = manager->getFile(uri);
    const wxString stored = edits->getLocalPath(*file);
    const wxString copy = home / "edit/copy.jpg";
    writeFile(copy, original);
    setModifyTime(copy, 1000000000, 0);

    FileMonitor::Options options;
    options.startThread = false;
    FileMonitor monitor(spoolDir, options);
    monitor.watch(file, copy);
    using namespace std::chrono_literals;
    const auto t0 = WatchList::Clock::now();

    const std::string first = jpegBytes(24);
    const std::string second = first.substr(0, first.size() - 3) + "\x01\xff\xd9";
    writeFile(copy, first);
    setModifyTime(copy, 1000000001, 0);
    EXPECT_EQ(0, monitor.writeBack(t0 + 1s));
    // Settled; read back while the program is half-way through saving it again.
    edits->saveAgain = [&copy] { writeFile(copy, "half"); };
    EXPECT_EQ(0, monitor.writeBack(t0 + 2500ms));
    EXPECT_TRUE(readFile(stored) == original) << "neither the first save nor half of the second";
    // The save ends within the same second, as large as the first.
    writeFile(copy, second);
    setModifyTime(copy, 1000000001, 0);

    EXPECT_EQ(1, monitor.writeBack(t0 + 3s) + monitor.writeBack(t0 + 5s));
    EXPECT_TRUE(readFile(stored) == second) << "the second save";
    EXPECT_EQ(0, monitor.writeBack(t0 + 20s));
}

TEST(WatchList, NeverWaitsForTheLibraryLock)
{
    ScratchDir dir;
    dir.writeFile("copy.jpg", "one");
    WatchList list(std::chrono::milliseconds(0));
    Ref<File> file = Quorvel::makeRef<File>("album://a/b");
    list.add(file, "album://a/b", dir / "copy.jpg");
    dir.writeFile("copy.jpg", "three");

    std::promise<void> locked;
    std::promise<void> release;
    std::thread holder([&] {
        LibraryLock lock;
        locked.set_value();
        release.get_future().wait();
    });
    locked.get_future().wait();
    auto work = std::async(std::launch::async, [&] {
        list.takeDue(WatchList::Clock::now());
        list.takeDue(WatchList::Clock::now());
        list.remove("album://a/b");
        list.add(file, "album://a/b", dir / "copy.jpg");
    });
    const bool finished = work.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    release.set_value();
    holder.join();
    EXPECT_TRUE(finished);
}

TEST_F(SpoolTest, MonitorThreadTakesDroppedItemsAndSettledCopies)
{
    const wxString uri = album->getURI() + Quorvel::Uuid::create();
    const std::string picture = jpegBytes(16);
    LogCapture log;
    {
        FileMonitor monitor(spoolDir);
        drop("live", item(uri), &picture);
        ASSERT_TRUE(waitUntil([&] { return wxFileExists(spoolDir + "live.ok"); }));
        EXPECT_TRUE(inputsGone("live"));

        Ref<File> file = manager->getFile(uri);
        const wxString copy = home / "live/copy.jpg";
        writeFile(copy, picture);
        monitor.watch(file, copy);
        const std::string edited = jpegBytes(32);
        writeFile(copy, edited);
        ASSERT_TRUE(waitUntil([&] { return readFile(album->getLocalPath(*file)) == edited; }));
    }
    wxLog::FlushActive(); // messages of other threads wait for the main thread
    EXPECT_TRUE(log.contains("[FILEMONITOR] Thread has reached the end"));
    EXPECT_TRUE(log.contains("was modified"));
}

TEST_F(SpoolTest, EditInAnotherProgramWorksOnACopyAndWritesItBack)
{
    const wxString uri = album->getURI() + Quorvel::Uuid::create();
    const std::string picture = jpegBytes(16);
    drop("toedit", item(uri, "<setmetadata><filename>a b;$(touch x).jpg</filename></setmetadata>"),
         &picture);
    spool.processAll();
    Ref<File> file = manager->getFile(uri);
    home.writeFile("editor.sh", "#!/bin/sh\nprintf 'edited' >> \"$1\"\n");
    ::chmod((home / "editor.sh").utf8_str(), 0755);
    {
        FileMonitor monitor(spoolDir);
        ExternalEdit::start(home / "editor.sh {file}", *file, monitor, dataDir);
        ASSERT_TRUE(
            waitUntil([&] { return readFile(album->getLocalPath(*file)) == picture + "edited"; }));
    }
    const wxString copy =
        dataDir + "temp/edit/" + StoragePaths::uriDigest(uri) + "/a b;$(touch x).jpg";
    EXPECT_EQ(picture + "edited", readFile(copy));
    EXPECT_EQ(1u, filesUnder(dataDir + "temp/edit"));
}

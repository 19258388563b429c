#include <gtest/gtest.h>

#include <cstdlib>

#include "LoopbackHttpServer.h"
#include "PhotoLibraryTest.h"
#include "ScratchDir.h"
#include "TestPictures.h"
#include "import/WebImport.h"
#include "main/CommandFile.h"

class CommandFileTest : public ::testing::Test {
protected:
    ScratchDir dir;
    std::vector<CommandFile::Action> actions;
    bool read(const std::string& content)
    {
        dir.writeFile("cmd.vscf", content);
        return CommandFile::read(dir / "cmd.vscf", actions);
    }
};

TEST_F(CommandFileTest, CommandsInDocumentOrderWithTheirFields)
{
    ASSERT_TRUE(read("<?xml version='1.0'?><commands>"
                     "<webimport><provider>lab</provider><defaultalbum>Ferie</defaultalbum>"
                     "<files><file>http://x/1.jpg</file><file>http://x/2.jpg</file></files></webimport>"
                     "<start/>"
                     "<importshare><accesstoken>t0k</accesstoken><files><fileid>a</fileid></files>"
                     "<serveruuid>u</serveruuid></importshare>"
                     "<openuri>app://view/inbox</openuri>"
                     "</commands>"));
    ASSERT_EQ(actions.size(), 4u);
    EXPECT_EQ(actions[0].name, "webimport");
    EXPECT_EQ(actions[0].fields.at("provider"), "lab");
    EXPECT_EQ(actions[0].fields.at("defaultalbum"), "Ferie");
    EXPECT_EQ(actions[0].files, (std::vector<wxString>{"http://x/1.jpg", "http://x/2.jpg"}));
    EXPECT_EQ(actions[1].name, "start");
    EXPECT_EQ(actions[2].fields.at("accesstoken"), "t0k");
    EXPECT_EQ(actions[2].files, std::vector<wxString>{"a"});
    EXPECT_EQ(actions[3].fields.at("uri"), "app://view/inbox");
}

TEST_F(CommandFileTest, UnknownElementIsSkippedAndTheRestRuns)
{
    ASSERT_TRUE(read("<c><format-disk/><start/></c>"));
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].name, "start");
}

TEST_F(CommandFileTest, BrokenXmlIsRefused)
{
    EXPECT_FALSE(read("<commands><start></commands>"));
    EXPECT_FALSE(read(""));
    EXPECT_TRUE(actions.empty());
}

TEST_F(CommandFileTest, MissingFileIsRefused)
{
    EXPECT_FALSE(CommandFile::read(dir / "absent.vscf", actions));
    EXPECT_FALSE(CommandFile::read(dir.path(), actions)); // a folder
}

TEST_F(CommandFileTest, OneMebibyteIsTheLimit)
{
    const std::string head = "<c><start/><!--";
    const std::string tail = "--></c>";
    std::string exact = head + std::string(CommandFile::MAX_SIZE - head.size() - tail.size(), 'x') + tail;
    ASSERT_EQ(exact.size(), 1048576u);
    EXPECT_TRUE(read(exact));
    EXPECT_EQ(actions.size(), 1u);
    actions.clear();
    std::string over = head + std::string(CommandFile::MAX_SIZE - head.size() - tail.size() + 1, 'x') + tail;
    EXPECT_FALSE(read(over));
    EXPECT_TRUE(actions.empty());
}

TEST_F(CommandFileTest, TheLimitHoldsForWhatIsParsedNotForTheFileSize)
{
    // A compressed document is small on disk; only the bytes in the file may be parsed.
    dir.writeFile("big.xml",
                  "<c><start/><!--" + std::string(2 * CommandFile::MAX_SIZE, 'x') + "--></c>");
    ASSERT_EQ(
        std::system(
            ("gzip -c '" + (dir / "big.xml") + "' > '" + (dir / "big.vscf") + "'").utf8_str()),
        0);
    EXPECT_FALSE(CommandFile::read(dir / "big.vscf", actions));
    EXPECT_TRUE(actions.empty());
}

TEST_F(CommandFileTest, EntitiesAreNeverExpanded)
{
    std::string laughs = "<?xml version='1.0'?><!DOCTYPE c [<!ENTITY l0 'lol'>";
    for (int i = 1; i <= 9; ++i) {
        laughs += "<!ENTITY l" + std::to_string(i) + " '";
        for (int j = 0; j < 10; ++j)
            laughs += "&l" + std::to_string(i - 1) + ";";
        laughs += "'>";
    }
    if (read(laughs + "]><c><openuri>&l9;</openuri></c>")) {
        ASSERT_EQ(actions.size(), 1u);
        EXPECT_EQ(actions[0].fields.at("uri"), "");
    }
    actions.clear();
    // Wide rather than deep: 64 KiB taken 1000 times passes the parser's own checks.
    ASSERT_TRUE(read("<?xml version='1.0'?><!DOCTYPE c [<!ENTITY a '" + std::string(65536, 'a') +
                     "'>]><c><openuri>app://x/&amp;" +
                     [] {
                         std::string references;
                         for (int i = 0; i < 1000; ++i)
                             references += "&a;";
                         return references;
                     }() +
                     "</openuri></c>"));
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].fields.at("uri"), "app://x/&");
}

TEST_F(CommandFileTest, ExternalEntitiesAreNotExpanded)
{
    dir.writeFile("secret.txt", "top secret");
    ASSERT_TRUE(read("<?xml version='1.0'?><!DOCTYPE c [<!ENTITY x SYSTEM 'file://" +
                     (dir / "secret.txt").utf8_string() +
                     "'>]><c><openuri>&x;</openuri></c>"));
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].fields.at("uri").Find("top secret"), wxNOT_FOUND);
}

// A command file's web import, run against a loopback web server into a scratch library whose
// downloads land in its own temporary folder.
class CommandFileWebImportTest : public PhotoLibraryTest {
protected:
    CommandFileWebImportTest()
    {
        if (const char* previous = std::getenv("TMPDIR"))
            m_previousTmp = previous;
        home.writeFile("tmp/.keep", "");
        setenv("TMPDIR", (home / "tmp").utf8_str(), 1);
    }
    ~CommandFileWebImportTest() override
    {
        if (m_previousTmp.empty())
            unsetenv("TMPDIR");
        else
            setenv("TMPDIR", m_previousTmp.c_str(), 1);
    }

    // A small JPEG of that width, as its bytes.
    std::string jpeg(int width)
    {
        const wxString path = home / wxString::Format("made/%d.jpg", width);
        home.writeFile(wxString::Format("made/%d.jpg", width), "");
        TestPictures::writeJpeg(path, width, 24);
        return readFile(path);
    }

    // Reads a command file holding one webimport of `paths` on the server and runs it.
    std::unique_ptr<Brenmarle::WebImport> runWebImport(const std::string& album,
                                                       const std::vector<std::string>& paths,
                                                       const std::string& extraFile = "")
    {
        std::string xml = "<?xml version='1.0'?><commands><webimport><provider>lab</provider>"
                          "<defaultalbum>" +
                          album + "</defaultalbum><description>From the lab</description><files>";
        for (const std::string& path : paths)
            xml += "<file>" + server.url(path).utf8_string() + "</file>";
        if (!extraFile.empty())
            xml += "<file>" + extraFile + "</file>";
        home.writeFile("cmd.vscf", xml + "</files></webimport></commands>");
        std::vector<CommandFile::Action> actions;
        if (!CommandFile::read(home / "cmd.vscf", actions) || actions.size() != 1)
            return nullptr;
        auto import = std::make_unique<Brenmarle::WebImport>(actions[0].fields.at("defaultalbum"),
                                                             actions[0].fields.at("description"),
                                                             actions[0].files);
        import->run();
        return import;
    }

    size_t leftoverDownloads() const { return filesUnder(home / "tmp") - 1; }

    LoopbackHttpServer server;

private:
    std::string m_previousTmp;
};

TEST_F(CommandFileWebImportTest, PicturesLandInANewAlbumWithThumbnails)
{
    for (int width : {32, 40, 48})
        server.enqueue(LoopbackHttpServer::Response::ok(jpeg(width)));
    auto import = runWebImport("Lab order", {"/p/1.jpg", "/p/2.jpg", "/p/3.jpg"});
    ASSERT_TRUE(import);
    EXPECT_TRUE(import->getFailures().empty());
    const auto albums = Brenmarle::AlbumFolder::getAlbums();
    ASSERT_EQ(albums.size(), 1u);
    const Quorvel::Ref<Brenmarle::AlbumFolder> album = albums.begin()->second;
    EXPECT_EQ(album->getName(), "Lab order");
    EXPECT_EQ(album->getDescription(), "From the lab");
    EXPECT_EQ(import->getDestination().get(), album.get());
    EXPECT_EQ(album->getFileCount(), 3);
    ASSERT_EQ(import->getImportedFiles().size(), 3u);
    for (const auto& file : import->getImportedFiles())
        EXPECT_TRUE(wxFileExists(album->getThumbnailPath(*file))) << file->getURI();
    EXPECT_EQ(leftoverDownloads(), 0u);

    // The next order goes to the same album, not to a second one of that name.
    server.enqueue(LoopbackHttpServer::Response::ok(jpeg(56)));
    ASSERT_TRUE(runWebImport("Lab order", {"/p/4.jpg"}));
    EXPECT_EQ(Brenmarle::AlbumFolder::getAlbums().size(), 1u);
    EXPECT_EQ(album->getFileCount(), 4);
}

TEST_F(CommandFileWebImportTest, FailedDownloadsAreReportedAndLeaveNothingBehind)
{
    // Two connections at once take the answers in either order: which file fails is open.
    LoopbackHttpServer::Response cut = LoopbackHttpServer::Response::ok(jpeg(40));
    cut.cutAfter = cut.head.size() + cut.body.size() / 2;
    server.enqueue(LoopbackHttpServer::Response::ok(jpeg(32)));
    server.enqueue(LoopbackHttpServer::Response::status(404, "Not Found"));
    server.enqueue(cut);
    // No album name: the inbox. A local file is no web address and is never read.
    home.writeFile("private.jpg", jpeg(48));
    auto import = runWebImport("", {"/p/1.jpg", "/p/2.jpg", "/p/3.jpg"},
                               "file://" + (home / "private.jpg").utf8_string());
    ASSERT_TRUE(import);
    EXPECT_EQ(import->getDestination()->getURI(), "inbox://");
    EXPECT_TRUE(Brenmarle::AlbumFolder::getAlbums().empty());
    ASSERT_EQ(import->getFailures().size(), 3u);
    EXPECT_EQ(import->getFailures()[0].second, "Not a web address");
    wxString reasons = import->getFailures()[1].second + "\n" + import->getFailures()[2].second;
    EXPECT_TRUE(reasons.Contains("Error downloading file: HTTP Response code 404")) << reasons;
    EXPECT_TRUE(reasons.Contains("does not match expected bytes")) << reasons;
    ASSERT_EQ(import->getImportedFiles().size(), 1u);
    EXPECT_EQ(import->getDestination()->getFileCount(), 1);
    EXPECT_EQ(Brenmarle::Database::getInstance().getFileCount(), 1);
    EXPECT_EQ(filesUnder(dataDir + "archive"), 1u);
    EXPECT_EQ(filesUnder(dataDir + "thumbnails"), 1u);
    EXPECT_EQ(leftoverDownloads(), 0u);

    // Nothing to fetch makes no album.
    auto refused = runWebImport("Never", {}, "/etc/hostname");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->getFailures().size(), 1u);
    EXPECT_TRUE(Brenmarle::AlbumFolder::getAlbums().empty());
}

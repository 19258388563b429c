#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <utility>
#include <vector>

#include <wx/filename.h>

#include "ScratchDir.h"
#include "TestZip.h"
#include "system/Exceptions.h"
#include "templates/TemplateArchive.h"

using Brenmarle::TemplateArchive;

namespace {

class TemplateArchiveTest : public ::testing::Test {
protected:
    TemplateArchiveTest() { wxFileName::Mkdir(target, 0755, wxPATH_MKDIR_FULL); }

    // Unpacks `entries` into `target`; the message of what was thrown, empty when nothing was.
    wxString unpack(const std::vector<ZipEntry>& entries,
                    const TemplateArchive::Limits& limits = TemplateArchive::Limits())
    {
        EXPECT_TRUE(writeZip(zip, entries));
        try {
            TemplateArchive::unpack(zip, target, {}, limits);
        } catch (const Quorvel::Exception& e) {
            return e.getMessage();
        }
        return wxString();
    }

    ScratchDir dir;
    // Two levels down, so that "../../x" would still land inside the scratch folder.
    const wxString target = dir / "user/templates/t-1";
    const wxString zip = dir / "package.zip";
};

} // namespace

TEST_F(TemplateArchiveTest, UnpacksFilesAndFoldersReportingEachEntry)
{
    ASSERT_TRUE(writeZip(zip, {{"pages/", "", ZipEntry::Folder},
                               {"pages/cover.xml", "<page/>"},
                               {"preview.png", std::string(70000, 'p')},
                               {"deep/er/notes.txt", "n"}}));
    std::vector<std::pair<size_t, size_t>> reports;
    TemplateArchive::unpack(zip, target,
                            [&](size_t done, size_t total) { reports.emplace_back(done, total); });
    EXPECT_EQ(readFile(target + "/pages/cover.xml"), "<page/>");
    EXPECT_EQ(readFile(target + "/preview.png"), std::string(70000, 'p'));
    EXPECT_EQ(readFile(target + "/deep/er/notes.txt"), "n");
    EXPECT_EQ(reports, (std::vector<std::pair<size_t, size_t>>{{1, 4}, {2, 4}, {3, 4}, {4, 4}}));
}

TEST_F(TemplateArchiveTest, NamesThatLeaveTheFolderRefuseTheWholePackage)
{
    for (const std::string name : {"../../evil", "/tmp/evil", "pages/../../../evil", "..",
                                   "pages\\..\\..\\evil", "./evil", "pages//evil", "a/./evil"}) {
        SCOPED_TRACE(name);
        // A good entry first: nothing of a refused package is written.
        const wxString error = unpack({{"good.txt", "g"}, {name, "bad"}});
        EXPECT_TRUE(error.StartsWith("Refused entry")) << error;
        EXPECT_EQ(filesUnder(dir.path()), 1u); // the package itself
        EXPECT_FALSE(wxFileExists(dir / "evil"));
        EXPECT_FALSE(wxFileExists(dir / "user/evil"));
    }
}

TEST_F(TemplateArchiveTest, LinksAreRefused)
{
    EXPECT_TRUE(unpack({{"link", "/etc/passwd", ZipEntry::Symlink}}).StartsWith("Refused entry"));
    // A link to a folder followed by a file "through" it is the classic escape.
    EXPECT_TRUE(unpack({{"out", "../..", ZipEntry::Symlink}, {"out/evil", "bad"}})
                    .StartsWith("Refused entry"));
    EXPECT_EQ(filesUnder(dir.path()), 1u);
    struct stat status {};
    EXPECT_NE(::lstat((target + "/out").fn_str(), &status), 0);
}

TEST_F(TemplateArchiveTest, EntryCountAndUnpackedSizeAreCapped)
{
    TemplateArchive::Limits limits;
    limits.maxEntries = 3;
    EXPECT_EQ(unpack({{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}}, limits),
              "Template package has too many entries");
    EXPECT_EQ(filesUnder(target), 0u);
    EXPECT_EQ(unpack({{"a", "1"}, {"b", "2"}, {"c", "3"}}, limits), "");
    wxFileName::Rmdir(target, wxPATH_RMDIR_RECURSIVE);
    wxFileName::Mkdir(target, 0755);

    limits = TemplateArchive::Limits();
    limits.maxBytes = 500;
    // One entry larger than the cap, and two that only together pass it: the bytes unpacked
    // are counted, not just each entry's own size.
    EXPECT_TRUE(unpack({{"big", std::string(501, 'x')}}, limits).Contains("more than 500 bytes"));
    EXPECT_TRUE(unpack({{"a", std::string(300, 'x')}, {"b", std::string(300, 'y')}}, limits)
                    .Contains("more than 500 bytes"));
}

TEST_F(TemplateArchiveTest, DuplicateEntriesDoNotOverwriteEachOther)
{
    EXPECT_TRUE(unpack({{"a.txt", "first"}, {"a.txt", "second"}}).Contains("Could not open file"));
    EXPECT_EQ(readFile(target + "/a.txt"), "first");
}

TEST_F(TemplateArchiveTest, WhatIsNoWholeZipIsAClearError)
{
    writeFile(zip, "PK\x03\x04 this is not really an archive");
    EXPECT_THROW(TemplateArchive::unpack(zip, target, {}), Quorvel::IOException);
    ASSERT_TRUE(writeZip(dir / "whole.zip", {{"a.txt", std::string(5000, 'a')}, {"b.txt", "b"}}));
    const std::string whole = readFile(dir / "whole.zip");
    writeFile(zip, whole.substr(0, whole.size() / 2));
    try {
        TemplateArchive::unpack(zip, target, {});
        ADD_FAILURE() << "a cut archive was unpacked";
    } catch (const Quorvel::IOException& e) {
        EXPECT_TRUE(e.getMessage().StartsWith("Could not read template package")) << e.getMessage();
    }
}

TEST(TemplateArchive, AcceptableNames)
{
    EXPECT_TRUE(TemplateArchive::isAcceptableName("preview.png"));
    EXPECT_TRUE(TemplateArchive::isAcceptableName("pages/"));
    EXPECT_TRUE(TemplateArchive::isAcceptableName("pages/1/cover..xml"));
    for (const std::string& name :
         std::vector<std::string>{"", "/", "/abs", "..", "../x", "x/..", "x\\y", "x//y", "./x",
                                  std::string("x\0y", 3), "x/\x01y"})
        EXPECT_FALSE(TemplateArchive::isAcceptableName(name)) << name;
}

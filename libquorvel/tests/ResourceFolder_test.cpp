#include <gtest/gtest.h>

#include <wx/filename.h>

#include "ScratchDir.h"
#include "system/ResourceFolder.h"

using Quorvel::ResourceFolder;

namespace {

void makeResources(const ScratchDir& dir, const wxString& folder)
{
    dir.writeFile(folder + "/vistrelle.ini", "[Application]\n");
    wxFileName::Mkdir(dir / folder + "/skin", 0755, wxPATH_MKDIR_FULL);
}

} // namespace

TEST(ResourceFolder, BesideTheExecutableWinsOverTheInstalledFolder)
{
    ScratchDir dir;
    makeResources(dir, "share/vistrelle");
    const ResourceFolder installed = ResourceFolder::find(dir / "bin", "vistrelle");
    EXPECT_TRUE(installed.isComplete());
    EXPECT_EQ(installed.getDir(), dir / "share/vistrelle/");
    EXPECT_TRUE(installed.describeMissing().empty());

    makeResources(dir, "bin");
    const ResourceFolder beside = ResourceFolder::find(dir / "bin/", "vistrelle");
    EXPECT_EQ(beside.getDir(), dir / "bin/");
    EXPECT_EQ(beside.getSearched()[1], dir / "share/vistrelle/");
}

TEST(ResourceFolder, IncompleteFoldersNameWhatIsMissing)
{
    ScratchDir dir;
    // A skin that is a file, not a folder, does not count.
    dir.writeFile("bin/vistrelle.ini", "");
    dir.writeFile("bin/skin", "");
    const ResourceFolder beside = ResourceFolder::find(dir / "bin", "vistrelle");
    EXPECT_FALSE(beside.isComplete());
    EXPECT_EQ(beside.getDir(), dir / "bin/");
    ASSERT_EQ(beside.getMissing().size(), 1u);
    EXPECT_EQ(beside.getMissing()[0], "skin/");
    const wxString message = beside.describeMissing();
    EXPECT_NE(message.Find("skin/"), wxNOT_FOUND) << message;
    EXPECT_NE(message.Find(dir / "share/vistrelle/"), wxNOT_FOUND) << message;

    // An installation that lost its configuration: the share folder is the one reported.
    wxFileName::Mkdir(dir / "share/vistrelle/skin", 0755, wxPATH_MKDIR_FULL);
    const ResourceFolder broken = ResourceFolder::find(dir / "bin", "vistrelle");
    EXPECT_EQ(broken.getDir(), dir / "share/vistrelle/");
    ASSERT_EQ(broken.getMissing().size(), 1u);
    EXPECT_EQ(broken.getMissing()[0], "vistrelle.ini");
}

TEST(ResourceFolder, TheIpcNameNamesTheConfigurationAndTheShareFolder)
{
    ScratchDir dir;
    makeResources(dir, "share/vistrelle");
    const ResourceFolder renamed = ResourceFolder::find(dir / "bin", "vistrelle-beta");
    EXPECT_FALSE(renamed.isComplete());
    EXPECT_EQ(renamed.getSearched()[1], dir / "share/vistrelle-beta/");
    EXPECT_EQ(renamed.getMissing()[0], "vistrelle-beta.ini");
}

#include <gtest/gtest.h>

#include <unistd.h>

#include <wx/filefn.h>

#include "ScratchDir.h"
#include "system/Exceptions.h"
#include "util/FolderTree.h"

using Quorvel::FolderTree;

TEST(FolderTree, RemovesNestedFoldersAndHiddenFiles)
{
    ScratchDir dir;
    dir.writeFile("tree/a/b/c/file.txt", "x");
    dir.writeFile("tree/.hidden", "x");
    dir.writeFile("tree/a/empty/.keep", "x");
    FolderTree::remove(dir / "tree");
    EXPECT_FALSE(wxDirExists(dir / "tree"));
    // Nothing to do is not a failure; nor is a plain file.
    FolderTree::remove(dir / "tree");
    dir.writeFile("file", "x");
    FolderTree::remove(dir / "file");
    EXPECT_EQ(filesUnder(dir.path()), 0u);
}

TEST(FolderTree, LinksAreRemovedNotFollowed)
{
    ScratchDir dir;
    dir.writeFile("outside/keep.txt", "keep");
    dir.writeFile("tree/sub/file", "x");
    ASSERT_EQ(::symlink((dir / "outside").utf8_str(), (dir / "tree/sub/dirlink").utf8_str()), 0);
    ASSERT_EQ(::symlink((dir / "outside/keep.txt").utf8_str(), (dir / "tree/filelink").utf8_str()),
              0);
    ASSERT_EQ(::symlink((dir / "outside").utf8_str(), (dir / "treelink").utf8_str()), 0);
    FolderTree::remove(dir / "tree/");
    FolderTree::remove(dir / "treelink/");
    EXPECT_FALSE(wxDirExists(dir / "tree"));
    EXPECT_FALSE(wxFileExists(dir / "treelink"));
    EXPECT_EQ(dir.readFile("outside/keep.txt"), "keep");
}

TEST(FolderTree, TooDeepATreeIsRefused)
{
    ScratchDir dir;
    wxString deep = "tree";
    for (int i = 0; i <= FolderTree::MAX_DEPTH + 1; ++i)
        deep += "/d";
    dir.writeFile(deep + "/file", "x");
    EXPECT_THROW(FolderTree::remove(dir / "tree"), Quorvel::IOException);
}

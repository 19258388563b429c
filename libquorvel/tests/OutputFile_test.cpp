#include <gtest/gtest.h>

#include <wx/filefn.h>

#include "ScratchDir.h"
#include "SmallFileSystem.h"
#include "system/Exceptions.h"
#include "util/OutputFile.h"

using Quorvel::OutputFile;

TEST(OutputFile, NothingIsVisibleUntilCommit)
{
    ScratchDir dir;
    {
        OutputFile out(dir / "photo.jpg");
        out.write("abc", 3);
        EXPECT_FALSE(wxFileExists(dir / "photo.jpg"));
        out.commit();
    }
    EXPECT_EQ(dir.readFile("photo.jpg"), "abc");
    EXPECT_EQ(filesUnder(dir.path()), 1u);
}

TEST(OutputFile, AbandonedWriteLeavesNothingBehind)
{
    ScratchDir dir;
    dir.writeFile("photo.jpg", "original");
    {
        OutputFile out(dir / "photo.jpg");
        out.write("partial", 7);
    }
    EXPECT_EQ(dir.readFile("photo.jpg"), "original");
    EXPECT_EQ(filesUnder(dir.path()), 1u);
}

TEST(OutputFile, FullDiskIsNotEnoughSpaceAndLeavesNoPartialFile)
{
    ScratchDir dir;
    SmallFileSystem disk(dir / "disk", 64);
    if (!disk.isMounted())
        GTEST_SKIP() << "needs root to mount a small file system";
    try {
        OutputFile out(disk.path() + "big.jpg");
        const std::string block(16 * 1024, 'x');
        for (int i = 0; i < 10; ++i)
            out.write(block.data(), block.size());
        out.commit();
        FAIL() << "160 KB fitted on a 64 KB disk";
    } catch (const Quorvel::IOException& e) {
        EXPECT_EQ(e.getCode(), "System.NotEnoughSpace");
        EXPECT_TRUE(e.getMessage().StartsWith("Could not write to file ")) << e.getMessage();
    }
    EXPECT_EQ(filesUnder(disk.path()), 0u);
}

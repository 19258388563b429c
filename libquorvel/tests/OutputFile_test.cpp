#include <gtest/gtest.h>

#include <sys/stat.h>

#include <wx/filefn.h>

#include "ScopedUmask.h"
#include "ScratchDir.h"
#include "SmallFileSystem.h"
#include "SyncRecorder.h"
#include "system/Exceptions.h"
#include "util/OutputFile.h"

using Quorvel::OutputFile;

namespace {

mode_t permissionsOf(const wxString& path)
{
    struct stat info {};
    return ::stat(path.utf8_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

} // namespace

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

TEST(OutputFile, FlushedCommitPutsTheBytesThenTheNameOnTheDisk)
{
    ScratchDir dir;
    const SyncRecorder flushes;
    OutputFile out(dir / "photo.jpg");
    out.write("abc", 3);
    out.commit(OutputFile::Replace::No, OutputFile::Flush::Yes);
    const int file = flushes.flushOrder(dir / "photo.jpg");
    EXPECT_GE(file, 0);
    EXPECT_GT(flushes.flushOrder(dir.path()), file);
}

TEST(OutputFile, PermissionsFollowTheUsersUmask)
{
    ScratchDir dir;
    for (const auto& [mask, expected] :
         {std::pair<mode_t, mode_t>{022, 0644}, {027, 0640}, {077, 0600}}) {
        const ScopedUmask umask(mask);
        const wxString path = dir / wxString::Format("photo-%o.jpg", mask);
        OutputFile out(path);
        out.commit();
        EXPECT_EQ(permissionsOf(path), expected) << std::oct << mask;
    }
}

TEST(OutputFile, NamesUpToTheLimitCanBeWritten)
{
    ScratchDir dir;
    // 255 bytes of two-byte letters and ASCII: the temporary name must be shortened between
    // letters, not fail for being 13 bytes longer.
    wxString name;
    for (int i = 0; i < 125; ++i)
        name += wxString::FromUTF8("\xc3\xb8");
    name += "x.jpg";
    ASSERT_EQ(name.utf8_string().size(), OutputFile::MAX_NAME_BYTES);
    {
        OutputFile out(dir / name);
        out.write("abc", 3);
        out.commit();
    }
    EXPECT_EQ(dir.readFile(name), "abc");
    EXPECT_EQ(filesUnder(dir.path()), 1u);
    EXPECT_EQ(OutputFile::utf8Prefix(name, 4), wxString::FromUTF8("\xc3\xb8\xc3\xb8"));
    EXPECT_EQ(OutputFile::utf8Prefix(name, 3), wxString::FromUTF8("\xc3\xb8"));
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

#include <gtest/gtest.h>

#include <wx/filefn.h>

#include "ScratchDir.h"
#include "SmallFileSystem.h"
#include "files/FileCopier.h"
#include "files/SafeFileName.h"
#include "system/Exceptions.h"

using Brenmarle::FileCopier;

namespace {

// A clock that advances by `stepMs` every time it is read.
FileCopier::Clock steppingClock(int64_t stepMs)
{
    auto now = std::make_shared<int64_t>(0);
    return [now, stepMs] { return *now += stepMs; };
}

} // namespace

TEST(FileCopier, FastSourceGrowsChunksFourfoldUpToTheLimit)
{
    ScratchDir dir;
    const std::string content(200 * 1024, 'p');
    dir.writeFile("photo.jpg", content);
    FileCopier copier(steppingClock(0));
    copier.copy(dir / "photo.jpg", dir / "copy.jpg");
    EXPECT_EQ(copier.getChunkSizes(), (std::vector<size_t>{1024, 4096, 16384, 65536, 256000}));
    EXPECT_EQ(dir.readFile("copy.jpg"), content);
}

TEST(FileCopier, SlowSourceAimsAtAbout150MillisecondsPerRead)
{
    EXPECT_EQ(FileCopier::nextChunk(1024, 100), 1536u);
    EXPECT_EQ(FileCopier::nextChunk(1024, 51), 3011u);
    EXPECT_EQ(FileCopier::nextChunk(1024, 50), 4096u);
    EXPECT_EQ(FileCopier::nextChunk(1024, 5000), FileCopier::MIN_CHUNK);
    EXPECT_EQ(FileCopier::nextChunk(200000, 1), FileCopier::MAX_CHUNK);

    ScratchDir dir;
    dir.writeFile("slow.jpg", std::string(10000, 's'));
    FileCopier copier(steppingClock(50)); // every read measures 50 ms... then 100 ms
    copier.copy(dir / "slow.jpg", dir / "copy.jpg");
    ASSERT_GE(copier.getChunkSizes().size(), 2u);
    EXPECT_EQ(copier.getChunkSizes()[0], 1024u);
    EXPECT_EQ(copier.getChunkSizes()[1], 4096u);
}

TEST(FileCopier, ClashingNamesGetNumbers)
{
    ScratchDir dir;
    // Names with an extension are checked through the computer folder.
    dir.writeFile("in/README", "text");
    wxMkdir(dir / "out");
    FileCopier copier;
    EXPECT_EQ(copier.copyToFreeName(dir / "in/README", dir / "out", "README"), dir / "out/README");
    EXPECT_EQ(copier.copyToFreeName(dir / "in/README", dir / "out", "README"), dir / "out/README (2)");
    EXPECT_EQ(filesUnder(dir / "out"), 2u);
}

TEST(FileCopier, NamesAtTheLengthLimitAreCopiedAndNumberedWithinIt)
{
    ScratchDir dir;
    const wxString name = wxString('n', 251) + ".jpg"; // 255 bytes
    dir.writeFile("in/" + name, "pixels");
    wxMkdir(dir / "out");
    FileCopier copier;
    EXPECT_EQ(copier.copyToFreeName(dir / ("in/" + name), dir / "out", name), dir / "out/" + name);
    EXPECT_EQ(copier.copyToFreeName(dir / ("in/" + name), dir / "out", name),
              dir / "out/" + wxString('n', 247) + " (2).jpg");
    EXPECT_EQ(dir.readFile("out/" + wxString('n', 247) + " (2).jpg"), "pixels");
}

TEST(FileCopier, MissingSourceCreatesNothing)
{
    ScratchDir dir;
    wxMkdir(dir / "out");
    EXPECT_THROW(FileCopier().copy(dir / "absent.jpg", dir / "out/copy.jpg"), Quorvel::IOException);
    EXPECT_EQ(filesUnder(dir / "out"), 0u);
}

TEST(FileCopier, FullDiskFailsWithItsMessageAndLeavesNothing)
{
    ScratchDir dir;
    SmallFileSystem disk(dir / "card", 64);
    if (!disk.isMounted())
        GTEST_SKIP() << "needs root to mount a small file system";
    const std::string content(200 * 1024, 'p');
    dir.writeFile("photo.jpg", content);
    try {
        FileCopier().copyToFreeName(dir / "photo.jpg", disk.path(), "photo.jpg");
        FAIL() << "200 KB fitted on a 64 KB card";
    } catch (const Quorvel::IOException& e) {
        EXPECT_EQ(e.getMessage(), "Error writing file! Not enough free disk space?");
        EXPECT_EQ(e.getCode(), "System.NotEnoughSpace");
    }
    EXPECT_EQ(filesUnder(disk.path()), 0u);
    EXPECT_EQ(dir.readFile("photo.jpg"), content);
}

TEST(SafeFileName, ReplacesWhatFatRefuses)
{
    using Brenmarle::SafeFileName;
    EXPECT_EQ(SafeFileName::make("a/b\\c:d*e?f\"g<h>i|j.jpg"), "a_b_c_d_e_f_g_h_i_j.jpg");
    EXPECT_EQ(SafeFileName::make(wxString::FromUTF8("Ærø\tferie.jpg")), wxString::FromUTF8("Ærø_ferie.jpg"));
    EXPECT_EQ(SafeFileName::make(".."), "_");
    EXPECT_EQ(SafeFileName::make(""), "_");
    EXPECT_EQ(SafeFileName::make("ok name (2).jpg"), "ok name (2).jpg");
    // A long name from a card or the web keeps its extension and fits the disk; letters are
    // not cut in half.
    EXPECT_EQ(SafeFileName::make(wxString('a', 300) + ".jpeg"), wxString('a', 250) + ".jpeg");
    wxString letters;
    for (int i = 0; i < 200; ++i)
        letters += wxString::FromUTF8("\xc3\xa6");
    EXPECT_EQ(SafeFileName::make(letters + ".jpg").utf8_string().size(), 254u);
}

TEST(SafeFileName, NumberGoesBeforeTheExtension)
{
    using Brenmarle::SafeFileName;
    EXPECT_EQ(SafeFileName::numbered("photo.jpg", 2), "photo (2).jpg");
    EXPECT_EQ(SafeFileName::numbered("archive.tar.gz", 3), "archive.tar (3).gz");
    EXPECT_EQ(SafeFileName::numbered("README", 12), "README (12)");
    EXPECT_EQ(SafeFileName::numbered(".hidden", 2), ".hidden (2)");
}

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include <wx/log.h>

#include "LogCapture.h"
#include "ScratchDir.h"
#include "media/JukeBox.h"

using Quorvel::JukeBox;
using Happening = JukeBox::Happening;

namespace {

// A mono 16-bit PCM WAV file of `ms` milliseconds of a quiet tone.
std::string wav(int ms)
{
    const std::uint32_t rate = 8000;
    const std::uint32_t samples = rate * static_cast<std::uint32_t>(ms) / 1000;
    std::string out;
    const auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out += static_cast<char>((v >> (8 * i)) & 0xff);
    };
    const auto u16 = [&](std::uint16_t v) {
        out += static_cast<char>(v & 0xff);
        out += static_cast<char>(v >> 8);
    };
    out += "RIFF";
    u32(36 + samples * 2);
    out += "WAVEfmt ";
    u32(16);
    u16(1); // PCM
    u16(1); // mono
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    out += "data";
    u32(samples * 2);
    for (std::uint32_t i = 0; i < samples; ++i)
        u16(static_cast<std::uint16_t>((i % 16 < 8) ? 300 : -300));
    return out;
}

// What the juke box went through, waited on as it happens.
class Journal {
public:
    JukeBox::Listener listener()
    {
        return [this](Happening happening, const wxString& path) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_entries.emplace_back(happening, path);
            m_changed.notify_all();
        };
    }
    bool waitFor(Happening happening, std::size_t count)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(30),
                                  [&] { return countLocked(happening) >= count; });
    }
    std::vector<wxString> paths(Happening happening)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<wxString> result;
        for (const auto& entry : m_entries)
            if (entry.first == happening)
                result.push_back(entry.second);
        return result;
    }

private:
    std::size_t countLocked(Happening happening) const
    {
        std::size_t count = 0;
        for (const auto& entry : m_entries)
            count += entry.first == happening;
        return count;
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::pair<Happening, wxString>> m_entries;
};

} // namespace

TEST(JukeBox, PlaysTheSongsInTurnFromEndOfStreamAndLogsThem)
{
    ScratchDir dir;
    dir.writeFile("one.wav", wav(150));
    dir.writeFile("two.wav", wav(150));
    LogCapture log;
    Journal journal;
    {
        JukeBox box(wxS("fakesink"), journal.listener());
        box.addSongs({dir / "one.wav", dir / "two.wav"});
        box.play();
        ASSERT_TRUE(journal.waitFor(Happening::Ended, 3));
        const std::vector<wxString> ended = journal.paths(Happening::Ended);
        EXPECT_EQ(ended[0], dir / "one.wav");
        EXPECT_EQ(ended[1], dir / "two.wav");
        EXPECT_EQ(ended[2], dir / "one.wav"); // round and round while the show lasts
    }
    wxLog::FlushActive();
    EXPECT_TRUE(log.contains(wxS("[JUKEBOX] Playing ") + dir / "two.wav"));
    EXPECT_TRUE(log.contains(wxS("[JUKEBOX] End of song ") + dir / "one.wav"));
    for (const char* line :
         {"[JUKEBOX] Destructor", "[JUKEBOX] Stopping...", "[JUKEBOX] Thread end!"})
        EXPECT_TRUE(log.contains(line)) << line;
}

TEST(JukeBox, SkipsASongThatFailsAndFallsSilentWhenAllFail)
{
    ScratchDir dir;
    dir.writeFile("broken.wav", "not a sound at all");
    dir.writeFile("good.wav", wav(100));
    Journal journal;
    {
        JukeBox box(wxS("fakesink"), journal.listener());
        box.addSongs({dir / "broken.wav", dir / "good.wav"});
        box.play();
        ASSERT_TRUE(journal.waitFor(Happening::Ended, 1));
        EXPECT_EQ(journal.paths(Happening::Failed).at(0), dir / "broken.wav");
        EXPECT_EQ(journal.paths(Happening::Ended).at(0), dir / "good.wav");
    }
    LogCapture log;
    Journal silent;
    {
        JukeBox box(wxS("fakesink"), silent.listener());
        box.addSongs({dir / "broken.wav", dir / "missing.wav"});
        box.play();
        ASSERT_TRUE(silent.waitFor(Happening::GaveUp, 1));
        EXPECT_FALSE(box.isPlaying());
        EXPECT_EQ(silent.paths(Happening::Failed).size(), 2u);
    }
    // The two failures were the last thing tried: no second round.
    EXPECT_EQ(silent.paths(Happening::Failed).size(), 2u);
    EXPECT_EQ(silent.paths(Happening::Started).size(), 2u);
    wxLog::FlushActive();
    EXPECT_TRUE(log.contains(wxS("[JUKEBOX] Could not play ") + dir / "broken.wav"));
}

TEST(JukeBox, WithoutAnAudioOutputStaysSilent)
{
    ScratchDir dir;
    dir.writeFile("one.wav", wav(100));
    LogCapture log;
    Journal journal;
    {
        JukeBox box(wxS("no-such-audio-sink"), journal.listener());
        box.addSong(dir / "one.wav");
        box.play();
        ASSERT_TRUE(journal.waitFor(Happening::Unavailable, 1));
    }
    EXPECT_TRUE(journal.paths(Happening::Started).empty());
    wxLog::FlushActive();
    EXPECT_TRUE(log.contains("ERROR: Could not create instance of media player"));
    EXPECT_TRUE(log.contains("[JUKEBOX] Destructor"));
}

TEST(JukeBox, RandomOrderPlaysEverySongOnceBeforeAnyAgain)
{
    // Quick calls, well within one second: a generator seeded from the clock before every
    // draw would keep choosing the same song.
    std::vector<wxString> songs;
    for (int i = 0; i < 8; ++i)
        songs.push_back(wxString::Format("/nowhere/%d.wav", i));
    JukeBox box(wxS("no-such-audio-sink"));
    box.addSongs(songs);
    box.setRandom(true);
    for (int round = 0; round < 3; ++round) {
        std::vector<wxString> heard;
        for (std::size_t i = 0; i < songs.size(); ++i) {
            const wxString before = box.getCurrentSong();
            box.next();
            EXPECT_NE(box.getCurrentSong(), before);
            heard.push_back(box.getCurrentSong());
        }
        std::sort(heard.begin(), heard.end());
        std::vector<wxString> all = songs;
        std::sort(all.begin(), all.end());
        EXPECT_EQ(heard, all) << "round " << round;
    }
}

TEST(JukeBox, PlayWithoutSongsDoesNothing)
{
    JukeBox box(wxS("fakesink"));
    box.play();
    EXPECT_FALSE(box.isPlaying());
    EXPECT_TRUE(box.getCurrentSong().empty());
}

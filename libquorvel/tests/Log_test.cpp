#include <gtest/gtest.h>

#include <vector>

#include <wx/utils.h>

#include "system/Log.h"

namespace {

// Collects what reaches the log target, with its level.
class RecordingLog : public wxLog {
public:
    std::vector<std::pair<wxLogLevel, wxString>> records;

protected:
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo&) override
    {
        records.emplace_back(level, msg);
    }
};

class LogTest : public ::testing::Test {
protected:
    LogTest() : m_previous(wxLog::SetActiveTarget(&log)) {}
    ~LogTest() override
    {
        wxLog::SetActiveTarget(m_previous);
        wxLog::RemoveTraceMask(Quorvel::TraceMask::DEBUG);
    }
    RecordingLog log;

private:
    wxLog* m_previous;
};

} // namespace

TEST_F(LogTest, DebugDiagnosticsAppearOnlyWithTheDebugMask)
{
    wxLog::RemoveTraceMask(Quorvel::TraceMask::DEBUG);
    QDEBUG("[DATABASE] Opening database at %s...", "/tmp/x");
    EXPECT_TRUE(log.records.empty());
    wxLog::AddTraceMask(Quorvel::TraceMask::DEBUG);
    QDEBUG("[DATABASE] Opening database at %s...", "/tmp/x");
    ASSERT_EQ(log.records.size(), 1u);
    // The toolkit puts the mask in front of trace messages.
    EXPECT_EQ(log.records[0].second, "(DEBUG) [DATABASE] Opening database at /tmp/x...");
}

TEST_F(LogTest, ErrorsAlwaysReachTheTarget)
{
    wxLogError("Could not open database: %s", "locked");
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(log.records[0].first, wxLOG_Error);
    EXPECT_EQ(log.records[0].second, "Could not open database: locked");
}

TEST_F(LogTest, StartupMasksAreExactlyTheFive)
{
    Quorvel::enableStartupTraceMasks();
    for (const char* mask : {"STARTUP", "EXTERNAL", "TIMING", "TEMP", "REF"})
        EXPECT_TRUE(wxLog::IsAllowedTraceMask(mask)) << mask;
    EXPECT_FALSE(wxLog::IsAllowedTraceMask("DEBUG"));
}

TEST_F(LogTest, MasksComeFromWxtrace)
{
    wxSetEnv("WXTRACE", "DEBUG,CUSTOM");
    Quorvel::enableTraceMasksFromEnvironment();
    wxUnsetEnv("WXTRACE");
    EXPECT_TRUE(wxLog::IsAllowedTraceMask("DEBUG"));
    EXPECT_TRUE(wxLog::IsAllowedTraceMask("CUSTOM"));
    wxLog::RemoveTraceMask("CUSTOM");
}

TEST_F(LogTest, TimingLogShowsTheElapsedMilliseconds)
{
    Quorvel::enableStartupTraceMasks();
    const long start = Quorvel::elapsedMs() - 1000;
    Quorvel::logTiming(start, "Created directories");
    ASSERT_EQ(log.records.size(), 1u);
    long ms = 0;
    wxString rest;
    ASSERT_TRUE(log.records[0].second.StartsWith("(TIMING) [TIMING] [", &rest));
    ASSERT_TRUE(rest.BeforeFirst(' ').ToLong(&ms));
    EXPECT_GE(ms, 1000);
    EXPECT_TRUE(log.records[0].second.EndsWith(" ms] Created directories"));
}

TEST(Stopwatch, RestartStartsFromZeroAndTimeMovesForward)
{
    const long first = Quorvel::elapsedMs();
    EXPECT_GE(Quorvel::elapsedMs(), first);
    EXPECT_LE(Quorvel::elapsedMs(true), 1000);
}

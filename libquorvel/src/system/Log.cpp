#include "system/Log.h"

#include <cstdio>
#include <mutex>

#include <wx/stopwatch.h>
#include <wx/tokenzr.h>
#include <wx/utils.h>

namespace Quorvel {

namespace {

std::mutex& stopwatchMutex()
{
    static std::mutex mutex;
    return mutex;
}

wxStopWatch& stopwatch()
{
    static wxStopWatch watch;
    return watch;
}

// Writes every record to stderr, including debug and trace records, which wxLogStderr would
// route through wxMessageOutputDebug with a different format.
class StderrLog : public wxLog {
protected:
    void DoLogTextAtLevel(wxLogLevel, const wxString& msg) override
    {
        const wxScopedCharBuffer utf8 = msg.utf8_str();
        std::fprintf(stderr, "%s\n", utf8.data());
        std::fflush(stderr);
    }
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo& info) override
    {
        wxString line;
        TimeStampMS(&line, info.timestampMS);
        DoLogTextAtLevel(level, line + msg);
    }
};

// Marks a record that is for the log only (logBackgroundError).
const char* const BACKGROUND_KEY = "quorvel.background";

bool isBackground(const wxLogRecordInfo& info)
{
    wxUIntPtr value = 0;
    return info.GetNumValue(BACKGROUND_KEY, &value) && value != 0;
}

// The GUI chain: everything goes to stderr; only what the user is meant to see (errors,
// warnings, messages, status, but not background errors) is passed on to the previous target,
// which shows it.
class StderrChainLog : public StderrLog {
public:
    explicit StderrChainLog(wxLog* gui) : m_gui(gui) {}
    ~StderrChainLog() override { delete m_gui; }

    // Forgets the GUI target and what it still meant to show, without showing it.
    void dropGui()
    {
        delete m_gui;
        m_gui = nullptr;
    }
    // Passes nothing more to the GUI target, which may be showing a dialog right now.
    void mute() { m_muted = true; }

protected:
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo& info) override
    {
        StderrLog::DoLogRecord(level, msg, info);
        if (m_gui && !m_muted && level <= wxLOG_Status && !isBackground(info))
            m_gui->LogRecord(level, msg, info);
    }
    void Flush() override
    {
        if (m_gui && !m_muted)
            m_gui->Flush();
    }

private:
    wxLog* m_gui;
    bool m_muted = false;
};

void assertToStderr(const wxString& file, int line, const wxString& func, const wxString& cond,
                    const wxString& msg)
{
    std::fprintf(stderr, "ASSERTION FAILED %s:%d %s: %s %s\n", file.utf8_str().data(), line,
                 func.utf8_str().data(), cond.utf8_str().data(), msg.utf8_str().data());
    std::fflush(stderr);
}

} // namespace

long elapsedMs(bool restart)
{
    std::lock_guard<std::mutex> lock(stopwatchMutex());
    if (restart)
        stopwatch().Start();
    return stopwatch().Time();
}

void logTiming(long startMs, const wxString& label)
{
    wxLogTrace(TraceMask::TIMING, "[TIMING] [%ld ms] %s", elapsedMs() - startMs, label);
}

void enableStartupTraceMasks()
{
    for (const char* mask : {TraceMask::STARTUP, TraceMask::EXTERNAL, TraceMask::TIMING,
                             TraceMask::TEMP, TraceMask::REF})
        wxLog::AddTraceMask(mask);
}

void enableTraceMasksFromEnvironment()
{
    wxString masks;
    if (!wxGetEnv("WXTRACE", &masks))
        return;
    wxStringTokenizer tokens(masks, ",;: ");
    while (tokens.HasMoreTokens())
        wxLog::AddTraceMask(tokens.GetNextToken());
}

void logBackgroundError(const wxString& message)
{
    wxLogger(wxLOG_Error, __FILE__, __LINE__, __func__, wxLOG_COMPONENT)
        .Store(BACKGROUND_KEY, 1)
        .Log("%s", message);
}

void keepLogOutOfDialogs()
{
    if (auto* chain = dynamic_cast<StderrChainLog*>(wxLog::GetActiveTarget()))
        chain->mute();
    wxSetAssertHandler(assertToStderr);
}

void chainLogToStderr()
{
    static bool chained = false;
    if (chained)
        return;
    chained = true;
    wxLog* gui = wxLog::GetActiveTarget();
    wxLog::SetActiveTarget(new StderrChainLog(gui));
}

void logOnlyToStderr()
{
    // Replacing a target flushes it; a GUI target would show its pending messages in a modal
    // dialog, which is exactly what this must avoid.
    if (auto* chain = dynamic_cast<StderrChainLog*>(wxLog::GetActiveTarget()))
        chain->dropGui();
    delete wxLog::SetActiveTarget(new StderrLog);
    wxLog::SetLogLevel(wxLOG_Max);
    wxLog::SetVerbose(true);
    wxSetAssertHandler(assertToStderr);
}

} // namespace Quorvel

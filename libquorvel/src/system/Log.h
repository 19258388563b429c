#pragma once
// Logging conventions. Diagnostics are trace messages under the mask "DEBUG", each starting with
// the writer's upper-case tag in brackets: QDEBUG("[DATABASE] Opening database at %s...", path).
// Start-up traces use the masks below and print Quorvel::elapsedMs() first. Errors the user must
// see go through wxLogError.
//
// Masks can be switched on from outside with the toolkit's WXTRACE variable
// (WXTRACE=DEBUG,STARTUP); the program itself enables only the start-up masks.

#include <wx/log.h>
#include <wx/string.h>

namespace Quorvel {

namespace TraceMask {
inline constexpr const char* DEBUG = "DEBUG";
inline constexpr const char* STARTUP = "STARTUP";
inline constexpr const char* EXTERNAL = "EXTERNAL";
inline constexpr const char* TIMING = "TIMING";
inline constexpr const char* TEMP = "TEMP";
inline constexpr const char* REF = "REF";
} // namespace TraceMask

// Milliseconds since the process-wide stopwatch started (on first use). With restart set,
// the stopwatch starts again first. Thread-safe.
long elapsedMs(bool restart = false);

// Logs "[TIMING] [%ld ms] %s": the milliseconds since `startMs` (an elapsedMs() value) and label.
void logTiming(long startMs, const wxString& label);

// Enables the five start-up masks ("STARTUP", "EXTERNAL", "TIMING", "TEMP", "REF").
void enableStartupTraceMasks();

// Re-reads WXTRACE (comma separated masks) and enables each mask it names. The toolkit does
// this itself when an application object initialises; programs and tests without one call it.
void enableTraceMasksFromEnvironment();

// Sends every message to standard error as well as to the current target (which, in the
// GUI, shows errors to the user). Safe to call more than once.
void chainLogToStderr();

// An error of work that another program started (a spool item): it goes to the log at error
// level but never to a dialog on the user's screen, whom nobody asked. Any thread.
void logBackgroundError(const wxString& message);

// From now on nothing logged reaches a dialog: messages go to standard error only, and what
// the dialog target still held is never shown. Unlike logOnlyToStderr, safe while that target is
// showing a dialog further up the stack (it is only let go of later). GUI thread.
void keepLogOutOfDialogs();

// For tests and console tools: log only to standard error, never to a dialog, and turn
// toolkit assertions into stderr messages instead of modal dialogs.
void logOnlyToStderr();

} // namespace Quorvel

// The application debug log: a trace message under the "DEBUG" mask.
#define QDEBUG(...) wxLogTrace(::Quorvel::TraceMask::DEBUG, __VA_ARGS__)
// A trace message under one of the named start-up masks.
#define QTRACE(mask, ...) wxLogTrace(::Quorvel::TraceMask::mask, __VA_ARGS__)

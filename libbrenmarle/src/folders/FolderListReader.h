#pragma once
// Reads the files of a catalogue folder (an album, the inbox) on a thread of its own and posts
// them to a handler in batches (FolderListEvent), in the folder's order: the order its files
// arrived, the catalogue's rowid order. A view of a 100,000-picture album shows its first
// screenful at once and takes the rest as it comes.
//
// The folder is listed along the catalogue's URI key in steps, then its rows are read in
// batches; each step and batch holds the library lock only a moment, so the GUI thread, which
// takes that lock for every file it draws, never waits long. The list is the folder as it was
// when the reader started: files that arrive later come as the file manager's news; a file
// deleted or moved away before its batch is read is left out. Files already in memory keep
// their objects; the others are registered with the file manager (which must exist).
//
// In Mode::Rows the reader makes no files: it posts the folder's rowids, in its order, as soon
// as they are listed, then walks the folder again for its earliest and latest picture time
// and posts those last. A view that makes files only for what it draws holds 100,000 rowids
// instead of 100,000 files.
//
// Threads: construct, cancel() and destroy on the handler's thread (the GUI thread). Batches
// are posted under the library lock, so they keep their order with the file manager's news.
// After cancel() or the destructor has returned nothing more is posted; batches already
// queued carry the serial given here, by which the handler knows them as old.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <wx/event.h>
#include <wx/string.h>

#include "files/File.h"

namespace Brenmarle {

class Database;
class FolderListEvent;

class FolderListReader {
public:
    using Files = std::vector<Quorvel::Ref<File>>;

    // The first batch is small, so the first screenful comes quickly; the others are larger.
    static constexpr std::size_t FIRST_BATCH = 200;
    static constexpr std::size_t BATCH = 2000;
    // URIs listed per step along the catalogue's key; rows read per hold of the library lock
    // (a few milliseconds), and the pause after each, in which a waiting thread takes it.
    static constexpr int LIST_STEP = 5000;
    static constexpr std::size_t STEP = 250;
    static constexpr std::chrono::microseconds PAUSE{300};

    enum class Mode { Files, Rows };

    // Starts reading `folderUri` (ending in "/") for `handler`. Throws
    // Quorvel::RuntimeException when the thread cannot be started.
    FolderListReader(Database& database, const wxString& folderUri, wxEvtHandler* handler,
                     int serial, Mode mode = Mode::Files);
    // Cancels and waits for the thread (at most the step in progress).
    ~FolderListReader();
    FolderListReader(const FolderListReader&) = delete;
    FolderListReader& operator=(const FolderListReader&) = delete;

    // Nothing more is posted once this returns. The thread ends after its current step.
    void cancel();
    int getSerial() const { return m_serial; }

    // The pieces, also for a caller that reads a small folder at once. The rowids of the
    // folder's files in its order, listed in steps; stops early (with what it has) when
    // `cancelled` becomes true.
    static std::vector<int64_t> listRowIds(Database& database, const wxString& folderUri,
                                           const std::atomic<bool>* cancelled = nullptr);
    // The files of `rowids` still in the folder, registered with the file manager.
    static Files readFiles(Database& database, const wxString& folderUri,
                           const std::vector<int64_t>& rowids);

    // The earliest and latest picture time of the folder's dated files (0 and 0 when none),
    // walked in steps; stops early when `cancelled` becomes true.
    static void readTimes(Database& database, const wxString& folderUri, int32_t& firstTime,
                          int32_t& lastTime, const std::atomic<bool>* cancelled = nullptr);

private:
    void run();
    void runFiles();
    void runRows();
    void postError(const wxString& error);
    // Posts under the library lock unless cancelled; false when cancelled.
    bool post(std::unique_ptr<FolderListEvent> event);

    Database& m_database;
    const wxString m_folderUri;
    wxEvtHandler* const m_handler;
    const int m_serial;
    const Mode m_mode;
    // Worker thread only.
    std::size_t m_batches = 0;
    std::atomic<bool> m_cancelled{false};
    // Held while posting, and by cancel(), so that no post starts after cancel() returns.
    std::mutex m_postMutex;
    std::thread m_thread;
};

} // namespace Brenmarle

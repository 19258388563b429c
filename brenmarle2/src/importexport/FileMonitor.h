#pragma once
// The file monitor: one background thread that adds the pictures other programs leave in the
// spool folder to the catalogue (see SpoolFolder) and writes back copies of catalogue files
// edited in other programs (see WatchList) once they have settled.
//
// The thread sleeps on inotify (the spool folder and the folders of the watched copies) and on
// the next settling deadline, with a slow poll as fallback for what inotify misses (a spool
// folder made later, a file system without events); an idle program spends no time here.
//
// Threads: watch()/unwatch()/stop() from any thread. The thread takes the library lock through
// the catalogue, file and folder calls it makes, never while holding the watch list's mutex.
// Lifetime: made at start-up, stopped at exit before the file manager and the catalogue go.

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include <wx/string.h>

#include "files/File.h"
#include "importexport/SpoolFolder.h"
#include "importexport/WatchList.h"

class FileMonitor {
public:
    struct Options {
        // Without the thread, tests drive processSpool() and writeBack() themselves.
        bool startThread = true;
        std::chrono::milliseconds settlingTime{1000};
        std::chrono::milliseconds slowPoll{5000};
    };

    // `spoolDir` (ending in "/") is created (readable by the user only) when missing.
    explicit FileMonitor(const wxString& spoolDir);
    FileMonitor(const wxString& spoolDir, const Options& options);
    ~FileMonitor();
    FileMonitor(const FileMonitor&) = delete;
    FileMonitor& operator=(const FileMonitor&) = delete;

    // `path` is a copy of `file` being edited elsewhere; its changes go back into the file.
    void watch(const Quorvel::Ref<Brenmarle::File>& file, const wxString& path);
    void unwatch(const wxString& uri);
    // Ends the thread ("[FILEMONITOR] Thread has reached the end"), waiting for the item or copy
    // in hand, and stops watching. Safe to call twice.
    void stop();

    // One pass over the spool folder.
    void processSpool();
    // Writes back every settled copy at `now`; returns how many were written.
    int writeBack(WatchList::Clock::time_point now);

    // Writes the copy at `path` over `file` through a temporary file and rename, unless the
    // copy changed meanwhile (then false); re-reads the file, stores it and announces it.
    static bool writeBackCopy(Brenmarle::File& file, const wxString& path,
                              const WatchList::Signature& signature);

private:
    void run();
    void wake();
    // Adds inotify watches for the spool folder and the copies' folders that lack one.
    void updateWatches();
    int waitMs() const;

    Options m_options;
    SpoolFolder m_spool;
    WatchList m_watchList;
    int m_inotify = -1;
    int m_wake = -1;
    std::mutex m_watchMutex;           // guards m_watched
    std::map<wxString, int> m_watched; // folder -> inotify watch
    std::thread m_thread;
    bool m_stopping = false; // set under m_watchMutex
};

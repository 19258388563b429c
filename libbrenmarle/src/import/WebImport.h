#pragma once
// Pictures a web page asks the program to import (a command file's "webimport"): each address
// is downloaded through its HTTP folder and copied into the named album by the import task, so
// a download that fails leaves nothing behind in the store or the catalogue.
//
// The import runs in three steps, so that a window can run the downloads on a task runner of
// its own and stay responsive: prepare() gives the import task, the owner runs it (and may stop
// it), finish() reports. run() does all three, blocking.
//
// Threads: prepare() and finish() where the library may be used (albums loaded), the GUI
// thread of a running window included; the task on a runner. run() blocks until every file was
// tried: not for the GUI thread of a running window, the downloads take their time.

#include <utility>
#include <vector>

#include "import/ImportTask.h"

namespace Brenmarle {

class WebImport {
public:
    // `albumName` names the destination album (made, with `description`, when no album has that
    // name); empty means the inbox. `uris` are http or https addresses of the files.
    WebImport(const wxString& albumName, const wxString& description, std::vector<wxString> uris);

    // Checks the addresses (each refused one is logged and listed at once) and has the
    // destination; returns the task that imports the rest. Null when no web address is among
    // the files: then no album is made and getDestination() stays null. A destination that
    // cannot be had throws Quorvel::Exception.
    Quorvel::Ref<ImportTask> prepare();
    // Once the task of prepare() has ended, however it ended: every file that failed is logged
    // ("Web import of %s failed: %s") and listed in getFailures(), and so are the files a stop
    // or a full disk kept it from reaching.
    void finish();
    // prepare(), the task on a runner of its own, finish().
    void run();

    const Quorvel::Ref<ManagedFolder>& getDestination() const { return m_destination; }
    ImportTask::Files getImportedFiles() const;
    // Address and reason of each file not imported (addresses refused first, then downloads and
    // copies that failed); files an early stop of the import did not reach come last, together.
    const std::vector<std::pair<wxString, wxString>>& getFailures() const { return m_failures; }

private:
    Quorvel::Ref<ManagedFolder> resolveDestination();
    void fail(const wxString& uri, const wxString& reason);

    const wxString m_albumName;
    const wxString m_description;
    const std::vector<wxString> m_uris;
    Quorvel::Ref<ManagedFolder> m_destination;
    Quorvel::Ref<ImportTask> m_task;
    std::vector<std::pair<wxString, wxString>> m_failures;
};

} // namespace Brenmarle

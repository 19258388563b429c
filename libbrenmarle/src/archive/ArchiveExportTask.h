#pragma once
// Exports albums (and the picture inbox) into a folder the user chose: one sub-folder per
// album, named after it, holding each picture copied byte for byte as the program keeps it
// (edits saved into the picture included) under its own file name, with an XMP sidecar
// (XmpSidecar) for what the catalogue knows about it. The copies keep the pictures' file times.
//
// Safe by construction:
// - Nothing is ever overwritten: each album gets a folder the export creates itself ("Trip",
//   else "Trip (2)", ...); each file is put in place only under a name that is free (a file
//   that appears under that name meanwhile is left alone and the next name taken).
// - Names are cleaned (ExportName): no "/", no control characters, no hidden names, bounded
//   length, unique without regard to case.
// - A file is written under a temporary name and given its name when whole, so a failure, a
//   stop or a full disk leaves no partial picture behind.
// - Only reads the catalogue and the picture store.
// A picture that cannot be read is counted and listed, and the export goes on. A full disk
// stops it (every later picture would fail too) with IOException code DISK_FULL; a target that
// is missing or cannot be written fails it before anything is written.
//
// Threads: made on the GUI thread; run() on a runner thread; the results may be read from any
// thread (m_mutex guards them).

#include <mutex>
#include <utility>
#include <vector>

#include <wx/string.h>

#include "archive/ExportName.h"
#include "threads/Task.h"

namespace Brenmarle {

class File;
class ManagedFolder;

class ArchiveExportTask : public Quorvel::Task {
public:
    static constexpr const char* DISK_FULL = "System.NotEnoughSpace";

    // `folderUris`: albums ("album://…/") and the inbox ("inbox://"), exported in this order.
    // `target`: an existing folder.
    ArchiveExportTask(std::vector<wxString> folderUris, const wxString& target);

    // Throws Quorvel::AbortException when stopped (between files), Quorvel::IOException
    // (DISK_FULL) when the target's disk is full, Quorvel::FileNotFoundException /
    // FileAccessException when the target is missing or not writable, IOException when a
    // folder cannot be made there.
    void run() override;

    int getTotalCount() const;
    int getExportedCount() const;
    // Each picture that could not be exported (its name in the program) and why.
    std::vector<std::pair<wxString, wxString>> getFailures() const;
    // The folders made, one per exported album, in order.
    std::vector<wxString> getCreatedFolders() const;

protected:
    ~ArchiveExportTask() override = default;

private:
    void checkTarget() const;
    wxString makeAlbumFolder(const wxString& albumName);
    void exportFolder(ManagedFolder& folder, const wxString& name);
    void exportFile(ManagedFolder& folder, File& file, const wxString& dir,
                    ExportName::Folder& names);
    void countDone(const wxString& albumName);
    [[noreturn]] void raiseDiskFull() const;

    const std::vector<wxString> m_folderUris;
    const wxString m_target;
    ExportName::Folder m_albumNames;

    mutable std::mutex m_mutex;
    int m_total = 0;
    int m_done = 0;
    int m_exported = 0;
    std::vector<std::pair<wxString, wxString>> m_failures;
    std::vector<wxString> m_createdFolders;
};

} // namespace Brenmarle

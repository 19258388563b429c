#pragma once
// Copies pictures, videos and other files from a camera or a folder into an album or the inbox,
// one after the other: each copy is read for its picture information (EXIF time, size,
// orientation) and gets its thumbnail as it enters the destination. Keeps an HTML log of what
// failed, starting with "Import job started<p>".
//
// Sound behaviour beyond a plain copy:
// - A file already in the catalogue (same size and same content digest) is not copied again;
//   it counts as skipped. The sizes are read once when the import starts (FileSizeIndex), so
//   no imported file costs a scan of the catalogue under the library lock.
// - A file that fails at any point leaves nothing behind: no partial file in the picture store,
//   no catalogue row, no thumbnail. Only a file that is whole in the store counts as imported.
// - A full disk stops the whole import (every later file would fail the same way) with a
//   failure the user can act on; the source is only ever read.
// - Stopping takes effect between files: a file whose copy is not yet in the store is left out.
//   A file that comes over the network stops at once, also while its server keeps silent, and
//   its download shows as the task's detail line ("Downloading <name>", bytes of bytes).
//
// Threads: made and configured on the GUI thread; run() on the wizard's runner thread, which
// imports with helper threads of its own (joined before run() returns). The results (counts,
// imported files, log) and the digest cache are guarded by m_mutex; the results may be read
// from any thread.

#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "files/File.h"
#include "folders/ManagedFolder.h"
#include "import/FileSizeIndex.h"
#include "threads/Task.h"

namespace Brenmarle {

class ImportTask : public Quorvel::Task {
public:
    using Files = std::vector<Quorvel::Ref<File>>;

    static constexpr const char* LOG_START = "Import job started<p>";
    // The code of the failure a full disk ends the import with.
    static constexpr const char* DISK_FULL = "System.NotEnoughSpace";

    // `source` is the folder the files are read through (a camera's device folder); null reads
    // each file through its own folder of the file manager. `photographer` (may be empty) is
    // given to each imported picture as a keyword.
    ImportTask(Files files, FolderRef source, Quorvel::Ref<ManagedFolder> destination,
               const wxString& photographer = wxString());

    // How many files are imported side by side (2 by default: one copies or makes its
    // thumbnail while the other does). Set before the task runs.
    void setWorkerCount(int workers);

    // Throws Quorvel::AbortException "Aborted by user" when stopped, Quorvel::IOException with
    // code DISK_FULL when the destination's disk is full.
    void run() override;

    int getTotalCount() const { return static_cast<int>(m_files.size()); }
    int getImportedCount() const;
    int getFailedCount() const;
    // Already in the catalogue.
    int getSkippedCount() const;
    // In the order of the source files.
    Files getImportedFiles() const;
    // The address of each source file that failed and why, in the order they failed.
    std::vector<std::pair<wxString, wxString>> getFailures() const;
    wxString getLog() const;
    const Quorvel::Ref<ManagedFolder>& getDestination() const { return m_destination; }

protected:
    ~ImportTask() override = default;

private:
    enum class Outcome { Imported, Skipped, Stopped };

    // Imports one file, counting and logging a failure; false when the disk is full.
    bool importNumbered(size_t index);
    Outcome importFile(File& source, Quorvel::Ref<File>& copy);
    void makeThumbnail(File& copy);
    Folder2& sourceFolderOf(File& file, FolderRef& holder);
    bool isInCatalogue(Folder2& from, File& source);
    wxString storeDigest(const wxString& uri);
    // Takes a copy that failed after its bytes arrived back out of the store and catalogue.
    void discard(File& copy);
    void appendLog(const wxString& html);

    const Files m_files;
    const FolderRef m_source;
    const Quorvel::Ref<ManagedFolder> m_destination;
    const wxString m_photographer;
    int m_workers = 2;
    // The catalogue's files by size; made when the task runs.
    std::unique_ptr<FileSizeIndex> m_sizes;

    mutable std::mutex m_mutex;
    // Digests of catalogue files met so far.
    std::map<wxString, wxString> m_storeDigests;
    // By the source file's index; null where none was imported.
    Files m_imported;
    int m_importedCount = 0;
    int m_failed = 0;
    std::vector<std::pair<wxString, wxString>> m_failures;
    int m_skipped = 0;
    wxString m_log;
};

} // namespace Brenmarle

#pragma once
// Base of the background file operations: copy, move or delete a list of files, run as a slave
// by a Quorvel::SlaveManager. It works through the list in order and reports "... picture i of
// n" before each file, so a listener can show which file is being handled. An abort is looked
// at only between files (a file is never left half copied by a stop), and the first file that
// fails ends the task: files already handled stay handled.
//
// Threads: made on the GUI thread and handed to a slave manager; work() runs on the manager's
// thread; abort() may come from any thread (Quorvel::Slave). The file list (and a subclass's
// destination) is fixed at construction and only read afterwards.
// Lifetime: owned by the slave manager running it; it holds a reference to each of its files.

#include <cstddef>
#include <vector>

#include "files/File.h"
#include "threads/Slave.h"

namespace Brenmarle {

class FileTask : public Quorvel::Slave {
public:
    using Files = std::vector<Quorvel::Ref<File>>;

    const Files& getFiles() const { return m_files; }
    std::size_t getFileCount() const { return m_files.size(); }

protected:
    explicit FileTask(Files files);

    // The list loop. Throws Quorvel::AbortException ("Aborted by user") when aborted before a
    // file, and passes on what handling a file throws.
    void work() final;

    // The translated progress text, "... picture %d of %d" with the file's position and count.
    virtual wxString getProgressFormat() const = 0;
    // Copies, moves or deletes one file; throws what the folders throw.
    virtual void handleFile(File& file) = 0;

private:
    void reportProgress(const wxString& text, int done, int count);

    const Files m_files;
};

} // namespace Brenmarle

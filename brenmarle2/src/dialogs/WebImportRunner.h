#pragma once
// Runs a web import (the pictures a command file names by web address) on a task runner of its
// own and shows its progress in the file-task progress window, so the window that asked stays
// responsive however long a host keeps silent. "Stop" in the window, or closing it, stops the
// import at once, a download in the middle included. When the import ends (done, stopped or
// failed) its failures are reported as WebImport reports them and the window goes.
//
// Threads: GUI thread only. The import task runs on the runner's thread; its progress and end
// come back as posted task events.
// Lifetime: held by the object that started the import. Destroying the runner stops the import
// and waits for its task to notice (a download stops within about 50 ms); events still queued
// for the runner are dropped and its window is destroyed.

#include <functional>
#include <memory>

#include <wx/event.h>
#include <wx/weakref.h>

#include "dialogs/FileTaskDialog.h"
#include "threads/ReferenceCounted.h"

namespace Brenmarle {
class ImportTask;
class WebImport;
} // namespace Brenmarle
namespace Quorvel {
class TaskEvent;
class TaskRunnerThread;
} // namespace Quorvel

class WebImportRunner : public wxEvtHandler {
public:
    // Told once when the import has ended; it may destroy the runner.
    using FinishedHandler = std::function<void(WebImportRunner&)>;

    // Prepares `import` and starts its downloads, the progress window open at once (`parent`,
    // may be null, is its parent). An import with no web address to fetch ends at once:
    // isRunning() is then false and no window opens. Throws what WebImport::prepare throws, and
    // Quorvel::RuntimeException when the runner thread cannot be started.
    WebImportRunner(std::unique_ptr<Brenmarle::WebImport> import, wxWindow* parent);
    ~WebImportRunner() override;
    WebImportRunner(const WebImportRunner&) = delete;
    WebImportRunner& operator=(const WebImportRunner&) = delete;

    void setFinishedHandler(FinishedHandler handler);

    bool isRunning() const { return m_running; }
    // Stops the import, as "Stop" in its window does.
    void stop();
    const Brenmarle::WebImport& getImport() const { return *m_import; }
    // The progress window; null when none is open.
    FileTaskDialog* getDialog() const { return m_dialog.get(); }

private:
    void onProgress(Quorvel::TaskEvent& event);
    void onEnded(Quorvel::TaskEvent& event);
    void closeDialog();

    std::unique_ptr<Brenmarle::WebImport> m_import;
    Quorvel::Ref<Brenmarle::ImportTask> m_task;
    std::unique_ptr<Quorvel::TaskRunnerThread> m_runner;
    wxWeakRef<FileTaskDialog> m_dialog;
    bool m_running = false;
    FinishedHandler m_onFinished;
};

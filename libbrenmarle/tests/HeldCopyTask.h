#pragma once
// A copy task that holds at one of its files until the test opens its gate or the task is aborted,
// so a test can act (press Stop, abort, watch a dialog open) while the task is in the middle
// of that file. The held file is still copied once the hold ends, as a real copy in progress
// would be.

#include <memory>

#include "Gate.h"
#include "filetasks/FileCopyTask.h"

class HeldCopyTask : public Brenmarle::FileCopyTask {
public:
    // Shared by the test and the task (which the slave manager deletes when it is done).
    using Hold = Gate;

    // Holds at file number `heldAt` (counting from 1).
    HeldCopyTask(Files files, Brenmarle::FolderRef destination, int heldAt,
                 std::shared_ptr<Hold> hold)
        : FileCopyTask(std::move(files), std::move(destination)), m_heldAt(heldAt),
          m_hold(std::move(hold))
    {
    }

protected:
    void handleFile(Brenmarle::File& file) override
    {
        if (++m_handled == m_heldAt)
            m_hold->pass([this] { return isAborted(); });
        FileCopyTask::handleFile(file);
    }
    void onAbort() override { m_hold->wake(); }

private:
    const int m_heldAt;
    int m_handled = 0; // task thread only
    std::shared_ptr<Hold> m_hold;
};

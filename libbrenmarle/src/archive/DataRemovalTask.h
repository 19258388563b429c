#pragma once
// Removes the program's data as a surveyed DataRemoval lists it, with progress ("Removing
// <what>", entries done of entries) and a stop between two entries. The catalogue must be
// closed before it runs: nothing may write into the data folder while it goes.
//
// Threads: made on the GUI thread; run() on a runner thread; getFailures() from any thread
// once the task has ended.

#include <mutex>
#include <vector>

#include "archive/DataRemoval.h"
#include "threads/Task.h"

namespace Brenmarle {

class DataRemovalTask : public Quorvel::Task {
public:
    explicit DataRemovalTask(DataRemoval plan);

    // Throws Quorvel::AbortException when stopped. Entries that cannot be removed do not stop
    // it; they are listed by getFailures().
    void run() override;

    std::vector<DataRemoval::Kept> getFailures() const;

protected:
    ~DataRemovalTask() override = default;

private:
    const DataRemoval m_plan;
    mutable std::mutex m_mutex;
    std::vector<DataRemoval::Kept> m_failures;
};

} // namespace Brenmarle

#include "archive/DataRemovalTask.h"

#include <utility>

#include "system/Exceptions.h"

namespace Brenmarle {

DataRemovalTask::DataRemovalTask(DataRemoval plan) : m_plan(std::move(plan)) {}

std::vector<DataRemoval::Kept> DataRemovalTask::getFailures() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_failures;
}

void DataRemovalTask::run()
{
    const auto& items = m_plan.getItems();
    std::vector<DataRemoval::Kept> failures = m_plan.remove([&](size_t index, size_t count) {
        if (isAborted())
            return false;
        setProgress(
            wxString::Format("Removing %s", DataRemoval::describe(items[index].kind).Lower()),
            static_cast<int64_t>(index), static_cast<int64_t>(count));
        notifyProgress();
        return true;
    });
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_failures = std::move(failures);
    }
    checkAbort();
    setProgress("Removed", static_cast<int64_t>(items.size()), static_cast<int64_t>(items.size()));
    notifyProgress();
}

} // namespace Brenmarle

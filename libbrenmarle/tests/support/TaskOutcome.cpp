#include "TaskOutcome.h"

#include "EventRecorder.h"
#include "threads/TaskEvent.h"
#include "threads/TaskRunnerThread.h"

TaskOutcome TaskOutcome::runToEnd(const Quorvel::Ref<Quorvel::Task>& task)
{
    EventRecorder listener;
    for (const auto type : {Quorvel::EVT_TASK_PROGRESS, Quorvel::EVT_TASK_FINISHED,
                            Quorvel::EVT_TASK_ABORTED, Quorvel::EVT_TASK_FAILED})
        listener.record(type);
    {
        Quorvel::TaskRunnerThread runner;
        runner.addTask(task, &listener);
        runner.waitUntilStopped();
    }
    listener.processPending();
    TaskOutcome outcome;
    for (std::size_t i = 0; i < listener.count(); ++i) {
        const auto& event = listener.at<Quorvel::TaskEvent>(i);
        if (listener.typeAt(i) == Quorvel::EVT_TASK_PROGRESS) {
            if (outcome.progressTexts.empty() ||
                outcome.progressTexts.back() != event.getProgressText())
                outcome.progressTexts.push_back(event.getProgressText());
            continue;
        }
        ++outcome.endings;
        outcome.type = listener.typeAt(i);
        outcome.code = event.getErrorCode();
        outcome.message = event.getErrorMessage();
    }
    return outcome;
}

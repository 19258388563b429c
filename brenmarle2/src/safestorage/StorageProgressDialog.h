#pragma once
// The progress of "&Remove from Safe Storage" and "&Replace from Safe Storage": a small
// window beside the main window that runs the command's steps one after the other, shows what
// the running one does, and offers Cancel. A step that fails does not stop the others; Cancel
// asks the running step to stop and drops those waiting.
//
// Each step's end goes to its handler, also after Cancel: a step stopped half-way reports
// what it did (slots released on the server before the stop), so nothing done there goes
// unmarked here. The window closes once no step runs or waits.
//
// Shown modelessly: the program stays usable meanwhile. detach() before the owner of the
// handlers goes. GUI thread only.

#include <deque>

#include "safestorage/StorageTaskDialog.h"

class wxButton;

class StorageProgressDialog : public StorageTaskDialog {
public:
    // `task` null when the step could not start; `message` says why it failed (empty when it
    // finished, or was stopped by Cancel).
    using StepEnded = std::function<void(Brenmarle::SafeStorageTask* task, bool finished,
                                         const wxString& message)>;
    // Called once the last step has ended and the window closes.
    using AllEnded = std::function<void(bool cancelled)>;

    StorageProgressDialog(wxWindow* parent, const wxString& title, const wxString& message,
                          Quorvel::Configuration& configuration, Quorvel::NetworkSettings* settings,
                          AllEnded allEnded);

    // Queues a step behind the others and starts it when none runs.
    void addStep(const MakeStep& make, const wxString& waiting, StepEnded ended);
    // Steps running or waiting.
    bool hasSteps() const { return isBusy() || !m_steps.empty(); }
    // Cancel, also called by tests.
    void cancel();
    // No handler is called from now on.
    void detach();
    wxButton* getCancelButton() const { return m_cancel; }

protected:
    void stepFinished(Brenmarle::SafeStorageTask& task) override;
    void stepFailed(Brenmarle::SafeStorageTask* task, const wxString& code,
                    const wxString& message) override;

private:
    struct Step {
        MakeStep make;
        wxString waiting;
        StepEnded ended;
    };
    void stepEnded(Brenmarle::SafeStorageTask* task, bool finished, const wxString& message);
    // Starts the next waiting step, or closes the window when there is none.
    void next();

    std::deque<Step> m_steps;
    StepEnded m_running;
    AllEnded m_allEnded;
    bool m_cancelled = false;
    wxButton* m_cancel = nullptr;
};

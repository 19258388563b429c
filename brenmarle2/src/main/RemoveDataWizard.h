#pragma once
// The remove-data assistant, shown by the "removedata" start-up command: it first looks at
// what the program keeps on this computer (off the GUI thread), then says what will be removed,
// what stays because it may not be the program's own, and warns in red about pictures that
// exist only here and are not safely stored; the user must tick that they understand before
// "Remove" is offered. Only then is the catalogue let go (the `release` the application hands
// over closes it and everything that writes into the data folder) and the removal run, with
// progress; the last page tells what could not be removed.
//
// Cancel before "Remove" leaves everything as it was. Ends with wxID_OK once the data was
// removed, else wxID_CANCEL.
//
// GUI thread only.

#include <functional>
#include <memory>

#include "archive/DataRemoval.h"
#include "archive/DataRemovalTask.h"
#include "widgets/BrenmarleWizard.h"

class RemoveDataWizard : public BrenmarleWizard {
public:
    enum Step { STEP_CHECK, STEP_CONFIRM, STEP_REMOVE, STEP_DONE };

    // `dataDir` and `homeDir` as DataRemoval takes them. `release` is called on the GUI thread
    // just before the removal starts, and must close the catalogue.
    RemoveDataWizard(wxWindow* parent, const wxString& dataDir, const wxString& homeDir,
                     std::function<void()> release);
    ~RemoveDataWizard() override;

    // The surveyed plan; null until the survey has finished.
    const Brenmarle::DataRemoval* getPlan() const { return m_plan.get(); }
    // Lets go of the catalogue and starts the removal: shows the progress page.
    void startRemoval();
    const Quorvel::Ref<Brenmarle::DataRemovalTask>& getTask() const { return m_task; }
    bool hasReleased() const { return m_released; }

    class CheckPage;
    class ConfirmPage;
    class ProgressPage;
    class DonePage;

private:
    friend class CheckPage;
    void setPlan(std::unique_ptr<Brenmarle::DataRemoval> plan) { m_plan = std::move(plan); }

    const wxString m_dataDir;
    const wxString m_homeDir;
    std::function<void()> m_release;
    bool m_released = false;
    std::unique_ptr<Brenmarle::DataRemoval> m_plan;
    Quorvel::Ref<Brenmarle::DataRemovalTask> m_task;
};

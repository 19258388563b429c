#pragma once
// An assistant made for the tests and for looking at the wizard frame (never part of the
// program): it "sends pictures" in four steps. Welcome, options, sending (a task the test
// scripts; the retry point, passed over by Back) and done. It counts what reaches its pages,
// in a tally that outlives them.

#include <functional>
#include <memory>

#include <wx/string.h>

#include "Gate.h"
#include "threads/Task.h"
#include "widgets/Wizard.h"

namespace Example {

// What reached the pages, counted outside them.
struct Tally {
    int sendsStarted = 0;
    int taskEvents = 0;
};

// Holds at its gate (open unless the test closed it) until let through or aborted, then
// succeeds, or fails with the code when one is given. Runs on the runner thread.
class SendTask : public Quorvel::Task {
public:
    explicit SendTask(std::shared_ptr<Gate> gate = std::make_shared<Gate>(true),
                      const wxString& failureCode = wxString(),
                      const wxString& failureMessage = wxString());
    void run() override;

protected:
    void onAbort() override;

private:
    std::shared_ptr<Gate> m_gate;
    wxString m_failureCode;
    wxString m_failureMessage;
};

class Wizard : public Quorvel::Wizard {
public:
    using TaskMaker = std::function<Quorvel::Ref<Quorvel::Task>()>;

    explicit Wizard(wxWindow* parent);

    // Makes the task of each sending; a task that succeeds at once by default.
    void setTaskMaker(TaskMaker maker) { m_makeTask = std::move(maker); }
    Quorvel::Ref<Quorvel::Task> makeTask() { return m_makeTask(); }
    Tally& tally() { return *m_tally; }
    // For a test that looks after the wizard is gone.
    std::shared_ptr<Tally> sharedTally() const { return m_tally; }

    class IntroPage;
    class OptionsPage;
    class SendPage;
    class DonePage;

private:
    TaskMaker m_makeTask;
    std::shared_ptr<Tally> m_tally = std::make_shared<Tally>();
};

} // namespace Example

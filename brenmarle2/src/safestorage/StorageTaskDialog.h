#pragma once
// What the safe-storage dialogs share: a message, a progress line with its gauge, and the
// steps of the storage service run on the dialog's own task runner (SafeStorageTask), one at a
// time, with the dialog's client (made on first use, so one session serves every step).
// Closing the dialog aborts the running step; no result reaches a dialog that has gone.
//
// GUI thread only.

#include <functional>
#include <memory>

#include <wx/dialog.h>

#include "safestorage/SafeStorageTask.h"

namespace Quorvel {
class Configuration;
class NetworkSettings;
class TaskEvent;
class TaskRunnerThread;
} // namespace Quorvel
class wxBoxSizer;
class wxGauge;
class wxStaticText;

class StorageTaskDialog : public wxDialog {
public:
    // `settings` null: the program's network settings.
    StorageTaskDialog(wxWindow* parent, const wxString& title,
                      Quorvel::Configuration& configuration, Quorvel::NetworkSettings* settings);
    ~StorageTaskDialog() override;

    bool isBusy() const { return m_busy; }
    wxString getHeading() const;
    wxString getMessage() const;
    wxString getProgressText() const;

protected:
    // The sizer the dialog's own controls go into, below the message and above the progress.
    wxBoxSizer* getBody() const { return m_body; }
    // Adds the buttons below everything and sizes the dialog.
    void finishLayout(wxSizer* buttons);
    void setMessage(const wxString& text, bool error = false);
    // A bold line above the message; none when empty.
    void setHeading(const wxString& text);

    // Runs the step made by `make` with the dialog's client; a client that cannot be made
    // (no valid portal) fails the step at once.
    using MakeStep = std::function<Quorvel::Ref<Brenmarle::SafeStorageTask>(
        const Quorvel::Ref<Brenmarle::StorageClient_3_0>& client)>;
    void runStep(const MakeStep& make, const wxString& waiting);
    // Asks the running step to stop; its end (aborted, or finished when it was done) follows
    // as an event.
    void abortStep();
    virtual void stepFinished(Brenmarle::SafeStorageTask& task) = 0;
    // `task` is null when the step could not start.
    virtual void stepFailed(Brenmarle::SafeStorageTask* task, const wxString& code,
                            const wxString& message) = 0;
    // Called when a step starts and ends, for the buttons.
    virtual void busyChanged() {}

    Quorvel::Configuration& m_configuration;
    Quorvel::NetworkSettings& m_settings;

private:
    void onProgress(Quorvel::TaskEvent& event);
    void onFinished(Quorvel::TaskEvent& event);
    void onFailed(Quorvel::TaskEvent& event);
    void setBusy(bool busy);

    wxBoxSizer* m_top = nullptr;
    wxBoxSizer* m_body = nullptr;
    wxStaticText* m_heading = nullptr;
    wxStaticText* m_message = nullptr;
    // The message as given: the label holds it wrapped to the dialog's width.
    wxString m_messageText;
    wxStaticText* m_progress = nullptr;
    wxGauge* m_gauge = nullptr;
    bool m_busy = false;
    Quorvel::Ref<Brenmarle::StorageClient_3_0> m_client;
    std::unique_ptr<Quorvel::TaskRunnerThread> m_runner;
};

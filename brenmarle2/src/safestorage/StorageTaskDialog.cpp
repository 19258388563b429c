#include "safestorage/StorageTaskDialog.h"

#include <wx/gauge.h>
#include <wx/intl.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "safestorage/SafeStorageAccount.h"
#include "service/NetworkSettings.h"
#include "system/Exceptions.h"
#include "threads/TaskEvent.h"
#include "threads/TaskRunnerThread.h"
#include "ui/Accessibility.h"

StorageTaskDialog::StorageTaskDialog(wxWindow* parent, const wxString& title,
                                     Quorvel::Configuration& configuration,
                                     Quorvel::NetworkSettings* settings)
    : wxDialog(parent, wxID_ANY, title, wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_configuration(configuration),
      m_settings(settings ? *settings : Quorvel::NetworkSettings::get()),
      m_runner(std::make_unique<Quorvel::TaskRunnerThread>())
{
    m_top = new wxBoxSizer(wxVERTICAL);
    m_heading = new wxStaticText(this, wxID_ANY, wxString());
    m_heading->SetFont(m_heading->GetFont().Bold());
    m_heading->Hide();
    m_top->Add(m_heading, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, 12));
    m_message = new wxStaticText(this, wxID_ANY, wxString());
    m_message->Wrap(460);
    m_top->Add(m_message, wxSizerFlags().Expand().Border(wxALL, 12));
    m_body = new wxBoxSizer(wxVERTICAL);
    m_top->Add(m_body, wxSizerFlags(1).Expand().Border(wxLEFT | wxRIGHT, 12));
    m_progress = new wxStaticText(this, wxID_ANY, wxString());
    m_top->Add(m_progress, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, 12));
    m_gauge = new wxGauge(this, wxID_ANY, 100);
    Quorvel::setAccessibleName(*m_gauge, _("Progress"));
    m_gauge->Hide();
    m_top->Add(m_gauge, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, 12));
    Bind(Quorvel::EVT_TASK_PROGRESS, &StorageTaskDialog::onProgress, this);
    Bind(Quorvel::EVT_TASK_FINISHED, &StorageTaskDialog::onFinished, this);
    Bind(Quorvel::EVT_TASK_FAILED, &StorageTaskDialog::onFailed, this);
    Bind(Quorvel::EVT_TASK_ABORTED, &StorageTaskDialog::onFailed, this);
}

StorageTaskDialog::~StorageTaskDialog()
{
    // Nothing reaches the window being taken apart; the runner waits only for the running
    // call to notice its abort.
    m_runner->removeListener(this);
    m_runner->abortAll(true);
    m_runner.reset();
}

wxString StorageTaskDialog::getHeading() const
{
    return m_heading->GetLabel();
}

wxString StorageTaskDialog::getMessage() const
{
    return m_messageText;
}

void StorageTaskDialog::setHeading(const wxString& text)
{
    m_heading->SetLabel(text);
    m_heading->Show(!text.empty());
    Layout();
    Fit();
}

wxString StorageTaskDialog::getProgressText() const
{
    return m_progress->GetLabel();
}

void StorageTaskDialog::finishLayout(wxSizer* buttons)
{
    m_top->Add(buttons, wxSizerFlags().Expand().Border(wxALL, 12));
    SetSizerAndFit(m_top);
    SetMinSize(wxSize(480, -1));
    Fit();
    CentreOnParent();
}

void StorageTaskDialog::setMessage(const wxString& text, bool error)
{
    m_messageText = text;
    m_message->SetLabel(text);
    m_message->SetForegroundColour(error ? *wxRED
                                         : wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT));
    m_message->Wrap(460);
    Layout();
    Fit();
}

void StorageTaskDialog::runStep(const MakeStep& make, const wxString& waiting)
{
    Quorvel::Ref<Brenmarle::SafeStorageTask> task;
    try {
        if (!m_client)
            m_client = SafeStorageAccount::makeClient(m_configuration, m_settings);
        task = make(m_client);
    } catch (const Quorvel::Exception& e) {
        stepFailed(nullptr, e.getCode(), e.getMessage());
        return;
    }
    m_progress->SetLabel(waiting);
    setBusy(true);
    m_runner->addTask(task, this);
}

void StorageTaskDialog::abortStep()
{
    m_runner->abortCurrent();
}

void StorageTaskDialog::setBusy(bool busy)
{
    m_busy = busy;
    // The gauge shows only while a step runs.
    m_gauge->Show(busy);
    if (busy)
        m_gauge->Pulse();
    Layout();
    busyChanged();
}

void StorageTaskDialog::onProgress(Quorvel::TaskEvent& event)
{
    if (!event.getProgressText().empty())
        m_progress->SetLabel(event.getProgressText());
    m_gauge->Pulse();
}

void StorageTaskDialog::onFinished(Quorvel::TaskEvent& event)
{
    setBusy(false);
    m_progress->SetLabel(wxString());
    if (auto* task = dynamic_cast<Brenmarle::SafeStorageTask*>(event.getTask().get()))
        stepFinished(*task);
}

void StorageTaskDialog::onFailed(Quorvel::TaskEvent& event)
{
    setBusy(false);
    m_progress->SetLabel(wxString());
    stepFailed(dynamic_cast<Brenmarle::SafeStorageTask*>(event.getTask().get()),
               event.getErrorCode(), event.getErrorMessage());
}

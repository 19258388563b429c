#pragma once
// A page of a Wizard. Its handlers are first in line for the wizard's buttons and for the
// events of the wizard's tasks and slaves; each default throws RuntimeException, which tells
// the wizard that the page leaves the call to it.
//
// GUI thread only. Made as a child of the wizard's page container and owned by the wizard
// once pushed.

#include <wx/string.h>

#include "widgets/Page.h"
#include "widgets/Wizard.h"

namespace Quorvel {

class Wizard::Page : public Quorvel::Page {
public:
    Page(Wizard* wizard, wxWindowID id, const wxString& title);

    Wizard* getWizard() const { return m_wizard; }
    const wxString& getTitle() const { return m_title; }
    void setTitle(const wxString& title) { m_title = title; }
    // The line under the title in the header.
    const wxString& getDescription() const { return m_description; }
    void setDescription(const wxString& description) { m_description = description; }

    // Presses the wizard's Next button as the user would, when it is enabled.
    void pressNext();

    // The side-bar step this page belongs to; -1 for none.
    virtual int getStep() const { return -1; }

    virtual void onCancel(wxCommandEvent& event);
    virtual void onNext(wxCommandEvent& event);
    virtual void onBack(wxCommandEvent& event);
    virtual void onHelp(wxCommandEvent& event);
    virtual void onSlaveAborted(SlaveManagerEvent& event);
    virtual void onSlaveFailed(SlaveManagerEvent& event);
    virtual void onSlaveProgress(SlaveManagerEvent& event);
    virtual void onSlaveSucceeded(SlaveManagerEvent& event);
    virtual void onTaskAborted(TaskEvent& event);
    virtual void onTaskFailed(TaskEvent& event);
    virtual void onTaskProgress(TaskEvent& event);
    virtual void onTaskSucceeded(TaskEvent& event);

    // The error and warning the header shows for this page; both empty by default.
    virtual void getHeaderMessages(wxString& error, wxString& warning) const;
    // Back passes over this page (a page that only ran an operation).
    virtual bool skipOnBack() const { return false; }
    // Retry repeats this page's operation.
    virtual bool isRetryPoint() const { return false; }
    // Starts the page's operation; nothing by default.
    virtual void runOperation() {}
    // Starts the operation again after a failure; runOperation() by default.
    virtual void retryOperation() { runOperation(); }

private:
    Wizard* m_wizard;
    wxString m_title;
    wxString m_description;
};

} // namespace Quorvel

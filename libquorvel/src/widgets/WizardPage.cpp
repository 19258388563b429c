#include "widgets/WizardPage.h"

#include <wx/button.h>

#include "system/Exceptions.h"

namespace Quorvel {

namespace {
// How a page says that it leaves a call to the wizard.
[[noreturn]] void notHandled()
{
    throw RuntimeException(wxString());
}
} // namespace

Wizard::Page::Page(Wizard* wizard, wxWindowID id, const wxString& title)
    : Quorvel::Page(wizard->getPageContainer(), id), m_wizard(wizard), m_title(title)
{
}

void Wizard::Page::pressNext()
{
    wxButton* button = m_wizard->getButton(ID_NEXT);
    wxCHECK_RET(button != nullptr, "button != 0");
    if (!button->IsEnabled())
        return;
    wxCommandEvent click(wxEVT_BUTTON, ID_NEXT);
    click.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(click);
}

void Wizard::Page::onCancel(wxCommandEvent&)
{
    notHandled();
}
void Wizard::Page::onNext(wxCommandEvent&)
{
    notHandled();
}
void Wizard::Page::onBack(wxCommandEvent&)
{
    notHandled();
}
void Wizard::Page::onHelp(wxCommandEvent&)
{
    notHandled();
}
void Wizard::Page::onSlaveAborted(SlaveManagerEvent&)
{
    notHandled();
}
void Wizard::Page::onSlaveFailed(SlaveManagerEvent&)
{
    notHandled();
}
void Wizard::Page::onSlaveProgress(SlaveManagerEvent&)
{
    notHandled();
}
void Wizard::Page::onSlaveSucceeded(SlaveManagerEvent&)
{
    notHandled();
}
void Wizard::Page::onTaskAborted(TaskEvent&)
{
    notHandled();
}
void Wizard::Page::onTaskFailed(TaskEvent&)
{
    notHandled();
}
void Wizard::Page::onTaskProgress(TaskEvent&)
{
    notHandled();
}
void Wizard::Page::onTaskSucceeded(TaskEvent&)
{
    notHandled();
}

void Wizard::Page::getHeaderMessages(wxString& error, wxString& warning) const
{
    error.clear();
    warning.clear();
}

} // namespace Quorvel

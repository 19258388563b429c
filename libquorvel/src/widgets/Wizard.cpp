#include "widgets/Wizard.h"

#include <algorithm>
#include <exception>

#include <wx/button.h>
#include <wx/hyperlink.h>
#include <wx/sizer.h>
#include <wx/statline.h>
#include <wx/translation.h>
#include <wx/utils.h>

#include "system/Exceptions.h"
#include "system/Log.h"
#include "threads/SlaveManager.h"
#include "threads/SlaveManagerEvent.h"
#include "threads/TaskEvent.h"
#include "threads/TaskRunnerThread.h"
#include "ui/Accessibility.h"
#include "widgets/PageContainer.h"
#include "widgets/WizardErrorPage.h"
#include "widgets/WizardHeader.h"
#include "widgets/WizardLeftPanel.h"
#include "widgets/WizardNetworkErrorPage.h"
#include "widgets/WizardPage.h"

namespace Quorvel {

namespace {

// The pages' area was made for small fonts; with the desktop's it only grows.
const wxSize MIN_PAGE_SIZE(450, 314);
const int BUTTON_BORDER = 10;
// The wizards' tasks run below everything else the program does.
const unsigned TASK_RUNNER_PRIORITY = 0;

Wizard::HelpHandler& helpHandler()
{
    static Wizard::HelpHandler handler;
    return handler;
}

// Runs a page's handler; false when it leaves the call to the wizard (it throws, as the
// defaults do). A page may also fail for real: that is not the user's business here, but it
// goes to the debug log.
template <typename Handler, typename E> bool callPage(Wizard::Page& page, Handler handler, E& event)
{
    try {
        (page.*handler)(event);
        return true;
    } catch (const Exception& e) {
        if (!e.getMessage().empty())
            QDEBUG("[WIZARD] Page handler failed: %s", e.getMessage());
    } catch (const std::exception& e) {
        QDEBUG("[WIZARD] Page handler failed: %s", wxString::FromUTF8(e.what()));
    } catch (...) {
        QDEBUG("[WIZARD] Page handler failed");
    }
    return false;
}

} // namespace

void Wizard::setHelpHandler(HelpHandler handler)
{
    helpHandler() = std::move(handler);
}

Wizard::Wizard(wxWindow* parent, wxWindowID id, const wxString& title, long style)
    : wxDialog(parent, id, title, wxDefaultPosition, wxDefaultSize, style), m_defaultTitle(title),
      m_busyTimer(this)
{
    buildLayout();
    if (!helpHandler())
        hideHelpLink();

    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent& e) { routeButton(e, &Page::onNext, &Wizard::onNext); },
        ID_NEXT);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent& e) { routeButton(e, &Page::onBack, &Wizard::onBack); },
        ID_BACK);
    Bind(
        wxEVT_BUTTON,
        [this](wxCommandEvent& e) { routeButton(e, &Page::onCancel, &Wizard::onCancel); },
        wxID_CANCEL);
    Bind(
        wxEVT_HYPERLINK,
        [this](wxHyperlinkEvent& e) { routeButton(e, &Page::onHelp, &Wizard::onHelp); }, wxID_HELP);
    // The close box and Escape are Cancel, whichever way the page treats Cancel.
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
        wxCommandEvent cancel(wxEVT_BUTTON, wxID_CANCEL);
        cancel.SetEventObject(this);
        if (!event.CanVeto()) {
            // The program is ending: a page's Cancel may wait for its work to stop, which
            // nobody is left to see. The work stops now and the wizard ends.
            QDEBUG("[WIZARD] Closed: stopping the work");
            Wizard::onCancel(cancel);
            return;
        }
        routeButton(cancel, &Page::onCancel, &Wizard::onCancel);
    });
    SetEscapeId(wxID_CANCEL);

    for (const auto& type : {EVT_TASK_STARTED, EVT_TASK_PROGRESS, EVT_TASK_FINISHED,
                             EVT_TASK_ABORTED, EVT_TASK_FAILED})
        Bind(type, &Wizard::onTaskEvent, this);
    for (const auto& type : {EVT_SLAVE_STARTED, EVT_SLAVE_PROGRESS, EVT_SLAVE_FINISHED,
                             EVT_SLAVE_ABORTED, EVT_SLAVE_FAILED})
        Bind(type, &Wizard::onSlaveEvent, this, SLAVE_LISTENER_ID);
    Bind(wxEVT_TIMER, &Wizard::onBusyTimer, this, m_busyTimer.GetId());
}

Wizard::~Wizard()
{
    m_busyTimer.Stop();
    stopWork(true);
    // The pages go while the wizard they refer to is still whole, without the hide protocol:
    // a concrete wizard's part is gone already.
    m_pageContainer->forgetPage(getCurrentPage());
    for (Page* page : m_pages)
        delete page;
    m_pages.clear();
    for (Page* page : m_poppedPages)
        delete page;
    m_poppedPages.clear();
}

void Wizard::buildLayout()
{
    auto* top = new wxBoxSizer(wxVERTICAL);
    m_header = new Header(this);
    top->Add(m_header, wxSizerFlags().Expand());

    auto* middle = new wxBoxSizer(wxHORIZONTAL);
    m_sideBar = new LeftPanel(this);
    middle->Add(m_sideBar, wxSizerFlags().Expand());
    m_pageContainer = new PageContainer(this, MIN_PAGE_SIZE);
    middle->Add(m_pageContainer, wxSizerFlags(1).Expand());
    top->Add(middle, wxSizerFlags(1).Expand());

    top->Add(new wxStaticLine(this), wxSizerFlags().Expand());
    m_buttonRow = makeButtonRow();
    top->Add(m_buttonRow, wxSizerFlags().Right());
    SetSizerAndFit(top);
    CentreOnParent();
}

wxBoxSizer* Wizard::makeButtonRow()
{
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    auto* back = new wxButton(this, ID_BACK, _("Back"));
    auto* next = new wxButton(this, ID_NEXT, _("Next"));
    auto* cancel = new wxButton(this, wxID_CANCEL, _("Cancel"));
    // Back and Next go together; Cancel stands apart.
    const int vertical = wxTOP | wxBOTTOM;
    row->Add(back, wxSizerFlags().Border(vertical | wxLEFT, BUTTON_BORDER));
    row->AddSpacer(BUTTON_BORDER / 2);
    row->Add(next, wxSizerFlags().Border(vertical, BUTTON_BORDER));
    row->AddSpacer(BUTTON_BORDER);
    row->Add(cancel, wxSizerFlags().Border(wxALL, BUTTON_BORDER));
    next->SetDefault();
    back->Disable();
    return row;
}

wxWindow* Wizard::getPageContainer() const
{
    return m_pageContainer;
}

Wizard::Page* Wizard::getCurrentPage() const
{
    return m_pages.empty() ? nullptr : m_pages.back();
}

void Wizard::pushPage(Page* page)
{
    wxCHECK_RET(page != nullptr, "page != NULL");
    QDEBUG("[WIZARD] Pushing new page %p on stack", static_cast<void*>(page));
    m_pages.push_back(page);
    showTopPage();
}

Wizard::Page* Wizard::popPage()
{
    wxCHECK_MSG(m_pages.size() >= 1, nullptr, "m_pages.size () >= 1");
    Page* page = m_pages.back();
    m_pages.pop_back();
    showTopPage();
    return page;
}

void Wizard::popPages(std::size_t count)
{
    wxCHECK_RET(m_pages.size() >= count, "m_pages.size () >= numpages");
    for (std::size_t i = 0; i < count; ++i) {
        m_poppedPages.push_back(m_pages.back());
        m_pages.pop_back();
    }
    showTopPage();
    QDEBUG("[WIZARD] Popped %d pages, setting new page %p (page stack size is %d)",
           static_cast<int>(count), static_cast<void*>(getCurrentPage()),
           static_cast<int>(m_pages.size()));
    // Not now: the call may come from a handler of one of these pages (Retry on the error
    // page), which must not be deleted under its own feet.
    if (count > 0)
        CallAfter(&Wizard::destroyPoppedPages);
}

void Wizard::destroyPoppedPages()
{
    std::vector<Page*> popped;
    popped.swap(m_poppedPages);
    for (Page* page : popped) {
        m_pageContainer->forgetPage(page);
        delete page;
    }
}

void Wizard::showTopPage()
{
    m_headerError.clear();
    m_headerWarning.clear();
    if (getCurrentPage())
        m_backWanted = m_pages.size() < 2 ? m_backLeavesWizard : true;
    applyBackState();
    enableButton(ID_NEXT);
    enableButton(wxID_CANCEL);
    m_pageContainer->showPage(getCurrentPage());

    // A page that built larger controls than the smallest page area gets the room.
    Layout();
    const wxSize needed = GetSizer()->GetMinSize();
    const wxSize have = GetClientSize();
    if (needed.x > have.x || needed.y > have.y)
        SetClientSize(std::max(needed.x, have.x), std::max(needed.y, have.y));

    m_header->update();
    m_sideBar->update();
    describeCurrentPage();
    m_pageContainer->Refresh();
}

void Wizard::describeCurrentPage()
{
    const HeaderStatus status = getHeaderStatus();
    // A screen reader names the page when the focus moves into it, as the header shows it.
    Page* page = getCurrentPage();
    if (page)
        nameRegion(*page, getShownTitle(), status.text);
    // The focus stays on Back or Next while the pages change under it; a screen reader reads
    // out a new description of the control in focus, so the user hears where they got to, and
    // what went wrong when the page refuses to go on.
    const wxString title = getShownTitle();
    wxString where = page ? title : status.text;
    if (page && !status.text.empty() && status.text != title) {
        // A title that is a question or ends its own sentence needs no full stop.
        const bool ended = !title.empty() && wxString(".?!:").Contains(title.Last());
        where += (ended ? " " : ". ") + status.text;
    }
    for (const wxWindowID id : {ID_BACK, ID_NEXT}) {
        if (wxButton* button = getButton(id); button && getAccessibleDescription(*button) != where)
            setAccessibleDescription(*button, where);
    }
}

void Wizard::applyBackState()
{
    getButton(ID_BACK)->Enable(m_backWanted && !m_busy);
}

wxButton* Wizard::getButton(wxWindowID id) const
{
    return wxDynamicCast(FindWindow(id), wxButton);
}

void Wizard::enableButton(wxWindowID id, bool enable)
{
    wxWindow* window = FindWindow(id);
    wxCHECK_RET(window != nullptr, "window != NULL");
    auto* button = wxDynamicCast(window, wxButton);
    wxCHECK_RET(button != nullptr, "button != NULL");
    if (id == ID_BACK) {
        m_backWanted = enable;
        enable = enable && !m_busy;
    }
    button->Enable(enable);
}

void Wizard::setButtonLabel(wxWindowID id, const wxString& label)
{
    wxButton* button = getButton(id);
    wxCHECK_RET(button != nullptr, "button != NULL");
    button->SetLabel(label);
    button->Show(!label.empty());
    Layout();
}

void Wizard::hideHelpLink()
{
    m_header->hideHelpLink();
}

wxHyperlinkCtrl* Wizard::getHelpLink() const
{
    wxHyperlinkCtrl* link = m_header->getHelpLink();
    return link && link->IsShown() ? link : nullptr;
}

wxString Wizard::getShownTitle() const
{
    const Page* page = getCurrentPage();
    return page && !page->getTitle().empty() ? page->getTitle() : m_defaultTitle;
}

void Wizard::setStepNames(const std::vector<wxString>& names)
{
    m_stepNames = names;
    m_sideBar->update();
}

void Wizard::setSideBarPicture(const wxBitmap& picture)
{
    m_sideBarPicture = picture;
    if (picture.IsOk())
        m_sideBar->SetMinSize(wxSize(std::max(LeftPanel::MIN_WIDTH, picture.GetWidth()), -1));
    Layout();
    m_sideBar->update();
}

void Wizard::startBusy(const wxString& text)
{
    if (!m_busy)
        m_animationCounter = 0;
    m_busy = true;
    m_busyText = text;
    applyBackState();
    m_busyTimer.StartOnce(BUSY_TICK_MS);
    m_header->update();
    describeCurrentPage();
}

void Wizard::stopBusy()
{
    m_busy = false;
    m_busyText.clear();
    m_busyTimer.Stop();
    applyBackState();
    m_header->update();
    describeCurrentPage();
}

int Wizard::litBusySquare(int counter)
{
    const int k = counter % 8;
    return k > 4 ? 8 - k : k;
}

int Wizard::getLitBusySquare() const
{
    return m_busy ? litBusySquare(m_animationCounter) : -1;
}

void Wizard::onBusyTimer(wxTimerEvent&)
{
    // A tick already on its way when the work ended must not start the animation again.
    if (!m_busy)
        return;
    m_animationCounter = (m_animationCounter + 1) % 8;
    m_header->refreshStatusStrip();
    m_busyTimer.StartOnce(BUSY_TICK_MS);
}

TaskRunnerThread& Wizard::taskRunner()
{
    if (!m_taskRunner)
        m_taskRunner = std::make_unique<TaskRunnerThread>(TASK_RUNNER_PRIORITY);
    return *m_taskRunner;
}

SlaveManager& Wizard::slaveManager()
{
    if (!m_slaveManager) {
        m_slaveManager = std::make_unique<SlaveManager>();
        m_slaveManager->addListener(this, SLAVE_LISTENER_ID);
    }
    return *m_slaveManager;
}

Wizard::Origin Wizard::currentOrigin() const
{
    Origin origin;
    if (Page* page = getCurrentPage()) {
        origin.fromPage = true;
        origin.page = page;
    }
    return origin;
}

bool Wizard::isGone(const Origin& origin) const
{
    if (!origin.fromPage)
        return false;
    const wxWindow* page = origin.page.get();
    return !page || std::find(m_pages.begin(), m_pages.end(), page) == m_pages.end();
}

void Wizard::runTask(const Quorvel::Ref<Task>& task)
{
    wxCHECK_RET(task, "task != NULL");
    disableButton(ID_NEXT);
    startBusy(wxString());
    m_taskOrigins[task.get()] = {task, currentOrigin()};
    taskRunner().addTask(task, this);
}

void Wizard::runTask(const Quorvel::Ref<Task>& task, const wxString& busyText,
                     const wxString& operation)
{
    wxCHECK_RET(task, "task != NULL");
    disableButton(ID_NEXT);
    startBusy(busyText);
    m_operation = operation;
    m_taskOrigins[task.get()] = {task, currentOrigin()};
    taskRunner().addTask(task, this);
}

void Wizard::runSlave(std::unique_ptr<Slave> slave, std::size_t position)
{
    wxCHECK_RET(slave, "slave != NULL");
    m_slaveOrigins[slave->getSerial()] = currentOrigin();
    slaveManager().insertSlave(std::move(slave), position);
}

void Wizard::runSlave(std::unique_ptr<Slave> slave, std::size_t position, const wxString& busyText,
                      const wxString& operation)
{
    wxCHECK_RET(slave, "slave != NULL");
    disableButton(ID_NEXT);
    startBusy(busyText);
    m_operation = operation;
    runSlave(std::move(slave), position);
}

void Wizard::stopWork(bool quiet)
{
    // No listener first: the work's last events would reach a wizard that has finished.
    if (m_slaveManager) {
        m_slaveManager->removeListener(this);
        m_slaveManager->abortAll();
        m_slaveManager.reset();
    }
    if (m_taskRunner) {
        m_taskRunner->removeListener(this);
        m_taskRunner->abortAll(quiet);
        m_taskRunner.reset();
    }
    m_taskOrigins.clear();
    m_slaveOrigins.clear();
}

void Wizard::showFailure(const wxString& code, const wxString& message)
{
    ErrorPage* page = code == CONNECTION_REFUSED
                          ? new NetworkErrorPage(this, _("Connection to server was refused"))
                      : offersRetry(code)
                          ? new NetworkErrorPage(this, _("The connection to the server failed"))
                          : new ErrorPage(this, _("An unexpected error occured"));
    page->setOperation(m_operation);
    page->setFailure(code, message);
    // The side bar stays on the step that failed.
    if (const Page* failed = getCurrentPage())
        page->setStep(failed->getStep());
    pushPage(page);
}

void Wizard::updateHeader()
{
    m_headerError.clear();
    m_headerWarning.clear();
    if (const Page* page = getCurrentPage())
        page->getHeaderMessages(m_headerError, m_headerWarning);
    m_header->update();
    describeCurrentPage();
}

Wizard::HeaderStatus Wizard::getHeaderStatus() const
{
    const Page* page = getCurrentPage();
    if (!page)
        return {HeaderStatus::NoPage, _("No page is displayed!")};
    if (!m_busyText.empty())
        return {HeaderStatus::Busy, m_busyText};
    if (!m_headerError.empty())
        return {HeaderStatus::Error, m_headerError};
    if (!m_headerWarning.empty())
        return {HeaderStatus::Warning, m_headerWarning};
    return {HeaderStatus::Description, page->getDescription()};
}

void Wizard::retryOperation()
{
    for (std::size_t i = m_pages.size(); i-- > 0;) {
        Page* point = m_pages[i];
        if (!point->isRetryPoint())
            continue;
        popPages(m_pages.size() - 1 - i);
        point->retryOperation();
        return;
    }
}

void Wizard::endWizard(int code)
{
    SetReturnCode(code);
    if (IsModal())
        EndModal(code);
    else
        Hide();
}

template <typename Handler>
void Wizard::routeButton(wxCommandEvent& event, Handler pageHandler,
                         void (Wizard::*own)(wxCommandEvent&))
{
    const bool isBack = event.GetId() == ID_BACK;
    if (Page* page = getCurrentPage()) {
        if (callPage(*page, pageHandler, event)) {
            if (isBack)
                QDEBUG("[WIZARD] Active page handled back event");
            return;
        }
    }
    if (isBack)
        QDEBUG("[WIZARD] Trying virtual onBack ()");
    (this->*own)(event);
}

template <typename E, typename Handler>
void Wizard::routeWorkEvent(E& event, Handler pageHandler, void (Wizard::*own)(E&))
{
    Page* page = getCurrentPage();
    if (page && !callPage(*page, pageHandler, event))
        (this->*own)(event);
}

void Wizard::onTaskEvent(TaskEvent& event)
{
    const wxEventType type = event.GetEventType();
    if (type == EVT_TASK_STARTED) {
        QDEBUG("[WIZARD] Task started");
        return;
    }
    const bool ends = type != EVT_TASK_PROGRESS;
    if (type == EVT_TASK_FINISHED)
        QDEBUG("[WIZARD] Task succeeded");
    else if (type == EVT_TASK_FAILED)
        QDEBUG("[WIZARD] Task failed");
    else if (type == EVT_TASK_ABORTED)
        QDEBUG("[WIZARD] Task aborted");
    if (ends)
        stopBusy();

    Origin origin;
    const auto found = m_taskOrigins.find(event.getTask().get());
    if (found != m_taskOrigins.end()) {
        origin = found->second.second;
        if (ends)
            m_taskOrigins.erase(found);
    }
    if (isGone(origin)) {
        QDEBUG("[WIZARD] The page that started the task is gone; event dropped");
        return;
    }

    if (type == EVT_TASK_FINISHED)
        routeWorkEvent(event, &Page::onTaskSucceeded, &Wizard::onTaskSucceeded);
    else if (type == EVT_TASK_FAILED)
        routeWorkEvent(event, &Page::onTaskFailed, &Wizard::onTaskFailed);
    else if (type == EVT_TASK_ABORTED)
        routeWorkEvent(event, &Page::onTaskAborted, &Wizard::onTaskAborted);
    else
        routeWorkEvent(event, &Page::onTaskProgress, &Wizard::onTaskProgress);
}

void Wizard::onSlaveEvent(SlaveManagerEvent& event)
{
    const wxEventType type = event.GetEventType();
    if (type == EVT_SLAVE_STARTED) {
        QDEBUG("[WIZARD] Slave started");
        return;
    }
    const bool ends = type != EVT_SLAVE_PROGRESS;
    if (type == EVT_SLAVE_PROGRESS)
        QDEBUG("[WIZARD] Slave progress");
    else if (type == EVT_SLAVE_FINISHED)
        QDEBUG("[WIZARD] Slave succeeded");
    else if (type == EVT_SLAVE_FAILED)
        QDEBUG("[WIZARD] Slave failed");
    else
        QDEBUG("[WIZARD] Slave aborted");
    if (ends)
        stopBusy();

    Origin origin;
    const auto found = m_slaveOrigins.find(event.getSerial());
    if (found != m_slaveOrigins.end()) {
        origin = found->second;
        if (ends)
            m_slaveOrigins.erase(found);
    }
    if (isGone(origin)) {
        QDEBUG("[WIZARD] The page that started the slave is gone; event dropped");
        return;
    }

    if (type == EVT_SLAVE_FINISHED)
        routeWorkEvent(event, &Page::onSlaveSucceeded, &Wizard::onSlaveSucceeded);
    else if (type == EVT_SLAVE_FAILED)
        routeWorkEvent(event, &Page::onSlaveFailed, &Wizard::onSlaveFailed);
    else if (type == EVT_SLAVE_ABORTED)
        routeWorkEvent(event, &Page::onSlaveAborted, &Wizard::onSlaveAborted);
    else
        routeWorkEvent(event, &Page::onSlaveProgress, &Wizard::onSlaveProgress);
}

void Wizard::onCancel(wxCommandEvent&)
{
    {
        wxBusyCursor wait;
        stopWork(false);
    }
    stopBusy();
    endWizard(wxID_CANCEL);
}

void Wizard::onNext(wxCommandEvent&) {}

void Wizard::onBack(wxCommandEvent&)
{
    if (m_pages.size() == 1 && m_backLeavesWizard)
        endWizard(ID_BACK);
    setButtonLabel(ID_NEXT, _("Next"));
    std::size_t count = 0;
    if (!m_pages.empty()) {
        count = 1;
        for (std::size_t i = m_pages.size() - 1; i-- > 0 && m_pages[i]->skipOnBack();)
            ++count;
    }
    popPages(count);
}

void Wizard::onHelp(wxCommandEvent&)
{
    if (helpHandler())
        helpHandler()(getShownTitle());
}

void Wizard::onSlaveAborted(SlaveManagerEvent&) {}

void Wizard::onSlaveFailed(SlaveManagerEvent& event)
{
    showFailure(event.getErrorCode(), event.getErrorMessage());
}

void Wizard::onSlaveProgress(SlaveManagerEvent&) {}
void Wizard::onSlaveSucceeded(SlaveManagerEvent&) {}
void Wizard::onTaskAborted(TaskEvent&) {}

void Wizard::onTaskFailed(TaskEvent& event)
{
    showFailure(event.getErrorCode(), event.getErrorMessage());
}

void Wizard::onTaskProgress(TaskEvent&) {}
void Wizard::onTaskSucceeded(TaskEvent&) {}

} // namespace Quorvel

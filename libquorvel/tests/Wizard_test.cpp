#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/dcmemory.h>
#include <wx/hyperlink.h>
#include <wx/image.h>
#include <wx/stattext.h>

#include "ExampleWizard.h"
#include "Gate.h"
#include "LogCapture.h"
#include "PressButton.h"
#include "WaitUntil.h"
#include "threads/Slave.h"
#include "threads/SlaveManagerEvent.h"
#include "threads/TaskEvent.h"
#include "ui/Accessibility.h"
#include "widgets/WizardErrorPage.h"
#include "widgets/WizardHeader.h"
#include "widgets/WizardNetworkErrorPage.h"
#include "widgets/WizardPage.h"

using Quorvel::Wizard;

namespace {

const int ID_NEXT = Wizard::ID_NEXT;
const int ID_BACK = Wizard::ID_BACK;

// A page that says whether Back passes over it and whether it is a retry point, and counts
// what reaches it.
class TestPage : public Wizard::Page {
public:
    TestPage(Wizard* wizard, const wxString& title, bool skipOnBack = false,
             bool retryPoint = false)
        : Page(wizard, wxID_ANY, title), m_skip(skipOnBack), m_retryPoint(retryPoint)
    {
    }
    bool skipOnBack() const override { return m_skip; }
    bool isRetryPoint() const override { return m_retryPoint; }
    void retryOperation() override
    {
        ++retries;
        if (onRetry)
            onRetry();
    }
    void onTaskSucceeded(Quorvel::TaskEvent&) override { ++workEvents; }
    void onSlaveSucceeded(Quorvel::SlaveManagerEvent&) override { ++workEvents; }

    int retries = 0;
    int workEvents = 0;
    std::function<void()> onRetry;

private:
    bool m_skip;
    bool m_retryPoint;
};

// Holds at its gate until let through or aborted.
class GatedSlave : public Quorvel::Slave {
public:
    explicit GatedSlave(std::shared_ptr<Gate> gate) : m_gate(std::move(gate)) {}

protected:
    void work() override
    {
        m_gate->pass([this] { return isAborted(); });
        checkAbort();
    }
    void onAbort() override { m_gate->wake(); }

private:
    std::shared_ptr<Gate> m_gate;
};

void press(Wizard& wizard, wxWindowID id)
{
    wxButton* button = wizard.getButton(id);
    ASSERT_TRUE(button->IsShown() && button->IsEnabled()) << "button " << id;
    pressButton(button);
}

template <typename T> T* currentAs(const Wizard& wizard)
{
    return dynamic_cast<T*>(wizard.getCurrentPage());
}

// The texts of the labels on `page`, in order.
std::vector<wxString> labelsOf(const wxWindow* page)
{
    std::vector<wxString> texts;
    for (const wxWindow* child : page->GetChildren())
        if (const auto* label = dynamic_cast<const wxStaticText*>(child))
            texts.push_back(label->GetLabelText());
    return texts;
}

class WizardTest : public ::testing::Test {
protected:
    ~WizardTest() override { destroy(); }

    Wizard& plain()
    {
        wizard = new Wizard(nullptr, wxID_ANY, "Plain Assistant");
        wizard->Show();
        return *wizard;
    }
    Example::Wizard& example()
    {
        auto* made = new Example::Wizard(nullptr);
        wizard = made;
        made->Show();
        return *made;
    }
    TestPage* push(const wxString& title, bool skipOnBack = false, bool retryPoint = false)
    {
        auto* page = new TestPage(wizard, title, skipOnBack, retryPoint);
        wizard->pushPage(page);
        return page;
    }
    // Shows the wizard modally and does `actions` inside its loop; ends it with -1 if they
    // did not.
    int runModal(const std::function<void()>& actions)
    {
        wizard->CallAfter([this, actions] {
            actions();
            if (wizard->IsModal())
                wizard->EndModal(-1);
        });
        wizard->Hide();
        return wizard->ShowModal();
    }
    void destroy()
    {
        delete wizard;
        wizard = nullptr;
        wxTheApp->ProcessPendingEvents();
    }
    // Lets the toolkit deliver what is queued now.
    static void settle()
    {
        waitUntil([] { return true; });
    }

    Wizard* wizard = nullptr;
};

} // namespace

TEST_F(WizardTest, BackPassesOverPagesThatSkipOnBack)
{
    Wizard& w = plain();
    TestPage* first = push("First");
    push("Uploading", true);
    push("Creating order", true);
    push("Receipt");
    EXPECT_TRUE(w.getButton(ID_BACK)->IsEnabled());

    press(w, ID_BACK);
    EXPECT_EQ(w.getCurrentPage(), first);
    EXPECT_EQ(w.getPageCount(), 1u);
    // The first page, without the flag: Back has nowhere to go.
    EXPECT_FALSE(w.getButton(ID_BACK)->IsEnabled());
}

TEST_F(WizardTest, BackOnTheOnlyPageEndsTheWizardWhenTheFlagIsSet)
{
    Wizard& w = plain();
    w.setBackLeavesWizard(true);
    push("Only");
    const int result = runModal([&] { press(w, ID_BACK); });
    EXPECT_EQ(result, ID_BACK);
}

TEST_F(WizardTest, HelpOpensTheTopicOfTheTitleShown)
{
    std::vector<wxString> topics;
    Wizard::setHelpHandler([&](const wxString& topic) { topics.push_back(topic); });
    const std::unique_ptr<void, void (*)(void*)> forget(&topics,
                                                        [](void*) { Wizard::setHelpHandler({}); });
    Wizard& w = plain();
    ASSERT_NE(w.getHelpLink(), nullptr);
    push("");
    wxHyperlinkEvent help(w.getHelpLink(), wxID_HELP, wxString());
    w.getHelpLink()->GetEventHandler()->ProcessEvent(help);
    push("Choose a camera");
    w.getHelpLink()->GetEventHandler()->ProcessEvent(help);
    // The pages leave help to the wizard, which opens the topic of the title shown.
    EXPECT_EQ(topics, (std::vector<wxString>{"Plain Assistant", "Choose a camera"}));
}

TEST_F(WizardTest, RefusedConnectionOffersRetryThatRunsTheSendingAgain)
{
    Example::Wizard& w = example();
    int made = 0;
    w.setTaskMaker([&]() -> Quorvel::Ref<Quorvel::Task> {
        if (made++ == 0)
            return Quorvel::makeRef<Example::SendTask>(std::make_shared<Gate>(true),
                                                       Wizard::CONNECTION_REFUSED,
                                                       "Connection refused by host");
        return Quorvel::makeRef<Example::SendTask>();
    });
    press(w, ID_NEXT);
    press(w, ID_NEXT);
    ASSERT_TRUE(waitUntil([&] { return currentAs<Wizard::ErrorPage>(w) != nullptr; }));

    auto* error = currentAs<Wizard::NetworkErrorPage>(w);
    ASSERT_NE(error, nullptr);
    EXPECT_FALSE(w.isBusy());
    EXPECT_EQ(w.getButton(ID_NEXT)->GetLabel(), "Retry");
    EXPECT_TRUE(w.getButton(ID_NEXT)->IsEnabled());
    EXPECT_TRUE(w.getButton(ID_BACK)->IsEnabled());
    EXPECT_EQ(labelsOf(error),
              (std::vector<wxString>{"Operation failed:", "Could not send the pictures",
                                     "Failure code: Network.ConnectionRefused",
                                     "Connection refused by host",
                                     "You may retry the operation or press cancel to abort"}));
    const Wizard::HeaderStatus status = w.getHeaderStatus();
    EXPECT_EQ(status.kind, Wizard::HeaderStatus::Error);
    EXPECT_EQ(status.text, "Connection to server was refused");

    press(w, ID_NEXT);
    // Back on the sending page, which offers no retry of its own.
    EXPECT_EQ(w.getButton(ID_NEXT)->GetLabel(), "Next");
    ASSERT_TRUE(waitUntil([&] { return w.getCurrentPage()->getStep() == 3; }));
    EXPECT_EQ(w.tally().sendsStarted, 2);
    EXPECT_EQ(w.getPageCount(), 4u);
    EXPECT_EQ(w.getButton(ID_NEXT)->GetLabel(), "Close");
}

TEST_F(WizardTest, OtherFailuresCannotBeRetriedAndBackLeavesTheSending)
{
    Example::Wizard& w = example();
    w.setTaskMaker([] {
        return Quorvel::makeRef<Example::SendTask>(std::make_shared<Gate>(true), "Soap.Fault",
                                                   "Server error");
    });
    press(w, ID_NEXT);
    press(w, ID_NEXT);
    ASSERT_TRUE(waitUntil([&] { return currentAs<Wizard::ErrorPage>(w) != nullptr; }));
    EXPECT_EQ(currentAs<Wizard::NetworkErrorPage>(w), nullptr);
    EXPECT_EQ(w.getShownTitle(), "An unexpected error occured");
    EXPECT_EQ(w.getButton(ID_NEXT)->GetLabel(), "Retry");
    EXPECT_FALSE(w.getButton(ID_NEXT)->IsEnabled());

    press(w, ID_BACK);
    EXPECT_EQ(w.getCurrentPage()->getStep(), 1);
    EXPECT_EQ(w.getButton(ID_NEXT)->GetLabel(), "Next");
    EXPECT_TRUE(w.getButton(ID_NEXT)->IsEnabled());
}

TEST_F(WizardTest, RetryWithoutARetryPointDoesNothing)
{
    Wizard& w = plain();
    push("First");
    w.showFailure(Wizard::CONNECTION_REFUSED, "refused");
    Wizard::Page* error = w.getCurrentPage();
    press(w, ID_NEXT);
    EXPECT_EQ(w.getCurrentPage(), error);
    EXPECT_EQ(w.getPageCount(), 2u);
}

TEST_F(WizardTest, ErrorPageOutlivesTheRetryItStarted)
{
    Wizard& w = plain();
    TestPage* point = push("Creating the share", false, true);
    push("Uploading", true);
    w.showFailure(Wizard::CONNECTION_REFUSED, "refused");
    wxWeakRef<wxWindow> error = w.getCurrentPage();
    bool aliveDuringRetry = false;
    point->onRetry = [&] { aliveDuringRetry = error.get() != nullptr; };

    press(w, ID_NEXT);
    EXPECT_EQ(point->retries, 1);
    EXPECT_EQ(w.getCurrentPage(), point);
    EXPECT_TRUE(aliveDuringRetry);
    settle();
    EXPECT_EQ(error.get(), nullptr);
}

TEST_F(WizardTest, BackIsDisabledWhileWorkRuns)
{
    Wizard& w = plain();
    push("First");
    push("Second");
    auto gate = std::make_shared<Gate>(false);
    w.runTask(Quorvel::makeRef<Example::SendTask>(gate), "Working", "Could not work");
    EXPECT_FALSE(w.getButton(ID_BACK)->IsEnabled());
    // A page asking for Back meanwhile gets it when the work ends.
    w.enableButton(ID_BACK);
    EXPECT_FALSE(w.getButton(ID_BACK)->IsEnabled());

    gate->open();
    ASSERT_TRUE(waitUntil([&] { return !w.isBusy(); }));
    EXPECT_TRUE(w.getButton(ID_BACK)->IsEnabled());
}

TEST_F(WizardTest, EventsOfWorkWhosePageLeftTheStackAreDropped)
{
    LogCapture log;
    Wizard& w = plain();
    TestPage* first = push("First");
    push("Downloading");
    auto taskGate = std::make_shared<Gate>(false);
    auto slaveGate = std::make_shared<Gate>(false);
    w.runTask(Quorvel::makeRef<Example::SendTask>(taskGate), "Working", "Could not work");
    w.runSlave(std::make_unique<GatedSlave>(slaveGate), 0, "Working", "Could not work");
    w.popPages(1);

    taskGate->open();
    slaveGate->open();
    ASSERT_TRUE(waitUntil([&] {
        return log.contains("[WIZARD] Task succeeded") && log.contains("[WIZARD] Slave succeeded");
    }));
    EXPECT_FALSE(w.isBusy());
    EXPECT_EQ(first->workEvents, 0);
    EXPECT_EQ(w.getCurrentPage(), first);
}

TEST_F(WizardTest, CancelWhileATaskRunsAbortsItAndEndsTheWizard)
{
    Example::Wizard& w = example();
    auto gate = std::make_shared<Gate>(false);
    const auto task = Quorvel::makeRef<Example::SendTask>(gate);
    w.setTaskMaker([&] { return task; });
    const int result = runModal([&] {
        press(w, ID_NEXT);
        press(w, ID_NEXT);
        ASSERT_TRUE(gate->waitForArrivals());
        press(w, wxID_CANCEL);
    });
    EXPECT_EQ(result, wxID_CANCEL);
    EXPECT_TRUE(task->isAborted());
    const std::shared_ptr<Example::Tally> tally = w.sharedTally();
    settle();
    destroy();
    settle();
    EXPECT_EQ(tally->taskEvents, 0);
}

TEST_F(WizardTest, ClosedByTheProgramsEndItStopsItsWorkWhateverThePageDoesOnCancel)
{
    // A page whose Cancel only asks the work to stop and waits, as an import's does.
    class StoppingPage : public TestPage {
    public:
        using TestPage::TestPage;
        void onCancel(wxCommandEvent&) override { ++cancels; }
        int cancels = 0;
    };
    Wizard& w = plain();
    auto* page = new StoppingPage(&w, "Importing");
    w.pushPage(page);
    auto gate = std::make_shared<Gate>(false);
    const auto task = Quorvel::makeRef<Example::SendTask>(gate);
    const int result = runModal([&] {
        w.runTask(task);
        ASSERT_TRUE(gate->waitForArrivals());
        // The close box is Cancel to the page, which keeps the wizard open.
        w.Close(false);
        EXPECT_EQ(page->cancels, 1);
        EXPECT_TRUE(w.IsModal());
        // An orderly exit closes it as forced.
        w.Close(true);
    });
    EXPECT_EQ(result, wxID_CANCEL);
    EXPECT_TRUE(task->isAborted());
    EXPECT_EQ(page->cancels, 1);
}

TEST_F(WizardTest, PoppingEveryPageShowsThatNoPageIsDisplayed)
{
    Wizard& w = plain();
    push("First");
    push("Second");
    w.popPages(2);
    const Wizard::HeaderStatus status = w.getHeaderStatus();
    EXPECT_EQ(status.kind, Wizard::HeaderStatus::NoPage);
    EXPECT_EQ(status.text, "No page is displayed!");
}

TEST_F(WizardTest, BusySquaresLightUpAndDownOnSuccessiveTicks)
{
    Wizard& w = plain();
    push("First");
    w.startBusy("Working");
    std::vector<int> lit;
    for (int tick = 0; tick < 9; ++tick) {
        lit.push_back(w.getLitBusySquare());
        w.getBusyTimer().Notify();
    }
    EXPECT_EQ(lit, (std::vector<int>{0, 1, 2, 3, 4, 3, 2, 1, 0}));

    // What the header draws: after nine ticks the light is on the second square.
    Wizard::Header* header = nullptr;
    for (wxWindow* child : w.GetChildren())
        if (auto* found = dynamic_cast<Wizard::Header*>(child))
            header = found;
    ASSERT_NE(header, nullptr);
    const wxSize size(400, Wizard::Header::MIN_HEIGHT);
    wxBitmap band(size);
    {
        wxMemoryDC dc(band);
        header->paint(dc, size);
    }
    const wxImage image = band.ConvertToImage();
    const auto centre = [&](int square) {
        const int x = size.x - Wizard::Header::SQUARES_RIGHT + Wizard::Header::SQUARE_STEP * square;
        const int y = Wizard::Header::SQUARES_Y;
        return wxColour(image.GetRed(x + 6, y + 6), image.GetGreen(x + 6, y + 6),
                        image.GetBlue(x + 6, y + 6));
    };
    EXPECT_EQ(centre(1), wxColour(109, 213, 112));
    EXPECT_EQ(centre(0), wxColour(37, 142, 39));
    EXPECT_EQ(centre(4), wxColour(37, 142, 39));

    w.stopBusy();
    EXPECT_EQ(w.getLitBusySquare(), -1);
    // A tick that was already on its way does not start the animation again.
    w.getBusyTimer().Notify();
    EXPECT_FALSE(w.getBusyTimer().IsRunning());
}

namespace {

const Quorvel::AccessibleNode* findNode(const std::vector<Quorvel::AccessibleNode>& nodes,
                                        const wxString& role, const wxString& name)
{
    for (const Quorvel::AccessibleNode& node : nodes)
        if (node.role == role && node.name == name)
            return &node;
    return nullptr;
}

// The nodes as lines "role: name (description)", indented by depth.
wxString transcript(const std::vector<Quorvel::AccessibleNode>& nodes)
{
    wxString text;
    for (const Quorvel::AccessibleNode& node : nodes)
        text += wxString(' ', size_t(2 * node.depth)) + node.role + ": " + node.name + " (" +
                node.description + ")\n";
    return text;
}

} // namespace

// A screen reader reads the header and the steps as it reads any text of the window: which
// page this is, what the status line says (and that it is an error), and where the steps stand.
TEST_F(WizardTest, AScreenReaderReadsTheHeaderAndWhereTheStepsStand)
{
    Example::Wizard& w = example();
    press(w, ID_NEXT);
    // The page is on screen once GTK has laid it out.
    std::vector<Quorvel::AccessibleNode> nodes;
    ASSERT_TRUE(waitUntil([&] {
        nodes = Quorvel::readAccessibleTree(w);
        return findNode(nodes, "panel", w.getShownTitle()) != nullptr;
    })) << transcript(nodes);
    const Quorvel::AccessibleNode* title = findNode(nodes, "label", w.getShownTitle());
    ASSERT_NE(title, nullptr);
    // The header comes first, before the steps and the page.
    EXPECT_EQ(title, &nodes.front());
    const Quorvel::AccessibleNode* steps = findNode(nodes, "panel", "Steps");
    ASSERT_NE(steps, nullptr);
    EXPECT_EQ(steps->description, "Step 2 of 4: Options");
    const std::pair<const char*, const char*> states[] = {
        {"Welcome", "Done"}, {"Options", "Current step"}, {"Sending", "To come"}};
    for (const auto& [step, state] : states) {
        const Quorvel::AccessibleNode* label = findNode(nodes, "label", step);
        ASSERT_NE(label, nullptr) << step;
        EXPECT_EQ(label->description, state) << step;
    }
    // Pressed from the keyboard, Next keeps the focus: it tells where the user got to.
    EXPECT_EQ(Quorvel::getAccessibleDescription(*w.getButton(ID_NEXT)),
              "Choose how to send the pictures. The service keeps the pictures for 30 days, then "
              "removes them from the server; keep your own copies.");
    // The page, entered with the keyboard, is named as the header names it; so are its
    // controls.
    EXPECT_EQ(findNode(nodes, "panel", w.getShownTitle())->description,
              w.getCurrentPage()->getDescription());
    EXPECT_NE(findNode(nodes, "text", "Message for the receiver"), nullptr) << transcript(nodes);
    std::vector<wxString> unnamed = Quorvel::findUnnamedControls(w);
    EXPECT_TRUE(unnamed.empty()) << wxJoin(wxArrayString(unnamed.size(), unnamed.data()), '\n');

    // A failure: its title is read as the header's error, with what the icon means.
    w.showFailure(Wizard::CONNECTION_REFUSED, "refused");
    settle();
    nodes = Quorvel::readAccessibleTree(w);
    int errors = 0;
    for (const Quorvel::AccessibleNode& node : nodes)
        errors += node.role == "label" && node.name == "Connection to server was refused" &&
                  node.description == "Error";
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(Quorvel::getAccessibleDescription(*w.getButton(ID_BACK)),
              "Connection to server was refused");
    EXPECT_EQ(findNode(nodes, "label", "Options")->description, "Current step");
    unnamed = Quorvel::findUnnamedControls(w);
    EXPECT_TRUE(unnamed.empty()) << wxJoin(wxArrayString(unnamed.size(), unnamed.data()), '\n');

    // The status line is one sentence for the ear, however it is wrapped for the eye.
    const wxString longText = "A description long enough to need more than one line of the "
                              "header band in any font the desktop may choose for it";
    w.popPages(1);
    w.getCurrentPage()->setDescription(longText);
    w.updateHeader();
    nodes = Quorvel::readAccessibleTree(w);
    EXPECT_NE(findNode(nodes, "label", longText), nullptr);

    // No page at all is said too.
    w.popPages(w.getPageCount());
    nodes = Quorvel::readAccessibleTree(w);
    const Quorvel::AccessibleNode* none = findNode(nodes, "label", "No page is displayed!");
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->description, "Error");
}

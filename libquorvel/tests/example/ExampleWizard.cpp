#include "ExampleWizard.h"

#include <wx/checkbox.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "system/Exceptions.h"
#include "threads/TaskEvent.h"
#include "ui/Accessibility.h"
#include "widgets/WizardPage.h"

namespace Example {

namespace {

const int BORDER = 10;

wxStaticText* addText(wxWindow* page, wxSizer* sizer, const wxString& text)
{
    auto* label = new wxStaticText(page, wxID_ANY, text);
    label->Wrap(page->GetParent()->GetMinSize().GetWidth() - 2 * BORDER);
    sizer->Add(label, wxSizerFlags().Border(wxALL, BORDER));
    return label;
}

} // namespace

SendTask::SendTask(std::shared_ptr<Gate> gate, const wxString& failureCode,
                   const wxString& failureMessage)
    : m_gate(std::move(gate)), m_failureCode(failureCode), m_failureMessage(failureMessage)
{
}

void SendTask::run()
{
    m_gate->pass([this] { return isAborted(); });
    checkAbort();
    if (!m_failureCode.empty())
        throw Quorvel::RuntimeException(m_failureCode, m_failureMessage);
}

void SendTask::onAbort()
{
    m_gate->wake();
}

class Wizard::DonePage : public Quorvel::Wizard::Page {
public:
    explicit DonePage(Wizard* wizard) : Page(wizard, wxID_ANY, "The pictures were sent")
    {
        setDescription("Everything went well.");
    }
    int getStep() const override { return 3; }
    void beforeShow() override
    {
        if (GetSizer())
            return;
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        addText(this, sizer, "Your 12 pictures are on their way to the example service.");
        SetSizer(sizer);
    }
    void afterShow() override
    {
        // Nothing is left to go back to or to cancel.
        getWizard()->setButtonLabel(ID_BACK, wxString());
        getWizard()->setButtonLabel(wxID_CANCEL, wxString());
        getWizard()->setButtonLabel(ID_NEXT, "Close");
    }
    void onNext(wxCommandEvent&) override { getWizard()->endWizard(wxID_OK); }
};

class Wizard::SendPage : public Quorvel::Wizard::Page {
public:
    explicit SendPage(Wizard* wizard)
        : Page(wizard, wxID_ANY, "Sending the pictures"), m_example(wizard)
    {
        setDescription("The pictures go to the example service.");
    }
    int getStep() const override { return 2; }
    bool skipOnBack() const override { return true; }
    bool isRetryPoint() const override { return true; }
    void beforeShow() override
    {
        if (GetSizer())
            return;
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        addText(this, sizer, "Please wait while the pictures are sent. This may take a while.");
        SetSizer(sizer);
    }
    void runOperation() override
    {
        ++m_example->tally().sendsStarted;
        getWizard()->runTask(m_example->makeTask(), "Sending the pictures - please wait",
                             "Could not send the pictures");
    }
    void onTaskSucceeded(Quorvel::TaskEvent&) override
    {
        ++m_example->tally().taskEvents;
        getWizard()->pushPage(new DonePage(m_example));
    }
    void onTaskProgress(Quorvel::TaskEvent&) override { ++m_example->tally().taskEvents; }
    void onTaskAborted(Quorvel::TaskEvent&) override { ++m_example->tally().taskEvents; }
    // A failure is left to the wizard, which shows it.

private:
    Wizard* m_example;
};

class Wizard::OptionsPage : public Quorvel::Wizard::Page {
public:
    explicit OptionsPage(Wizard* wizard)
        : Page(wizard, wxID_ANY, "Choose how to send the pictures"), m_example(wizard)
    {
        setDescription("The service keeps the pictures for 30 days, then removes them from the "
                       "server; keep your own copies.");
    }
    int getStep() const override { return 1; }
    void beforeShow() override
    {
        if (GetSizer())
            return;
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        addText(this, sizer, "Add a short message for the receiver:");
        auto* message = new wxTextCtrl(this, wxID_ANY, "Pictures from the summer");
        Quorvel::setAccessibleName(*message, "Message for the receiver");
        sizer->Add(message, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT, BORDER));
        auto* resize = new wxCheckBox(this, wxID_ANY, "Make large pictures smaller first");
        resize->SetValue(true);
        sizer->Add(resize, wxSizerFlags().Border(wxALL, BORDER));
        SetSizer(sizer);
    }
    void onNext(wxCommandEvent&) override
    {
        auto* send = new SendPage(m_example);
        getWizard()->pushPage(send);
        send->runOperation();
    }

private:
    Wizard* m_example;
};

class Wizard::IntroPage : public Quorvel::Wizard::Page {
public:
    explicit IntroPage(Wizard* wizard)
        : Page(wizard, wxID_ANY, "Welcome to the example assistant"), m_example(wizard)
    {
        setDescription("This assistant sends your pictures to the example service.");
    }
    int getStep() const override { return 0; }
    void beforeShow() override
    {
        if (GetSizer())
            return;
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        addText(this, sizer,
                "This assistant will guide you through sending the chosen pictures to the "
                "example service via the Internet.");
        sizer->Add(new wxRadioButton(this, wxID_ANY, "Send the pictures now", wxDefaultPosition,
                                     wxDefaultSize, wxRB_GROUP),
                   wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, BORDER));
        sizer->Add(new wxRadioButton(this, wxID_ANY, "Send the pictures tonight"),
                   wxSizerFlags().Border(wxALL, BORDER));
        SetSizer(sizer);
    }
    void onNext(wxCommandEvent&) override { getWizard()->pushPage(new OptionsPage(m_example)); }

private:
    Wizard* m_example;
};

Wizard::Wizard(wxWindow* parent)
    : Quorvel::Wizard(parent, wxID_ANY, "Example Sending Assistant"),
      m_makeTask([] { return Quorvel::makeRef<SendTask>(); })
{
    setStepNames({"Welcome", "Options", "Sending", "Done"});
    pushPage(new IntroPage(this));
}

} // namespace Example

#include "main/RemoveDataWizard.h"

#include <set>

#include <wx/checkbox.h>
#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "database/Database.h"
#include "system/Log.h"
#include "threads/TaskEvent.h"
#include "ui/Accessibility.h"
#include "widgets/FinalWizardPage.h"
#include "widgets/WizardForm.h"
#include "widgets/WizardPage.h"

using Brenmarle::DataRemoval;

namespace {

RemoveDataWizard* wizardOf(const Quorvel::Wizard::Page& page)
{
    return static_cast<RemoveDataWizard*>(page.getWizard());
}

// Each kept entry and why, one to a line.
wxString keptText(const std::vector<DataRemoval::Kept>& kept)
{
    wxString text;
    for (const DataRemoval::Kept& entry : kept)
        text += "\n" + entry.path + ": " + entry.reason;
    return text;
}

// Reads the catalogue and the data folder off the GUI thread.
class SurveyTask : public Quorvel::Task {
public:
    explicit SurveyTask(std::shared_ptr<DataRemoval> plan) : m_plan(std::move(plan)) {}
    void run() override
    {
        setProgress(_("Looking at your data"), 0, 0);
        notifyProgress();
        m_plan->survey(Brenmarle::Database::getInstance());
    }

private:
    std::shared_ptr<DataRemoval> m_plan;
};

} // namespace

// Looks first, then tells: what goes, what stays, and the warning.
class RemoveDataWizard::CheckPage : public Quorvel::Wizard::Page {
public:
    CheckPage(RemoveDataWizard* wizard, const wxString& dataDir, const wxString& homeDir)
        : Page(wizard, wxID_ANY, _("Remove your pictures and settings")),
          m_plan(std::make_shared<DataRemoval>(dataDir, homeDir))
    {
        setDescription(_("Everything the program keeps on this computer"));
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        m_status = WizardForm::addText(this, sizer, _("Looking at your data..."));
        SetSizer(sizer);
    }
    int getStep() const override { return STEP_CHECK; }
    bool isRetryPoint() const override { return true; }
    void getHeaderMessages(wxString&, wxString& warning) const override { warning = m_warning; }

    void runOperation() override
    {
        getWizard()->runTask(Quorvel::makeRef<SurveyTask>(m_plan), _("Looking at your data..."),
                             _("Could not look at your data"));
    }
    void onTaskSucceeded(Quorvel::TaskEvent&) override
    {
        wizardOf(*this)->setPlan(std::make_unique<DataRemoval>(*m_plan));
        showPlan(*m_plan);
        getWizard()->enableButton(ID_NEXT);
    }
    void onNext(wxCommandEvent&) override;

private:
    void showPlan(const DataRemoval& plan)
    {
        m_status->Hide();
        wxSizer* sizer = GetSizer();
        std::set<DataRemoval::Kind> kinds;
        wxString list;
        for (const DataRemoval::Item& item : plan.getItems())
            if (kinds.insert(item.kind).second)
                list += "\n- " + wxGetTranslation(DataRemoval::describe(item.kind));
        if (list.empty()) {
            WizardForm::addText(this, sizer, _("The program keeps no data on this computer."));
        } else {
            WizardForm::addText(this, sizer, _("This removes from this computer:") + list);
        }
        if (plan.getUnsafePictureCount() > 0) {
            m_warning = wxString::Format(plan.getUnsafePictureCount() == 1
                                             ? _("%d picture is not safely stored")
                                             : _("%d pictures are not safely stored"),
                                         plan.getUnsafePictureCount());
            wxStaticText* warning = WizardForm::addText(
                this, sizer,
                wxString::Format(_("%d of your pictures exist only on this computer and are "
                                   "not safely stored. They will be lost. To keep them, press "
                                   "Cancel and copy them with \"Export Archive...\" in the "
                                   "Archive menu first."),
                                 plan.getUnsafePictureCount()),
                true);
            warning->SetForegroundColour(wxColour(204, 0, 0));
        }
        if (!plan.getKept().empty())
            WizardForm::addText(this, sizer,
                                _("These stay, because they may not be the program's own:") +
                                    keptText(plan.getKept()));
        Layout();
        getWizard()->updateHeader();
    }

    std::shared_ptr<DataRemoval> m_plan;
    wxStaticText* m_status = nullptr;
    wxString m_warning;
};

// Nothing is removed before the user ticked that they understand.
class RemoveDataWizard::ConfirmPage : public Quorvel::Wizard::Page {
public:
    explicit ConfirmPage(RemoveDataWizard* wizard)
        : Page(wizard, wxID_ANY, _("Please confirm the removal"))
    {
        setDescription(_("This cannot be undone."));
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        WizardForm::addText(this, sizer,
                            _("The catalogue, the pictures of your albums and of the Picture "
                              "Inbox and your settings will be deleted from this computer. "
                              "Pictures in your own folders are not touched."));
        m_understood = new wxCheckBox(
            this, wxID_ANY, _("I &understand that these pictures and settings will be deleted"));
        m_understood->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { applyState(); });
        sizer->Add(m_understood, wxSizerFlags().Border(wxALL, WizardForm::BORDER));
        SetSizer(sizer);
    }
    int getStep() const override { return STEP_CONFIRM; }

    void afterShow() override
    {
        getWizard()->setButtonLabel(ID_NEXT, _("Remove"));
        applyState();
    }
    void onBack(wxCommandEvent&) override
    {
        getWizard()->setButtonLabel(ID_NEXT, _("Next"));
        getWizard()->popPages(1);
    }
    void onNext(wxCommandEvent&) override
    {
        if (m_understood->IsChecked())
            wizardOf(*this)->startRemoval();
    }

private:
    void applyState() { getWizard()->enableButton(ID_NEXT, m_understood->IsChecked()); }

    wxCheckBox* m_understood = nullptr;
};

void RemoveDataWizard::CheckPage::onNext(wxCommandEvent&)
{
    if (wizardOf(*this)->getPlan())
        getWizard()->pushPage(new ConfirmPage(wizardOf(*this)));
}

class RemoveDataWizard::DonePage : public FinalWizardPage {
public:
    DonePage(RemoveDataWizard* wizard, bool finished, const wxString& failure)
        : FinalWizardPage(wizard, wxID_ANY,
                          finished ? _("Your data was removed")
                                   : _("Your data could not be removed completely"))
    {
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        if (!failure.empty())
            WizardForm::addText(this, sizer, failure);
        const auto failures = wizard->getTask()->getFailures();
        if (!failures.empty())
            WizardForm::addText(this, sizer, _("These could not be removed:") + keptText(failures));
        const auto& kept = wizard->getPlan()->getKept();
        if (!kept.empty())
            WizardForm::addText(this, sizer, _("These were kept:") + keptText(kept));
        if (finished && failures.empty())
            WizardForm::addText(this, sizer,
                                _("The program's data is gone from this computer. You may now "
                                  "uninstall the program."));
        SetSizer(sizer);
    }
    int getStep() const override { return STEP_DONE; }
};

// The removal runs to its end: one stopped half-way would leave pictures without a catalogue.
class RemoveDataWizard::ProgressPage : public Quorvel::Wizard::Page {
public:
    explicit ProgressPage(RemoveDataWizard* wizard)
        : Page(wizard, wxID_ANY, _("Removing your data"))
    {
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        m_status = WizardForm::addText(this, sizer, _("Removing your data..."));
        m_gauge = WizardForm::addGauge(this, sizer, _("Removal progress"));
        SetSizer(sizer);
    }
    int getStep() const override { return STEP_REMOVE; }

    void afterShow() override
    {
        getWizard()->setButtonLabel(ID_BACK, wxString());
        getWizard()->setButtonLabel(ID_NEXT, wxString());
        getWizard()->disableButton(wxID_CANCEL);
    }
    void onCancel(wxCommandEvent&) override {}
    void onTaskProgress(Quorvel::TaskEvent& event) override
    {
        WizardForm::showProgress(event, m_status, m_gauge);
    }
    void onTaskSucceeded(Quorvel::TaskEvent&) override { finish(true, wxString()); }
    void onTaskAborted(Quorvel::TaskEvent&) override { finish(false, wxString()); }
    void onTaskFailed(Quorvel::TaskEvent& event) override
    {
        finish(false, event.getErrorMessage());
    }

private:
    void finish(bool finished, const wxString& failure)
    {
        getWizard()->pushPage(new DonePage(wizardOf(*this), finished, failure));
    }

    wxStaticText* m_status = nullptr;
    wxGauge* m_gauge = nullptr;
};

RemoveDataWizard::RemoveDataWizard(wxWindow* parent, const wxString& dataDir,
                                   const wxString& homeDir, std::function<void()> release)
    : BrenmarleWizard(parent, _("Remove Data"), {_("Check"), _("Confirm"), _("Remove"), _("Done")}),
      m_dataDir(dataDir), m_homeDir(homeDir), m_release(std::move(release))
{
    SetName("RemoveDataWizard");
    auto* check = new CheckPage(this, dataDir, homeDir);
    pushPage(check);
    disableButton(ID_NEXT);
    // Not before it shows: a wizard that is made but never shown reads nothing.
    Bind(wxEVT_SHOW, [this, check](wxShowEvent& event) {
        event.Skip();
        if (event.IsShown() && !m_plan && !isBusy() && getCurrentPage() == check)
            check->runOperation();
    });
}

RemoveDataWizard::~RemoveDataWizard() = default;

void RemoveDataWizard::startRemoval()
{
    QDEBUG("[REMOVEDATAWIZARD] Removing the data in %s", m_dataDir);
    if (!m_released && m_release)
        m_release();
    m_released = true;
    m_task = Quorvel::makeRef<Brenmarle::DataRemovalTask>(*m_plan);
    pushPage(new ProgressPage(this));
    runTask(m_task, _("Removing your data - please wait"), _("Could not remove your data"));
}

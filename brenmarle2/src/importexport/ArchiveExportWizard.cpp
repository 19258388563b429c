#include "importexport/ArchiveExportWizard.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/checklst.h>
#include <wx/filefn.h>
#include <wx/filepicker.h>
#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/stdpaths.h>
#include <wx/utils.h>

#include "filemanager/FileManager.h"
#include "folders/AlbumFolder.h"
#include "folders/InboxFolder.h"
#include "system/Log.h"
#include "threads/TaskEvent.h"
#include "ui/Accessibility.h"
#include "widgets/FinalWizardPage.h"
#include "widgets/WizardForm.h"
#include "widgets/WizardPage.h"

namespace {

// Failures listed by name on the last page; the rest are counted.
constexpr size_t LISTED_FAILURES = 8;

ArchiveExportWizard* wizardOf(const Quorvel::Wizard::Page& page)
{
    return static_cast<ArchiveExportWizard*>(page.getWizard());
}

} // namespace

class ArchiveExportWizard::AlbumsPage : public Quorvel::Wizard::Page {
public:
    explicit AlbumsPage(ArchiveExportWizard* wizard)
        : Page(wizard, wxID_ANY, _("Choose the albums to export"))
    {
        setDescription(_("Each album becomes a folder of its own."));
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        WizardForm::addText(this, sizer,
                            _("The pictures are copied as they are, with their captions and "
                              "keywords in a small file beside each picture that other photo "
                              "programs read."));
        m_list = new wxCheckListBox(this, wxID_ANY);
        Quorvel::setAccessibleName(*m_list, _("Albums to export"));
        for (const Choice& choice : wizard->getChoices()) {
            const wxString format =
                choice.pictureCount == 1 ? _("%s (%d picture)") : _("%s (%d pictures)");
            m_list->Check(
                m_list->Append(wxString::Format(format, choice.name, choice.pictureCount)));
        }
        sizer->Add(m_list,
                   wxSizerFlags(1).Expand().Border(wxLEFT | wxRIGHT | wxTOP, WizardForm::BORDER));
        auto* buttons = new wxBoxSizer(wxHORIZONTAL);
        auto* all = new wxButton(this, wxID_ANY, _("Select &All"));
        auto* none = new wxButton(this, wxID_ANY, _("Select &None"));
        all->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { checkAll(true); });
        none->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { checkAll(false); });
        buttons->Add(all);
        buttons->Add(none, wxSizerFlags().Border(wxLEFT, WizardForm::BORDER));
        sizer->Add(buttons, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, WizardForm::BORDER));
        m_error.create(this, sizer);
        SetSizer(sizer);
    }
    int getStep() const override { return STEP_ALBUMS; }
    void getHeaderMessages(wxString& error, wxString&) const override { error = m_error.error(); }

    std::vector<wxString> checkedUris() const
    {
        std::vector<wxString> uris;
        const auto& choices = wizardOf(*this)->getChoices();
        for (unsigned i = 0; i < m_list->GetCount(); ++i)
            if (m_list->IsChecked(i))
                uris.push_back(choices[i].uri);
        return uris;
    }
    void onNext(wxCommandEvent&) override;

private:
    void checkAll(bool check)
    {
        for (unsigned i = 0; i < m_list->GetCount(); ++i)
            m_list->Check(i, check);
    }

    wxCheckListBox* m_list = nullptr;
    WizardForm::ErrorLine m_error;
};

class ArchiveExportWizard::FolderPage : public Quorvel::Wizard::Page {
public:
    FolderPage(ArchiveExportWizard* wizard, std::vector<wxString> uris)
        : Page(wizard, wxID_ANY, _("Choose where to export to")), m_uris(std::move(uris))
    {
        setDescription(_("Nothing in the folder is replaced."));
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        WizardForm::addText(this, sizer,
                            _("A new folder is made inside this one for each album. A USB "
                              "stick or an external disk keeps the copy safe from a failure "
                              "of this computer."));
        m_picker = new wxDirPickerCtrl(this, wxID_ANY, wizard->getFolder(), _("Choose a folder"),
                                       wxDefaultPosition, wxDefaultSize,
                                       wxDIRP_USE_TEXTCTRL | wxDIRP_DIR_MUST_EXIST);
        Quorvel::setAccessibleName(*m_picker, _("Folder to export to"));
        sizer->Add(m_picker, wxSizerFlags().Expand().Border(wxALL, WizardForm::BORDER));
        m_error.create(this, sizer);
        SetSizer(sizer);
    }
    int getStep() const override { return STEP_FOLDER; }
    void getHeaderMessages(wxString& error, wxString&) const override { error = m_error.error(); }
    wxDirPickerCtrl* getPicker() const { return m_picker; }

    void onNext(wxCommandEvent&) override
    {
        const wxString folder = m_picker->GetPath();
        if (folder.empty() || !wxDirExists(folder))
            return m_error.report(*this, _("Please choose a folder that exists."));
        m_error.report(*this, wxString());
        wizardOf(*this)->startExport(m_uris, folder);
    }

private:
    const std::vector<wxString> m_uris;
    wxDirPickerCtrl* m_picker = nullptr;
    WizardForm::ErrorLine m_error;
};

void ArchiveExportWizard::AlbumsPage::onNext(wxCommandEvent&)
{
    const std::vector<wxString> uris = checkedUris();
    if (uris.empty())
        return m_error.report(*this, _("Please tick at least one album."));
    m_error.report(*this, wxString());
    getWizard()->pushPage(new FolderPage(wizardOf(*this), uris));
}

class ArchiveExportWizard::ResultPage : public FinalWizardPage {
public:
    ResultPage(ArchiveExportWizard* wizard, int outcome, const wxString& failure)
        : FinalWizardPage(wizard, wxID_ANY, titleFor(outcome))
    {
        const Brenmarle::ArchiveExportTask& task = *wizard->getTask();
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        const wxString counts =
            wxString::Format(_("%d of %d pictures were exported to %s."), task.getExportedCount(),
                             task.getTotalCount(), wizard->getFolder());
        if (outcome == Quorvel::EVT_TASK_FAILED) {
            WizardForm::addText(this, sizer, failure);
        } else {
            WizardForm::addText(this, sizer, counts);
            if (outcome == Quorvel::EVT_TASK_ABORTED)
                WizardForm::addText(this, sizer, _("No picture was left half written."));
        }
        listFailures(task, sizer);
        auto* open = new wxButton(this, wxID_ANY, _("&Open Folder"));
        const wxString folder = wizard->getFolder();
        open->Bind(wxEVT_BUTTON, [folder](wxCommandEvent&) { wxLaunchDefaultApplication(folder); });
        sizer->Add(open, wxSizerFlags().Border(wxALL, WizardForm::BORDER));
        SetSizer(sizer);
    }
    int getStep() const override { return STEP_DONE; }

private:
    static wxString titleFor(int outcome)
    {
        if (outcome == Quorvel::EVT_TASK_FAILED)
            return _("The export could not be finished");
        if (outcome == Quorvel::EVT_TASK_ABORTED)
            return _("The export was stopped");
        return _("The export is finished");
    }
    void listFailures(const Brenmarle::ArchiveExportTask& task, wxSizer* sizer)
    {
        const auto failures = task.getFailures();
        if (failures.empty())
            return;
        wxString text = _("These pictures could not be exported:");
        for (size_t i = 0; i < std::min(failures.size(), LISTED_FAILURES); ++i)
            text += "\n" + failures[i].first + ": " + failures[i].second;
        if (failures.size() > LISTED_FAILURES)
            text +=
                "\n" + wxString::Format(_("and %d more"), int(failures.size() - LISTED_FAILURES));
        WizardForm::addText(this, sizer, text);
    }
};

class ArchiveExportWizard::ProgressPage : public Quorvel::Wizard::Page {
public:
    explicit ProgressPage(ArchiveExportWizard* wizard)
        : Page(wizard, wxID_ANY, _("Exporting pictures"))
    {
        setDescription(_("The pictures are copied into the folder you chose."));
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        m_status = WizardForm::addText(this, sizer, _("Preparing export"));
        m_gauge = WizardForm::addGauge(this, sizer, _("Export progress"));
        m_detail = WizardForm::addText(this, sizer, wxString());
        SetSizer(sizer);
    }
    int getStep() const override { return STEP_EXPORT; }
    bool skipOnBack() const override { return true; }

    void afterShow() override
    {
        getWizard()->setButtonLabel(ID_NEXT, wxString());
        getWizard()->setButtonLabel(wxID_CANCEL, _("Stop"));
    }
    void onCancel(wxCommandEvent&) override
    {
        wizardOf(*this)->getTask()->abort();
        getWizard()->disableButton(wxID_CANCEL);
        m_status->SetLabel(_("Stopping after the current picture..."));
    }
    void onTaskProgress(Quorvel::TaskEvent& event) override
    {
        if (wizardOf(*this)->getTask()->isAborted())
            return;
        WizardForm::showProgress(event, m_status, m_gauge);
        m_detail->SetLabel(event.getDetailText());
    }
    void onTaskSucceeded(Quorvel::TaskEvent&) override { finish(Quorvel::EVT_TASK_FINISHED, {}); }
    void onTaskAborted(Quorvel::TaskEvent&) override { finish(Quorvel::EVT_TASK_ABORTED, {}); }
    void onTaskFailed(Quorvel::TaskEvent& event) override
    {
        finish(Quorvel::EVT_TASK_FAILED, event.getErrorMessage());
    }

private:
    void finish(int outcome, const wxString& failure)
    {
        getWizard()->setButtonLabel(wxID_CANCEL, _("Cancel"));
        getWizard()->pushPage(new ResultPage(wizardOf(*this), outcome, failure));
    }

    wxStaticText* m_status = nullptr;
    wxStaticText* m_detail = nullptr;
    wxGauge* m_gauge = nullptr;
};

ArchiveExportWizard::ArchiveExportWizard(wxWindow* parent, std::vector<Choice> choices,
                                         const wxString& folder)
    : BrenmarleWizard(parent, _("Export Archive"),
                      {_("Albums"), _("Folder"), _("Export"), _("Done")}),
      m_choices(std::move(choices)), m_folder(folder)
{
    SetName("ArchiveExportWizard");
    pushPage(new AlbumsPage(this));
}

std::vector<ArchiveExportWizard::Choice> ArchiveExportWizard::catalogueChoices()
{
    std::vector<Choice> choices;
    for (const auto& albums :
         {Brenmarle::AlbumFolder::getAlbums(), Brenmarle::AlbumFolder::getHiddenAlbums()})
        for (const auto& [uri, album] : albums)
            choices.push_back({album->getURI(), album->getName(), album->getFileCount()});
    std::sort(choices.begin(), choices.end(),
              [](const Choice& a, const Choice& b) { return a.name.CmpNoCase(b.name) < 0; });
    Brenmarle::FolderRef inbox =
        Brenmarle::FileManager::get().getFolder(Brenmarle::InboxFolder::URI);
    choices.push_back({Brenmarle::InboxFolder::URI, inbox->getName(), inbox->getFileCount()});
    return choices;
}

int ArchiveExportWizard::run(wxWindow* parent)
{
    const wxString pictures = wxStandardPaths::Get().GetUserDir(wxStandardPaths::Dir_Pictures);
    auto* wizard = new ArchiveExportWizard(parent, catalogueChoices(), pictures);
    const int result = wizard->ShowModal();
    wizard->Destroy();
    return result;
}

void ArchiveExportWizard::startExport(const std::vector<wxString>& uris, const wxString& folder)
{
    m_folder = folder;
    QDEBUG("[ARCHIVEEXPORTWIZARD] Exporting %d albums to %s", int(uris.size()), folder);
    m_task = Quorvel::makeRef<Brenmarle::ArchiveExportTask>(uris, folder);
    pushPage(new ProgressPage(this));
    runTask(m_task, _("Exporting pictures - please wait"), _("Could not export the pictures"));
}

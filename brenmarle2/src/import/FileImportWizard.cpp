#include "import/FileImportWizard.h"

#include <atomic>

#include <wx/filepicker.h>

#include "filemanager/FileManager.h"
#include "import/FolderScanner.h"
#include "import/ImportPageText.h"
#include "system/Environment.h"
#include "system/Log.h"
#include "threads/TaskEvent.h"
#include "ui/Accessibility.h"
#include "widgets/WizardPage.h"

using ImportPageText::BORDER;

// Searches the folder on the wizard's runner and describes each file found from the disk.
class FileImportWizard::ScanTask : public Quorvel::Task {
public:
    explicit ScanTask(const wxString& folder)
        : m_folder(folder),
          m_scanner(excludedFolders(), [this](std::size_t found) { reportFound(found); })
    {
    }

    void run() override
    {
        const std::vector<wxString> uris = m_scanner.scan(m_folder);
        checkAbort();
        Brenmarle::FileManager& manager = Brenmarle::FileManager::get();
        for (const wxString& uri : uris) {
            checkAbort();
            m_files.push_back(manager.getFolder(uri)->getFile(uri));
        }
    }

    // Read once the task ended.
    const ImportWizard::ImportTask::Files& files() const { return m_files; }

protected:
    void onAbort() override { m_scanner.stop(); }

private:
    static std::vector<wxString> excludedFolders()
    {
        std::vector<wxString> excluded;
        if (Quorvel::Environment::isInitialised())
            excluded.push_back(Quorvel::Environment::getUserDataDir());
        return excluded;
    }

    void reportFound(std::size_t found)
    {
        setProgress(wxString::Format(_("Scanning for files.. (%d found)"), static_cast<int>(found)),
                    0, 0);
        notifyProgress();
    }

    wxString m_folder;
    Brenmarle::FolderScanner m_scanner;
    ImportWizard::ImportTask::Files m_files;
};

class FileImportWizard::FolderPage : public Quorvel::Wizard::Page {
public:
    FolderPage(FileImportWizard* wizard, const wxString& folder)
        : Page(wizard, wxID_ANY, _("Choose a folder to import pictures from")), m_import(wizard),
          m_folder(folder)
    {
        setDescription(_("Subfolders will also be searched."));
    }
    int getStep() const override { return 0; }
    void getHeaderMessages(wxString& error, wxString&) const override { error = m_error; }

    void beforeShow() override
    {
        if (GetSizer())
            return;
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        ImportPageText::add(this, sizer,
                            _("You must choose the folder on your computer from where you want "
                              "to import pictures. Subfolders will also be searched."));
        m_picker =
            new wxDirPickerCtrl(this, wxID_ANY, m_folder, _("Choose a folder"), wxDefaultPosition,
                                wxDefaultSize, wxDIRP_USE_TEXTCTRL | wxDIRP_DIR_MUST_EXIST);
        // Its text field and button take the focus, and speak for it.
        Quorvel::setAccessibleName(*m_picker, _("Folder to import from"));
        sizer->Add(m_picker, wxSizerFlags().Expand().Border(wxALL, BORDER));
        m_status = ImportPageText::add(this, sizer, wxString());
        SetSizer(sizer);
    }
    void afterShow() override
    {
        // A folder handed over (a drive that was plugged in) is searched straight away.
        if (!m_folder.empty() && !m_started)
            CallAfter([this] { pressNext(); });
    }

    void onNext(wxCommandEvent&) override
    {
        m_started = true;
        const wxString folder = m_picker->GetPath();
        if (folder.empty() || !wxDirExists(folder))
            return report(_("You must select a folder to import from"));
        report(wxString());
        m_status->SetLabel(wxString::Format(_("Scanning for files.. (%d found)"), 0));
        m_task = Quorvel::makeRef<ScanTask>(folder);
        getWizard()->runTask(m_task, _("Scanning for files..."), _("Could not search the folder"));
    }
    void onTaskProgress(Quorvel::TaskEvent& event) override
    {
        m_status->SetLabel(event.getProgressText());
    }
    void onTaskSucceeded(Quorvel::TaskEvent&) override
    {
        const ImportWizard::ImportTask::Files files = m_task->files();
        const int count = static_cast<int>(files.size());
        m_status->SetLabel(wxString());
        getWizard()->enableButton(ID_NEXT);
        if (count == 0)
            return report(_("No files found in folder"));
        m_import->setSource(files, Brenmarle::FolderRef(), wxString(),
                            wxString::Format(count == 1 ? _("%d file found in folder")
                                                        : _("%d files found in folder"),
                                             count));
    }
    void onTaskAborted(Quorvel::TaskEvent&) override
    {
        m_status->SetLabel(wxString());
        getWizard()->enableButton(ID_NEXT);
    }

private:
    void report(const wxString& error)
    {
        m_error = error;
        getWizard()->updateHeader();
    }

    FileImportWizard* m_import;
    wxString m_folder;
    bool m_started = false;
    wxDirPickerCtrl* m_picker = nullptr;
    wxStaticText* m_status = nullptr;
    wxString m_error;
    Quorvel::Ref<ScanTask> m_task;
};

FileImportWizard::FileImportWizard(wxWindow* parent, const wxString& folder)
    : ImportWizard(parent, _("Import Pictures From Computer"))
{
    QDEBUG("[IMPORTWIZARD] Import from the computer: %s", folder);
    pushPage(new FolderPage(this, folder));
}

#include "import/CameraImportWizard.h"

#include <wx/hyperlink.h>
#include <wx/listbox.h>

#include "cameras/CameraManagerEvent.h"
#include "cameras/LinuxCameraManager.h"
#include "import/ImportPageText.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "threads/TaskEvent.h"
#include "ui/Accessibility.h"
#include "widgets/WizardPage.h"

using ImportPageText::BORDER;

// Asks the devices which cameras are there, on the wizard's runner.
class CameraImportWizard::EnumerateTask : public Quorvel::Task {
public:
    explicit EnumerateTask(std::shared_ptr<Brenmarle::CameraManager> manager)
        : m_manager(std::move(manager))
    {
    }
    void run() override { m_cameras = m_manager->enumerateNow(); }
    const Brenmarle::CameraList& cameras() const { return m_cameras; }

private:
    std::shared_ptr<Brenmarle::CameraManager> m_manager;
    Brenmarle::CameraList m_cameras;
};

// Lists the files of a camera, on the wizard's runner.
class CameraImportWizard::ContentsTask : public Quorvel::Task {
public:
    explicit ContentsTask(Brenmarle::CameraRef camera) : m_camera(std::move(camera)) {}
    void run() override
    {
        setProgress(_("Scanning contents..."), 0, 0);
        notifyProgress();
        m_folder = m_camera->getDeviceFolder();
        for (const wxString& uri : m_folder->getFileUris()) {
            checkAbort();
            m_files.push_back(m_folder->getFile(uri));
        }
    }
    const Brenmarle::CameraRef& camera() const { return m_camera; }
    const Brenmarle::FolderRef& folder() const { return m_folder; }
    const ImportWizard::ImportTask::Files& files() const { return m_files; }

private:
    Brenmarle::CameraRef m_camera;
    Brenmarle::FolderRef m_folder;
    ImportWizard::ImportTask::Files m_files;
};

class CameraImportWizard::CameraPage : public Quorvel::Wizard::Page {
public:
    explicit CameraPage(CameraImportWizard* wizard)
        : Page(wizard, wxID_ANY, _("Choose a camera to import photos from")), m_import(wizard)
    {
        m_manager().Bind(Brenmarle::CAMERA_FOUND, &CameraPage::onCamerasChanged, this);
        m_manager().Bind(Brenmarle::CAMERA_REMOVED, &CameraPage::onCamerasChanged, this);
    }
    ~CameraPage() override
    {
        m_manager().Unbind(Brenmarle::CAMERA_FOUND, &CameraPage::onCamerasChanged, this);
        m_manager().Unbind(Brenmarle::CAMERA_REMOVED, &CameraPage::onCamerasChanged, this);
    }
    int getStep() const override { return 0; }
    void getHeaderMessages(wxString& error, wxString&) const override { error = m_error; }

    void beforeShow() override
    {
        if (GetSizer())
            return;
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        m_none.push_back(ImportPageText::add(
            this, sizer,
            _("No camera was detected. If you already have connected a camera, please make sure "
              "it is properly turned on and drivers are installed.")));
        for (const wxString& topic :
             {_("How to connect a camera"), _("How to install a camera driver")}) {
            auto* link = new wxHyperlinkCtrl(this, wxID_ANY, topic, wxString());
            link->Bind(wxEVT_HYPERLINK, [this](wxHyperlinkEvent&) {
                wxCommandEvent help(wxEVT_HYPERLINK, wxID_HELP);
                getWizard()->ProcessWindowEvent(help);
            });
            sizer->Add(link, wxSizerFlags().Border(wxLEFT | wxTOP, BORDER));
            m_none.push_back(link);
        }
        m_list = new wxListBox(this, wxID_ANY);
        Quorvel::setAccessibleName(*m_list, _("Connected cameras"));
        m_list->Bind(wxEVT_LISTBOX_DCLICK, [this](wxCommandEvent&) { pressNext(); });
        sizer->Add(m_list, wxSizerFlags(1).Expand().Border(wxALL, BORDER));
        m_status = ImportPageText::add(this, sizer, wxString());
        SetSizer(sizer);
        showCameras();
    }
    void afterShow() override
    {
        if (m_enumerated)
            return;
        m_enumerated = true;
        setDescription(_("Scanning for connected cameras..."));
        m_enumeration = Quorvel::makeRef<EnumerateTask>(m_import->getCameraManager());
        getWizard()->runTask(m_enumeration, _("Scanning for connected cameras..."),
                             _("Could not look for cameras"));
    }

    void onNext(wxCommandEvent&) override
    {
        const Brenmarle::CameraList& cameras = m_manager().getCameraList();
        if (cameras.empty())
            return report(_("You must connect a camera"));
        const int chosen = m_list->GetSelection();
        if (chosen == wxNOT_FOUND || static_cast<size_t>(chosen) >= m_shown.size())
            return report(_("You must select a camera"));
        report(wxString());
        m_contents = Quorvel::makeRef<ContentsTask>(m_shown[static_cast<size_t>(chosen)]);
        m_import->holdProbing(true);
        getWizard()->runTask(m_contents, _("Scanning for camera contents..."),
                             _("Could not read the camera"));
    }

    void onTaskProgress(Quorvel::TaskEvent& event) override
    {
        m_status->SetLabel(event.getProgressText());
    }
    void onTaskSucceeded(Quorvel::TaskEvent& event) override
    {
        if (m_enumeration && event.getTask().get() == m_enumeration.get()) {
            m_manager().update(m_enumeration->cameras());
            m_enumeration.reset();
            showCameras();
            getWizard()->enableButton(ID_NEXT);
            return;
        }
        m_import->holdProbing(false);
        m_status->SetLabel(wxString());
        const int count = static_cast<int>(m_contents->files().size());
        m_import->setSource(m_contents->files(), m_contents->folder(),
                            m_contents->camera()->getURI(),
                            wxString::Format(_("%d files found on device"), count));
    }
    // A camera that cannot be read is said here, on the page the user chose it on.
    void onTaskFailed(Quorvel::TaskEvent& event) override
    {
        m_import->holdProbing(false);
        m_status->SetLabel(wxString());
        m_enumeration.reset();
        report(event.getErrorMessage());
        getWizard()->enableButton(ID_NEXT);
    }
    void onTaskAborted(Quorvel::TaskEvent&) override
    {
        m_import->holdProbing(false);
        m_status->SetLabel(wxString());
        getWizard()->enableButton(ID_NEXT);
    }

private:
    Brenmarle::CameraManager& m_manager() const { return *m_import->getCameraManager(); }

    void onCamerasChanged(Brenmarle::CameraManagerEvent& event)
    {
        event.Skip();
        // The manager has not made the new list current yet.
        CallAfter([this] { showCameras(); });
    }

    void showCameras()
    {
        if (!m_list)
            return;
        const wxString selected =
            m_list->GetSelection() == wxNOT_FOUND
                ? wxString()
                : m_shown[static_cast<size_t>(m_list->GetSelection())]->getURI();
        m_shown = m_manager().getCameraList();
        m_list->Clear();
        for (const Brenmarle::CameraRef& camera : m_shown) {
            wxString label = camera->getName();
            if (camera->getModel() != "Unknown")
                label += " (" + camera->getModel() + ")";
            if (!camera->getDrive().empty())
                label += " - " + camera->getDrive();
            m_list->Append(label);
            if (camera->getURI() == selected || m_shown.size() == 1)
                m_list->SetSelection(static_cast<int>(m_list->GetCount()) - 1);
        }
        const bool none = m_shown.empty();
        for (wxWindow* window : m_none)
            window->Show(none);
        // What the user was told before no longer holds.
        m_error.clear();
        m_list->Show(!none);
        if (!m_enumeration)
            setDescription(none ? _("No camera is connected to the computer")
                                : _("Choose a camera to import photos from"));
        Layout();
        getWizard()->updateHeader();
    }

    void report(const wxString& error)
    {
        m_error = error;
        getWizard()->updateHeader();
    }

    CameraImportWizard* m_import;
    // The texts shown when no camera is connected.
    std::vector<wxWindow*> m_none;
    wxListBox* m_list = nullptr;
    wxStaticText* m_status = nullptr;
    Brenmarle::CameraList m_shown;
    bool m_enumerated = false;
    wxString m_error;
    Quorvel::Ref<EnumerateTask> m_enumeration;
    Quorvel::Ref<ContentsTask> m_contents;
};

CameraImportWizard::CameraImportWizard(wxWindow* parent, Brenmarle::CameraManager* cameras)
    : ImportWizard(parent, _("Import Photos From Camera"))
{
    QDEBUG("[IMPORTWIZARD] Import from a camera");
    if (cameras) {
        setCameraManager(std::shared_ptr<Brenmarle::CameraManager>(cameras, [](auto*) {}));
    } else {
        auto own = std::make_shared<Brenmarle::LinuxCameraManager>();
        own->start();
        setCameraManager(own);
    }
    pushPage(new CameraPage(this));
}

CameraImportWizard::~CameraImportWizard()
{
    // The pages, which listen to the manager, go first.
    while (getPageCount() > 0)
        delete popPage();
    holdProbing(false);
}

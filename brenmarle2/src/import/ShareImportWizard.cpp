#include "import/ShareImportWizard.h"

#include "filemanager/FileManager.h"
#include "import/ImportPageText.h"
#include "sharing/ShareInfoTask.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "threads/TaskEvent.h"
#include "widgets/WizardPage.h"

class ShareImportWizard::SourcePage : public Quorvel::Wizard::Page {
public:
    explicit SourcePage(ShareImportWizard* wizard)
        : Page(wizard, wxID_ANY, _("Do you wish to download shared photos?")), m_import(wizard)
    {
        setDescription(wizard->getShare().getSubject());
    }
    int getStep() const override { return 0; }
    void getHeaderMessages(wxString& error, wxString&) const override { error = m_error; }

    void beforeShow() override
    {
        if (GetSizer())
            return;
        const Brenmarle::ShareImport& share = m_import->getShare();
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        ImportPageText::addBold(this, sizer, share.getSourceText());
        ImportPageText::add(this, sizer, share.getAccessText());
        // The sharer's own words, as they wrote them.
        if (!share.getMessage().empty())
            ImportPageText::add(this, sizer, share.getMessage())->SetName("Message");
        SetSizer(sizer);
    }

    void onNext(wxCommandEvent&) override
    {
        // Read once: Back and Next again go straight on.
        if (m_read)
            return goOn();
        // Naming the pictures reads nothing from the network: their information is read on the
        // runner, and each picture is fetched by the import.
        const Brenmarle::ShareImport& share = m_import->getShare();
        ImportWizard::ImportTask::Files files;
        try {
            Brenmarle::FileManager& manager = Brenmarle::FileManager::get();
            for (const wxString& uri : share.getFileUris())
                files.push_back(manager.getFile(uri));
        } catch (const Quorvel::Exception& e) {
            m_error = e.getMessage();
            getWizard()->updateHeader();
            return;
        }
        m_task = Quorvel::makeRef<Brenmarle::ShareInfoTask>(
            share, std::move(files), m_import->getPort(), m_import->getNetworkSettings());
        getWizard()->runTask(m_task, _("Reading the shared photos' information..."),
                             _("Could not read the shared photos' information"));
    }
    void onTaskSucceeded(Quorvel::TaskEvent&) override
    {
        m_read = true;
        goOn();
    }

private:
    void goOn()
    {
        const int count = static_cast<int>(m_task->getFiles().size());
        m_import->setSource(m_task->getFiles(), Brenmarle::FolderRef(), wxString(),
                            wxString::Format(count == 1 ? _("%d shared photo to download")
                                                        : _("%d shared photos to download"),
                                             count));
    }

    ShareImportWizard* m_import;
    wxString m_error;
    Quorvel::Ref<Brenmarle::ShareInfoTask> m_task;
    bool m_read = false;
};

ShareImportWizard::ShareImportWizard(wxWindow* parent, const Brenmarle::ShareImport& share,
                                     int port, Quorvel::NetworkSettings* settings)
    : ImportWizard(parent, _("Download Shared Photos")), m_share(share), m_port(port),
      m_settings(settings)
{
    QDEBUG("[SHAREIMPORTWIZARD] Share of %zu files from %s", share.getFileIds().size(),
           share.getHost());
    pushPage(new SourcePage(this));
}

int ShareImportWizard::run(wxWindow* parent, const Brenmarle::ShareImport& share, int port)
{
    auto* wizard = new ShareImportWizard(parent, share, port);
    const int result = wizard->ShowModal();
    wizard->Destroy();
    return result;
}

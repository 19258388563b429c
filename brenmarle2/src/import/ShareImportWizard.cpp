#include "import/ShareImportWizard.h"

#include "filemanager/FileManager.h"
#include "import/ImportPageText.h"
#include "system/Exceptions.h"
#include "system/Log.h"
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
        // Naming the pictures reads nothing from the network: each is fetched by the import.
        ImportWizard::ImportTask::Files files;
        try {
            Brenmarle::FileManager& manager = Brenmarle::FileManager::get();
            for (const wxString& uri : m_import->getShare().getFileUris())
                files.push_back(manager.getFile(uri));
        } catch (const Quorvel::Exception& e) {
            m_error = e.getMessage();
            getWizard()->updateHeader();
            return;
        }
        const int count = static_cast<int>(files.size());
        m_import->setSource(std::move(files), Brenmarle::FolderRef(), wxString(),
                            wxString::Format(count == 1 ? _("%d shared photo to download")
                                                        : _("%d shared photos to download"),
                                             count));
    }

private:
    ShareImportWizard* m_import;
    wxString m_error;
};

ShareImportWizard::ShareImportWizard(wxWindow* parent, const Brenmarle::ShareImport& share)
    : ImportWizard(parent, _("Download Shared Photos")), m_share(share)
{
    QDEBUG("[SHAREIMPORTWIZARD] Share of %zu files from %s", share.getFileIds().size(),
           share.getHost());
    pushPage(new SourcePage(this));
}

int ShareImportWizard::run(wxWindow* parent, const Brenmarle::ShareImport& share)
{
    auto* wizard = new ShareImportWizard(parent, share);
    const int result = wizard->ShowModal();
    wizard->Destroy();
    return result;
}

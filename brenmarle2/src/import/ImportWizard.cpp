#include "import/ImportWizard.h"

#include <wx/checkbox.h>
#include <wx/gauge.h>
#include <wx/hyperlink.h>
#include <wx/listbox.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>

#include "filemanager/FileManager.h"
#include "folders/AlbumFolder.h"
#include "folders/InboxFolder.h"
#include "import/CameraImportWizard.h"
#include "import/FileImportWizard.h"
#include "import/ImportPageText.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "threads/TaskEvent.h"
#include "ui/Accessibility.h"
#include "widgets/LogViewFrame.h"
#include "widgets/WizardForm.h"
#include "widgets/WizardPage.h"

using Brenmarle::ImportFileKind;
using ImportPageText::BORDER;

namespace {

// Side-bar steps.
enum Step { SOURCE, DESTINATION, OPTIONS, IMPORT, DONE };

// Holds a text for the header's error line until the user acts again.
class ErrorReporting {
public:
    void report(Quorvel::Wizard::Page& page, const wxString& error)
    {
        m_error = error;
        page.getWizard()->updateHeader();
    }
    const wxString& error() const { return m_error; }

private:
    wxString m_error;
};

} // namespace

// ---- The pages ---------------------------------------------------------------------------

// Shown instead of the import when it cannot start; offers only Close.
class ImportWizard::MessagePage : public Quorvel::Wizard::Page {
public:
    MessagePage(ImportWizard* wizard, const wxString& title, const wxString& text)
        : Page(wizard, wxID_ANY, title), m_text(text)
    {
    }
    int getStep() const override { return IMPORT; }
    void beforeShow() override
    {
        if (GetSizer())
            return;
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        ImportPageText::add(this, sizer, m_text);
        SetSizer(sizer);
    }
    void afterShow() override
    {
        getWizard()->setButtonLabel(ID_BACK, wxString());
        getWizard()->setButtonLabel(wxID_CANCEL, wxString());
        getWizard()->setButtonLabel(ID_NEXT, _("Close"));
    }
    void onNext(wxCommandEvent&) override { getWizard()->endWizard(wxID_CANCEL); }

private:
    wxString m_text;
};

class ImportWizard::ResultPage : public Quorvel::Wizard::Page {
public:
    enum Outcome { FINISHED, ABORTED, FAILED };

    ResultPage(ImportWizard* wizard, Outcome outcome, const wxString& failure)
        : Page(wizard, wxID_ANY, titleFor(outcome)), m_import(wizard), m_outcome(outcome),
          m_failure(failure)
    {
    }
    int getStep() const override { return DONE; }

    void beforeShow() override
    {
        if (GetSizer())
            return;
        const ImportTask& task = *m_import->getTask();
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        if (m_outcome == ABORTED)
            ImportPageText::addBold(this, sizer,
                                    wxString::Format(_("Stopped importing after after %d photos"),
                                                     task.getImportedCount()));
        if (m_outcome == FAILED) {
            ImportPageText::addBold(this, sizer,
                                    wxString::Format(_("Photo import failed after %d photos"),
                                                     task.getImportedCount()));
            ImportPageText::add(this, sizer, m_failure);
        }
        for (const wxString& line : Brenmarle::ImportSelection::resultLines(
                 task.getImportedCount(), task.getFailedCount(), task.getSkippedCount()))
            ImportPageText::add(this, sizer, line);
        for (const wxString& line : m_import->getSelection().skippedLines(m_import->getTicked()))
            ImportPageText::add(this, sizer, line);
        if (task.getFailedCount() > 0) {
            ImportPageText::add(this, sizer,
                                _("Unfortunately, not all selected files were successfully "
                                  "imported. The reason why can by found in the generated "
                                  "error log."));
            auto* link =
                new wxHyperlinkCtrl(this, wxID_ANY, _("Check the log for details"), wxString());
            link->Bind(wxEVT_HYPERLINK, [this](wxHyperlinkEvent&) { m_import->showLog(); });
            sizer->Add(link, wxSizerFlags().Border(wxALL, BORDER));
        }
        SetSizer(sizer);
    }
    void afterShow() override
    {
        getWizard()->setButtonLabel(ID_BACK, wxString());
        getWizard()->setButtonLabel(wxID_CANCEL, wxString());
        getWizard()->setButtonLabel(ID_NEXT, _("Close"));
    }
    void onNext(wxCommandEvent&) override { getWizard()->endWizard(wxID_OK); }

private:
    static wxString titleFor(Outcome outcome)
    {
        switch (outcome) {
        case ABORTED:
            return _("Picture import aborted");
        case FAILED:
            return _("Picture import failed");
        default:
            return _("Import job finished");
        }
    }

    ImportWizard* m_import;
    Outcome m_outcome;
    wxString m_failure;
};

class ImportWizard::ProgressPage : public Quorvel::Wizard::Page {
public:
    explicit ProgressPage(ImportWizard* wizard)
        : Page(wizard, wxID_ANY, _("Importing pictures")), m_import(wizard)
    {
        setDescription(_("The files are copied into your collection."));
    }
    int getStep() const override { return IMPORT; }
    bool skipOnBack() const override { return true; }

    void beforeShow() override
    {
        if (GetSizer())
            return;
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        m_status = ImportPageText::add(this, sizer, _("Preparing to import..."));
        m_gauge = WizardForm::addGauge(this, sizer, _("Import progress"));
        SetSizer(sizer);
    }
    void afterShow() override
    {
        getWizard()->setButtonLabel(ID_NEXT, wxString());
        getWizard()->setButtonLabel(wxID_CANCEL, _("Stop"));
    }

    // Stop ends the import between two files; what was imported stays.
    void onCancel(wxCommandEvent&) override
    {
        if (m_import->getTask())
            m_import->getTask()->abort();
        getWizard()->disableButton(wxID_CANCEL);
        m_status->SetLabel(_("Stopping after the current file..."));
    }
    void onTaskProgress(Quorvel::TaskEvent& event) override
    {
        WizardForm::showProgress(event, m_status, m_gauge);
    }
    void onTaskSucceeded(Quorvel::TaskEvent&) override { finish(ResultPage::FINISHED, {}); }
    void onTaskAborted(Quorvel::TaskEvent&) override { finish(ResultPage::ABORTED, {}); }
    void onTaskFailed(Quorvel::TaskEvent& event) override
    {
        finish(ResultPage::FAILED, event.getErrorMessage());
    }

private:
    void finish(ResultPage::Outcome outcome, const wxString& failure)
    {
        m_import->holdProbing(false);
        getWizard()->setButtonLabel(wxID_CANCEL, _("Cancel"));
        getWizard()->pushPage(new ResultPage(m_import, outcome, failure));
    }

    ImportWizard* m_import;
    wxStaticText* m_status = nullptr;
    wxGauge* m_gauge = nullptr;
};

class ImportWizard::OptionsPage : public Quorvel::Wizard::Page {
public:
    explicit OptionsPage(ImportWizard* wizard)
        : Page(wizard, wxID_ANY, _("Choose what to import")), m_import(wizard)
    {
        setDescription(_("The numbers tell how many files of each kind were found."));
    }
    int getStep() const override { return OPTIONS; }
    void getHeaderMessages(wxString& error, wxString&) const override { error = m_errors.error(); }

    void beforeShow() override
    {
        if (GetSizer())
            return;
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        ImportPageText::add(this, sizer, _("You can change what kind of files to import:"));
        const char* labels[ImportFileKind::COUNT] = {"Photos (%d)", "Videos (%d)",
                                                     "Audio Clips (%d)", "Other (%d)"};
        const Brenmarle::ImportSelection& selection = m_import->getSelection();
        for (int kind = 0; kind < ImportFileKind::COUNT; ++kind) {
            const int count = selection.count(static_cast<ImportFileKind::Kind>(kind));
            m_boxes[kind] = new wxCheckBox(this, wxID_ANY,
                                           wxString::Format(wxGetTranslation(labels[kind]), count));
            // Other files are seldom wanted in a picture collection.
            m_boxes[kind]->SetValue(count > 0 && kind != ImportFileKind::Other);
            sizer->Add(m_boxes[kind], wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, BORDER));
        }
        // Pictures this computer cannot decode (RAW, HEIF) would otherwise stay behind unsaid.
        if (const wxString note = selection.undecodableNote(); !note.empty())
            ImportPageText::add(this, sizer, note)->SetName("LeftBehind");
        // "Associate photographer:" offers the keywords of the group "Photographers"; it
        // appears once the program keeps keywords in groups.
        SetSizer(sizer);
    }

    void onNext(wxCommandEvent&) override
    {
        Brenmarle::ImportSelection::Ticked ticked{};
        bool any = false;
        for (int kind = 0; kind < ImportFileKind::COUNT; ++kind) {
            ticked[kind] = m_boxes[kind]->GetValue();
            any = any || ticked[kind];
        }
        if (!any)
            return m_errors.report(*this, _("You must choose to import something"));
        if (m_import->getSelection().chosen(ticked).empty())
            return m_errors.report(*this, _("No files chosen for import"));
        m_errors.report(*this, wxString());
        m_import->setTicked(ticked);
        m_import->startImport();
    }

private:
    ImportWizard* m_import;
    wxCheckBox* m_boxes[ImportFileKind::COUNT] = {};
    ErrorReporting m_errors;
};

class ImportWizard::AlbumNamePage : public Quorvel::Wizard::Page {
public:
    explicit AlbumNamePage(ImportWizard* wizard)
        : Page(wizard, wxID_ANY, _("Name the new album")), m_import(wizard)
    {
        setDescription(_("The pictures go into a new album of this name."));
    }
    int getStep() const override { return DESTINATION; }
    void getHeaderMessages(wxString& error, wxString&) const override { error = m_errors.error(); }
    void beforeShow() override
    {
        if (GetSizer())
            return;
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        ImportPageText::add(this, sizer, _("Album name:"));
        m_name = new wxTextCtrl(this, wxID_ANY, _(DEFAULT_ALBUM_NAME));
        Quorvel::setAccessibleName(*m_name, _("Album name"));
        sizer->Add(m_name, wxSizerFlags().Expand().Border(wxALL, BORDER));
        SetSizer(sizer);
    }
    void afterShow() override
    {
        m_name->SetFocus();
        m_name->SelectAll();
    }
    void onNext(wxCommandEvent&) override
    {
        wxString name = m_name->GetValue();
        if (name.Trim(true).Trim(false).empty())
            return m_errors.report(*this, _("You must give the album a name"));
        m_errors.report(*this, wxString());
        m_import->setAlbumName(name);
        getWizard()->pushPage(new OptionsPage(m_import));
    }

private:
    ImportWizard* m_import;
    wxTextCtrl* m_name = nullptr;
    ErrorReporting m_errors;
};

class ImportWizard::AlbumChoicePage : public Quorvel::Wizard::Page {
public:
    explicit AlbumChoicePage(ImportWizard* wizard)
        : Page(wizard, wxID_ANY, _("Choose an album")), m_import(wizard)
    {
        setDescription(_("The pictures go into the album you choose."));
    }
    int getStep() const override { return DESTINATION; }
    void getHeaderMessages(wxString& error, wxString&) const override { error = m_errors.error(); }
    void beforeShow() override
    {
        if (GetSizer())
            return;
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        m_albums = new wxListBox(this, wxID_ANY);
        Quorvel::setAccessibleName(*m_albums, _("Albums"));
        for (const auto& [uri, album] : Brenmarle::AlbumFolder::getAlbums()) {
            m_albums->Append(album->getName());
            m_uris.push_back(uri);
            if (uri == m_import->getProposedAlbum())
                m_albums->SetSelection(static_cast<int>(m_uris.size()) - 1);
        }
        sizer->Add(m_albums, wxSizerFlags(1).Expand().Border(wxALL, BORDER));
        SetSizer(sizer);
    }
    void onNext(wxCommandEvent&) override
    {
        const int chosen = m_albums->GetSelection();
        if (chosen == wxNOT_FOUND)
            return m_errors.report(*this, _("You must choose an album"));
        m_errors.report(*this, wxString());
        m_import->setAlbumUri(m_uris[static_cast<size_t>(chosen)]);
        getWizard()->pushPage(new OptionsPage(m_import));
    }

private:
    ImportWizard* m_import;
    wxListBox* m_albums = nullptr;
    std::vector<wxString> m_uris;
    ErrorReporting m_errors;
};

class ImportWizard::DestinationPage : public Quorvel::Wizard::Page {
public:
    DestinationPage(ImportWizard* wizard, const wxString& found)
        : Page(wizard, wxID_ANY, _("Where do you want to put the pictures?")), m_import(wizard)
    {
        setDescription(found);
    }
    int getStep() const override { return DESTINATION; }
    void beforeShow() override
    {
        if (GetSizer())
            return;
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        m_choices[INBOX] = addChoice(sizer, _("Put photos in the inbox"),
                                     _("You can easily sort the pictures later"), wxRB_GROUP);
        m_choices[NEW_ALBUM] = addChoice(sizer, _("Create a new album"),
                                         _("Specify the album name on the next page"), 0);
        m_choices[EXISTING_ALBUM] = addChoice(sizer, _("Use an existing album"),
                                              _("Choose one of your albums on the next page"), 0);
        const Brenmarle::AlbumFolder::AlbumMap albums = Brenmarle::AlbumFolder::getAlbums();
        m_choices[EXISTING_ALBUM]->Enable(!albums.empty());
        const bool proposed = albums.count(m_import->getProposedAlbum()) > 0;
        m_choices[proposed ? EXISTING_ALBUM : INBOX]->SetValue(true);
        SetSizer(sizer);
    }
    void onNext(wxCommandEvent&) override
    {
        if (m_choices[NEW_ALBUM]->GetValue()) {
            m_import->setDestination(NEW_ALBUM);
            getWizard()->pushPage(new AlbumNamePage(m_import));
        } else if (m_choices[EXISTING_ALBUM]->GetValue()) {
            m_import->setDestination(EXISTING_ALBUM);
            getWizard()->pushPage(new AlbumChoicePage(m_import));
        } else {
            m_import->setDestination(INBOX);
            getWizard()->pushPage(new OptionsPage(m_import));
        }
    }

private:
    wxRadioButton* addChoice(wxSizer* sizer, const wxString& label, const wxString& hint,
                             long style)
    {
        auto* choice =
            new wxRadioButton(this, wxID_ANY, label, wxDefaultPosition, wxDefaultSize, style);
        choice->SetFont(choice->GetFont().Bold());
        sizer->Add(choice, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, BORDER));
        auto* text = new wxStaticText(this, wxID_ANY, hint);
        sizer->Add(text, wxSizerFlags().Border(wxLEFT, 3 * BORDER));
        // Read with the choice it explains, when the choice gets the focus.
        Quorvel::setAccessibleDescription(*choice, hint);
        return choice;
    }

    ImportWizard* m_import;
    wxRadioButton* m_choices[3] = {};
};

// ---- The wizard --------------------------------------------------------------------------

ImportWizard::ImportWizard(wxWindow* parent, const wxString& title)
    : BrenmarleWizard(parent, title,
                      {_("Source"), _("Destination"), _("Options"), _("Import"), _("Done")})
{
}

ImportWizard::~ImportWizard() = default;

int ImportWizard::runCameraImport(wxWindow* parent, Brenmarle::CameraManager* cameras,
                                  const wxString& albumUri)
{
    auto* wizard = new CameraImportWizard(parent, cameras);
    wizard->setProposedAlbum(albumUri);
    const int result = wizard->ShowModal();
    wizard->Destroy();
    return result;
}

int ImportWizard::runFileImport(wxWindow* parent, const wxString& folder, const wxString& albumUri)
{
    auto* wizard = new FileImportWizard(parent, folder);
    wizard->setProposedAlbum(albumUri);
    const int result = wizard->ShowModal();
    wizard->Destroy();
    return result;
}

void ImportWizard::setSource(ImportTask::Files files, Brenmarle::FolderRef source,
                             const wxString& cameraUri, const wxString& foundText)
{
    m_selection = Brenmarle::ImportSelection(std::move(files));
    m_source = std::move(source);
    m_cameraUri = cameraUri;
    pushPage(new DestinationPage(this, foundText));
}

void ImportWizard::holdProbing(bool hold)
{
    if (!hold)
        m_probeHold.reset();
    else if (m_cameras && !m_probeHold)
        m_probeHold = std::make_unique<Brenmarle::CameraManager::ProbeHold>(*m_cameras);
}

Quorvel::Ref<Brenmarle::ManagedFolder> ImportWizard::resolveDestination()
{
    switch (m_destination) {
    case NEW_ALBUM: {
        auto album = Quorvel::makeRef<Brenmarle::AlbumFolder>();
        album->setName(m_albumName);
        Brenmarle::AlbumFolder::createAlbum(album);
        // Back then Next again must not make a second album.
        m_destination = EXISTING_ALBUM;
        m_albumUri = album->getURI();
        return album;
    }
    case EXISTING_ALBUM:
        return Brenmarle::AlbumFolder::findAlbum(m_albumUri);
    default: {
        Brenmarle::FolderRef inbox =
            Brenmarle::FileManager::get().getFolder(Brenmarle::InboxFolder::URI);
        return Quorvel::Ref<Brenmarle::ManagedFolder>(
            dynamic_cast<Brenmarle::ManagedFolder*>(inbox.get()));
    }
    }
}

void ImportWizard::startImport()
{
    QDEBUG("START IMPORT...!");
    if (!m_cameraUri.empty() && m_cameras && !m_cameras->getCameraList().contains(m_cameraUri)) {
        pushPage(new MessagePage(this, _("Camera is no longer connected"),
                                 _("The camera was disconnected before the import began. "
                                   "Connect it again and start the import once more.")));
        return;
    }
    Quorvel::Ref<Brenmarle::ManagedFolder> destination;
    try {
        destination = resolveDestination();
    } catch (const Quorvel::Exception& e) {
        showFailure(_("Could not prepare the import"), e);
        return;
    }
    m_task = Quorvel::makeRef<ImportTask>(m_selection.chosen(m_ticked), m_source, destination);
    pushPage(new ProgressPage(this));
    if (!m_cameraUri.empty())
        holdProbing(true);
    runTask(m_task, _("Importing pictures - please wait"), _("Could not import the pictures"));
}

void ImportWizard::showLog()
{
    if (!m_task)
        return;
    // The log outlives the assistant: the user may read it after closing it.
    auto* frame = new Quorvel::LogViewFrame(GetParent(), _("Import Log"),
                                            "<html><body>" + m_task->getLog() + "</body></html>");
    frame->Show();
}

#include "templates/ChooseTemplateDialog.h"

#include <sys/stat.h>

#include <ctime>

#include <wx/button.h>
#include <wx/datetime.h>
#include <wx/gauge.h>
#include <wx/image.h>
#include <wx/imagpng.h>
#include <wx/listbox.h>
#include <wx/log.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/utils.h>

#include "ordering/Pricelist.h"
#include "service/NetworkSettings.h"
#include "service/PortalClient_3_0.h"
#include "system/Configuration.h"
#include "system/Environment.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "templates/DownloadTemplateListTask.h"
#include "templates/DownloadTemplateTask.h"
#include "threads/SlaveManager.h"
#include "threads/SlaveManagerEvent.h"
#include "threads/TaskEvent.h"
#include "threads/TaskRunnerThread.h"
#include "ui/Accessibility.h"

namespace {

constexpr int PREVIEW_SIZE = 160;
// A preview larger than this is not decoded on the window's thread.
constexpr off_t MAX_PREVIEW_BYTES = 2 * 1024 * 1024;

wxStaticText* boldLabel(wxWindow* parent, const wxString& text)
{
    auto* label = new wxStaticText(parent, wxID_ANY, text);
    wxFont font = label->GetFont();
    font.SetWeight(wxFONTWEIGHT_BOLD);
    label->SetFont(font);
    return label;
}

// A labelled list in a column of `row`, named for screen readers.
wxListBox* addListColumn(wxWindow* parent, wxSizer* row, const wxString& label,
                         const wxString& name, int width, const wxSizerFlags& flags)
{
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(new wxStaticText(parent, wxID_ANY, label), wxSizerFlags().Border(wxBOTTOM, 4));
    auto* list = new wxListBox(parent, wxID_ANY, wxDefaultPosition, wxSize(width, 260));
    Quorvel::setAccessibleName(*list, name);
    column->Add(list, wxSizerFlags(1).Expand());
    row->Add(column, flags);
    return list;
}

wxBitmap scaledPreview(const wxString& path)
{
    struct stat status {};
    if (::stat(path.fn_str(), &status) != 0 || !S_ISREG(status.st_mode) ||
        status.st_size > MAX_PREVIEW_BYTES)
        return wxBitmap();
    // The program registers the handler at start; a dialog opened without it (an embedding
    // host, a test) adds it.
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxImage::AddHandler(new wxPNGHandler);
    wxLogNull quiet;
    wxImage image(path);
    if (!image.IsOk())
        return wxBitmap();
    const double scale =
        std::min(1.0, double(PREVIEW_SIZE) / std::max(image.GetWidth(), image.GetHeight()));
    return wxBitmap(image.Scale(std::max(1, int(image.GetWidth() * scale)),
                                std::max(1, int(image.GetHeight() * scale)), wxIMAGE_QUALITY_HIGH));
}

} // namespace

void ChooseTemplateDialog::open(wxWindow* parent,
                                std::shared_ptr<const Brenmarle::Pricelist> pricelist,
                                const PricelistInstaller& install)
{
    Quorvel::Configuration* configuration = Quorvel::Configuration::get();
    if (!configuration) {
        wxLogError(_("Photo products cannot be made without the program's settings."));
        return;
    }
    ChooseTemplateDialog dialog(parent, *configuration, std::move(pricelist), nullptr, install);
    dialog.start();
    dialog.ShowModal();
}

ChooseTemplateDialog::ChooseTemplateDialog(wxWindow* parent, Quorvel::Configuration& configuration,
                                           std::shared_ptr<const Brenmarle::Pricelist> pricelist,
                                           Quorvel::NetworkSettings* settings,
                                           PricelistInstaller install)
    : wxDialog(parent, wxID_ANY, _("Create Cards & Calendars"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_configuration(configuration),
      m_settings(settings ? *settings : Quorvel::NetworkSettings::get()),
      m_pricelist(std::move(pricelist)), m_install(std::move(install)),
      m_runner(std::make_unique<Quorvel::TaskRunnerThread>())
{
    buildWindow();
    Bind(Quorvel::EVT_TASK_PROGRESS, &ChooseTemplateDialog::onTaskProgress, this);
    Bind(Quorvel::EVT_TASK_FINISHED, &ChooseTemplateDialog::onTaskSuccessEvent, this);
    Bind(Quorvel::EVT_TASK_FAILED, &ChooseTemplateDialog::onTaskFailureEvent, this);
    Bind(Quorvel::EVT_TASK_ABORTED, &ChooseTemplateDialog::onTaskFailureEvent, this);
    Bind(Quorvel::EVT_SLAVE_FINISHED, &ChooseTemplateDialog::onPricelistDownloaded, this);
    Bind(Quorvel::EVT_SLAVE_FAILED, &ChooseTemplateDialog::onPricelistFailed, this);
    Bind(Quorvel::EVT_SLAVE_ABORTED, &ChooseTemplateDialog::onPricelistFailed, this);
    QDEBUG("[CHOOSETEMPLATEDIALOG] Opened");
}

ChooseTemplateDialog::~ChooseTemplateDialog()
{
    // No event reaches the window being taken apart; the runner waits for the running download
    // to notice its abort.
    m_runner->removeListener(this);
    m_runner->abortAll(true);
    m_runner.reset();
    stopPricelistDownload();
}

void ChooseTemplateDialog::buildWindow()
{
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(boldLabel(this, _("Choose a card, calendar or booklet to make with your pictures")),
             wxSizerFlags().Border(wxALL, 10));

    auto* lists = new wxBoxSizer(wxHORIZONTAL);
    m_categories = addListColumn(this, lists, _("Categories:"), _("Categories"), 180,
                                 wxSizerFlags(0).Expand().Border(wxLEFT | wxRIGHT, 10));
    m_templates = addListColumn(this, lists, _("Templates:"), _("Templates"), 200,
                                wxSizerFlags(1).Expand().Border(wxRIGHT, 10));

    auto* details = new wxBoxSizer(wxVERTICAL);
    m_name = boldLabel(this, wxString());
    m_price = new wxStaticText(this, wxID_ANY, wxString());
    m_sizes = new wxStaticText(this, wxID_ANY, wxString());
    m_preview = new wxStaticBitmap(this, wxID_ANY, wxBitmap(), wxDefaultPosition,
                                   wxSize(PREVIEW_SIZE, PREVIEW_SIZE));
    Quorvel::setAccessibleName(*m_preview, _("Preview"));
    details->Add(m_name, wxSizerFlags().Border(wxBOTTOM, 6));
    details->Add(m_price, wxSizerFlags().Border(wxBOTTOM, 4));
    details->Add(m_sizes, wxSizerFlags().Border(wxBOTTOM, 10));
    details->Add(m_preview);
    details->SetMinSize(wxSize(240, -1));
    lists->Add(details, wxSizerFlags(0).Expand().Border(wxRIGHT, 10));
    top->Add(lists, wxSizerFlags(1).Expand());

    m_status = new wxStaticText(this, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                                wxST_NO_AUTORESIZE);
    top->Add(m_status, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, 10));
    m_gauge = new wxGauge(this, wxID_ANY, 1000);
    Quorvel::setAccessibleName(*m_gauge, _("Download progress"));
    top->Add(m_gauge, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, 10));

    auto* buttons = new wxStdDialogButtonSizer;
    m_download = new wxButton(this, wxID_OK, _("Download Template"));
    buttons->AddButton(m_download);
    buttons->AddButton(new wxButton(this, wxID_CANCEL, _("Close")));
    buttons->Realize();
    m_download->SetDefault();
    top->Add(buttons, wxSizerFlags().Expand().Border(wxALL, 10));
    SetSizerAndFit(top);
    SetEscapeId(wxID_CANCEL);
    m_download->Disable();

    m_categories->Bind(wxEVT_LISTBOX, [this](wxCommandEvent&) { fillTemplates(); });
    m_templates->Bind(wxEVT_LISTBOX, [this](wxCommandEvent&) { showTemplate(); });
    m_templates->Bind(wxEVT_LISTBOX_DCLICK, [this](wxCommandEvent&) { downloadChosenTemplate(); });
    m_download->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { downloadChosenTemplate(); });
}

wxString ChooseTemplateDialog::templatesFolder() const
{
    return Quorvel::Environment::getUserDataDir() + "templates/";
}

void ChooseTemplateDialog::start()
{
    m_account = Brenmarle::AccountSettings::read(m_configuration);
    if (!m_account.exists()) {
        setStatus(_("Cards and calendars come from your photo service: log in to your account "
                    "first."));
        return;
    }
    if (!m_pricelist && m_install) {
        downloadPricelist();
        return;
    }
    if (!m_pricelist) {
        QDEBUG("Price List is NULL");
        setStatus(_("The prices of your photo service have not been downloaded yet. Order "
                    "prints once, then come back to make cards and calendars."));
        return;
    }
    const wxString path = Brenmarle::AccountSettings::portalFolder(m_account.portalId) +
                          Brenmarle::TemplateList::FILE_NAME;
    wxDateTime updated;
    const bool known = m_configuration.getUserConfig().readDate(
                           Brenmarle::TemplateList::UPDATE_TIME_KEY, updated) &&
                       updated.IsValid();
    const bool fresh =
        Brenmarle::TemplateList::isFresh(known, known ? updated.GetTicks() : 0, std::time(nullptr));
    if (!wxFileExists(path) || !fresh)
        downloadList();
    else
        loadList();
}

void ChooseTemplateDialog::downloadPricelist()
{
    auto slave = std::make_unique<Brenmarle::DownloadPriceListSlave>(
        Brenmarle::AccountSettings::portalAddress(m_configuration, m_account), &m_settings);
    m_downloadedPricelist = slave->getResult();
    m_pricelistDownload = std::make_unique<Quorvel::SlaveManager>();
    m_pricelistDownload->addListener(this, wxID_ANY);
    setBusy(true);
    setStatus(_("Downloading price list - please wait"));
    m_pricelistDownload->addSlave(std::move(slave));
}

void ChooseTemplateDialog::stopPricelistDownload()
{
    if (!m_pricelistDownload)
        return;
    // Nothing more reaches the window; the manager waits for the aborted call to end.
    m_pricelistDownload->removeListener(this);
    m_pricelistDownload->abortAll();
    m_pricelistDownload.reset();
}

void ChooseTemplateDialog::downloadList()
{
    auto client = Quorvel::makeRef<Brenmarle::PortalClient_3_0>(m_settings);
    client->setAddress(Brenmarle::AccountSettings::portalAddress(m_configuration, m_account));
    auto task = Quorvel::makeRef<Brenmarle::DownloadTemplateListTask>(
        client, Brenmarle::AccountSettings::portalFolder(m_account.portalId), m_settings,
        LIST_TASK);
    setBusy(true);
    setStatus(_("Updating list of templates"));
    m_runner->addTask(task, this);
}

void ChooseTemplateDialog::loadList()
{
    wxBusyCursor busy;
    const wxString path = Brenmarle::AccountSettings::portalFolder(m_account.portalId) +
                          Brenmarle::TemplateList::FILE_NAME;
    try {
        m_list = Brenmarle::TemplateList::load(path, m_pricelist);
    } catch (const Quorvel::Exception& e) {
        QDEBUG("Error loading templatelist.xml: %s", e.getMessage());
        m_list.reset();
        setStatus(_("Error loading templatelist.xml"));
    }
    fillCategories();
}

void ChooseTemplateDialog::fillCategories()
{
    m_shownCategories =
        m_list ? m_list->getCategories() : std::vector<Brenmarle::TemplateList::Category>();
    m_categories->Clear();
    for (const auto& category : m_shownCategories)
        m_categories->Append(category.label);
    if (m_list && m_shownCategories.empty())
        setStatus(_("Your photo service offers no cards or calendars for its current products."));
    else if (m_list && m_status->GetLabel().empty())
        setStatus(_("Choose a template and download it to see its preview."));
    if (!m_shownCategories.empty())
        m_categories->SetSelection(0);
    fillTemplates();
}

void ChooseTemplateDialog::fillTemplates()
{
    const int chosen = m_categories->GetSelection();
    m_shownTemplates = m_list && chosen != wxNOT_FOUND && size_t(chosen) < m_shownCategories.size()
                           ? m_list->templatesIn(m_shownCategories[chosen])
                           : std::vector<const Brenmarle::Template*>();
    m_templates->Clear();
    for (const Brenmarle::Template* t : m_shownTemplates)
        m_templates->Append(t->name.get());
    if (!m_shownTemplates.empty())
        m_templates->SetSelection(0);
    showTemplate();
}

const Brenmarle::Template* ChooseTemplateDialog::getChosenTemplate() const
{
    const int chosen = m_templates->GetSelection();
    return chosen != wxNOT_FOUND && size_t(chosen) < m_shownTemplates.size()
               ? m_shownTemplates[chosen]
               : nullptr;
}

void ChooseTemplateDialog::showTemplate()
{
    const Brenmarle::Template* chosen = getChosenTemplate();
    m_name->SetLabel(chosen ? chosen->name.get() : wxString());
    m_price->SetLabel(chosen ? chosen->priceText(m_list->getPricelist()) : wxString());
    m_sizes->SetLabel(chosen ? chosen->sizesText() : wxString());
    showPreview(chosen);
    m_download->Enable(chosen && !m_busy);
    Layout();
}

void ChooseTemplateDialog::showPreview(const Brenmarle::Template* chosen)
{
    wxBitmap bitmap;
    // A template downloaded before shows its picture at once.
    if (chosen && !chosen->previewImage.empty() &&
        Brenmarle::Template::isInsideFolder(chosen->previewImage))
        bitmap =
            scaledPreview(templatesFolder() + chosen->folderName() + "/" + chosen->previewImage);
    m_preview->SetBitmap(bitmap);
    Quorvel::setAccessibleDescription(
        *m_preview, bitmap.IsOk() ? wxString(_("Preview of the template"))
                                  : wxString(_("Download the template to see its preview")));
}

void ChooseTemplateDialog::chooseCategory(int index)
{
    m_categories->SetSelection(index);
    fillTemplates();
}

void ChooseTemplateDialog::chooseTemplate(int index)
{
    m_templates->SetSelection(index);
    showTemplate();
}

void ChooseTemplateDialog::downloadChosenTemplate()
{
    const Brenmarle::Template* chosen = getChosenTemplate();
    if (!chosen || m_busy)
        return;
    wxString listUrl;
    m_configuration.getUserConfig().readString(Brenmarle::TemplateList::URL_KEY, listUrl,
                                               wxString());
    auto task = Quorvel::makeRef<Brenmarle::DownloadTemplateTask>(
        *chosen, listUrl, templatesFolder(), m_settings, PACKAGE_TASK);
    setBusy(true);
    setStatus(_("Downloading template"));
    m_runner->addTask(task, this);
}

void ChooseTemplateDialog::setStatus(const wxString& text)
{
    m_status->SetLabel(text);
    m_status->Wrap(GetClientSize().GetWidth() - 20);
    Layout();
}

void ChooseTemplateDialog::setBusy(bool busy)
{
    m_busy = busy;
    m_gauge->SetValue(0);
    m_download->Enable(!busy && getChosenTemplate());
}

void ChooseTemplateDialog::onTaskProgress(Quorvel::TaskEvent& event)
{
    if (event.getProgressTotal() > 0)
        m_gauge->SetValue(int(
            std::min<int64_t>(1000, event.getProgressDone() * 1000 / event.getProgressTotal())));
    if (!event.getProgressText().empty() && event.getProgressText() != m_status->GetLabel())
        setStatus(event.getProgressText());
}

void ChooseTemplateDialog::onTaskSuccessEvent(Quorvel::TaskEvent& event)
{
    setBusy(false);
    switch (event.getTask() ? event.getTask()->getId() : -1) {
    case LIST_TASK: {
        const auto* task =
            static_cast<const Brenmarle::DownloadTemplateListTask*>(event.getTask().get());
        Quorvel::ConfigFile& user = m_configuration.getUserConfig();
        user.writeDate(Brenmarle::TemplateList::UPDATE_TIME_KEY, wxDateTime::Now());
        user.writeString(Brenmarle::TemplateList::URL_KEY, task->getUrl());
        m_configuration.flushUserConfig();
        setStatus(wxString());
        loadList();
        break;
    }
    case PACKAGE_TASK: {
        const auto* task =
            static_cast<const Brenmarle::DownloadTemplateTask*>(event.getTask().get());
        m_templateFolder = task->getFolder();
        setStatus(_("The template is ready on this computer."));
        showTemplate();
        break;
    }
    default:
        QDEBUG("Unknown task ID in ChooseTemplateDialog::onTaskSuccessEvent");
    }
}

void ChooseTemplateDialog::onTaskFailureEvent(Quorvel::TaskEvent& event)
{
    setBusy(false);
    const wxString reason = event.GetEventType() == Quorvel::EVT_TASK_ABORTED
                                ? wxString(_("Stopped"))
                                : event.getErrorMessage();
    switch (event.getTask() ? event.getTask()->getId() : -1) {
    case LIST_TASK: {
        QDEBUG("[CHOOSETEMPLATEDIALOG] Could not update template list: %s", reason);
        // The list there was stays: show it, and say that it could not be brought up to date.
        const wxString path = Brenmarle::AccountSettings::portalFolder(m_account.portalId) +
                              Brenmarle::TemplateList::FILE_NAME;
        if (wxFileExists(path))
            loadList();
        setStatus(wxString(_("Could not update template list")) + ": " + reason);
        break;
    }
    case PACKAGE_TASK:
        setStatus(wxString(_("Could not download the template")) + ": " + reason);
        break;
    default:
        QDEBUG("Unknown task ID in ChooseTemplateDialog::onTaskFailureEvent");
    }
}

void ChooseTemplateDialog::onPricelistDownloaded(Quorvel::SlaveManagerEvent& event)
{
    if (event.getFirstNumber() != Brenmarle::DownloadPriceListSlave::SLAVE_ID ||
        !m_downloadedPricelist)
        return;
    std::shared_ptr<const Brenmarle::Pricelist> pricelist =
        std::move(m_downloadedPricelist->pricelist);
    m_downloadedPricelist.reset();
    stopPricelistDownload();
    setBusy(false);
    // Once only: a price list that cannot be installed is not fetched again and again.
    const bool installed = pricelist && m_install && m_install(pricelist);
    m_install = nullptr;
    if (installed)
        m_pricelist = std::move(pricelist);
    setStatus(wxString());
    start();
}

void ChooseTemplateDialog::onPricelistFailed(Quorvel::SlaveManagerEvent& event)
{
    if (event.getFirstNumber() != Brenmarle::DownloadPriceListSlave::SLAVE_ID)
        return;
    m_downloadedPricelist.reset();
    stopPricelistDownload();
    setBusy(false);
    m_install = nullptr;
    const wxString reason = event.GetEventType() == Quorvel::EVT_SLAVE_ABORTED
                                ? wxString(_("Stopped"))
                                : event.getErrorMessage();
    QDEBUG("[CHOOSETEMPLATEDIALOG] Could not download price list: %s", reason);
    setStatus(wxString(_("Could not download price list")) + ": " + reason);
}

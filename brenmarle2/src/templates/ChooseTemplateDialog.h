#pragma once
// "Create Cards & Calendars": the provider's product templates by category, each with its
// price ("Prices from ...") and sizes ("Available in sizes: ..."), and the download of a chosen
// template's package. Opened by "Create Photo Products".
//
// The template list is kept in the account's portal folder (TemplateList); it is downloaded
// when it is missing or not fresh (three days), otherwise read at once. Only templates whose
// product the current price list sells are shown. Downloads run on the dialog's own task
// runner; the window shows their progress and stays answering. A failed list download keeps
// the list there was, and says so. Without a current price list the portal's is downloaded and
// installed first, when the caller gave a way to install it: by the same DownloadPriceListSlave
// the ordering assistants use (so a document the pricing code cannot read is refused alike), on
// a slave manager the dialog makes only then.
//
// GUI thread only. Closing the dialog aborts its downloads quietly.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include <wx/dialog.h>

#include "ordering/DownloadPriceListSlave.h"
#include "service/AccountSettings.h"
#include "templates/TemplateList.h"

namespace Brenmarle {
class Pricelist;
}
namespace Quorvel {
class Configuration;
class NetworkSettings;
class SlaveManager;
class SlaveManagerEvent;
class TaskEvent;
class TaskRunnerThread;
} // namespace Quorvel
class wxButton;
class wxGauge;
class wxListBox;
class wxStaticBitmap;
class wxStaticText;

class ChooseTemplateDialog : public wxDialog {
public:
    // Task ids of the dialog's downloads.
    enum { LIST_TASK = 1, PACKAGE_TASK = 2 };
    // Makes a downloaded price list the program's current one; false when it could not.
    using PricelistInstaller =
        std::function<bool(const std::shared_ptr<const Brenmarle::Pricelist>&)>;

    // Shows the dialog modally with the program's configuration and `pricelist` (may be
    // null); without one it downloads the portal's and hands it to `install` first.
    static void open(wxWindow* parent, std::shared_ptr<const Brenmarle::Pricelist> pricelist,
                     const PricelistInstaller& install);

    // `configuration` and `settings` (the process's when null) must outlive the dialog.
    ChooseTemplateDialog(wxWindow* parent, Quorvel::Configuration& configuration,
                         std::shared_ptr<const Brenmarle::Pricelist> pricelist,
                         Quorvel::NetworkSettings* settings = nullptr,
                         PricelistInstaller install = PricelistInstaller());
    ~ChooseTemplateDialog() override;

    // Reads the list, or starts its download when it is missing or not fresh.
    void start();

    // Whether a download runs.
    bool isBusy() const { return m_busy; }
    const std::optional<Brenmarle::TemplateList>& getList() const { return m_list; }
    // The template chosen in the template list, null for none.
    const Brenmarle::Template* getChosenTemplate() const;
    // The folder of the last template downloaded (ending in "/"), empty before.
    const wxString& getTemplateFolder() const { return m_templateFolder; }
    // Starts the chosen template's download, as "Download Template" does.
    void downloadChosenTemplate();

    // For tests and the accessibility tree.
    wxListBox* getCategoryList() const { return m_categories; }
    wxListBox* getTemplateList() const { return m_templates; }
    wxStaticText* getNameLabel() const { return m_name; }
    wxStaticText* getPriceLabel() const { return m_price; }
    wxStaticText* getSizesLabel() const { return m_sizes; }
    wxStaticText* getStatusLabel() const { return m_status; }
    wxStaticBitmap* getPreview() const { return m_preview; }
    wxButton* getDownloadButton() const { return m_download; }
    // Chooses the category or template at `index`, as a click does.
    void chooseCategory(int index);
    void chooseTemplate(int index);

private:
    void buildWindow();
    void downloadPricelist();
    void downloadList();
    void loadList();
    void fillCategories();
    void fillTemplates();
    void showTemplate();
    void showPreview(const Brenmarle::Template* chosen);
    void setStatus(const wxString& text);
    void setBusy(bool busy);
    wxString templatesFolder() const;

    void onTaskProgress(Quorvel::TaskEvent& event);
    void onTaskSuccessEvent(Quorvel::TaskEvent& event);
    void onTaskFailureEvent(Quorvel::TaskEvent& event);
    void onPricelistDownloaded(Quorvel::SlaveManagerEvent& event);
    void onPricelistFailed(Quorvel::SlaveManagerEvent& event);
    void stopPricelistDownload();

    Quorvel::Configuration& m_configuration;
    Quorvel::NetworkSettings& m_settings;
    std::shared_ptr<const Brenmarle::Pricelist> m_pricelist;
    PricelistInstaller m_install;
    Brenmarle::AccountSettings::Account m_account;
    std::optional<Brenmarle::TemplateList> m_list;
    std::vector<Brenmarle::TemplateList::Category> m_shownCategories;
    std::vector<const Brenmarle::Template*> m_shownTemplates;
    wxString m_templateFolder;
    bool m_busy = false;
    std::unique_ptr<Quorvel::TaskRunnerThread> m_runner;
    // Made when the price list has to be downloaded; its slave's result, kept here because the
    // slave is deleted by the time its finished event arrives.
    std::unique_ptr<Quorvel::SlaveManager> m_pricelistDownload;
    std::shared_ptr<Brenmarle::DownloadPriceListSlave::Result> m_downloadedPricelist;

    wxListBox* m_categories = nullptr;
    wxListBox* m_templates = nullptr;
    wxStaticText* m_name = nullptr;
    wxStaticText* m_price = nullptr;
    wxStaticText* m_sizes = nullptr;
    wxStaticBitmap* m_preview = nullptr;
    wxStaticText* m_status = nullptr;
    wxGauge* m_gauge = nullptr;
    wxButton* m_download = nullptr;
};

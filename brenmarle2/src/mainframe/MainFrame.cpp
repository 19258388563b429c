#include "mainframe/MainFrame.h"

#include <algorithm>
#include <csignal>
#include <ctime>

#include <wx/aboutdlg.h>
#include <wx/dirdlg.h>
#include <wx/listbox.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/simplebook.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/splitter.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textdlg.h>
#include <wx/toolbar.h>
#include <wx/utils.h>

#include "core/Exceptions.h"
#include "dialogs/FileTaskRunner.h"
#include "dialogs/PicturePrintout.h"
#include "dialogs/PicturePropertiesDialog.h"
#include "dialogs/PreferencesDialog.h"
#include "dialogs/registeraccountdialog/RegisterAccountDialog.h"
#include "filemanager/FileManager.h"
#include "filetasks/FileCopyTask.h"
#include "filetasks/FileDeleteTask.h"
#include "filetasks/FileMoveTask.h"
#include "folders/AlbumFolder.h"
#include "folders/ComputerFolder.h"
#include "folders/ManagedFolder.h"
#include "fullscreen/FullScreenFrame.h"
#include "fullscreen/SlideShowDialog.h"
#include "import/ImportWizard.h"
#include "importexport/ArchiveExportWizard.h"
#include "main/Preferences.h"
#include "mainframe/CalendarMonthView.h"
#include "mainframe/CommandIds.h"
#include "mainframe/DesktopWallpaper.h"
#include "mainframe/HelpAddress.h"
#include "mainframe/HelpFrame.h"
#include "mainframe/InboxPanel.h"
#include "mainframe/KeywordsPanel.h"
#include "mainframe/MyComputerPage.h"
#include "mainframe/PictureSearchPage.h"
#include "mainframe/WelcomePage.h"
#include "map/PictureMapDialog.h"
#include "myalbums/AlbumDeletion.h"
#include "myalbums/AlbumPropertiesDialog.h"
#include "myalbums/MyAlbumsPage.h"
#include "ordering/AlbumPicturesTask.h"
#include "ordering/NewOrderWizard.h"
#include "ordering/Ordering.h"
#include "ordering/Pricelist.h"
#include "ordering/PricelistCache.h"
#include "ordering/SendOrderWizard.h"
#include "ordering/ShoppingCartPanel.h"
#include "plugins/PluginCommands.h"
#include "safestorage/RentSlotsWizard.h"
#include "safestorage/SafeStorageCommands.h"
#include "safestorage/SynchronizeManager.h"
#include "safestorage/SynchronizePanel.h"
#include "search/CountryList.h"
#include "service/AccountSettings.h"
#include "sharing/SharingWizard.h"
#include "system/Configuration.h"
#include "system/Environment.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "system/NestedLoop.h"
#include "templates/ChooseTemplateDialog.h"
#include "threads/TaskEvent.h"
#include "threads/TaskRunnerThread.h"
#include "thumbnails/ThumbnailManager.h"
#include "ui/Accessibility.h"
#include "ui/NestedLoops.h"
#include "viewedit/ImageFrame.h"
#include "widgets/ThumbnailScroller.h"
#include "widgets/ThumbnailView.h"

using Brenmarle::File;

namespace {

constexpr const char* WINDOW_NAME = "MainWindow";
constexpr int TOOL_ICON_SIZE = 24;
// One step of Ctrl+wheel, Ctrl+plus/minus and the slider's page keys, in pixels.
constexpr int ZOOM_STEP = 16;
constexpr int ZOOM_FIELD_WIDTH = 210;

Quorvel::ConfigFile* userConfig()
{
    auto* configuration = Quorvel::Configuration::get();
    return configuration ? &configuration->getUserConfig() : nullptr;
}

Quorvel::ConfigFile* globalConfig()
{
    auto* configuration = Quorvel::Configuration::get();
    return configuration ? &configuration->getGlobalConfig() : nullptr;
}

bool diagnosticsOn()
{
    return Quorvel::Environment::isDebug() || wxLog::IsAllowedTraceMask(Quorvel::TraceMask::DEBUG);
}

// Whether the view's selected pictures all live in the program's own store. A view of a
// folder answers for its folder; a calendar day or a search mixes folders.
bool isManaged(ThumbnailView& view)
{
    if (view.getFolder())
        return dynamic_cast<Brenmarle::ManagedFolder*>(view.getFolder().get()) != nullptr;
    if (view.getSelectedCount() == 0)
        return false;
    for (const auto& file : view.getSelectedFiles()) {
        const wxString uri = file->getURI();
        if (!uri.StartsWith("album://") && !uri.StartsWith("inbox://"))
            return false;
    }
    return true;
}

// The picture of `view` the user points at: the one in focus, else the first selected.
size_t pointedIndex(ThumbnailView& view)
{
    long index = view.getGrid().getFocus();
    if (index < 0 && view.getSelectedCount() > 0)
        index = static_cast<long>(view.getGrid().getSelection().front());
    return index < 0 ? 0 : static_cast<size_t>(index);
}

wxString sectionName(Section section)
{
    switch (section) {
    case Section::Start:
        return _("Start Page");
    case Section::Albums:
        return _("My Albums");
    case Section::Calendar:
        return _("Photo Calendar");
    case Section::Computer:
        return _("My Computer");
    case Section::Search:
        return _("Picture Search");
    default:
        return wxString();
    }
}

} // namespace

MainFrame::MainFrame(const wxString& title, Preferences* preferences)
    : wxFrame(nullptr, wxID_ANY, title, wxDefaultPosition, wxSize(1100, 760), wxDEFAULT_FRAME_STYLE,
              WINDOW_NAME),
      m_preferences(preferences),
      m_icons(Quorvel::Environment::isInitialised() ? Quorvel::Environment::getSkinDir()
                                                    : wxString()),
      m_sidebarChoice(ID_VIEW_INBOX)
{
    m_menuOptions = readMenuOptions();
    m_wallpaperAvailable = DesktopWallpaper().isAvailable();
    SetMenuBar(MainMenus(m_menuOptions, m_icons).makeMenuBar());
    buildToolBar();
    buildLayout();
    buildStatusBar();

    Bind(wxEVT_CLOSE_WINDOW, &MainFrame::onClose, this);
    Bind(wxEVT_MENU, &MainFrame::onCommand, this, ID_COMMAND_FIRST, ID_COMMAND_LAST);
    Bind(wxEVT_MENU, &MainFrame::onCommand, this, wxID_EXIT);
    Bind(wxEVT_MENU, &MainFrame::onPluginCommand, this, ID_PLUGIN_FIRST, ID_PLUGIN_LAST);
    Bind(wxEVT_MENU_OPEN, &MainFrame::onMenuOpen, this);
    Bind(wxEVT_TOOL_DROPDOWN, &MainFrame::onToolDropDown, this);
    Bind(THUMBNAIL_SELECTION, &MainFrame::onSelectionChanged, this);
    Bind(THUMBNAIL_ACTIVATE, [this](wxCommandEvent& event) {
        openPicture(false, dynamic_cast<ThumbnailView*>(event.GetEventObject()));
    });
    Bind(THUMBNAIL_CONTEXT_MENU, &MainFrame::onViewContextMenu, this);
    Bind(THUMBNAIL_ZOOM, [this](wxCommandEvent& event) {
        // The sidebar's pictures keep their size: the zoom is the sections'.
        const auto views = getSectionViews();
        if (std::find(views.begin(), views.end(), event.GetEventObject()) != views.end())
            setThumbnailSize(m_thumbnailSize + event.GetInt() * ZOOM_STEP);
    });
    Bind(THUMBNAIL_DELETE, [this](wxCommandEvent& event) {
        // Only the view the menus act on: Delete in the other would delete what they do not name.
        if (event.GetEventObject() == getActiveView() &&
            CommandState::isEnabled(ID_DELETE_PICTURES, getCommandContext()))
            confirmDeleteSelection();
    });

    // Clicking into a view makes its pictures the ones the commands name, also before the
    // selection changes.
    for (ThumbnailView* view : getSectionViews())
        view->Bind(wxEVT_SET_FOCUS, [this, view](wxFocusEvent& event) {
            activateView(view);
            event.Skip();
        });
    ThumbnailView* inbox = m_inboxPanel->getView();
    inbox->Bind(wxEVT_SET_FOCUS, [this, inbox](wxFocusEvent& event) {
        activateView(inbox);
        event.Skip();
    });

    addCloseGuard([] { return ImageFrame::confirmCloseAll(); });

    loadGeometry();
    int thumbnailSize = ThumbnailView::DEFAULT_THUMBNAIL_SIZE;
    if (Quorvel::ConfigFile* user = userConfig())
        user->readInt("MainWindow/ThumbnailSize", thumbnailSize, thumbnailSize);
    applyThumbnailSize(thumbnailSize);
    showSection(Section::Start);
}

MainFrame::~MainFrame()
{
    if (m_orderRunner) {
        m_orderRunner->removeListener(this);
        m_orderRunner->abortAll(true);
    }
}

MenuOptions MainFrame::readMenuOptions() const
{
    MenuOptions options;
    if (Quorvel::ConfigFile* global = globalConfig()) {
        global->readBool("Functions/EnableMobilePhoneServices", options.mobilePhoneServices, false);
        global->readBool("Functions/EnableShareByPrints", options.shareByPrints, false);
        global->readBool("Functions/EnableCardsCalendars", options.cardsCalendars, false);
        global->readLocalisedString("Application/ShortName", options.shortName, "Vistrelle");
        global->readLocalisedString("Misc/WebLinkName1", options.webLinkName1, wxString());
        global->readLocalisedString("Misc/WebLinkName2", options.webLinkName2, wxString());
    }
    options.diagnostics = diagnosticsOn();
    return options;
}

void MainFrame::buildToolBar()
{
    m_toolBar = CreateToolBar(wxTB_HORIZONTAL | wxTB_TEXT | wxTB_FLAT, wxID_ANY, "Toolbar");
    m_toolBar->SetToolBitmapSize(wxSize(TOOL_ICON_SIZE, TOOL_ICON_SIZE));
    auto add = [this](int id, const wxString& label, const wxString& help, const wxString& icon,
                      wxItemKind kind = wxITEM_NORMAL) {
        m_toolBar->AddTool(id, label, m_icons.get(icon, TOOL_ICON_SIZE), help, kind);
    };
    add(ID_MAIN_MENU, _("Menu"), _("Click here to access the main menu"), "website.png");
    add(ID_GET_PHOTOS, _("Get Photos"), _("Click here to get photos from cameras or other devices"),
        "camera_import.png", wxITEM_DROPDOWN);
    m_toolBar->SetDropdownMenu(ID_GET_PHOTOS,
                               MainMenus(m_menuOptions, m_icons).makeGetPhotosMenu());
    add(ID_NEW_ALBUM, _("New Album"), _("Create a new album"), "new_album.png");
    add(ID_SLIDESHOW, _("Slideshow"), _("Start a picture slideshow"), "slideshow.png");
    add(ID_PICTURE_MAP, _("Picture Map"), _("View a map of your photo shoot locations"),
        "picturemap.png");
    if (m_menuOptions.cardsCalendars)
        add(ID_CREATE_PRODUCTS, _("Create Photo Products"),
            _("Click here to create exiting products"), "create_products.png");
    add(ID_REGISTER_ACCOUNT, _("Create Account"), _("Create a new FREE user account"),
        "create_account.png");
    add(ID_LOGIN, _("Log In"), _("Log in to an existing user account"), "login.png");
    const PluginCommands& plugins = PluginCommands::get();
    for (std::size_t index : plugins.find("/Toolbar/", 0, 99)) {
        const PluginMenuEntry& command = plugins.at(index);
        if (command.separator) {
            m_toolBar->AddSeparator();
            continue;
        }
        add(ID_PLUGIN_FIRST + static_cast<int>(index), command.label, command.helpText,
            command.icon);
    }
    add(ID_WEBSITE, _("Website"), _("Click here to go to our website"), "website.png",
        wxITEM_DROPDOWN);
    m_toolBar->SetDropdownMenu(ID_WEBSITE, MainMenus(m_menuOptions, m_icons).makeWebsiteMenu());
    m_toolBar->Realize();
    Quorvel::nameToolDropDowns(*m_toolBar);
}

void MainFrame::buildLayout()
{
    auto* root = new wxPanel(this);
    auto* sizer = new wxBoxSizer(wxHORIZONTAL);

    m_navigation = new wxListBox(root, wxID_ANY, wxDefaultPosition, wxSize(150, -1));
    m_navigation->SetName("Sections");
    Quorvel::setAccessibleName(*m_navigation, _("Sections"));
    for (int i = 0; i < static_cast<int>(Section::Count); ++i)
        m_navigation->Append(sectionName(static_cast<Section>(i)));
    m_navigation->Bind(wxEVT_LISTBOX, [this](wxCommandEvent& event) {
        showSection(static_cast<Section>(event.GetSelection()));
    });
    sizer->Add(m_navigation, 0, wxEXPAND);

    m_splitter = new wxSplitterWindow(root, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                      wxSP_LIVE_UPDATE | wxSP_3DSASH);
    m_splitter->SetName("SidebarSplitter");
    m_splitter->SetMinimumPaneSize(120);
    m_splitter->SetSashGravity(1.0);
    auto* centre = new wxPanel(m_splitter);
    auto* centreSizer = new wxBoxSizer(wxVERTICAL);
    m_book = new wxSimplebook(centre);
    m_welcomePage = new WelcomePage(m_book, m_menuOptions.shortName);
    m_albumsPage = new MyAlbumsPage(m_book);
    m_albumsPage->setAlbumMenuHandler([this] {
        std::unique_ptr<wxMenu> menu(makeAlbumPopup());
        updateMenuStates(*menu, getCommandContext());
        if (const auto album = m_albumsPage->getChosenAlbum())
            m_popupAlbumUri = album->getURI();
        Quorvel::NestedLoops::popupMenu(*this, *menu);
        m_popupAlbumUri.clear();
    });
    m_albumsPage->setChosenHandler([this] { updateMenus(); });
    m_albumsPage->setDropHandler(
        [this](const Quorvel::Ref<Brenmarle::AlbumFolder>& album, const std::vector<wxString>& uris,
               const std::vector<wxString>& paths,
               bool move) { return dropOnAlbum(album, uris, paths, move); });
    m_calendarPage = new CalendarMonthView(m_book);
    m_computerPage = new MyComputerPage(m_book);
    m_searchPage = new PictureSearchPage(m_book);
    m_book->AddPage(m_welcomePage, sectionName(Section::Start));
    m_book->AddPage(m_albumsPage, sectionName(Section::Albums));
    m_book->AddPage(m_calendarPage, sectionName(Section::Calendar));
    m_book->AddPage(m_computerPage, sectionName(Section::Computer));
    m_book->AddPage(m_searchPage, sectionName(Section::Search));
    centreSizer->Add(m_book, 1, wxEXPAND);
    m_description = new wxStaticText(centre, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                                     wxST_ELLIPSIZE_END);
    m_description->SetName("DescriptionField");
    centreSizer->Add(m_description, 0, wxEXPAND | wxALL, 4);
    centre->SetSizer(centreSizer);

    m_inboxPanel = new InboxPanel(m_splitter);
    m_keywordsPanel = new KeywordsPanel(m_splitter, [this] { return getActiveView(); });
    m_keywordsPanel->Hide();
    const long width =
        m_preferences ? m_preferences->getSidePanelWidth() : Preferences::DEFAULT_SIDE_PANEL_WIDTH;
    m_splitter->SplitVertically(centre, m_inboxPanel, -static_cast<int>(width));
    sizer->Add(m_splitter, 1, wxEXPAND);
    root->SetSizer(sizer);

    bool showDescription = true;
    if (Quorvel::ConfigFile* user = userConfig())
        user->readBool("MainWindow/DescriptionField", showDescription, true);
    m_description->Show(showDescription);
}

void MainFrame::buildStatusBar()
{
    wxStatusBar* bar = CreateStatusBar(3);
    const int widths[] = {-2, -3, ZOOM_FIELD_WIDTH};
    bar->SetStatusWidths(3, widths);
    // Smaller and larger at the slider's ends, as in the desktop's file manager.
    auto* zoom = new wxPanel(bar);
    auto* sizer = new wxBoxSizer(wxHORIZONTAL);
    const int iconSize = 16;
    sizer->Add(new wxStaticBitmap(zoom, wxID_ANY, m_icons.get("zoom_out.png", iconSize)), 0,
               wxALIGN_CENTER_VERTICAL | wxLEFT, 4);
    m_zoomSlider =
        new wxSlider(zoom, wxID_ANY, ThumbnailView::DEFAULT_THUMBNAIL_SIZE,
                     ThumbnailView::MIN_THUMBNAIL_SIZE, ThumbnailView::MAX_THUMBNAIL_SIZE);
    m_zoomSlider->SetName("ThumbnailSize");
    m_zoomSlider->SetToolTip(_("Thumbnail size"));
    Quorvel::setAccessibleName(*m_zoomSlider, _("Thumbnail size"));
    m_zoomSlider->SetPageSize(ZOOM_STEP);
    sizer->Add(m_zoomSlider, 1, wxALIGN_CENTER_VERTICAL);
    sizer->Add(new wxStaticBitmap(zoom, wxID_ANY, m_icons.get("zoom_in.png", iconSize)), 0,
               wxALIGN_CENTER_VERTICAL | wxRIGHT, 4);
    zoom->SetSizer(sizer);
    bar->SetMinHeight(std::max(bar->GetMinHeight(), sizer->GetMinSize().y));
    m_zoomSlider->Bind(wxEVT_SLIDER,
                       [this](wxCommandEvent& event) { setThumbnailSize(event.GetInt()); });
    auto place = [bar, zoom] {
        wxRect field;
        if (bar->GetFieldRect(2, field))
            zoom->SetSize(field);
    };
    bar->Bind(wxEVT_SIZE, [place](wxSizeEvent& event) {
        place();
        event.Skip();
    });
    // The bar has its size only once the frame is laid out.
    CallAfter(place);
}

std::vector<ThumbnailView*> MainFrame::getSectionViews() const
{
    return {m_albumsPage->getView(), m_calendarPage->getView(), m_computerPage->getView(),
            m_searchPage->getView()};
}

bool MainFrame::applyThumbnailSize(int size)
{
    size = std::clamp(size, ThumbnailView::MIN_THUMBNAIL_SIZE, ThumbnailView::MAX_THUMBNAIL_SIZE);
    if (size == m_thumbnailSize)
        return false;
    m_thumbnailSize = size;
    if (m_zoomSlider->GetValue() != size)
        m_zoomSlider->SetValue(size);
    for (ThumbnailView* view : getSectionViews())
        view->setThumbnailSize(size);
    return true;
}

void MainFrame::setThumbnailSize(int size)
{
    if (!applyThumbnailSize(size))
        return;
    if (Quorvel::ConfigFile* user = userConfig())
        user->writeInt("MainWindow/ThumbnailSize", m_thumbnailSize);
}

// --- Geometry --------------------------------------------------------------------------------

void MainFrame::loadGeometry()
{
    Quorvel::ConfigFile* user = userConfig();
    if (!user)
        return;
    const wxString prefix = wxString("WindowSettings/") + WINDOW_NAME;
    wxRect rect = GetRect();
    user->readInt(prefix + "Left", rect.x, rect.x);
    user->readInt(prefix + "Top", rect.y, rect.y);
    user->readInt(prefix + "Width", rect.width, rect.width);
    user->readInt(prefix + "Height", rect.height, rect.height);
    QDEBUG("loadWindowPosition (%s, %d, %d)", WINDOW_NAME, rect.x, rect.y);
    // A window saved on a screen that is gone would open out of reach.
    const wxRect screen = wxGetClientDisplayRect();
    rect.width = std::clamp(rect.width, 400, std::max(400, screen.width));
    rect.height = std::clamp(rect.height, 300, std::max(300, screen.height));
    if (!screen.Intersects(rect))
        rect.SetPosition(screen.GetPosition());
    SetSize(rect);
    bool maximized = false;
    user->readBool(prefix + "Maximized", maximized, false);
    if (maximized)
        Maximize();
    int choice = 0;
    user->readInt("MainWindow/MenuAndToolBar", choice, 0);
    applyMenuAndToolBarChoice(choice);
}

void MainFrame::applyMenuAndToolBarChoice(int choice)
{
    // 0: both, 1: the menu bar only, 2: the tool bar only (its main-menu button still reaches
    // every command).
    if (choice == 1)
        m_toolBar->Hide();
    else if (choice == 2 && GetMenuBar())
        GetMenuBar()->Hide();
}

void MainFrame::saveGeometry()
{
    Quorvel::ConfigFile* user = userConfig();
    if (!user)
        return;
    const wxString prefix = wxString("WindowSettings/") + WINDOW_NAME;
    user->writeBool(prefix + "Maximized", IsMaximized());
    if (!IsMaximized() && !IsIconized()) {
        const wxRect rect = GetRect();
        user->writeInt(prefix + "Left", rect.x);
        user->writeInt(prefix + "Top", rect.y);
        user->writeInt(prefix + "Width", rect.width);
        user->writeInt(prefix + "Height", rect.height);
    }
    user->writeBool("MainWindow/DescriptionField", m_description->IsShown());
    if (m_preferences && m_splitter->IsSplit()) {
        m_preferences->setSidePanelWidth(m_splitter->GetSize().x - m_splitter->GetSashPosition());
        m_preferences->save();
    }
}

// --- Closing ----------------------------------------------------------------------------------

int MainFrame::addCloseGuard(CloseGuard guard)
{
    m_closeGuards.emplace_back(m_nextGuard, std::move(guard));
    return m_nextGuard++;
}

void MainFrame::removeCloseGuard(int id)
{
    m_closeGuards.erase(std::remove_if(m_closeGuards.begin(), m_closeGuards.end(),
                                       [id](const auto& guard) { return guard.first == id; }),
                        m_closeGuards.end());
}

void MainFrame::onClose(wxCloseEvent& event)
{
    if (event.CanVeto()) {
        for (const auto& [id, guard] : m_closeGuards) {
            if (!guard()) {
                event.Veto();
                return;
            }
        }
    }
    // Picture windows opened from a file manager have no parent, but the program ends with
    // this window: their unsaved changes were asked about above.
    for (ImageFrame* frame : ImageFrame::getOpenFrames()) {
        if (!frame->GetParent())
            frame->Close(true);
    }
    m_welcomePage->saveReminder();
    saveGeometry();
    // Background copies and deletions stop after the file in hand.
    m_albumDeletion.reset();
    m_safeStorage.reset();
    m_fileTasks.clear();
    Destroy();
}

// --- Sections and sidebar ---------------------------------------------------------------------

void MainFrame::showSection(Section section)
{
    const long start = Quorvel::elapsedMs();
    m_section = section;
    // The section chosen is what the user looks at now.
    m_sidebarActive = false;
    const int index = static_cast<int>(section);
    m_book->ChangeSelection(static_cast<size_t>(index));
    if (m_navigation->GetSelection() != index)
        m_navigation->SetSelection(index);
    switch (section) {
    case Section::Start:
        m_welcomePage->refresh();
        break;
    case Section::Albums:
        m_albumsPage->refreshAlbums();
        break;
    case Section::Calendar:
        m_calendarPage->refresh();
        break;
    case Section::Computer:
        m_computerPage->showFirst();
        break;
    default:
        break;
    }
    if (ThumbnailView* view = getCurrentView()) {
        view->restartTiming();
        if (view->getFolder())
            QDEBUG("[MAINFRAME] Set folder %s", view->getFolder()->getURI());
    }
    SetStatusText(sectionName(section), 0);
    updateDescription();
    updateMenus();
    Quorvel::logTiming(start, "Show section " + sectionName(section));
}

void MainFrame::showSidebar(int choice)
{
    m_sidebarChoice = choice;
    wxWindow* panel = nullptr;
    if (choice == ID_VIEW_INBOX) {
        panel = m_inboxPanel;
    } else if (choice == ID_VIEW_KEYWORDS) {
        panel = m_keywordsPanel;
    } else if (choice == ID_VIEW_SHOPPING_CART && m_ordering) {
        if (!m_cartPanel) {
            m_cartPanel = new ShoppingCartPanel(m_splitter, m_ordering->getCart());
            m_cartPanel->setCheckoutHandler([this](wxWindow* parent) { checkout(parent); });
            m_cartPanel->Hide();
        }
        panel = m_cartPanel;
    }
    if (panel) {
        if (!m_splitter->IsSplit()) {
            const long width = m_preferences ? m_preferences->getSidePanelWidth()
                                             : Preferences::DEFAULT_SIDE_PANEL_WIDTH;
            panel->Show();
            m_splitter->SplitVertically(m_splitter->GetWindow1(), panel, -static_cast<int>(width));
        } else if (m_splitter->GetWindow2() != panel) {
            wxWindow* old = m_splitter->GetWindow2();
            panel->Show();
            m_splitter->ReplaceWindow(old, panel);
            old->Hide();
        }
        if (panel == m_keywordsPanel)
            m_keywordsPanel->refreshSelection();
    } else if (m_splitter->IsSplit()) {
        if (m_preferences)
            m_preferences->setSidePanelWidth(m_splitter->GetSize().x -
                                             m_splitter->GetSashPosition());
        m_splitter->Unsplit(m_splitter->GetWindow2());
    }
    updateMenus();
}

bool MainFrame::isSidebarShown() const
{
    return m_splitter->IsSplit();
}

ThumbnailView* MainFrame::getActiveView() const
{
    const bool inboxShown = m_splitter->IsSplit() && m_splitter->GetWindow2() == m_inboxPanel;
    return m_sidebarActive && inboxShown ? m_inboxPanel->getView() : getCurrentView();
}

void MainFrame::activateView(ThumbnailView* view)
{
    const bool sidebar = view == m_inboxPanel->getView();
    if (!sidebar && view != getCurrentView())
        return; // a hidden section's view
    if (sidebar == m_sidebarActive)
        return;
    m_sidebarActive = sidebar;
    QDEBUG("[MAINFRAME] Commands act on the %s", sidebar ? "Picture Inbox" : "section");
    updateDescription();
    updateMenus();
}

ThumbnailView* MainFrame::getCurrentView() const
{
    switch (m_section) {
    case Section::Albums:
        return m_albumsPage->getView();
    case Section::Calendar:
        return m_calendarPage->getView();
    case Section::Computer:
        return m_computerPage->getView();
    case Section::Search:
        return m_searchPage->getView();
    default:
        return nullptr;
    }
}

// --- Menus ------------------------------------------------------------------------------------

void MainFrame::openAccountAssistant(int id)
{
    auto* configuration = Quorvel::Configuration::get();
    if (!configuration)
        return;
    const auto path = id == ID_LOGIN ? RegisterAccountDialog::EXISTING_ACCOUNT
                                     : RegisterAccountDialog::NEW_ACCOUNT;
    bool restore = false;
    if (RegisterAccountDialog::run(this, path, *configuration, &restore) == wxID_OK)
        accountChanged();
    // After accountChanged(): a new account starts from an empty journal.
    if (restore && m_syncManager)
        m_syncManager->synchronizeNow();
}

void MainFrame::logOut()
{
    if (auto* configuration = Quorvel::Configuration::get()) {
        Brenmarle::AccountSettings::logOut(*configuration);
        accountChanged();
    }
}

void MainFrame::accountChanged()
{
    QDEBUG("[MAINFRAME] Account changed");
    if (m_accountListener)
        m_accountListener();
    updateMenus();
}

CommandContext MainFrame::getCommandContext() const
{
    CommandContext context;
    context.section = m_section;
    context.albumChosen = m_albumsPage->getChosenAlbum() != nullptr;
    context.wallpaperAvailable = m_wallpaperAvailable;
    context.orderingAvailable = m_ordering != nullptr;
    context.synchronizeAvailable = m_syncManager != nullptr;
    if (auto* configuration = Quorvel::Configuration::get())
        context.hasAccount = Brenmarle::AccountSettings::read(*configuration).exists();
    // Hidden albums wait in their own list until the user loads them.
    context.hiddenAlbumsLeft = !Brenmarle::AlbumFolder::getHiddenAlbums().empty();
    if (ThumbnailView* view = getActiveView()) {
        context.sidebarPictures = view != getCurrentView();
        context.pictureCount = static_cast<int>(view->getCount());
        context.selectedCount = static_cast<int>(view->getSelectedCount());
        context.selectionManaged = isManaged(*view);
    }
    return context;
}

PluginExecutor::Selection MainFrame::getPluginSelection() const
{
    PluginExecutor::Selection selection;
    if (ThumbnailView* view = getActiveView()) {
        selection.files = view->getSelectedFiles();
        selection.folder = view->getFolder();
    }
    selection.parentWindow = GetScreenRect();
    return selection;
}

void MainFrame::updateMenuStates(wxMenu& menu, const CommandContext& context)
{
    for (wxMenuItem* item : menu.GetMenuItems()) {
        const int id = item->GetId();
        if (item->IsSubMenu()) {
            updateMenuStates(*item->GetSubMenu(), context);
            continue;
        }
        if (id >= ID_PLUGIN_FIRST && id <= ID_PLUGIN_LAST) {
            const PluginMenuEntry& command =
                PluginCommands::get().at(static_cast<std::size_t>(id - ID_PLUGIN_FIRST));
            item->Enable(!command.isEnabled || command.isEnabled());
            continue;
        }
        if (id > ID_COMMAND_FIRST && id < ID_COMMAND_LAST)
            item->Enable(CommandState::isEnabled(id, context));
    }
    MainMenus::setPictureLabels(menu, context.selectedCount);
    if (wxMenuItem* favorites = menu.FindItem(ID_FAVORITES_ONLY)) {
        const ThumbnailView* view = getActiveView();
        favorites->Check(view && view->isFavoritesOnly());
    }
    if (wxMenuItem* favorite = menu.FindItem(ID_FAVORITE)) {
        favorite->Check(context.selectedCount > 0 && allSelectedFavorite());
    }
    for (int choice : {ID_VIEW_INBOX, ID_VIEW_KEYWORDS, ID_VIEW_SHOPPING_CART})
        if (wxMenuItem* sidebar = menu.FindItem(choice))
            sidebar->Check(isSidebarShown() && m_sidebarChoice == choice);
    if (wxMenuItem* hide = menu.FindItem(ID_HIDE_SIDEBAR))
        hide->Enable(isSidebarShown());
}

void MainFrame::updateMenus()
{
    const CommandContext context = getCommandContext();
    QDEBUG("[MAINFRAME] On archive menu update");
    QDEBUG("[MAINFRAME] On picture menu update");
    QDEBUG("[MAINFRAME] On operations menu update");
    if (PluginCommands::get().size() > 0)
        QDEBUG("[MAINFRAME] On update plugin item update");
    if (wxMenuBar* bar = GetMenuBar()) {
        for (size_t i = 0; i < bar->GetMenuCount(); ++i)
            updateMenuStates(*bar->GetMenu(i), context);
    }
    for (size_t i = 0; i < m_toolBar->GetToolsCount(); ++i) {
        const wxToolBarToolBase* tool = m_toolBar->GetToolByPos(static_cast<int>(i));
        const int id = tool->GetId();
        if (id > ID_COMMAND_FIRST && id < ID_COMMAND_LAST && id != ID_MAIN_MENU)
            m_toolBar->EnableTool(id, CommandState::isEnabled(id, context));
    }
    for (int id : {ID_GET_PHOTOS, ID_WEBSITE}) {
        const wxToolBarToolBase* tool = m_toolBar->FindById(id);
        if (tool && tool->GetDropdownMenu())
            updateMenuStates(*tool->GetDropdownMenu(), context);
    }
    if (context.selectedCount > 0)
        SetStatusText(wxString::Format(wxPLURAL("%d of %d picture selected",
                                                "%d of %d pictures selected", context.pictureCount),
                                       context.selectedCount, context.pictureCount),
                      1);
    else if (getActiveView())
        SetStatusText(wxString::Format(wxPLURAL("%d picture", "%d pictures", context.pictureCount),
                                       context.pictureCount),
                      1);
    else
        SetStatusText(wxString(), 1);
}

void MainFrame::onMenuOpen(wxMenuEvent& event)
{
    updateMenus();
    event.Skip();
}

wxMenu* MainFrame::makeMainMenuPopup() const
{
    return MainMenus(m_menuOptions, m_icons).makeMainMenuPopup();
}

wxMenu* MainFrame::makeAlbumPopup() const
{
    return MainMenus(m_menuOptions, m_icons).makeAlbumPopup();
}

void MainFrame::onToolDropDown(wxCommandEvent& event)
{
    updateMenus();
    event.Skip();
}

void MainFrame::onSelectionChanged(wxCommandEvent& event)
{
    // A selection the user made names the pictures the commands act on; one that changed
    // because pictures came or went does not.
    if (event.GetExtraLong() == 1)
        activateView(dynamic_cast<ThumbnailView*>(event.GetEventObject()));
    if (event.GetEventObject() == getActiveView() && m_keywordsPanel->IsShown())
        m_keywordsPanel->refreshSelection();
    updateDescription();
    updateMenus();
    event.Skip();
}

void MainFrame::onViewContextMenu(wxCommandEvent&)
{
    std::unique_ptr<wxMenu> menu(MainMenus(m_menuOptions, m_icons).makePictureMenu());
    updateMenuStates(*menu, getCommandContext());
    Quorvel::NestedLoops::popupMenu(*this, *menu);
}

void MainFrame::updateDescription()
{
    wxString text;
    if (ThumbnailView* view = getActiveView()) {
        // Only one picture is described: a large selection is not copied for a count.
        const std::size_t count = view->getSelectedCount();
        const auto selected = count == 1 ? view->getSelectedFiles() : ThumbnailView::Files();
        if (count == 1) {
            const File& file = *selected.front();
            text = file.getCaption().empty() ? file.getFileName() : file.getCaption();
            const wxString date = file.getTime() != 0 ? file.getDateText() : wxString();
            if (!date.empty())
                text += wxString::FromUTF8("  \u2014  ") + date;
        } else if (count > 1) {
            text = wxString::Format(_("%zu pictures selected"), count);
        }
    }
    m_description->SetLabel(text);
}

wxString MainFrame::getDescription() const
{
    return m_description->GetLabel();
}

// --- Commands ---------------------------------------------------------------------------------

void MainFrame::onPluginCommand(wxCommandEvent& event)
{
    const auto index = static_cast<std::size_t>(event.GetId() - ID_PLUGIN_FIRST);
    if (index < PluginCommands::get().size() && PluginCommands::get().at(index).run)
        PluginCommands::get().at(index).run();
}

void MainFrame::onCommand(wxCommandEvent& event)
{
    const int id = event.GetId();
    if (id != wxID_EXIT && !CommandState::isEnabled(id, getCommandContext()) &&
        id != ID_MAIN_MENU) {
        // An accelerator can reach a command whose item is disabled.
        return;
    }
    ThumbnailView* view = getActiveView();
    switch (id) {
    case wxID_EXIT:
        Close();
        break;
    case ID_MAIN_MENU: {
        std::unique_ptr<wxMenu> menu(makeMainMenuPopup());
        updateMenuStates(*menu, getCommandContext());
        Quorvel::NestedLoops::popupMenu(*this, *menu);
        break;
    }
    case ID_NEW_ALBUM:
        newAlbum();
        break;
    case ID_RENAME_ALBUM:
        renameAlbum();
        break;
    case ID_DELETE_ALBUM:
        deleteAlbum();
        break;
    case ID_ALBUM_PROPERTIES:
        albumProperties();
        break;
    case ID_LOAD_HIDDEN_ALBUMS:
        loadHiddenAlbums();
        break;
    case ID_SELECT_ALL:
        if (view) {
            const long start = Quorvel::elapsedMs();
            view->selectAll();
            Quorvel::logTiming(start, wxString::Format("Select all %zu", view->getCount()));
        }
        break;
    case ID_SELECT_NONE:
        if (view)
            view->selectNone();
        break;
    case ID_INVERT_SELECTION:
        if (view)
            view->invertSelection();
        break;
    case ID_FAVORITES_ONLY:
        if (view)
            view->setFavoritesOnly(!view->isFavoritesOnly());
        break;
    case ID_FULLSCREEN:
        showFullScreen();
        break;
    case ID_ZOOM_IN:
    case ID_ZOOM_OUT:
        setThumbnailSize(m_thumbnailSize + (id == ID_ZOOM_IN ? ZOOM_STEP : -ZOOM_STEP));
        break;
    case ID_OPEN_PICTURE:
    case ID_EDIT_PICTURE:
        openPicture(id == ID_EDIT_PICTURE);
        break;
    case ID_EXPORT_ARCHIVE:
        ArchiveExportWizard::run(this);
        break;
    case ID_SLIDESHOW:
        startSlideShow();
        break;
    case ID_PICTURE_MAP:
        showPictureMap();
        break;
    case ID_CREATE_PRODUCTS:
        openTemplateChooser();
        break;
    case ID_REGISTER_ACCOUNT:
    case ID_LOGIN:
        openAccountAssistant(id);
        break;
    case ID_LOGOUT:
        logOut();
        break;
    case ID_SYNC_SAFE_STORAGE:
        synchronizeSafeStorage();
        break;
    case ID_IMPORT_CAMERA:
    case ID_IMPORT_COMPUTER:
        importPictures(id, m_popupAlbumUri);
        break;
    case ID_GET_PHOTOS:
        // The button itself (not its drop-down arrow) starts the usual import.
        importPictures(ID_IMPORT_CAMERA);
        break;
    case ID_VIEW_INBOX:
    case ID_VIEW_KEYWORDS:
    case ID_VIEW_SHOPPING_CART:
    case ID_HIDE_SIDEBAR:
        showSidebar(id);
        break;
    case ID_NEW_ORDER:
        newOrder();
        break;
    case ID_ORDER_PRINTS:
        orderSelectionPrints();
        break;
    case ID_SEND_WEB:
        shareSelection(SharingWizard::OVER_INTERNET);
        break;
    case ID_SEND_MMS:
        shareSelection(SharingWizard::BY_MMS);
        break;
    case ID_SEND_PRINTS:
        shareSelection(SharingWizard::AS_PRINTS);
        break;
    case ID_SEND_EMAIL:
        shareSelection(SharingWizard::BY_EMAIL);
        break;
    case ID_SHARE_PICTURES:
        shareSelection(-1);
        break;
    case ID_SHARE_ALBUM:
        shareAlbum(m_albumsPage->getChosenAlbum());
        break;
    case ID_ORDER_ALBUM_PRINTS:
        // The album pop-up is for the chosen album too.
        orderAlbumPrints(m_albumsPage->getChosenAlbum());
        break;
    case ID_GO_START:
    case ID_GO_ALBUMS:
    case ID_GO_CALENDAR:
    case ID_GO_COMPUTER:
    case ID_GO_SEARCH:
        showSection(static_cast<Section>(id - ID_GO_START));
        break;
    case ID_COPY_TO_DESKTOP:
        copySelectionTo(Quorvel::Environment::getDesktopDir());
        break;
    case ID_COPY_TO_FOLDER: {
        wxDirDialog dialog(this, _("Copy the pictures to this folder"), wxGetHomeDir(),
                           wxDD_DEFAULT_STYLE | wxDD_DIR_MUST_EXIST);
        if (dialog.ShowModal() == wxID_OK)
            copySelectionTo(dialog.GetPath());
        break;
    }
    case ID_SET_WALLPAPER:
        setWallpaper();
        break;
    case ID_PRINT:
        if (view) {
            wxPrinter printer;
            PicturePrintout printout(view->getSelectedFiles());
            // The desktop's print dialog runs its own loop; an orderly exit answers the dialog
            // and closes this window only once printing has returned.
            const Quorvel::NestedLoop printing(nullptr);
            if (!printing.wasEnded() && !printer.Print(this, &printout, true) &&
                wxPrinter::GetLastError() == wxPRINTER_ERROR)
                wxLogError(_("The pictures could not be printed."));
        }
        break;
    case ID_DELETE_PICTURES:
        confirmDeleteSelection();
        break;
    case ID_SAFE_ADD:
    case ID_SAFE_REMOVE:
    case ID_SAFE_REPLACE:
    case ID_STORE_ALBUM_SAFELY:
    case ID_SAFE_STORAGE_STATUS:
        runSafeStorageCommand(id);
        break;
    case ID_ROTATE_LEFT:
        rotateSelection(-90);
        break;
    case ID_ROTATE_RIGHT:
        rotateSelection(90);
        break;
    case ID_FAVORITE:
        toggleFavorite();
        break;
    case ID_PICTURE_PROPERTIES:
        showPictureProperties();
        break;
    case ID_OPTIONS: {
        PreferencesDialog dialog(this, Quorvel::Environment::getNetworkSettingsPath());
        dialog.ShowModal();
        break;
    }
    case ID_HELP_CONTENTS:
        showHelp("help://index.html");
        break;
    case ID_SUPPORT_INFO:
        showSupportInformation();
        break;
    case ID_ABOUT:
        showAbout();
        break;
    case ID_UNHANDLED_EXCEPTION:
        throw Quorvel::RuntimeException(wxS("Unhandled exception generated from the Debug menu"));
    case ID_GENERATE_CRASH:
        QDEBUG("[MAINFRAME] Generating a crash");
        std::raise(SIGSEGV);
        break;
    default:
        break;
    }
}

// --- Album commands --------------------------------------------------------------------------

bool MainFrame::createAlbum(const wxString& name)
{
    const wxString trimmed = wxString(name).Trim().Trim(false);
    if (trimmed.empty())
        return false;
    try {
        auto album = Quorvel::makeRef<Brenmarle::AlbumFolder>();
        album->setName(trimmed);
        Brenmarle::AlbumFolder::createAlbum(album);
        showSection(Section::Albums);
        m_albumsPage->refreshAlbums();
        m_albumsPage->chooseAlbum(album->getURI());
        updateMenus();
        return true;
    } catch (const Quorvel::Exception& e) {
        wxLogError(_("Could not create the album: %s"), e.getMessage());
        return false;
    }
}

void MainFrame::newAlbum()
{
    wxTextEntryDialog dialog(this, _("Name of the new album:"), _("New Album"), _("New Album"));
    if (dialog.ShowModal() == wxID_OK)
        createAlbum(dialog.GetValue());
}

bool MainFrame::renameChosenAlbum(const wxString& name)
{
    Quorvel::Ref<Brenmarle::AlbumFolder> album = m_albumsPage->getChosenAlbum();
    const wxString trimmed = wxString(name).Trim().Trim(false);
    if (!album || trimmed.empty() || trimmed == album->getName())
        return false;
    try {
        album->setName(trimmed);
        album->update();
        Brenmarle::FileManager::get().folderChanged(*album, 0);
        m_albumsPage->refreshAlbums();
        return true;
    } catch (const Quorvel::Exception& e) {
        wxLogError(_("Could not rename the album: %s"), e.getMessage());
        return false;
    }
}

void MainFrame::renameAlbum()
{
    Quorvel::Ref<Brenmarle::AlbumFolder> album = m_albumsPage->getChosenAlbum();
    if (!album)
        return;
    wxTextEntryDialog dialog(this, _("New name of the album:"), _("Rename Album"),
                             album->getName());
    if (dialog.ShowModal() == wxID_OK)
        renameChosenAlbum(dialog.GetValue());
}

void MainFrame::deleteAlbum()
{
    Quorvel::Ref<Brenmarle::AlbumFolder> album = m_albumsPage->getChosenAlbum();
    if (!album || (m_albumDeletion && !m_albumDeletion->isFinished()))
        return;
    const int count = album->getFileCount();
    const wxString question =
        count == 0 ? wxString::Format(_("Delete the album \"%s\"?"), album->getName())
                   : wxString::Format(_("Delete the album \"%s\" and the %d pictures in it? The "
                                        "pictures cannot be brought back."),
                                      album->getName(), count);
    wxMessageDialog confirm(this, question, _("Delete Album"),
                            wxYES_NO | wxNO_DEFAULT | wxICON_WARNING);
    confirm.SetYesNoLabels(_("Delete"), _("Cancel"));
    if (confirm.ShowModal() != wxID_YES)
        return;
    try {
        m_albumDeletion = std::make_unique<AlbumDeletion>(album, this, [this](bool) {
            CallAfter([this] {
                m_albumsPage->refreshAlbums();
                updateMenus();
            });
        });
    } catch (const Quorvel::Exception& e) {
        wxLogError(_("Could not delete the album %s: %s"), album->getName(), e.getMessage());
    }
}

void MainFrame::albumProperties()
{
    Quorvel::Ref<Brenmarle::AlbumFolder> album = m_albumsPage->getChosenAlbum();
    if (!album)
        return;
    AlbumPropertiesDialog dialog(this, album);
    if (dialog.ShowModal() == wxID_OK && dialog.apply()) {
        Brenmarle::FileManager::get().folderChanged(*album, 0);
        m_albumsPage->refreshAlbums();
        updateMenus();
    }
}

bool MainFrame::loadHiddenAlbums()
{
    bool moved = false;
    try {
        moved = Brenmarle::AlbumFolder::showHiddenAlbums();
    } catch (const Quorvel::Exception& e) {
        wxLogError(_("Could not load the hidden albums: %s"), e.getMessage());
    }
    m_albumsPage->refreshAlbums();
    updateMenus();
    return moved;
}

// --- Picture commands ------------------------------------------------------------------------

void MainFrame::runFileTask(std::unique_ptr<Brenmarle::FileTask> task)
{
    try {
        auto runner = std::make_unique<FileTaskRunner>(std::move(task),
                                                       FileTaskRunner::DEFAULT_DELAY_MS, this);
        FileTaskRunner* raw = runner.get();
        raw->setFinishedHandler([this](FileTaskRunner& finished) {
            FileTaskRunner* done = &finished;
            CallAfter([this, done] {
                m_fileTasks.erase(
                    std::remove_if(m_fileTasks.begin(), m_fileTasks.end(),
                                   [done](const auto& runner) { return runner.get() == done; }),
                    m_fileTasks.end());
                m_albumsPage->refreshAlbums();
                updateMenus();
            });
        });
        m_fileTasks.push_back(std::move(runner));
    } catch (const Quorvel::Exception& e) {
        wxLogError("%s", e.getMessage());
    }
}

bool MainFrame::dropOnAlbum(const Quorvel::Ref<Brenmarle::AlbumFolder>& album,
                            const std::vector<wxString>& uris, const std::vector<wxString>& paths,
                            bool move)
{
    if (!album)
        return false;
    Brenmarle::FileManager& manager = Brenmarle::FileManager::get();
    Brenmarle::FileTask::Files moved;
    Brenmarle::FileTask::Files copied;
    try {
        for (const wxString& uri : uris) {
            const Quorvel::Ref<File> file = manager.getFile(uri);
            if (album->fileBelongsTo(*file))
                continue; // dropped where it already is
            // Only pictures of the program's own store move; the user's own files are copied.
            if (move && album->canMoveByRename(*file))
                moved.push_back(file);
            else
                copied.push_back(file);
        }
        for (const wxString& path : paths) {
            if (Brenmarle::ComputerFolder::isListedExtension(path))
                copied.push_back(manager.getFile("file://" + path));
        }
    } catch (const Quorvel::Exception& e) {
        wxLogError(_("Could not add the pictures to %s: %s"), album->getName(), e.getMessage());
        return false;
    }
    QDEBUG("[MAINFRAME] Drop on %s: %zu moved, %zu copied", album->getURI(), moved.size(),
           copied.size());
    if (!moved.empty())
        runFileTask(std::make_unique<Brenmarle::FileMoveTask>(std::move(moved), album));
    if (!copied.empty())
        runFileTask(std::make_unique<Brenmarle::FileCopyTask>(std::move(copied), album));
    return true;
}

void MainFrame::copySelectionTo(const wxString& path)
{
    ThumbnailView* view = getActiveView();
    if (!view || view->getSelectedCount() == 0)
        return;
    try {
        const wxString directory = path.EndsWith("/") ? path : path + "/";
        Brenmarle::FolderRef folder =
            Brenmarle::FileManager::get().getFolder("file://" + directory);
        runFileTask(std::make_unique<Brenmarle::FileCopyTask>(view->getSelectedFiles(), folder));
    } catch (const Quorvel::Exception& e) {
        wxLogError(_("Could not copy the pictures: %s"), e.getMessage());
    }
}

void MainFrame::confirmDeleteSelection()
{
    ThumbnailView* view = getActiveView();
    if (!view || view->getSelectedCount() == 0)
        return;
    const std::size_t count = view->getSelectedCount();
    const wxString question = SafeStorageCommands::deleteQuestion(
        view->getSelectedFiles(),
        count == 1 ? _("Delete the selected picture? It cannot be brought back.")
                   : wxString::Format(_("Delete the %zu selected pictures? They cannot be brought "
                                        "back."),
                                      count));
    wxMessageDialog confirm(this, question, count == 1 ? _("Delete Picture") : _("Delete Pictures"),
                            wxYES_NO | wxNO_DEFAULT | wxICON_WARNING);
    confirm.SetYesNoLabels(_("Delete"), _("Cancel"));
    if (confirm.ShowModal() == wxID_YES)
        deleteSelection();
}

void MainFrame::deleteSelection()
{
    ThumbnailView* view = getActiveView();
    if (!view || view->getSelectedCount() == 0)
        return;
    runFileTask(std::make_unique<Brenmarle::FileDeleteTask>(view->getSelectedFiles()));
}

void MainFrame::rotateSelection(int degrees)
{
    ThumbnailView* view = getActiveView();
    if (!view)
        return;
    Brenmarle::FileManager& manager = Brenmarle::FileManager::get();
    for (const auto& file : view->getSelectedFiles()) {
        try {
            file->setImageRotation(file->getImageRotation() + degrees);
            manager.getFolder(file->getURI())->saveFileMetadata(*file);
            // Every view turns: the thumbnail and every resized copy are made again from the
            // stored rotation.
            if (Brenmarle::ThumbnailManager::exists())
                Brenmarle::ThumbnailManager::get().imageRotationChanged(file);
            manager.fileChanged(*file, 0);
            view->reloadThumbnail(*file);
        } catch (const Quorvel::Exception& e) {
            wxLogError(_("Could not turn %s: %s"), file->getFileName(), e.getMessage());
        }
    }
}

bool MainFrame::allSelectedFavorite() const
{
    ThumbnailView* view = getActiveView();
    if (!view)
        return false;
    const ThumbnailGrid& grid = view->getGrid();
    if (!view->getRows().empty()) {
        // Search matches: only the selected ones are made, not every match.
        const auto selected = view->getSelectedFiles();
        return std::all_of(selected.begin(), selected.end(),
                           [](const auto& file) { return file->isFavorite(); });
    }
    const auto& files = view->getFiles();
    // Stops at the first picture that is no favourite: selecting everything stays quick.
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (grid.isSelected(i) && !files[i]->isFavorite())
            return false;
    }
    return true;
}

void MainFrame::toggleFavorite()
{
    ThumbnailView* view = getActiveView();
    if (!view)
        return;
    const auto files = view->getSelectedFiles();
    const bool all = !files.empty() && allSelectedFavorite();
    Brenmarle::FileManager& manager = Brenmarle::FileManager::get();
    for (const auto& file : files) {
        try {
            file->setFavorite(!all);
            manager.getFolder(file->getURI())->saveFileMetadata(*file);
            manager.fileChanged(*file, 0);
        } catch (const Quorvel::Exception& e) {
            wxLogError(_("Could not mark %s: %s"), file->getFileName(), e.getMessage());
        }
    }
    view->Refresh();
    updateMenus();
}

void MainFrame::showPictureProperties()
{
    ThumbnailView* view = getActiveView();
    if (!view || view->getSelectedCount() != 1)
        return;
    PicturePropertiesDialog dialog(this, view->getSelectedFiles().front());
    dialog.ShowModal();
}

void MainFrame::setWallpaper()
{
    ThumbnailView* view = getActiveView();
    if (!view || view->getSelectedCount() != 1)
        return;
    try {
        const Quorvel::Ref<File> file = view->getSelectedFiles().front();
        wxString error;
        if (!DesktopWallpaper().set(Brenmarle::FileManager::get().getLocalPath(*file), error))
            wxLogError(_("Could not set the desktop wallpaper: %s"), error);
    } catch (const Quorvel::Exception& e) {
        wxLogError(_("Could not set the desktop wallpaper: %s"), e.getMessage());
    }
}

void MainFrame::showFullScreen(ThumbnailView* view)
{
    if (!view)
        view = getActiveView();
    if (!view || view->getFiles().empty())
        return;
    // From the picture in focus (or the first selected), through all the view shows.
    auto* frame =
        new FullScreenFrame(this, view->getFiles(), static_cast<long>(pointedIndex(*view)));
    frame->showPicture(frame->getIndex());
}

void MainFrame::openPicture(bool edit, ThumbnailView* view)
{
    if (!view)
        view = getActiveView();
    if (!view || view->getCount() == 0)
        return;
    // By URI: a large album's pictures need not all be made for the window to step through.
    wxArrayString uris;
    for (const wxString& uri : view->getUris())
        uris.Add(uri);
    if (uris.empty())
        return;
    ImageFrame::open(this, uris, pointedIndex(*view), edit);
}

void MainFrame::startSlideShow()
{
    std::vector<wxString> selection;
    std::vector<wxString> folder;
    bool folderIsAlbum = false;
    if (ThumbnailView* view = getActiveView()) {
        for (const auto& file : view->getSelectedFiles())
            selection.push_back(file->getURI());
        // A calendar day is no folder: only an album or a folder of the computer is offered.
        if (view->getFolder()) {
            folder = view->getUris();
            folderIsAlbum =
                dynamic_cast<Brenmarle::AlbumFolder*>(view->getFolder().get()) != nullptr;
        }
    }
    SlideShowDialog::run(this, selection, folder, folderIsAlbum);
}

void MainFrame::showPictureMap()
{
    PictureMapDialog::open(
        this,
        [this](const PictureMapDialog::SearchRequest& request) {
            showSearchResults(request.countryCode, request.minimumTime, request.maximumTime);
        },
        [](const wxString& code) { return Brenmarle::CountryList::getInstance().getName(code); });
}

void MainFrame::importPictures(int id, const wxString& albumUri)
{
    QDEBUG("[MAINFRAME] Import from the %s, album proposed: '%s'",
           id == ID_IMPORT_CAMERA ? "camera" : "computer", albumUri);
    if (id == ID_IMPORT_CAMERA)
        ImportWizard::runCameraImport(this, nullptr, albumUri);
    else
        ImportWizard::runFileImport(this, wxString(), albumUri);
    // Imported pictures land in the inbox or an album.
    m_albumsPage->refreshAlbums();
    updateMenus();
}

void MainFrame::showSearchResults(const wxString& countryCode, int32_t minTime, int32_t maxTime)
{
    QDEBUG("[MAINFRAME] Search for country '%s' from %d to %d", countryCode, minTime, maxTime);
    showSection(Section::Search);
    m_searchPage->searchCountry(countryCode, minTime, maxTime);
}

wxString MainFrame::getHelpFolder()
{
    // Beside the program in the build folder, under share/ when installed.
    return Quorvel::Environment::isInitialised() ? Quorvel::Environment::getResourceDir() + "help/"
                                                 : wxString();
}

void MainFrame::showHelp(const wxString& address)
{
    const wxString path = HelpAddress::resolve(address, getHelpFolder());
    if (path.empty()) {
        QDEBUG("[MAINFRAME] No help page for %s", address);
        return;
    }
    if (!m_helpFrame)
        m_helpFrame = new HelpFrame(this, getHelpFolder());
    m_helpFrame->showPage(path);
    m_helpFrame->Show();
    m_helpFrame->Raise();
}

void MainFrame::showSupportInformation()
{
    wxString text;
    text << m_menuOptions.shortName << "\n";
    if (Quorvel::Environment::isInitialised()) {
        text << _("Program folder: ") << Quorvel::Environment::getProgramDir() << "\n";
        text << _("User data folder: ") << Quorvel::Environment::getUserDataDir() << "\n";
    }
    text << _("Toolkit: ") << wxVERSION_STRING << "\n";
    text << _("System: ") << wxGetOsDescription();
    wxMessageBox(text, _("Support Information"), wxOK | wxICON_INFORMATION, this);
}

void MainFrame::showAbout()
{
    wxAboutDialogInfo info;
    info.SetName(m_menuOptions.shortName);
    info.SetDescription(_("Organise, view and share your photos."));
    info.SetCopyright(wxString::FromUTF8("Copyright \u00a9 Quorvel"));
    wxAboutBox(info, this);
}

// --- Addresses --------------------------------------------------------------------------------

// --- Ordering ---------------------------------------------------------------------------------

namespace {
constexpr int32_t ALBUM_PICTURES_TASK = 1;
constexpr int32_t SHARED_ALBUM_PICTURES_TASK = 2;
}

void MainFrame::setOrdering(Ordering* ordering)
{
    if (ordering == m_ordering)
        return;
    if (m_cartPanel) {
        // The panel listens to the cart it was made for.
        if (m_splitter->GetWindow2() == m_cartPanel)
            showSidebar(ID_HIDE_SIDEBAR);
        m_cartPanel->Destroy();
        m_cartPanel = nullptr;
    }
    if (m_orderRunner)
        m_orderRunner->abortAll(true);
    m_ordering = ordering;
    updateMenus();
}

// --- Safe storage -----------------------------------------------------------------------------

void MainFrame::setSynchronizeManager(SynchronizeManager* manager)
{
    m_syncManager = manager;
    if (m_syncPanel) {
        m_syncPanel->setManager(manager);
    } else if (manager) {
        wxWindow* centre = m_description->GetParent();
        m_syncPanel = new SynchronizePanel(centre, manager);
        centre->GetSizer()->Add(m_syncPanel, 0, wxEXPAND);
        centre->Layout();
        addCloseGuard([this] { return SynchronizePanel::confirmClose(this, m_syncManager); });
    }
    updateMenus();
}

void MainFrame::synchronizeSafeStorage()
{
    auto* configuration = Quorvel::Configuration::get();
    if (!m_syncManager || !configuration)
        return;
    if (!Brenmarle::AccountSettings::read(*configuration).exists()) {
        wxMessageBox(_("You need to register an account to use the safe storage function"),
                     _("Safe Storage"), wxOK | wxICON_INFORMATION, this);
        return;
    }
    m_syncManager->synchronizeNow();
}

void MainFrame::openTemplateChooser()
{
    if (!m_ordering) {
        ChooseTemplateDialog::open(this, nullptr, nullptr);
        return;
    }
    Brenmarle::PricelistCache& pricelists = m_ordering->getPricelists();
    // Templates are shown for the products of the current price list; one that is missing or
    // stale is downloaded for them.
    const bool valid = pricelists.isValid(std::time(nullptr));
    ChooseTemplateDialog::open(
        this, valid ? pricelists.get() : nullptr,
        [&pricelists](const std::shared_ptr<const Brenmarle::Pricelist>& pricelist) {
            wxString portalId;
            if (auto* configuration = Quorvel::Configuration::get())
                portalId = Brenmarle::AccountSettings::read(*configuration).portalId;
            return pricelists.install(portalId, pricelist, std::time(nullptr));
        });
}

bool MainFrame::offerAccount(Quorvel::Configuration& configuration)
{
    if (Brenmarle::AccountSettings::read(configuration).exists())
        return true;
    wxMessageDialog ask(this,
                        _("You need an account with a service provider to be able to order "
                          "prints. This assistant will aid you in registering one."),
                        _("Account needed for prints ordering!"),
                        wxOK | wxCANCEL | wxICON_INFORMATION);
    ask.SetOKCancelLabels(_("Register Account"), _("Cancel"));
    if (ask.ShowModal() != wxID_OK)
        return false;
    openAccountAssistant(ID_REGISTER_ACCOUNT);
    return Brenmarle::AccountSettings::read(configuration).exists();
}

bool MainFrame::prepareOrdering()
{
    auto* configuration = Quorvel::Configuration::get();
    if (!m_ordering || !configuration)
        return false;
    const bool hasAccount = Brenmarle::AccountSettings::read(*configuration).exists();
    if (m_ordering->getReadiness(hasAccount, std::time(nullptr)) ==
            Ordering::Readiness::NEEDS_ACCOUNT &&
        !offerAccount(*configuration)) {
        QDEBUG("[BRENMARLEAPP] We have no valid price list");
        return false;
    }
    if (m_ordering->getReadiness(true, std::time(nullptr)) == Ordering::Readiness::NEEDS_PRICELIST)
        NewOrderWizard::run(this, *configuration, m_ordering->getPricelists());
    try {
        m_ordering->checkPricelist(std::time(nullptr));
        return true;
    } catch (const PriceListException&) {
        return false;
    }
}

void MainFrame::checkout(wxWindow* parent)
{
    auto* configuration = Quorvel::Configuration::get();
    if (!m_ordering || !configuration || !prepareOrdering())
        return;
    // Modal: the assistant prices, extends (files on CD) and may empty the cart, which must not
    // change under it meanwhile.
    SendOrderWizard::run(parent, *m_ordering, Brenmarle::AccountSettings::read(*configuration),
                         *configuration);
}

void MainFrame::newOrder()
{
    auto* configuration = Quorvel::Configuration::get();
    if (!m_ordering || !configuration || !offerAccount(*configuration))
        return;
    if (NewOrderWizard::run(this, *configuration, m_ordering->getPricelists()) == wxID_OK)
        showSidebar(ID_VIEW_SHOPPING_CART);
}

void MainFrame::orderSelectionPrints()
{
    ThumbnailView* view = getActiveView();
    if (!m_ordering || !view || !prepareOrdering())
        return;
    std::vector<Brenmarle::PrintParts::Picture> pictures;
    for (const auto& file : view->getSelectedFiles())
        pictures.push_back({file->getURI(), file->getFileModifyTime(), file->getMetaModifyTime()});
    QDEBUG("[MAINFRAME] Order prints of %zu pictures", pictures.size());
    m_ordering->orderPrints(pictures);
    showSidebar(ID_VIEW_SHOPPING_CART);
}

void MainFrame::orderAlbumPrints(const Quorvel::Ref<Brenmarle::AlbumFolder>& album)
{
    if (!m_ordering || !album || !prepareOrdering())
        return;
    QDEBUG("[MAINFRAME] Order prints of album %s", album->getURI());
    listAlbumPictures(album, ALBUM_PICTURES_TASK);
}

void MainFrame::listAlbumPictures(const Quorvel::Ref<Brenmarle::AlbumFolder>& album, int32_t id)
{
    try {
        if (!m_orderRunner) {
            m_orderRunner = std::make_unique<Quorvel::TaskRunnerThread>();
            for (int32_t taskId : {ALBUM_PICTURES_TASK, SHARED_ALBUM_PICTURES_TASK}) {
                Bind(Quorvel::EVT_TASK_FINISHED, &MainFrame::onAlbumPicturesListed, this, taskId);
                Bind(Quorvel::EVT_TASK_FAILED, &MainFrame::onAlbumPicturesFailed, this, taskId);
            }
        }
        m_orderRunner->addTask(Quorvel::makeRef<AlbumPicturesTask>(id, album), this);
    } catch (const Quorvel::Exception& e) {
        wxLogError("%s", e.getMessage());
    }
}

void MainFrame::onAlbumPicturesListed(Quorvel::TaskEvent& event)
{
    auto* task = dynamic_cast<AlbumPicturesTask*>(event.getTask().get());
    if (!task)
        return;
    if (event.GetId() == SHARED_ALBUM_PICTURES_TASK) {
        openSharing(task->takePictures(), -1);
        return;
    }
    if (!m_ordering)
        return;
    m_ordering->orderPrints(task->takePictures());
    showSidebar(ID_VIEW_SHOPPING_CART);
}

// --- Sharing ----------------------------------------------------------------------------------

void MainFrame::shareSelection(int method)
{
    ThumbnailView* view = getActiveView();
    if (!view)
        return;
    std::vector<Brenmarle::PrintParts::Picture> pictures;
    for (const auto& file : view->getSelectedFiles())
        pictures.push_back({file->getURI(), file->getFileModifyTime(), file->getMetaModifyTime()});
    openSharing(pictures, method);
}

void MainFrame::shareAlbum(const Quorvel::Ref<Brenmarle::AlbumFolder>& album)
{
    if (!album)
        return;
    QDEBUG("[MAINFRAME] Share album %s", album->getURI());
    listAlbumPictures(album, SHARED_ALBUM_PICTURES_TASK);
}

void MainFrame::openSharing(const std::vector<Brenmarle::PrintParts::Picture>& pictures, int method)
{
    auto* configuration = Quorvel::Configuration::get();
    if (!configuration || pictures.empty())
        return;
    std::vector<wxString> uris;
    for (const auto& picture : pictures)
        uris.push_back(picture.uri);
    SharingWizard::Hooks hooks;
    hooks.registerAccount = [this, configuration] {
        openAccountAssistant(ID_REGISTER_ACCOUNT);
        return Brenmarle::AccountSettings::read(*configuration).exists();
    };
    hooks.addPrints = [this, pictures](const std::vector<wxString>&) {
        if (!m_ordering || !prepareOrdering())
            return false;
        m_ordering->orderPrints(pictures);
        showSidebar(ID_VIEW_SHOPPING_CART);
        return true;
    };
    QDEBUG("[MAINFRAME] Share %zu pictures", uris.size());
    SharingWizard::run(this, uris, *configuration, std::move(hooks), method);
}

void MainFrame::onAlbumPicturesFailed(Quorvel::TaskEvent& event)
{
    wxLogError(_("Could not read the pictures of the album: %s"), event.getErrorMessage());
}

// --- Safe storage -----------------------------------------------------------------------------

void MainFrame::runSafeStorageCommand(int id)
{
    auto* configuration = Quorvel::Configuration::get();
    if (!configuration)
        return;
    if (!m_safeStorage) {
        SafeStorageCommands::Hooks hooks;
        hooks.registerAccount = [this, configuration] {
            openAccountAssistant(ID_REGISTER_ACCOUNT);
            return Brenmarle::AccountSettings::read(*configuration).exists();
        };
        hooks.rentSlots = [this, configuration] {
            // Over the safe-storage dialog that asked, not behind it.
            wxWindow* focus = wxWindow::FindFocus();
            wxWindow* parent = focus ? wxGetTopLevelParent(focus) : this;
            return RentSlotsWizard::run(parent ? parent : this, *configuration) == wxID_OK;
        };
        hooks.changesToSynchronize = [this] {
            // Pictures just stored (or let go) are sent soon, as a content edit is.
            if (m_syncManager)
                m_syncManager->setLevel(4);
        };
        m_safeStorage = std::make_unique<SafeStorageCommands>(this, *configuration, hooks);
    }
    ThumbnailView* view = getActiveView();
    const SafeStorageCommands::Files pictures =
        view ? view->getSelectedFiles() : SafeStorageCommands::Files();
    if (id == ID_SAFE_ADD)
        m_safeStorage->add(pictures);
    else if (id == ID_SAFE_REMOVE)
        m_safeStorage->remove(pictures);
    else if (id == ID_SAFE_REPLACE)
        m_safeStorage->replace(pictures);
    else if (id == ID_STORE_ALBUM_SAFELY)
        m_safeStorage->storeAlbum(m_albumsPage->getChosenAlbum());
    else if (id == ID_SAFE_STORAGE_STATUS)
        m_safeStorage->showStatus();
}

void MainFrame::openAddress(const wxString& address)
{
    QDEBUG("[MAINFRAME] Address: %s", address);
    if (address.StartsWith("help://")) {
        showHelp(address);
        return;
    }
    // For the benchmarks: what scrolling a long list leaves behind, measured from outside.
    if (address.StartsWith("app://bench/scroll?screens=")) {
        long screens = 0;
        ThumbnailView* view = getCurrentView();
        if (address.AfterFirst('=').ToLong(&screens) && view)
            m_scroller = std::make_unique<ThumbnailScroller>(*view, static_cast<int>(screens));
        return;
    }
    // The cart's "Order Checkout", as if pressed: a hand-over for what has no menu command.
    if (address == "app://order/checkout") {
        showSidebar(ID_VIEW_SHOPPING_CART);
        if (!m_cartPanel || !m_cartPanel->checkout())
            QDEBUG("[MAINFRAME] Nothing to check out: %s", address);
        return;
    }
    // More storage slots, as the Safe Storage dialog offers them when too few are free: a
    // hand-over for what has no menu command.
    if (address == "app://tools/rentslots") {
        auto* configuration = Quorvel::Configuration::get();
        if (configuration && Brenmarle::AccountSettings::read(*configuration).exists())
            RentSlotsWizard::run(this, *configuration);
        else
            QDEBUG("[MAINFRAME] Renting slots needs an account: %s", address);
        return;
    }
    const CommandContext context = getCommandContext();
    static const std::pair<const char*, int> commands[] = {
        {"app://view/inbox", ID_VIEW_INBOX},
        {"app://view/shoppingcart", ID_VIEW_SHOPPING_CART},
        {"app://go/myalbums", ID_GO_ALBUMS},
        {"app://go/mycomputer", ID_GO_COMPUTER},
        {"app://go/picturesearch", ID_GO_SEARCH},
        {"app://account/login", ID_LOGIN},
        {"app://tools/createproducts", ID_CREATE_PRODUCTS},
        {"app://tools/safestoragestatus", ID_SAFE_STORAGE_STATUS},
        {"app://tools/storealbumsafely", ID_STORE_ALBUM_SAFELY},
    };
    for (const auto& [known, id] : commands) {
        if (address != known)
            continue;
        if (!CommandState::isEnabled(id, context)) {
            QDEBUG("[MAINFRAME] Address not available in this version: %s", address);
            return;
        }
        wxCommandEvent event(wxEVT_MENU, id);
        onCommand(event);
        return;
    }
    QDEBUG("[MAINFRAME] Unknown address ignored: %s", address);
}

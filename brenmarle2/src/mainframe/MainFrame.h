#pragma once
// The main window ("MainWindow"): the sections through which the user browses the catalogue
// (start page, My Albums, Photo Calendar, My Computer, Picture Search) chosen in the navigation
// list on the left, the sidebar on the right (the Picture Inbox, or none), the menu bar, the
// tool bar with its main-menu button, and the description field with the selected picture's
// caption and date. Every command turns into a call on the code that owns the work; commands
// whose work comes later are shown disabled.
//
// The picture commands act on the pictures the user last chose: the current section's, or the
// Picture Inbox sidebar's once the user selects or focuses pictures there (until the section's
// view is used again, another section is shown or the sidebar is hidden).
//
// Closing asks every picture window with unsaved changes first.
//
// The status bar ends with the thumbnail size slider, which sizes the thumbnails of every
// section (Ctrl with the mouse wheel over a section's pictures, Ctrl+plus and Ctrl+minus too).
//
// Geometry and state are kept under "WindowSettings/MainWindow...", "MainWindow/..." (the
// thumbnail size as "MainWindow/ThumbnailSize") in the user configuration and the side panel
// width in the preferences.
//
// GUI thread only. Created once by the application; closing it ends the program.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <wx/frame.h>
#include <wx/weakref.h>

#include "folders/AlbumFolder.h"
#include "mainframe/CommandState.h"
#include "mainframe/IconLookup.h"
#include "mainframe/MainMenus.h"
#include "mainframe/Section.h"
#include "ordering/PrintParts.h"
#include "plugins/PluginExecutor.h"

namespace Brenmarle {
class FileTask;
}
namespace Quorvel {
class Configuration;
class TaskEvent;
class TaskRunnerThread;
} // namespace Quorvel
class AlbumDeletion;
class FileTaskRunner;
class CalendarMonthView;
class HelpFrame;
class InboxPanel;
class KeywordsPanel;
class MyAlbumsPage;
class MyComputerPage;
class Ordering;
class PictureSearchPage;
class Preferences;
class SafeStorageCommands;
class ShoppingCartPanel;
class SynchronizeManager;
class SynchronizePanel;
class ThumbnailScroller;
class ThumbnailView;
class WelcomePage;
class wxListBox;
class wxMenu;
class wxSimplebook;
class wxSlider;
class wxSplitterWindow;
class wxStaticText;
class wxToolBar;

class MainFrame : public wxFrame {
public:
    // `preferences` (may be null) holds the side panel width.
    explicit MainFrame(const wxString& title, Preferences* preferences = nullptr);
    ~MainFrame() override;

    // Handles an "app://" or "help://" address handed in from outside.
    void openAddress(const wxString& address);

    // The application's ordering, which must outlive this window or be taken back with null
    // (which closes the cart sidebar). Without it the ordering commands are disabled.
    void setOrdering(Ordering* ordering);
    // Told when the user registered, logged in or logged out (the application reads the
    // account again).
    void setAccountListener(std::function<void()> listener)
    {
        m_accountListener = std::move(listener);
    }
    ShoppingCartPanel* getShoppingCartPanel() const { return m_cartPanel; }
    // The application's safe-storage synchronisation, which must outlive this window or be
    // taken back with null. The first one adds the status panel at the bottom and the question
    // asked when closing with a synchronisation due.
    void setSynchronizeManager(SynchronizeManager* manager);
    SynchronizePanel* getSynchronizePanel() const { return m_syncPanel; }
    // "&Synchronize Safe Storage": now, or why not without an account.
    void synchronizeSafeStorage();
    // Ordering commands, also called by tests: the selected pictures, or every picture of the
    // album, into the cart as prints; the cart is shown.
    void orderSelectionPrints();
    // "Create Photo Products": the template chooser over the current price list.
    void openTemplateChooser();
    void orderAlbumPrints(const Quorvel::Ref<Brenmarle::AlbumFolder>& album);
    // The sharing assistant for the selected pictures or an album's, with the method of
    // SharingWizard chosen (-1: the user chooses).
    void shareSelection(int method);
    void shareAlbum(const Quorvel::Ref<Brenmarle::AlbumFolder>& album);
    void openSharing(const std::vector<Brenmarle::PrintParts::Picture>& pictures, int method);
    // "New Order": the new-order assistant downloads the provider's price list anew (after
    // offering to register an account when there is none); the cart is shown once it did.
    void newOrder();
    // The cart's "Order Checkout": an account and a valid price list first, then the ordering
    // assistant.
    void checkout(wxWindow* parent);
    // Ordering needs an account and a valid price list: without an account the user is
    // offered the account assistant ("Account needed for prints ordering!"), and a missing or
    // stale price list is downloaded by the new-order assistant. Returns whether ordering may
    // go on.
    bool prepareOrdering();

    void showSection(Section section);
    Section getSection() const { return m_section; }
    // The sidebar: ID_VIEW_INBOX, ID_VIEW_KEYWORDS, ID_VIEW_SHOPPING_CART (with ordering) or
    // ID_HIDE_SIDEBAR.
    void showSidebar(int choice);
    bool isSidebarShown() const;

    // What decides the commands' states now.
    CommandContext getCommandContext() const;
    // Sets the enabled states and labels of the menu bar and tool bar items ("[MAINFRAME] On
    // ... menu update").
    void updateMenus();

    // What a plug-in command chosen here works on: the selected pictures and the folder of the
    // current view (none on the start page) and this window's place on the screen.
    PluginExecutor::Selection getPluginSelection() const;

    // The view of the current section (null on the start page).
    ThumbnailView* getCurrentView() const;
    // The view whose selection the picture commands use: the Picture Inbox's when the user
    // last chose pictures there and it is shown, else the current section's (may be null).
    ThumbnailView* getActiveView() const;
    MyAlbumsPage* getAlbumsPage() const { return m_albumsPage; }
    WelcomePage* getWelcomePage() const { return m_welcomePage; }
    MyComputerPage* getComputerPage() const { return m_computerPage; }
    InboxPanel* getInboxPanel() const { return m_inboxPanel; }
    KeywordsPanel* getKeywordsPanel() const { return m_keywordsPanel; }
    PictureSearchPage* getSearchPage() const { return m_searchPage; }
    CalendarMonthView* getCalendarPage() const { return m_calendarPage; }
    wxToolBar* getMainToolBar() const { return m_toolBar; }
    wxString getDescription() const;
    // The thumbnail size of the sections' views (clamped to ThumbnailView's limits); kept in
    // the user configuration.
    void setThumbnailSize(int size);
    int getThumbnailSize() const { return m_thumbnailSize; }
    wxSlider* getThumbnailSizeSlider() const { return m_zoomSlider; }
    HelpFrame* getHelpFrame() const { return m_helpFrame; }
    // The folder of the help pages: "help" in the program folder.
    static wxString getHelpFolder();

    // Builds the pop-ups as they would be shown (the caller owns them).
    wxMenu* makeMainMenuPopup() const;
    wxMenu* makeAlbumPopup() const;

    // A window with unsaved work: asked before the main window closes; returning false keeps
    // the program running.
    using CloseGuard = std::function<bool()>;
    int addCloseGuard(CloseGuard guard);
    void removeCloseGuard(int id);

    // Album commands, also called by tests. Each returns whether it changed something.
    bool createAlbum(const wxString& name);
    bool renameChosenAlbum(const wxString& name);
    bool loadHiddenAlbums();
    // Picture commands on the active view's selection.
    void rotateSelection(int degrees);
    void toggleFavorite();
    // Deletes the selected pictures without asking (the menu command asks first).
    void deleteSelection();
    // Pictures dropped on `album`: catalogued ones by URI (moved when `move` and they are in
    // the program's store, else copied), files from the desktop by path (copied in).
    bool dropOnAlbum(const Quorvel::Ref<Brenmarle::AlbumFolder>& album,
                     const std::vector<wxString>& uris, const std::vector<wxString>& paths,
                     bool move);
    // Copies the selected pictures into the directory `path`.
    void copySelectionTo(const wxString& path);

    // The picture window on the pictures of `view` (the active view's when null), from the
    // one in focus or the first selected; `edit` opens its editing controls.
    void openPicture(bool edit, ThumbnailView* view = nullptr);
    // "Create Slide Show" with the current selection and the album or folder shown.
    void startSlideShow();
    // The picture map; its "Go to search results" calls showSearchResults().
    void showPictureMap();
    // The account assistant on its new-account or log-in path; Log Out.
    void openAccountAssistant(int id);
    // Without an account, asks whether to register one and runs the account assistant; returns
    // whether there is an account now.
    bool offerAccount(Quorvel::Configuration& configuration);
    void logOut();
    void accountChanged();
    // The import assistant of ID_IMPORT_CAMERA or ID_IMPORT_COMPUTER, proposing the album
    // `albumUri` (empty: the inbox) as the destination.
    void importPictures(int id, const wxString& albumUri = wxString());
    // The Picture Search section for pictures of the country `countryCode` (empty: any) taken
    // at or after `minTime` and before `maxTime` (seconds, 0: no limit).
    void showSearchResults(const wxString& countryCode, int32_t minTime, int32_t maxTime);

private:
    void buildToolBar();
    void buildLayout();
    void buildStatusBar();
    // The views of the sections, whose thumbnails the slider sizes.
    std::vector<ThumbnailView*> getSectionViews() const;
    // Sets the size without keeping it; returns whether it changed.
    bool applyThumbnailSize(int size);
    void loadGeometry();
    void saveGeometry();
    void applyMenuAndToolBarChoice(int choice);
    MenuOptions readMenuOptions() const;
    void updateMenuStates(wxMenu& menu, const CommandContext& context);
    void updateDescription();
    bool allSelectedFavorite() const;

    void onClose(wxCloseEvent& event);
    void onCommand(wxCommandEvent& event);
    void onPluginCommand(wxCommandEvent& event);
    void onMenuOpen(wxMenuEvent& event);
    void onToolDropDown(wxCommandEvent& event);
    void onSelectionChanged(wxCommandEvent& event);
    // The user chose pictures in `view`: its selection is the one the commands use from now.
    void activateView(ThumbnailView* view);
    void onViewContextMenu(wxCommandEvent& event);

    void newAlbum();
    void renameAlbum();
    void deleteAlbum();
    void albumProperties();
    void confirmDeleteSelection();
    void showPictureProperties();
    void setWallpaper();
    // The pictures of `view` (the active view's when null) over the whole screen.
    void showFullScreen(ThumbnailView* view = nullptr);
    void showHelp(const wxString& page);
    void showSupportInformation();
    void showAbout();
    // Lists the album's pictures in the background; `id` tells what they are for.
    void listAlbumPictures(const Quorvel::Ref<Brenmarle::AlbumFolder>& album, int32_t id);
    void onAlbumPicturesListed(Quorvel::TaskEvent& event);
    void onAlbumPicturesFailed(Quorvel::TaskEvent& event);
    // The safe-storage commands on the active view's selection or the chosen album.
    void runSafeStorageCommand(int id);
    // Runs a copy or delete in the background with its progress window.
    void runFileTask(std::unique_ptr<Brenmarle::FileTask> task);

    Preferences* m_preferences;
    IconLookup m_icons;
    MenuOptions m_menuOptions;
    Section m_section = Section::Start;
    int m_sidebarChoice;
    bool m_wallpaperAvailable = false;
    // The user last chose pictures in the sidebar (see getActiveView()).
    bool m_sidebarActive = false;

    wxToolBar* m_toolBar = nullptr;
    wxListBox* m_navigation = nullptr;
    wxSplitterWindow* m_splitter = nullptr;
    wxSimplebook* m_book = nullptr;
    wxStaticText* m_description = nullptr;
    wxSlider* m_zoomSlider = nullptr;
    int m_thumbnailSize = 0;
    WelcomePage* m_welcomePage = nullptr;
    MyAlbumsPage* m_albumsPage = nullptr;
    CalendarMonthView* m_calendarPage = nullptr;
    MyComputerPage* m_computerPage = nullptr;
    PictureSearchPage* m_searchPage = nullptr;
    InboxPanel* m_inboxPanel = nullptr;
    KeywordsPanel* m_keywordsPanel = nullptr;
    // Made the first time the cart is shown: making it starts ordering.
    ShoppingCartPanel* m_cartPanel = nullptr;
    Ordering* m_ordering = nullptr;
    SynchronizeManager* m_syncManager = nullptr;
    SynchronizePanel* m_syncPanel = nullptr;
    std::function<void()> m_accountListener;
    // Lists an album's pictures for ordering in the background.
    std::unique_ptr<Quorvel::TaskRunnerThread> m_orderRunner;
    wxWeakRef<HelpFrame> m_helpFrame;

    // The album whose pop-up menu is open: its import entries propose it.
    wxString m_popupAlbumUri;
    std::vector<std::pair<int, CloseGuard>> m_closeGuards;
    int m_nextGuard = 1;
    std::unique_ptr<AlbumDeletion> m_albumDeletion;
    // Made at the first safe-storage command.
    std::unique_ptr<SafeStorageCommands> m_safeStorage;
    // Scrolls the current view for a benchmark ("app://bench/scroll?screens=N").
    std::unique_ptr<ThumbnailScroller> m_scroller;
    std::vector<std::unique_ptr<FileTaskRunner>> m_fileTasks;
};

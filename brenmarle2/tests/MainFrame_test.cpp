#include <algorithm>
#include <ctime>
#include <functional>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/radiobut.h>
#include <wx/settings.h>
#include <wx/slider.h>
#include <wx/testing.h>
#include <wx/textctrl.h>
#include <wx/toolbar.h>

#include "ExpectMessageBox.h"
#include "LogCapture.h"
#include "PhotoLibraryTest.h"
#include "ScratchDir.h"
#include "WaitUntil.h"
#include "dialogs/FileTaskDialog.h"
#include "dialogs/PicturePropertiesDialog.h"
#include "dialogs/PreferencesDialog.h"
#include "folders/InboxFolder.h"
#include "fullscreen/FullScreenFrame.h"
#include "fullscreen/SlideShowDialog.h"
#include "imaging/ImageMagickSetup.h"
#include "import/ImportWizard.h"
#include "importexport/SpoolFolder.h"
#include "mainframe/CalendarMonthView.h"
#include "mainframe/CommandIds.h"
#include "mainframe/HelpFrame.h"
#include "mainframe/InboxPanel.h"
#include "mainframe/MainFrame.h"
#include "mainframe/MyComputerPage.h"
#include "mainframe/PictureSearchPage.h"
#include "mainframe/WelcomePage.h"
#include "map/PictureMapDialog.h"
#include "myalbums/AlbumPropertiesDialog.h"
#include "myalbums/MyAlbumsPage.h"
#include "ordering/NewOrderWizard.h"
#include "ordering/OrderPart.h"
#include "ordering/Ordering.h"
#include "ordering/Pricelist.h"
#include "ordering/PricelistCache.h"
#include "ordering/SendOrderWizard.h"
#include "ordering/ShoppingCart.h"
#include "ordering/ShoppingCartPanel.h"
#include "plugins/PluginCommands.h"
#include "plugins/PluginLoader.h"
#include "plugins/PluginRegistry.h"
#include "service/AccountSettings.h"
#include "system/Configuration.h"
#include "system/Log.h"
#include "ui/Accessibility.h"
#include "util/Uuid.h"
#include "viewedit/ImageFrame.h"
#include "viewedit/SaveAsDialog.h"
#include "widgets/ThumbnailView.h"

using namespace Brenmarle;
using Quorvel::Ref;

namespace {

class MainFrameTest : public PhotoLibraryTest {
protected:
    MainFrameTest() { Quorvel::Configuration::set(&configuration); }
    ~MainFrameTest() override
    {
        closeFrame();
        Quorvel::Configuration::set(nullptr);
    }

    MainFrame& openFrame()
    {
        frame = new MainFrame("Vistrelle");
        frame->Show();
        return *frame;
    }
    void closeFrame()
    {
        if (!frame)
            return;
        frame->Close(true);
        frame = nullptr;
        waitUntil([] { return wxTopLevelWindows.IsEmpty(); });
    }
    // As a new run of the program: the catalogue closed and opened again, albums read back.
    void restart()
    {
        closeFrame();
        closeLibrary();
        openLibrary();
        AlbumFolder::loadAlbums();
        AlbumFolder::loadHiddenAlbums();
    }

    Ref<AlbumFolder> albumWithPictures(const wxString& name, int count)
    {
        Ref<AlbumFolder> album = makeAlbum(name);
        for (const auto& picture : computerPictures(count))
            album->copyFileIn(*picture);
        return album;
    }

    wxMenuItem* item(int id) { return frame->GetMenuBar()->FindItem(id); }
    // Chooses the command as its menu item would.
    void choose(int id)
    {
        wxCommandEvent event(wxEVT_MENU, id);
        frame->ProcessWindowEvent(event);
    }

    Quorvel::Configuration configuration;
    MainFrame* frame = nullptr;
};

// A modal dialog of type Dialog, looked at by `look` and then cancelled (or closed with `answer`).
template <typename Dialog>
class ExpectDialog : public wxExpectModalBase<Dialog, ExpectDialog<Dialog>> {
public:
    explicit ExpectDialog(std::function<void(Dialog&)> look, int answer = wxID_CANCEL)
        : m_look(std::move(look)), m_answer(answer)
    {
    }

protected:
    int OnInvoked(Dialog* dialog) const override
    {
        m_look(*dialog);
        return m_answer;
    }

private:
    std::function<void(Dialog&)> m_look;
    int m_answer;
};

std::vector<wxString> labels(wxMenu& menu)
{
    std::vector<wxString> result;
    for (wxMenuItem* item : menu.GetMenuItems())
        result.push_back(item->IsSeparator() ? wxString("-") : item->GetItemLabel());
    return result;
}

} // namespace

TEST_F(MainFrameTest, TheMenuBarHoldsTheMenusInOrderAndNoDebugMenuForEveryUser)
{
    openFrame();
    wxMenuBar* bar = frame->GetMenuBar();
    std::vector<wxString> menus;
    for (size_t i = 0; i < bar->GetMenuCount(); ++i)
        menus.push_back(bar->GetMenuLabel(i));
    EXPECT_EQ(menus, (std::vector<wxString>{"&Archive", "&Edit", "&View", "&Go", "&Picture",
                                            "&Operations", "&Account", "&Tools", "&Help"}));
    EXPECT_EQ(labels(*bar->GetMenu(0)),
              (std::vector<wxString>{"&Get Photos", "&New Album...", "New &Order",
                                     "&Order Prints of Album...", "&Share Entire Album...",
                                     "Store Album Safely...", "&Rename Album", "&Delete Album",
                                     "Album &Properties...", "Load &hidden albums",
                                     "&Export Archive...", "E&xit\tCtrl+Q"}));
    EXPECT_EQ(labels(*bar->GetMenu(1)),
              (std::vector<wxString>{"Select &All\tCtrl+A", "Select &None", "-",
                                     "&Invert Selection\tCtrl+I"}));
    EXPECT_EQ(labels(*bar->GetMenu(3))[2], "My &Albums\tF5");
    EXPECT_EQ(labels(*bar->GetMenu(8)).back(), "&About Vistrelle...");
    EXPECT_EQ(item(ID_GENERATE_CRASH), nullptr);

    // The pop-up of the tool bar's menu button has menus of its own, ending as the menu bar
    // does not.
    std::unique_ptr<wxMenu> popup(frame->makeMainMenuPopup());
    const std::vector<wxString> popupLabels = labels(*popup);
    EXPECT_EQ(popupLabels.size(), 12u);
    EXPECT_EQ(popupLabels[0], "&Archive");
    EXPECT_EQ(std::vector<wxString>(popupLabels.end() - 3, popupLabels.end()),
              (std::vector<wxString>{"-", "&Options...", "About..."}));
}

TEST_F(MainFrameTest, PictureCommandsFollowTheSelection)
{
    albumWithPictures("Garden", 3);
    openFrame();
    frame->showSection(Section::Albums);
    ThumbnailView* view = frame->getCurrentView();
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->getFiles().size(), 3u);

    EXPECT_FALSE(item(ID_DELETE_PICTURES)->IsEnabled());
    EXPECT_TRUE(item(ID_SELECT_ALL)->IsEnabled());
    EXPECT_TRUE(item(ID_RENAME_ALBUM)->IsEnabled());
    EXPECT_FALSE(item(ID_OPEN_PICTURE)->IsEnabled());

    view->clickItem(1, false, false);
    EXPECT_TRUE(item(ID_DELETE_PICTURES)->IsEnabled());
    EXPECT_EQ(item(ID_DELETE_PICTURES)->GetItemLabel(), "&Delete Picture");
    EXPECT_TRUE(frame->getDescription().StartsWith("IMG_0002.JPG"));
    view->selectAll();
    EXPECT_EQ(item(ID_DELETE_PICTURES)->GetItemLabel(), "&Delete Pictures");
    EXPECT_EQ(item(ID_COPY_TO_DESKTOP)->GetItemLabel(), "Copy Files To Desktop");
    EXPECT_FALSE(item(ID_PICTURE_PROPERTIES)->IsEnabled());

    frame->showSection(Section::Start);
    EXPECT_FALSE(item(ID_DELETE_PICTURES)->IsEnabled());
    EXPECT_FALSE(item(ID_RENAME_ALBUM)->IsEnabled());
}

TEST_F(MainFrameTest, AlbumsMadeRenamedAndHiddenSurviveARestart)
{
    openFrame();
    ASSERT_TRUE(frame->createAlbum("  Trips "));
    ASSERT_TRUE(frame->renameChosenAlbum("Journeys"));
    EXPECT_EQ(frame->getAlbumsPage()->getListedNames(), std::vector<wxString>{"Journeys"});
    EXPECT_TRUE(frame->getAlbumsPage()->getHeader().StartsWith("Journeys"));
    const wxString uri = frame->getAlbumsPage()->getChosenAlbum()->getURI();
    {
        AlbumPropertiesDialog dialog(frame, frame->getAlbumsPage()->getChosenAlbum());
        dialog.getDescriptionField()->ChangeValue("Summer 2024");
        dialog.getHiddenBox()->SetValue(true);
        EXPECT_TRUE(dialog.apply());
    }
    restart();

    EXPECT_TRUE(AlbumFolder::getAlbums().empty());
    Ref<AlbumFolder> album = AlbumFolder::findAlbum(uri);
    EXPECT_EQ(album->getName(), "Journeys");
    EXPECT_EQ(album->getDescription(), "Summer 2024");
    openFrame();
    frame->showSection(Section::Albums);
    EXPECT_TRUE(frame->getAlbumsPage()->getListedNames().empty());
    EXPECT_TRUE(item(ID_LOAD_HIDDEN_ALBUMS)->IsEnabled());
    EXPECT_TRUE(frame->loadHiddenAlbums());
    EXPECT_EQ(frame->getAlbumsPage()->getListedNames(), std::vector<wxString>{"Journeys"});
    EXPECT_FALSE(item(ID_LOAD_HIDDEN_ALBUMS)->IsEnabled());

    // Listing hidden albums lasts for the run: the next one starts with them hidden again.
    restart();
    openFrame();
    frame->showSection(Section::Albums);
    EXPECT_TRUE(frame->getAlbumsPage()->getListedNames().empty());
}

TEST_F(MainFrameTest, AnAlbumHiddenInItsPropertiesLeavesTheListAtOnce)
{
    albumWithPictures("Garden", 2);
    Ref<AlbumFolder> trips = albumWithPictures("Trips", 1);
    openFrame();
    frame->showSection(Section::Albums);
    MyAlbumsPage& page = *frame->getAlbumsPage();
    page.chooseAlbum(trips->getURI());
    auto setHidden = [this](bool hidden) {
        wxTEST_DIALOG(choose(ID_ALBUM_PROPERTIES), ExpectDialog<AlbumPropertiesDialog>(
                                                       [hidden](AlbumPropertiesDialog& d) {
                                                           d.getHiddenBox()->SetValue(hidden);
                                                       },
                                                       wxID_OK));
    };
    auto greyed = [&page](long row) {
        return page.getAlbumList()->GetItemTextColour(row) ==
               wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT);
    };

    // The album shown goes: the page moves to the one left, then to its empty state.
    setHidden(true);
    EXPECT_EQ(page.getListedNames(), std::vector<wxString>{"Garden"});
    ASSERT_NE(page.getChosenAlbum(), nullptr);
    EXPECT_EQ(page.getChosenAlbum()->getName(), "Garden");
    EXPECT_EQ(page.getView()->getFiles().size(), 2u);
    EXPECT_TRUE(item(ID_LOAD_HIDDEN_ALBUMS)->IsEnabled());
    setHidden(true);
    EXPECT_TRUE(page.getListedNames().empty());
    EXPECT_EQ(page.getChosenAlbum(), nullptr);
    EXPECT_TRUE(page.getView()->getFiles().empty());

    // Once the hidden albums are loaded they stay listed, greyed while hidden.
    EXPECT_TRUE(frame->loadHiddenAlbums());
    EXPECT_EQ(page.getListedNames(), (std::vector<wxString>{"Garden", "Trips"}));
    page.chooseAlbum(trips->getURI());
    setHidden(false);
    EXPECT_EQ(page.getListedNames(), (std::vector<wxString>{"Garden", "Trips"}));
    EXPECT_TRUE(greyed(0));
    EXPECT_FALSE(greyed(1));
    setHidden(true);
    EXPECT_EQ(page.getListedNames(), (std::vector<wxString>{"Garden", "Trips"}));
    EXPECT_TRUE(greyed(1));
    EXPECT_EQ(page.getChosenAlbum(), trips);
}

TEST_F(MainFrameTest, TheStartPageAndTheAlbumListCountAsTheCatalogueChanges)
{
    Ref<AlbumFolder> album = makeAlbum("Garden");
    openFrame();
    frame->showSection(Section::Start);
    const WelcomePage& start = *frame->getWelcomePage();
    const auto startReads = [&](const wxString& text) {
        return waitUntil([&] { return start.getCountsText().Contains(text); });
    };
    EXPECT_TRUE(startReads("Your catalogue holds 0 pictures in 1 album; 0 of them are favorites."));

    // A picture handed in through the spool folder while the start page is shown.
    const wxString spoolDir = dataDir + "spool/";
    wxFileName::Mkdir(spoolDir, 0700, wxPATH_MKDIR_FULL);
    const wxString spooled = album->getURI() + Quorvel::Uuid::create();
    home.writeFile(".local/share/vistrelle/spool/one.xml", "<spoolitem><fileuri>" +
                                                               std::string(spooled.utf8_str()) +
                                                               "</fileuri></spoolitem>");
    home.writeFile(".local/share/vistrelle/spool/one.file", "JPEG bytes");
    home.writeFile(".local/share/vistrelle/spool/one.ready", "");
    ASSERT_EQ(SpoolFolder(spoolDir).processAll(), 1);
    ASSERT_TRUE(album->contains(spooled));
    EXPECT_TRUE(startReads("Your catalogue holds 1 picture in 1 album; 0 of them are favorites."))
        << start.getCountsText();

    // Imports into the inbox, one of them a favourite.
    FolderRef inbox = manager->getFolder(InboxFolder::URI);
    std::vector<Ref<File>> pictures = computerPictures(3);
    Ref<File> favourite = inbox->copyFileIn(*pictures[0]);
    EXPECT_TRUE(startReads("1 new picture is waiting in the Picture Inbox."))
        << start.getCountsText();
    // As the Picture menu marks it.
    favourite->setFavorite(true);
    inbox->saveFileMetadata(*favourite);
    manager->fileChanged(*favourite, 0);
    inbox->copyFileIn(*pictures[1]);
    EXPECT_TRUE(startReads("Your catalogue holds 3 pictures in 1 album; 1 of them is a favorite."))
        << start.getCountsText();
    EXPECT_TRUE(startReads("2 new pictures are waiting in the Picture Inbox."));

    // A deletion.
    inbox->deleteFile(*favourite);
    EXPECT_TRUE(startReads("Your catalogue holds 2 pictures in 1 album; 0 of them are favorites."))
        << start.getCountsText();
    EXPECT_TRUE(startReads("1 new picture is waiting in the Picture Inbox."));

    // The album list counts what arrives in an album it shows, by the spool folder too.
    frame->showSection(Section::Albums);
    MyAlbumsPage& albums = *frame->getAlbumsPage();
    EXPECT_EQ(albums.getAlbumList()->GetItemText(0, 1), "1");
    EXPECT_TRUE(albums.getHeader().Contains(wxString::FromUTF8("Garden \u2014 1 picture")))
        << albums.getHeader();
    const wxString another = album->getURI() + Quorvel::Uuid::create();
    home.writeFile(".local/share/vistrelle/spool/two.xml", "<spoolitem><fileuri>" +
                                                               std::string(another.utf8_str()) +
                                                               "</fileuri></spoolitem>");
    home.writeFile(".local/share/vistrelle/spool/two.ready", "");
    ASSERT_EQ(SpoolFolder(spoolDir).processAll(), 1);
    EXPECT_TRUE(waitUntil([&] { return albums.getAlbumList()->GetItemText(0, 1) == "2"; }));
    EXPECT_TRUE(waitUntil([&] { return albums.getHeader().Contains("2 pictures"); }))
        << albums.getHeader();
}

TEST_F(MainFrameTest, RotatedMarkedAndDeletedPicturesStaySoAfterARestart)
{
    Ref<AlbumFolder> album = albumWithPictures("Garden", 3);
    const std::vector<wxString> uris = album->getFileUris();
    openFrame();
    frame->showSection(Section::Albums);
    ThumbnailView* view = frame->getCurrentView();
    view->clickItem(0, false, false);
    frame->rotateSelection(90);
    frame->rotateSelection(90);
    frame->toggleFavorite();
    view->clickItem(2, false, false);
    frame->deleteSelection();
    // The view hears of the deletion through a posted event, after the album has changed.
    ASSERT_TRUE(waitUntil([&] { return album->getFileCount() == 2; }));
    EXPECT_TRUE(waitUntil([&] { return view->getFiles().size() == 2u; }));
    restart();

    Ref<File> turned = Database::getInstance().loadFile(uris[0]);
    EXPECT_EQ(turned->getImageRotation(), 180);
    EXPECT_TRUE(turned->isFavorite());
    std::vector<wxString> kept = AlbumFolder::findAlbum(album->getURI())->getFileUris();
    std::sort(kept.begin(), kept.end());
    std::vector<wxString> expected{uris[0], uris[1]};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(kept, expected);
}

TEST_F(MainFrameTest, TheThumbnailSizeSliderSizesEverySectionKeepsTheTopPictureAndIsKept)
{
    albumWithPictures("Garden", 30);
    openFrame();
    frame->showSection(Section::Albums);
    ThumbnailView* view = frame->getCurrentView();
    wxSlider* slider = frame->getThumbnailSizeSlider();
    ASSERT_EQ(slider, wxWindow::FindWindowByName("ThumbnailSize", frame));
    EXPECT_EQ(slider->GetValue(), ThumbnailView::DEFAULT_THUMBNAIL_SIZE);
    ASSERT_TRUE(waitUntil([&] { return view->GetClientSize().y > 0; }));
    view->ScrollToRow(5);
    const std::size_t top = 5 * view->getGrid().getColumns();
    auto topInView = [&] {
        const std::size_t row = view->getGrid().getRowOf(top);
        return row >= view->GetVisibleRowsBegin() && row < view->GetVisibleRowsEnd();
    };
    ASSERT_TRUE(topInView());

    slider->SetValue(96);
    wxCommandEvent moved(wxEVT_SLIDER, slider->GetId());
    moved.SetInt(96);
    moved.SetEventObject(slider);
    slider->ProcessWindowEvent(moved);
    for (ThumbnailView* section :
         {frame->getAlbumsPage()->getView(), frame->getComputerPage()->getView(),
          frame->getCalendarPage()->getView(), frame->getSearchPage()->getView()})
        EXPECT_EQ(section->getThumbnailSize(), 96);
    EXPECT_EQ(view->getGrid().getCellWidth(), 96 + 16);
    EXPECT_TRUE(topInView());

    // Ctrl with the wheel over the pictures, and the menu's zoom.
    wxMouseEvent wheel(wxEVT_MOUSEWHEEL);
    wheel.SetControlDown(true);
    wheel.m_wheelRotation = 120;
    wheel.m_wheelDelta = 120;
    const unsigned firstRow = view->GetVisibleRowsBegin();
    view->ProcessWindowEvent(wheel);
    EXPECT_EQ(slider->GetValue(), 112);
    EXPECT_EQ(view->getThumbnailSize(), 112);
    EXPECT_EQ(view->GetVisibleRowsBegin(), firstRow); // zoomed, not scrolled
    choose(ID_ZOOM_OUT);
    choose(ID_ZOOM_OUT);
    EXPECT_EQ(frame->getThumbnailSize(), 80);

    closeFrame();
    int kept = 0;
    configuration.getUserConfig().readInt("MainWindow/ThumbnailSize", kept);
    EXPECT_EQ(kept, 80);
    openFrame();
    EXPECT_EQ(frame->getThumbnailSizeSlider()->GetValue(), 80);
    EXPECT_EQ(frame->getAlbumsPage()->getView()->getThumbnailSize(), 80);
}

TEST_F(MainFrameTest, PicturesChosenInTheInboxAreTheOnesThePictureCommandsActOn)
{
    albumWithPictures("Garden", 2);
    manager->getFolder("inbox://")->copyFileIn(*computerPictures(3).back());
    openFrame();
    frame->showSection(Section::Albums);
    ThumbnailView* section = frame->getCurrentView();
    ThumbnailView* inbox = frame->getInboxPanel()->getView();
    ASSERT_EQ(inbox->getFiles().size(), 1u);
    section->clickItem(0, false, false);
    section->clickItem(1, true, false);
    inbox->clickItem(0, false, false);
    EXPECT_EQ(frame->getActiveView(), inbox);
    EXPECT_EQ(item(ID_DELETE_PICTURES)->GetItemLabel(), "&Delete Picture");
    EXPECT_TRUE(frame->getDescription().StartsWith("IMG_0003.JPG"));

    choose(ID_ROTATE_RIGHT);
    EXPECT_EQ(inbox->getFiles()[0]->getImageRotation(), 90);
    EXPECT_EQ(section->getFiles()[0]->getImageRotation(), 0);
    EXPECT_EQ(section->getGrid().getSelectedCount(), 2u);

    // The section's pictures again once the user chooses there, or the inbox is hidden.
    section->clickItem(1, false, false);
    choose(ID_ROTATE_RIGHT);
    EXPECT_EQ(section->getFiles()[1]->getImageRotation(), 90);
    inbox->clickItem(0, false, false);
    frame->showSidebar(ID_HIDE_SIDEBAR);
    choose(ID_ROTATE_RIGHT);
    EXPECT_EQ(section->getFiles()[1]->getImageRotation(), 180);
    EXPECT_EQ(inbox->getFiles()[0]->getImageRotation(), 90);
}

TEST_F(MainFrameTest, PicturesDroppedOnAnAlbumMoveBetweenAlbumsAndAreCopiedFromTheDesktop)
{
    Ref<AlbumFolder> from = albumWithPictures("Garden", 3);
    Ref<AlbumFolder> to = makeAlbum("Best");
    const std::vector<wxString> uris = from->getFileUris();
    const wxString desktopPicture = home.path() + "Desktop/DSC_0001.JPG";
    writeFile(desktopPicture, "JPEG bytes");
    openFrame();

    EXPECT_TRUE(frame->dropOnAlbum(to, {uris[0], uris[1]}, {}, true));
    EXPECT_TRUE(frame->dropOnAlbum(to, {}, {desktopPicture, home.path() + "notes.txt"}, false));
    ASSERT_TRUE(waitUntil([&] { return to->getFileCount() == 3 && from->getFileCount() == 1; }));
    restart();

    EXPECT_EQ(AlbumFolder::findAlbum(from->getURI())->getFileUris(),
              std::vector<wxString>{uris[2]});
    EXPECT_EQ(AlbumFolder::findAlbum(to->getURI())->getFileCount(), 3);
    // The desktop's file stays where it was.
    EXPECT_TRUE(wxFileExists(desktopPicture));
}

TEST_F(MainFrameTest, FullScreenShowsThePicturesOfTheViewFromTheSelectedOne)
{
    albumWithPictures("Garden", 3);
    openFrame();
    frame->showSection(Section::Albums);
    frame->getCurrentView()->clickItem(1, false, false);
    frame->ProcessCommand(ID_FULLSCREEN);

    auto* fullScreen =
        dynamic_cast<FullScreenFrame*>(wxWindow::FindWindowByName("FullScreenFrame"));
    ASSERT_NE(fullScreen, nullptr);
    EXPECT_EQ(fullScreen->getIndex(), 1u);
    fullScreen->next();
    fullScreen->next();
    EXPECT_EQ(fullScreen->getIndex(), 2u);
    fullScreen->Close();
}

TEST_F(MainFrameTest, AddressesSwitchSectionsAndOpenOnlyHelpPages)
{
    writeFile(MainFrame::getHelpFolder() + "index.html", "<html><title>Contents</title></html>");
    writeFile(MainFrame::getHelpFolder() + "../secret.html", "<html>secret</html>");
    openFrame();

    frame->openAddress("app://go/mycomputer");
    EXPECT_EQ(frame->getSection(), Section::Computer);
    frame->openAddress("app://go/myalbums");
    EXPECT_EQ(frame->getSection(), Section::Albums);
    frame->openAddress("app://go/nowhere");
    // With no account, the log-in address opens the account assistant; closing it leaves the
    // window as it was.
    bool assistantSeen = false;
    wxTheApp->CallAfter([&assistantSeen] {
        for (wxWindow* window : wxTopLevelWindows)
            if (auto* dialog = dynamic_cast<wxDialog*>(window);
                dialog && dialog->GetName() == "RegisterAccountDialog" && dialog->IsModal()) {
                assistantSeen = true;
                dialog->EndModal(wxID_CANCEL);
            }
    });
    frame->openAddress("app://account/login");
    EXPECT_TRUE(assistantSeen);
    EXPECT_EQ(frame->getSection(), Section::Albums);

    frame->openAddress("help://../secret.html");
    EXPECT_EQ(frame->getHelpFrame(), nullptr);
    frame->openAddress("help://");
    ASSERT_NE(frame->getHelpFrame(), nullptr);
    EXPECT_TRUE(frame->getHelpFrame()->getOpenedPage().EndsWith("index.html"));
}

TEST_F(MainFrameTest, TheDebugMenuIsThereWhenDiagnosticsAreOn)
{
    wxLog::AddTraceMask(Quorvel::TraceMask::DEBUG);
    openFrame();
    wxLog::RemoveTraceMask(Quorvel::TraceMask::DEBUG);
    wxMenuBar* bar = frame->GetMenuBar();
    EXPECT_EQ(bar->GetMenuLabel(bar->GetMenuCount() - 1), "&Debug");
    ASSERT_NE(item(ID_GENERATE_CRASH), nullptr);
    EXPECT_TRUE(item(ID_GENERATE_CRASH)->IsEnabled());
}

TEST_F(MainFrameTest, ClosingAsksWindowsWithUnsavedWorkAndKeepsTheGeometry)
{
    openFrame();
    bool refuse = true;
    int asked = 0;
    frame->addCloseGuard([&] {
        ++asked;
        return !refuse;
    });
    frame->SetSize(wxRect(40, 30, 900, 640));
    EXPECT_FALSE(frame->Close());
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(frame->IsBeingDeleted());

    refuse = false;
    const wxSize size = frame->GetSize();
    EXPECT_TRUE(frame->Close());
    frame = nullptr;
    ASSERT_TRUE(waitUntil([] { return wxTopLevelWindows.IsEmpty(); }));
    int width = 0;
    configuration.getUserConfig().readInt("WindowSettings/MainWindowWidth", width);
    EXPECT_EQ(width, size.x);
    EXPECT_EQ(openFrame().GetSize(), size);
}

TEST_F(MainFrameTest, PicturesOpenInThePictureWindowWhichIsAskedBeforeTheProgramEnds)
{
    // Real pictures: the picture window reads them for editing.
    Brenmarle::ensureImageMagick();
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxImage::AddHandler(new wxPNGHandler);
    const Ref<AlbumFolder> album = makeAlbum("Garden");
    ASSERT_TRUE(wxFileName::Mkdir(home.path() + "Pictures", 0700, wxPATH_MKDIR_FULL));
    for (int i = 1; i <= 3; ++i) {
        const wxString path = home.path() + wxString::Format("Pictures/P%d.png", i);
        ASSERT_TRUE(wxImage(60, 40).SaveFile(path, wxBITMAP_TYPE_PNG));
        album->copyFileIn(*manager->getFile("file://" + path));
    }
    openFrame();
    frame->showSection(Section::Albums);
    ThumbnailView* view = frame->getCurrentView();
    ASSERT_NE(view, nullptr);
    view->clickItem(1, false, false);
    ASSERT_TRUE(item(ID_OPEN_PICTURE)->IsEnabled());
    ASSERT_TRUE(item(ID_EDIT_PICTURE)->IsEnabled());

    choose(ID_EDIT_PICTURE);
    ASSERT_EQ(ImageFrame::getOpenFrames().size(), 1u);
    ImageFrame* picture = ImageFrame::getOpenFrames().front();
    EXPECT_EQ(picture->getIndex(), 1u);
    EXPECT_TRUE(picture->getNextButton()->IsEnabled()); // through the section's pictures
    EXPECT_TRUE(picture->isEditing());

    // Double click or Enter on a picture opens it too, not the full screen.
    view->clickItem(2, false, false);
    wxCommandEvent activate(THUMBNAIL_ACTIVATE, view->GetId());
    activate.SetEventObject(view);
    view->ProcessWindowEvent(activate);
    ASSERT_EQ(ImageFrame::getOpenFrames().size(), 2u);
    EXPECT_EQ(ImageFrame::getOpenFrames().back()->getIndex(), 2u);
    EXPECT_FALSE(ImageFrame::getOpenFrames().back()->isEditing());

    picture->crop(wxRect(0, 0, 10, 10));
    ASSERT_TRUE(picture->hasUnsavedChanges());
    {
        wxTEST_DIALOG(EXPECT_FALSE(frame->Close()), wxExpectModal<wxMessageDialog>(wxID_CANCEL));
    }
    EXPECT_FALSE(wxTheApp->IsScheduledForDestruction(frame));
}

TEST_F(MainFrameTest, SlideShowPictureMapAndImportOpenTheirWindows)
{
    const Ref<AlbumFolder> album = albumWithPictures("Garden", 3);
    openFrame();
    EXPECT_TRUE(item(ID_SLIDESHOW)->IsEnabled());
    EXPECT_TRUE(item(ID_PICTURE_MAP)->IsEnabled());
    EXPECT_TRUE(item(ID_IMPORT_CAMERA)->IsEnabled());
    EXPECT_TRUE(item(ID_IMPORT_COMPUTER)->IsEnabled());
    EXPECT_TRUE(frame->getMainToolBar()->GetToolEnabled(ID_SLIDESHOW));
    EXPECT_TRUE(frame->getMainToolBar()->GetToolEnabled(ID_GET_PHOTOS));

    frame->showSection(Section::Albums);
    frame->getCurrentView()->clickItem(1, false, false);
    std::vector<wxString> scopes;
    std::vector<wxString> chosen;
    {
        wxTEST_DIALOG(choose(ID_SLIDESHOW), ExpectDialog<SlideShowDialog>([&](SlideShowDialog& d) {
                          for (const wxString& scope : d.getScopeChoice()->GetStrings())
                              scopes.push_back(scope);
                          chosen = d.chosenPictureUris();
                      }));
    }
    EXPECT_EQ(scopes, (std::vector<wxString>{"View all pictures in archive",
                                             "View all pictures in current album",
                                             "View current selection"}));
    EXPECT_EQ(chosen, (std::vector<wxString>{frame->getCurrentView()->getFiles()[1]->getURI()}));

    // "Go to search results" leads to the search section.
    {
        wxTEST_DIALOG(choose(ID_PICTURE_MAP),
                      ExpectDialog<PictureMapDialog>([](PictureMapDialog&) {}, wxID_OK));
    }
    EXPECT_EQ(frame->getSection(), Section::Search);

    wxString proposed = "unset";
    {
        wxTEST_DIALOG(choose(ID_IMPORT_COMPUTER), ExpectDialog<ImportWizard>([&](ImportWizard& w) {
                          proposed = w.getProposedAlbum();
                      }));
    }
    EXPECT_EQ(proposed, "");
    // The album pop-up's entries propose the album.
    {
        wxTEST_DIALOG(
            frame->importPictures(ID_IMPORT_CAMERA, album->getURI()),
            ExpectDialog<ImportWizard>([&](ImportWizard& w) { proposed = w.getProposedAlbum(); }));
    }
    EXPECT_EQ(proposed, album->getURI());
}

TEST_F(MainFrameTest, PluginCommandsSitInTheirSlotsByPriorityAndRunWhenChosen)
{
    ScratchDir dir;
    dir.writeFile("b/bundle.ini", "[PluginBundle]\nUuid=b-1\n");
    dir.writeFile("b/resize.ini", "Type=COMMAND\nMenuId=/Tools/\nPriority=30\nMenuItem=Resize\n");
    dir.writeFile("b/sharpen.ini", "Type=FILEFILTER\nMenuId=/Tools/\nPriority=15\n"
                                   "MenuItem=Sharpen\nMenuItemHelp=Sharper\nMinFiles=1\n");
    dir.writeFile("b/line.ini", "Type=SEPARATOR\nMenuId=/Tools/\nPriority=10\n");
    dir.writeFile("b/crop.ini", "Type=COMMAND\nMenuId=/Tools/\nPriority=5\nMenuItem=Crop\n");
    dir.writeFile("b/site.ini",
                  "Type=WEBLINK\nMenuId=/Toolbar/Website/\nMenuItem=Our Gallery\nPriority=1\n");
    // Menus of the bundle's own: one filled, one empty, one that is the window's already.
    dir.writeFile("b/menu.ini", "[Later]\nName=Later\nPriority=90\n[Extras]\nName=E&xtras\n"
                                "Priority=10\n[Empty]\nName=Nothing\n[Tools]\nName=Tools again\n");
    dir.writeFile("b/frame.ini", "Type=COMMAND\nMenuId=/Extras/\nMenuItem=Frame It\n");
    dir.writeFile("b/later.ini", "Type=COMMAND\nMenuId=/Later/\nMenuItem=Some Day\n");
    PluginRegistry registry;
    registry.load({dir.path()}, PluginLoader("2.0.0"));
    std::vector<wxString> ran;
    PluginCommands::get().load(
        registry, [&](const PluginCommand& command) { ran.push_back(command.id); },
        [](const PluginCommand& command) { return command.isEnabledFor({}); });
    struct Forget {
        ~Forget() { PluginCommands::get().clear(); }
    } forget;

    openFrame();
    wxMenu& tools = *frame->GetMenuBar()->GetMenu(7);
    EXPECT_EQ(labels(tools),
              (std::vector<wxString>{"&Picture Map...", "&Slideshow...\tF12", "-", "Crop", "-",
                                     "Sharpen", "-", "Resize", "-", "&Options..."}));
    wxMenuItem* sharpen = tools.FindItemByPosition(5);
    EXPECT_EQ(sharpen->GetHelp(), "Sharper");
    // With nothing selected, the command that wants a file is off and the others on.
    frame->updateMenus();
    EXPECT_FALSE(sharpen->IsEnabled());
    EXPECT_TRUE(tools.FindItemByPosition(3)->IsEnabled());

    choose(tools.FindItemByPosition(7)->GetId());
    choose(sharpen->GetId());
    EXPECT_EQ(ran, (std::vector<wxString>{"resize", "sharpen"}));

    // The bundle's own menu stands before Help, in the bar and in the main-menu pop-up.
    wxMenuBar& bar = *frame->GetMenuBar();
    ASSERT_EQ(bar.GetMenuCount(), 11u);
    EXPECT_EQ(bar.GetMenuLabel(8), "E&xtras");
    EXPECT_EQ(bar.GetMenuLabel(9), "Later");
    EXPECT_EQ(bar.GetMenuLabel(10), "&Help");
    EXPECT_EQ(labels(*bar.GetMenu(8)), std::vector<wxString>{"Frame It"});
    choose(bar.GetMenu(8)->FindItemByPosition(0)->GetId());
    EXPECT_EQ(ran.back(), "frame");
    std::unique_ptr<wxMenu> popup(frame->makeMainMenuPopup());
    EXPECT_EQ(popup->FindItemByPosition(8)->GetItemLabel(), "E&xtras");

    // The tool bar's website drop-down ends with the web link.
    wxMenu* website = frame->getMainToolBar()->FindById(ID_WEBSITE)->GetDropdownMenu();
    ASSERT_TRUE(website);
    EXPECT_EQ(labels(*website).back(), "Our Gallery");
}

// A screen reader announces a control by its accessible name; GTK gives one only to buttons
// and labelled check boxes by themselves.
namespace {

// What a screen reader meets, one "role: name" a line.
wxString spoken(const std::vector<Quorvel::AccessibleNode>& nodes)
{
    wxString text;
    for (const Quorvel::AccessibleNode& node : nodes)
        text += node.role + ": " + node.name + "\n";
    return text;
}

} // namespace

TEST_F(MainFrameTest, EveryControlTheKeyboardReachesHasANameForScreenReaders)
{
    albumWithPictures("Trip", 2);
    openFrame();
    choose(ID_VIEW_KEYWORDS);
    std::vector<wxString> unnamed;
    std::vector<Quorvel::AccessibleNode> albums;
    std::vector<Quorvel::AccessibleNode> folders;
    for (const Section section :
         {Section::Start, Section::Albums, Section::Calendar, Section::Computer, Section::Search}) {
        frame->showSection(section);
        int turns = 0;
        waitUntil([&] { return ++turns > 5; }); // GTK maps the page as its loop turns
        // The rows the lists draw themselves are read with their text.
        if (section == Section::Albums) {
            EXPECT_TRUE(waitUntil([&] {
                albums = Quorvel::readAccessibleTree(*frame);
                return std::any_of(albums.begin(), albums.end(), [](const auto& row) {
                    return row.role == "list item" && row.name == "Trip, Pictures: 2";
                });
            })) << spoken(albums);
        }
        if (section == Section::Computer) {
            EXPECT_TRUE(waitUntil([&] {
                folders = Quorvel::readAccessibleTree(*frame);
                return std::any_of(folders.begin(), folders.end(), [](const auto& row) {
                    return row.role == "tree item" && !row.name.empty();
                });
            })) << spoken(folders);
        }
        for (const wxString& control : Quorvel::findUnnamedControls(*frame))
            unnamed.push_back(
                wxString::Format("section %d: %s", static_cast<int>(section), control));
    }
    EXPECT_TRUE(unnamed.empty()) << wxJoin(wxArrayString(unnamed.size(), unnamed.data()), '\n');
}

TEST_F(MainFrameTest, PicturesOrderedAsPrintsFillTheCartWhichTheNextRunFindsAgain)
{
    Ref<AlbumFolder> album = albumWithPictures("Garden", 3);
    const wxString orderFile = dataDir + "order.xml";
    writeFile(orderFile, "kept until ordering starts");
    {
        // A run that shows windows but never orders leaves the saved order alone.
        Ordering ordering(dataDir, configuration.getUserConfig(), wxString(), manager.get());
        openFrame();
        frame->setOrdering(&ordering);
        frame->showSection(Section::Albums);
        closeFrame();
    }
    EXPECT_EQ(readFile(orderFile), "kept until ordering starts");
    wxRemoveFile(orderFile);

    auto ordering = std::make_unique<Ordering>(dataDir, configuration.getUserConfig(), wxString(),
                                               manager.get());
    // Ordering goes straight on with an account and a fresh price list.
    AccountSettings::store(configuration, {"acc-1", "me@example.com", "pw", "shop", "Shop"});
    ASSERT_TRUE(ordering->getPricelists().install("shop", std::make_shared<Pricelist>(),
                                                  std::time(nullptr)));
    openFrame();
    EXPECT_FALSE(item(ID_VIEW_SHOPPING_CART)->IsEnabled());
    frame->setOrdering(ordering.get());
    frame->showSection(Section::Albums);
    frame->getAlbumsPage()->chooseAlbum(album->getURI());
    ThumbnailView* view = frame->getCurrentView();
    EXPECT_FALSE(item(ID_ORDER_PRINTS)->IsEnabled());
    view->clickItem(0, false, false);
    view->clickItem(2, true, false);
    frame->updateMenus();
    ASSERT_TRUE(item(ID_ORDER_PRINTS)->IsEnabled());
    EXPECT_FALSE(ordering->hasCart());

    choose(ID_ORDER_PRINTS);
    ShoppingCart& cart = ordering->getCart();
    ASSERT_EQ(cart.getPartCount(), 2u);
    EXPECT_EQ(cart.getPart(0).getFirstFileUri(), view->getFiles()[0]->getURI());
    EXPECT_EQ(cart.getPart(1).getFirstFileUri(), view->getFiles()[2]->getURI());
    ShoppingCartPanel* panel = frame->getShoppingCartPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->IsShown());
    EXPECT_TRUE(item(ID_VIEW_SHOPPING_CART)->IsChecked());
    EXPECT_EQ(panel->getList()->GetItemCount(), 2);

    // The album's pictures are listed in the background and arrive as one change.
    choose(ID_ORDER_ALBUM_PRINTS);
    ASSERT_TRUE(waitUntil([&] { return cart.getPartCount() == 5; }));
    EXPECT_EQ(panel->getList()->GetItemCount(), 5);
    EXPECT_EQ(cart.getPart(4).getFirstFileUri(), album->getFileUris()[2]);

    // An item from another program that names a folder outside its own is refused, told, and
    // the cart stays as it was.
    {
        LogCapture log;
        EXPECT_FALSE(ordering->addExternalItem("../x"));
        EXPECT_TRUE(log.contains("Invalid order item id: ../x"));
    }
    EXPECT_EQ(cart.getPartCount(), 5u);

    // Another sidebar and back: the same panel, still following the cart.
    frame->showSidebar(ID_VIEW_INBOX);
    frame->showSidebar(ID_VIEW_SHOPPING_CART);
    EXPECT_EQ(frame->getShoppingCartPanel(), panel);

    // Taking the cart away closes its panel before the cart goes; going, the cart saves.
    frame->setOrdering(nullptr);
    EXPECT_EQ(frame->getShoppingCartPanel(), nullptr);
    EXPECT_FALSE(item(ID_ORDER_PRINTS)->IsEnabled());
    ordering.reset();
    closeFrame();

    Ordering next(dataDir, configuration.getUserConfig(), wxString(), manager.get());
    ASSERT_EQ(next.getCart().getPartCount(), 5u);
    EXPECT_EQ(next.getCart().getPart(0).files[0].id, album->getFileUris()[0].AfterLast('/'));
}

namespace {

// An assistant opened modally; the user cancels it at once, before it goes to the network.
template <typename Wizard>
class ExpectCancelledWizard : public wxExpectModalBase<Wizard, ExpectCancelledWizard<Wizard>> {
public:
    explicit ExpectCancelledWizard(int& opened) : m_opened(opened) {}

protected:
    int OnInvoked(Wizard*) const override
    {
        ++m_opened;
        return wxID_CANCEL;
    }

private:
    int& m_opened;
};

} // namespace

TEST_F(MainFrameTest, OrderingNeedsAnAccountAndAFreshPriceListFirst)
{
    Ref<AlbumFolder> album = albumWithPictures("Garden", 2);
    Ordering ordering(dataDir, configuration.getUserConfig(), wxString(), manager.get());
    openFrame();
    frame->setOrdering(&ordering);
    frame->showSection(Section::Albums);
    frame->getAlbumsPage()->chooseAlbum(album->getURI());
    frame->getCurrentView()->clickItem(0, false, false);
    frame->updateMenus();
    ASSERT_TRUE(item(ID_NEW_ORDER)->IsEnabled());

    // Without an account the user is offered the account assistant; declined, nothing is
    // ordered and the cart is not even started.
    wxString title;
    wxString message;
    for (int command : {ID_ORDER_PRINTS, ID_NEW_ORDER}) {
        title.clear();
        wxTEST_DIALOG(choose(command), ExpectMessageBox(title, message, wxID_CANCEL));
        EXPECT_EQ(title, "Account needed for prints ordering!") << command;
        EXPECT_EQ(message, "You need an account with a service provider to be able to order "
                           "prints. This assistant will aid you in registering one.");
    }
    EXPECT_FALSE(ordering.hasCart());

    // With an account but a price list older than seven days, the new-order assistant runs
    // first; when it ends without a new one, nothing is ordered.
    AccountSettings::store(configuration, {"acc-1", "me@example.com", "pw", "shop", "Shop"});
    const std::time_t now = std::time(nullptr);
    ASSERT_TRUE(ordering.getPricelists().install("shop", std::make_shared<Pricelist>(),
                                                 now - PricelistCache::MAX_AGE_SECONDS - 60));
    int opened = 0;
    wxTEST_DIALOG(choose(ID_ORDER_PRINTS), ExpectCancelledWizard<NewOrderWizard>(opened));
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(ordering.hasCart());
    // "New Order" runs the assistant even for a fresh list: the user asked for a new one.
    ASSERT_TRUE(ordering.getPricelists().install("shop", std::make_shared<Pricelist>(), now));
    wxTEST_DIALOG(choose(ID_NEW_ORDER), ExpectCancelledWizard<NewOrderWizard>(opened));
    EXPECT_EQ(opened, 2);
    EXPECT_FALSE(ordering.hasCart());

    // A fresh list and an account: the pictures go straight into the cart.
    choose(ID_ORDER_PRINTS);
    ASSERT_TRUE(ordering.hasCart());
    EXPECT_EQ(ordering.getCart().getPartCount(), 1u);

    // The cart's "Order Checkout" opens the ordering assistant; a stale list is renewed first.
    ShoppingCartPanel* panel = frame->getShoppingCartPanel();
    ASSERT_NE(panel, nullptr);
    int sending = 0;
    wxTEST_DIALOG(frame->checkout(panel), ExpectCancelledWizard<SendOrderWizard>(sending));
    EXPECT_EQ(sending, 1);
    // The address handed in from outside presses the cart's button, which stays disabled
    // while the price list prices none of the items: nothing opens.
    ASSERT_FALSE(panel->getCheckoutButton()->IsEnabled());
    frame->openAddress("app://order/checkout");
    EXPECT_EQ(sending, 1);
    ASSERT_TRUE(ordering.getPricelists().install("shop", std::make_shared<Pricelist>(),
                                                 now - PricelistCache::MAX_AGE_SECONDS - 60));
    opened = 0;
    wxTEST_DIALOG(frame->checkout(panel), ExpectCancelledWizard<NewOrderWizard>(opened));
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(sending, 1);
    frame->setOrdering(nullptr);
    closeFrame();
}

TEST_F(MainFrameTest, TheCartFollowsTheAccountToAnotherPortalsPriceList)
{
    writeFile(dataDir + "portals/shop/pricelist.xml",
              "<pricelist><products><product><uuid>print</uuid><productprices><productprice>"
              "<quantity>1</quantity><price>0.5</price></productprice></productprices>"
              "</product></products><defaultproduct>print</defaultproduct></pricelist>");
    Ordering ordering(dataDir, configuration.getUserConfig(), "shop", manager.get());
    ordering.orderPrints({{"file:///a.jpg", 0, 0}, {"file:///b.jpg", 0, 0}});
    ShoppingCart& cart = ordering.getCart();
    ASSERT_TRUE(cart.getPricelist());
    EXPECT_EQ(cart.getPart(0).productUuid, "print");

    // Logged in to a portal whose price list was never downloaded: none, and nobody is told
    // of an error; the items stay, unpriced.
    LogCapture log;
    ordering.setPortal("other");
    EXPECT_FALSE(cart.getPricelist());
    EXPECT_FALSE(log.contains("Could not load price list"));
    EXPECT_EQ(cart.getPartCount(), 2u);
    ordering.setPortal("shop");
    ASSERT_TRUE(cart.getPricelist());
    EXPECT_NE(cart.getPricelist()->findProduct("print"), nullptr);
}

TEST_F(MainFrameTest, EveryControlOfTheDialogsHasANameForScreenReaders)
{
    Ref<AlbumFolder> album = albumWithPictures("Garden", 1);
    openFrame();
    std::vector<wxString> unnamed;
    const auto check = [&](wxDialog* dialog, const wxString& which) {
        dialog->Show();
        waitUntil([dialog] { return dialog->IsShownOnScreen(); });
        for (const wxString& control : Quorvel::findUnnamedControls(*dialog))
            unnamed.push_back(which + ": " + control);
        dialog->Destroy();
    };
    check(new PreferencesDialog(frame, home.path() + "network.ini"), "Preferences");
    check(new AlbumPropertiesDialog(frame, album), "Album properties");
    check(new PicturePropertiesDialog(frame, album->loadFileList().at(0)), "Picture properties");
    check(new FileTaskDialog(frame, "Copying Pictures"), "File task");
    check(new SaveAsDialog(frame), "Save As");
    EXPECT_TRUE(unnamed.empty()) << wxJoin(wxArrayString(unnamed.size(), unnamed.data()), '\n');
}

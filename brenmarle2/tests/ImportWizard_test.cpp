// The import assistants driven as the user drives them: the pages, their refusals, the counts
// they show, and what ends up in the catalogue. With VISTRELLE_SHOTS set to a folder, each page
// looked at is also saved there as a picture.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/ffile.h>
#include <wx/filepicker.h>
#include <wx/hyperlink.h>
#include <wx/image.h>
#include <wx/listbox.h>
#include <wx/radiobut.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "FindControls.h"
#include "PhotoLibraryTest.h"
#include "PressButton.h"
#include "Screenshot.h"
#include "WaitUntil.h"
#include "cameras/CameraManager.h"
#include "cameras/UsbMassStorageCamera.h"
#include "imaging/PictureFormats.h"
#include "import/CameraImportWizard.h"
#include "import/FileImportWizard.h"
#include "ui/Accessibility.h"
#include "widgets/WizardPage.h"

using namespace Brenmarle;
using Quorvel::Wizard;

namespace {

// Every text a window shows: labels, check boxes, radio buttons and links, in order.
void collectTexts(wxWindow* window, std::vector<wxString>& texts)
{
    for (wxWindow* child : window->GetChildren()) {
        if (!child->IsShown())
            continue;
        if (dynamic_cast<wxStaticText*>(child) || dynamic_cast<wxCheckBox*>(child) ||
            dynamic_cast<wxRadioButton*>(child)) {
            // Long texts are wrapped to the page's width.
            wxString text = child->GetLabel();
            text.Replace("\n", " ");
            texts.push_back(text);
        } else if (auto* link = dynamic_cast<wxHyperlinkCtrl*>(child))
            texts.push_back(link->GetLabel());
        collectTexts(child, texts);
    }
}

class ImportWizardTest : public PhotoLibraryTest {
protected:
    ImportWizardTest() { AlbumFolder::loadAlbums(); }
    ~ImportWizardTest() override { closeWizard(); }

    // The wizard is gone when this returns (before a camera manager of the test goes).
    void closeWizard()
    {
        if (wizard)
            wizard->Destroy();
        wizard = nullptr;
        waitUntil([] { return true; });
    }

    Wizard::Page* page() const { return wizard->getCurrentPage(); }
    wxString title() const { return page() ? page()->getTitle() : wxString(); }
    std::vector<wxString> texts() const
    {
        std::vector<wxString> all;
        collectTexts(page(), all);
        return all;
    }
    bool shows(const wxString& text) const
    {
        const auto all = texts();
        return std::find(all.begin(), all.end(), text) != all.end();
    }
    wxString headerError() const
    {
        const Wizard::HeaderStatus status = wizard->getHeaderStatus();
        return status.kind == Wizard::HeaderStatus::Error ? status.text : wxString();
    }

    // Presses Next and waits until the wizard is no longer busy.
    void next()
    {
        ASSERT_TRUE(wizard->getButton(Wizard::ID_NEXT)->IsEnabled()) << "on " << title();
        pressButton(wizard->getButton(Wizard::ID_NEXT));
        ASSERT_TRUE(waitUntil([this] { return !wizard->isBusy(); }));
    }
    // Waits for a page of this title.
    bool reach(const wxString& wanted)
    {
        return waitUntil([&] { return title() == wanted; });
    }

    void shoot(const wxString& name) { shootIfAsked(*wizard, "import-" + name); }

    // What a screen reader meets on the page shown, top to bottom, checked for what it must
    // say: no control without a name, the page's title and the step the user is at. With
    // VISTRELLE_SHOTS set, the transcript goes there too.
    void listen(const wxString& name, int step)
    {
        SCOPED_TRACE(name);
        // The page is on screen once GTK has laid it out.
        std::vector<Quorvel::AccessibleNode> nodes;
        EXPECT_TRUE(waitUntil([&] {
            nodes = Quorvel::readAccessibleTree(*wizard);
            return std::any_of(nodes.begin(), nodes.end(), [this](const auto& node) {
                return node.role == "panel" && node.name == title();
            });
        })) << "the page, named by its title";
        const std::vector<wxString> unnamed = Quorvel::findUnnamedControls(*wizard);
        EXPECT_TRUE(unnamed.empty()) << wxJoin(wxArrayString(unnamed.size(), unnamed.data()), '\n');
        const auto has = [&nodes](const wxString& role, const wxString& text,
                                  const wxString& description) {
            return std::any_of(nodes.begin(), nodes.end(), [&](const Quorvel::AccessibleNode& n) {
                return n.role == role && n.name == text && n.description == description;
            });
        };
        EXPECT_TRUE(has("label", title(), wxString())) << "the title";
        const wxString where =
            wxString::Format("Step %d of 5: %s", step + 1, wizard->getStepNames()[size_t(step)]);
        EXPECT_TRUE(has("panel", "Steps", where)) << where;
        EXPECT_TRUE(has("label", wizard->getStepNames()[size_t(step)], "Current step"));
        // Next tells where the user got to in sentences, whatever the title ends with.
        const wxString next =
            Quorvel::getAccessibleDescription(*wizard->getButton(Quorvel::Wizard::ID_NEXT));
        for (const char* doubled : {"?.", "!.", "..", ":."})
            EXPECT_FALSE(next.Contains(doubled)) << next;
        transcript += "== " + name + "\n";
        for (const Quorvel::AccessibleNode& node : nodes) {
            transcript += wxString(' ', size_t(2 * node.depth)) + node.role + ": " + node.name;
            if (!node.description.empty())
                transcript += " (" + node.description + ")";
            if (!node.states.empty())
                transcript += " [" + node.states + "]";
            transcript += "\n";
        }
        if (const char* folder = std::getenv("VISTRELLE_SHOTS")) {
            const char* test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
            wxFFile out(wxString::Format("%s/%s.txt", folder, test), "w");
            out.Write(transcript);
        }
    }

    // A folder with two pictures, a video, a sound and a text, one in a sub-folder.
    wxString makeTree()
    {
        wxFileName::Mkdir(home / "trip/day2", wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
        if (!wxImage::FindHandler(wxBITMAP_TYPE_JPEG))
            wxImage::AddHandler(new wxJPEGHandler);
        wxImage(64, 48).SaveFile(home / "trip/IMG_0001.JPG", wxBITMAP_TYPE_JPEG);
        wxImage(48, 64).SaveFile(home / "trip/day2/IMG_0002.JPG", wxBITMAP_TYPE_JPEG);
        home.writeFile("trip/day2/MVI_0003.MOV", "video bytes");
        home.writeFile("trip/memo.wav", "sound bytes");
        home.writeFile("trip/readme.txt", "text");
        return home / "trip";
    }

    // Devices the camera tests plug in.
    CameraList plugged;
    CameraManager cameras{[this] { return plugged; }};
    Wizard* wizard = nullptr;
    wxString transcript;
};

} // namespace

TEST_F(ImportWizardTest, AFolderTreeGoesIntoANewAlbumWithTheKindsChosen)
{
    const wxString tree = makeTree();
    wizard = new FileImportWizard(nullptr);
    wizard->Show();
    EXPECT_EQ(title(), "Choose a folder to import pictures from");
    EXPECT_TRUE(shows("You must choose the folder on your computer from where you want to import "
                      "pictures. Subfolders will also be searched."));
    shoot("folder");
    next();
    EXPECT_EQ(headerError(), "You must select a folder to import from");

    findControls<wxDirPickerCtrl>(page())[0]->SetPath(tree);
    next();
    ASSERT_TRUE(reach("Where do you want to put the pictures?"));
    EXPECT_EQ(page()->getDescription(), "5 files found in folder");
    const auto choices = findControls<wxRadioButton>(page());
    ASSERT_EQ(choices.size(), 3u);
    EXPECT_EQ(choices[0]->GetLabel(), "Put photos in the inbox");
    EXPECT_EQ(choices[1]->GetLabel(), "Create a new album");
    EXPECT_EQ(choices[2]->GetLabel(), "Use an existing album");
    shoot("destination");
    choices[1]->SetValue(true);
    next();
    auto* name = findControls<wxTextCtrl>(page())[0];
    EXPECT_EQ(name->GetValue(), "New Album");
    name->SetValue("Summer trip");
    next();

    ASSERT_TRUE(reach("Choose what to import"));
    auto boxes = findControls<wxCheckBox>(page());
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0]->GetLabel(), "Photos (2)");
    EXPECT_EQ(boxes[1]->GetLabel(), "Videos (1)");
    EXPECT_EQ(boxes[2]->GetLabel(), "Audio Clips (1)");
    EXPECT_EQ(boxes[3]->GetLabel(), "Other (1)");
    for (wxCheckBox* box : boxes)
        box->SetValue(false);
    next();
    EXPECT_EQ(headerError(), "You must choose to import something");
    shoot("options");
    boxes[0]->SetValue(true);
    boxes[2]->SetValue(true);
    next();

    ASSERT_TRUE(reach("Import job finished"));
    shoot("result");
    EXPECT_TRUE(shows("3 files were successfully imported"));
    EXPECT_TRUE(shows("1 video was skipped"));
    EXPECT_TRUE(shows("1 file was ignored (not video, audio or photo)"));
    const AlbumFolder::AlbumMap albums = AlbumFolder::getAlbums();
    ASSERT_EQ(albums.size(), 1u);
    EXPECT_EQ(albums.begin()->second->getName(), "Summer trip");
    EXPECT_EQ(albums.begin()->second->getFileCount(), 3);
    EXPECT_EQ(wizard->getButton(Wizard::ID_NEXT)->GetLabel(), "Close");
}

// The album pop-up's "From My Computer" brings the pictures into that album.
TEST_F(ImportWizardTest, AnAlbumProposedByTheCallerIsChosenAlready)
{
    const wxString tree = makeTree();
    makeAlbum("Birthday");
    const Quorvel::Ref<AlbumFolder> garden = makeAlbum("Garden");
    auto* import = new FileImportWizard(nullptr, tree);
    import->setProposedAlbum(garden->getURI());
    wizard = import;
    wizard->Show();
    ASSERT_TRUE(reach("Where do you want to put the pictures?"));
    EXPECT_TRUE(findControls<wxRadioButton>(page())[2]->GetValue());
    next();
    ASSERT_TRUE(reach("Choose an album"));
    EXPECT_EQ(findControls<wxListBox>(page())[0]->GetStringSelection(), "Garden");
    next();
    ASSERT_TRUE(reach("Choose what to import"));
    next();
    ASSERT_TRUE(reach("Import job finished"));
    EXPECT_EQ(garden->getFileCount(), 4);
}

TEST_F(ImportWizardTest, RawPicturesThisComputerCannotReadAreSaidToBeLeftBehind)
{
    if (PictureFormats::canDecode(PictureFormats::Family::Raw))
        GTEST_SKIP() << "RAW files can be decoded here";
    const wxString tree = makeTree();
    home.writeFile("trip/IMG_0004.CR2", "raw bytes");
    home.writeFile("trip/IMG_0005.CR2", "more raw bytes");
    wizard = new FileImportWizard(nullptr, tree);
    wizard->Show();
    ASSERT_TRUE(reach("Where do you want to put the pictures?"));
    next();
    ASSERT_TRUE(reach("Choose what to import"));
    EXPECT_EQ(findControls<wxCheckBox>(page())[3]->GetLabel(), "Other (3)");
    EXPECT_TRUE(shows("2 pictures (CR2) cannot be read on this computer. They count as Other and "
                      "are left behind unless Other is ticked."));
    shoot("options-left-behind");
    next();
    ASSERT_TRUE(reach("Import job finished"));
    EXPECT_TRUE(shows("4 files were successfully imported"));
    EXPECT_TRUE(shows("1 file was ignored (not video, audio or photo)"));
    EXPECT_TRUE(shows("2 pictures (CR2) were left behind: this computer cannot read them"));
}

TEST_F(ImportWizardTest, ASecondImportOfTheSameFolderBringsNothingNew)
{
    const wxString tree = makeTree();
    for (int round = 1; round <= 2; ++round) {
        if (wizard)
            wizard->Destroy();
        wizard = new FileImportWizard(nullptr, tree);
        wizard->Show();
        ASSERT_TRUE(reach("Where do you want to put the pictures?"));
        next();
        ASSERT_TRUE(reach("Choose what to import"));
        next();
        ASSERT_TRUE(reach("Import job finished"));
    }
    EXPECT_TRUE(shows("0 files were successfully imported"));
    EXPECT_TRUE(shows("4 files were already in your collection and were skipped"));
    EXPECT_EQ(Database::getInstance().getFileCount(), 4);
}

namespace {

CameraRef cardIn(const wxString& drive)
{
    return std::make_shared<UsbMassStorageCamera>("usbms://1-2", "Generic Card Reader", "05e3",
                                                  "0760", drive);
}

} // namespace

TEST_F(ImportWizardTest, ACardsCameraFoldersAreImportedAndItsOtherFoldersIgnored)
{
    home.writeFile("card/DCIM/100PHOTO/IMG_0001.JPG", "first");
    home.writeFile("card/DCIM/100PHOTO/IMG_0002.JPG", "second");
    home.writeFile("card/DCIM/misc/IMG_0003.JPG", "not a camera folder");
    wizard = new CameraImportWizard(nullptr, &cameras);
    wizard->Show();
    ASSERT_TRUE(waitUntil([this] { return !wizard->isBusy(); }));
    EXPECT_EQ(title(), "Choose a camera to import photos from");
    EXPECT_TRUE(shows("No camera was detected. If you already have connected a camera, please "
                      "make sure it is properly turned on and drivers are installed."));
    shoot("no-camera");
    listen("no camera", 0);
    next();
    EXPECT_EQ(headerError(), "You must connect a camera");

    // Plugged in while the page shows.
    plugged = {cardIn(home / "card")};
    cameras.update(plugged);
    ASSERT_TRUE(waitUntil([this] { return findControls<wxListBox>(page())[0]->GetCount() == 1; }));
    shoot("camera");
    listen("camera", 0);
    next();
    ASSERT_TRUE(reach("Where do you want to put the pictures?"));
    EXPECT_EQ(page()->getDescription(), "2 files found on device");
    next();
    ASSERT_TRUE(reach("Choose what to import"));
    next();
    ASSERT_TRUE(reach("Import job finished"));
    EXPECT_TRUE(shows("2 files were successfully imported"));
    EXPECT_EQ(manager->getFolder("inbox://")->getFileCount(), 2);
}

TEST_F(ImportWizardTest, ACameraUnpluggedBeforeTheImportIsSaidSo)
{
    home.writeFile("card/DCIM/100PHOTO/IMG_0001.JPG", "first");
    plugged = {cardIn(home / "card")};
    wizard = new CameraImportWizard(nullptr, &cameras);
    wizard->Show();
    ASSERT_TRUE(waitUntil([this] { return !wizard->isBusy(); }));
    next();
    ASSERT_TRUE(reach("Where do you want to put the pictures?"));
    next();
    ASSERT_TRUE(reach("Choose what to import"));
    cameras.update({});
    next();
    ASSERT_TRUE(reach("Camera is no longer connected"));
    EXPECT_EQ(Database::getInstance().getFileCount(), 0);
}

TEST_F(ImportWizardTest, FailuresAreCountedAndListedInTheImportLog)
{
    const wxString tree = makeTree();
    wizard = new FileImportWizard(nullptr, tree);
    wizard->Show();
    ASSERT_TRUE(reach("Where do you want to put the pictures?"));
    // A file that goes away between the search and the import.
    wxRemoveFile(tree + "/memo.wav");
    next();
    ASSERT_TRUE(reach("Choose what to import"));
    next();
    ASSERT_TRUE(reach("Import job finished"));
    EXPECT_TRUE(shows("1 file was not imported due to an error"));
    auto links = findControls<wxHyperlinkCtrl>(page());
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0]->GetLabel(), "Check the log for details");
    shoot("result-failed");
    auto* import = dynamic_cast<ImportWizard*>(wizard);
    EXPECT_TRUE(import->getTask()->getLog().Contains("memo.wav"));
    import->showLog();
    wxWindow* log = wxWindow::FindWindowByLabel("Import Log");
    ASSERT_NE(log, nullptr);
    log->Destroy();
}

// A screen reader user goes through the whole assistant: on every page they hear which page it
// is, where the steps stand and every control by its name; a refusal is read as an error.
TEST_F(ImportWizardTest, AScreenReaderHearsEachPageFromTheFirstToTheLast)
{
    const wxString tree = makeTree();
    makeAlbum("Birthday");
    wizard = new FileImportWizard(nullptr);
    wizard->Show();
    listen("folder", 0);
    next();
    const std::vector<Quorvel::AccessibleNode> refused = Quorvel::readAccessibleTree(*wizard);
    EXPECT_TRUE(std::any_of(refused.begin(), refused.end(), [](const Quorvel::AccessibleNode& n) {
        return n.role == "label" && n.name == "You must select a folder to import from" &&
               n.description == "Error";
    }));
    listen("folder refused", 0);

    findControls<wxDirPickerCtrl>(page())[0]->SetPath(tree);
    next();
    ASSERT_TRUE(reach("Where do you want to put the pictures?"));
    listen("destination", 1);
    findControls<wxRadioButton>(page())[2]->SetValue(true);
    next();
    ASSERT_TRUE(reach("Choose an album"));
    listen("album choice", 1);
    pressButton(wizard->getButton(Wizard::ID_BACK));
    ASSERT_TRUE(reach("Where do you want to put the pictures?"));
    findControls<wxRadioButton>(page())[1]->SetValue(true);
    next();
    ASSERT_TRUE(reach("Name the new album"));
    listen("album name", 1);
    next();
    ASSERT_TRUE(reach("Choose what to import"));
    listen("options", 2);
    next();
    ASSERT_TRUE(reach("Import job finished"));
    listen("result", 4);
}

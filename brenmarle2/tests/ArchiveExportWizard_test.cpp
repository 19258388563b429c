// The archive export assistant driven as the user drives it: the albums ticked, the folder
// chosen, and what lands on the disk and on the last page. With VISTRELLE_SHOTS set to a
// folder, each page looked at is also saved there as a picture.

#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/checklst.h>
#include <wx/filefn.h>
#include <wx/filepicker.h>
#include <wx/stattext.h>

#include "FindControls.h"
#include "PhotoLibraryTest.h"
#include "PressButton.h"
#include "Screenshot.h"
#include "SmallFileSystem.h"
#include "WaitUntil.h"
#include "importexport/ArchiveExportWizard.h"
#include "ui/Accessibility.h"
#include "widgets/WizardPage.h"

using namespace Brenmarle;
using Quorvel::Wizard;

namespace {

class ArchiveExportWizardTest : public PhotoLibraryTest {
protected:
    ArchiveExportWizardTest()
    {
        AlbumFolder::loadAlbums();
        addPicture(*makeAlbum("Trip"), "beach.jpg", "beach");
        addPicture(*makeAlbum("Party"), "cake.jpg", "cake");
        wxMkdir(home / "Export");
    }
    ~ArchiveExportWizardTest() override
    {
        if (wizard)
            wizard->Destroy();
        waitUntil([] { return true; });
    }

    void addPicture(Folder2& folder, const wxString& name, const std::string& bytes)
    {
        folder.copyFileIn(*manager->getFile(makeComputerPicture("source/" + name, bytes)))
            ->setFileName(name);
    }
    void open(const wxString& folder)
    {
        wizard = new ArchiveExportWizard(nullptr, ArchiveExportWizard::catalogueChoices(), folder);
        wizard->Show();
    }
    wxString title() const
    {
        return wizard->getCurrentPage() ? wizard->getCurrentPage()->getTitle() : wxString();
    }
    wxString headerError() const
    {
        const Wizard::HeaderStatus status = wizard->getHeaderStatus();
        return status.kind == Wizard::HeaderStatus::Error ? status.text : wxString();
    }
    wxString pageText() const
    {
        wxString text;
        for (wxStaticText* label : findControls<wxStaticText>(wizard->getCurrentPage()))
            text += label->GetLabel() + "\n";
        // Long texts are wrapped to the page's width.
        text.Replace("\n", " ");
        return text;
    }
    void next() { pressButton(wizard->getButton(Wizard::ID_NEXT)); }
    bool reach(const wxString& wanted)
    {
        return waitUntil([&] { return title() == wanted; });
    }
    void shoot(const wxString& name) { shootIfAsked(*wizard, "archive-export-" + name); }

    ArchiveExportWizard* wizard = nullptr;
};

} // namespace

TEST_F(ArchiveExportWizardTest, ExportsTheTickedAlbumsIntoTheChosenFolder)
{
    open(home / "Export");
    ASSERT_EQ(title(), "Choose the albums to export");
    auto* list = findControl<wxCheckListBox>(wizard->getCurrentPage());
    ASSERT_NE(list, nullptr);
    // Albums by name, then the inbox; everything ticked at first.
    ASSERT_EQ(list->GetCount(), 3u);
    EXPECT_EQ(list->GetString(0), "Party (1 picture)");
    EXPECT_EQ(list->GetString(1), "Trip (1 picture)");
    EXPECT_EQ(list->GetString(2), "Picture Inbox (0 pictures)");
    EXPECT_TRUE(list->IsChecked(0) && list->IsChecked(1) && list->IsChecked(2));
    EXPECT_TRUE(Quorvel::findUnnamedControls(*wizard).empty());
    shoot("albums");

    for (unsigned i = 0; i < list->GetCount(); ++i)
        list->Check(i, false);
    next();
    EXPECT_EQ(title(), "Choose the albums to export");
    EXPECT_EQ(headerError(), "Please tick at least one album.");
    list->Check(0);
    next();
    ASSERT_EQ(title(), "Choose where to export to");
    auto* picker = findControl<wxDirPickerCtrl>(wizard->getCurrentPage());
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->GetPath(), home / "Export");
    shoot("folder");
    picker->SetPath(home / "gone");
    next();
    EXPECT_EQ(headerError(), "Please choose a folder that exists.");
    picker->SetPath(home / "Export");
    next();

    ASSERT_TRUE(reach("The export is finished")) << title();
    EXPECT_TRUE(pageText().Contains("1 of 1 pictures were exported to " + home / "Export"))
        << pageText();
    EXPECT_EQ(wizard->getButton(Wizard::ID_NEXT)->GetLabel(), "Close");
    shoot("done");
    EXPECT_EQ(home.readFile("Export/Party/cake.jpg"), "cake");
    EXPECT_TRUE(wxFileExists(home / "Export/Party/cake.jpg.xmp"));
    EXPECT_FALSE(wxDirExists(home / "Export/Trip"));
}

TEST_F(ArchiveExportWizardTest, AFullDiskEndsOnAPageThatSaysSo)
{
    SmallFileSystem disk(home / "stick", 16);
    if (!disk.isMounted())
        GTEST_SKIP() << "needs root to mount a small file system";
    auto big = makeAlbum("Big");
    addPicture(*big, "huge.jpg", std::string(64 * 1024, 'h'));
    open(disk.path());
    next();
    next();
    ASSERT_TRUE(reach("The export could not be finished")) << title();
    EXPECT_TRUE(pageText().Contains("The disk that holds " + home / "stick" +
                                    " is full. 0 of 3 pictures were exported"))
        << pageText();
    shoot("disk-full");
    EXPECT_EQ(filesUnder(disk.path()), 0u);
}

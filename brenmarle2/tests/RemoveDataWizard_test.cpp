// The remove-data assistant driven as the user drives it: what it lists and warns about, that
// nothing goes before the user confirmed, and what is left on the disk afterwards. With
// VISTRELLE_SHOTS set to a folder, each page looked at is also saved there as a picture.

#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/filefn.h>
#include <wx/stattext.h>

#include "FindControls.h"
#include "PhotoLibraryTest.h"
#include "PressButton.h"
#include "Screenshot.h"
#include "WaitUntil.h"
#include "files/File.h"
#include "files/StoragePaths.h"
#include "main/RemoveDataWizard.h"
#include "ui/Accessibility.h"
#include "widgets/WizardPage.h"

using namespace Brenmarle;
using Quorvel::Wizard;

namespace {

class RemoveDataWizardTest : public PhotoLibraryTest {
protected:
    RemoveDataWizardTest()
    {
        AlbumFolder::loadAlbums();
        auto album = makeAlbum("Trip");
        for (const char* name : {"a.jpg", "b.jpg"})
            stored.push_back(StoragePaths(dataDir).managedFile(
                album->copyFileIn(*manager->getFile(makeComputerPicture(name)))->getURI()));
        home.writeFile(".local/share/vistrelle/user.ini", "[Account]\n");
        home.writeFile("own.jpg", "the user's");
    }
    ~RemoveDataWizardTest() override
    {
        if (wizard)
            wizard->Destroy();
        waitUntil([] { return true; });
    }

    void open()
    {
        wizard = new RemoveDataWizard(nullptr, dataDir, home.path(), [this] {
            ++released;
            closeLibrary();
        });
        wizard->Show();
    }
    wxString title() const
    {
        return wizard->getCurrentPage() ? wizard->getCurrentPage()->getTitle() : wxString();
    }
    wxString pageText() const
    {
        wxString text;
        for (wxStaticText* label : findControls<wxStaticText>(wizard->getCurrentPage()))
            if (label->IsShown())
                text += label->GetLabel() + "\n";
        text.Replace("\n", " ");
        return text;
    }
    wxButton* nextButton() const { return wizard->getButton(Wizard::ID_NEXT); }
    void shoot(const wxString& name) { shootIfAsked(*wizard, "remove-data-" + name); }

    RemoveDataWizard* wizard = nullptr;
    std::vector<wxString> stored;
    int released = 0;
};

} // namespace

TEST_F(RemoveDataWizardTest, WarnsListsAndRemovesOnlyOnceConfirmed)
{
    open();
    ASSERT_TRUE(waitUntil([this] { return wizard->getPlan() != nullptr; }));
    EXPECT_TRUE(pageText().Contains("This removes from this computer: - The catalogue of your "
                                    "pictures"))
        << pageText();
    EXPECT_TRUE(pageText().Contains("2 of your pictures exist only on this computer and are not "
                                    "safely stored. They will be lost."))
        << pageText();
    EXPECT_EQ(wizard->getHeaderStatus().text, "2 pictures are not safely stored");
    EXPECT_TRUE(nextButton()->IsEnabled());
    EXPECT_TRUE(Quorvel::findUnnamedControls(*wizard).empty());
    shoot("check");

    pressButton(nextButton());
    ASSERT_EQ(title(), "Please confirm the removal");
    EXPECT_EQ(nextButton()->GetLabel(), "Remove");
    EXPECT_FALSE(nextButton()->IsEnabled());
    shoot("confirm");
    // Back and forth: nothing is removed, and Next is Next again.
    pressButton(wizard->getButton(Wizard::ID_BACK));
    ASSERT_TRUE(waitUntil([this] { return title() == "Remove your pictures and settings"; }));
    EXPECT_EQ(nextButton()->GetLabel(), "Next");
    pressButton(nextButton());
    auto* understood = findControl<wxCheckBox>(wizard->getCurrentPage());
    ASSERT_NE(understood, nullptr);
    understood->SetValue(true);
    wxCommandEvent ticked(wxEVT_CHECKBOX, understood->GetId());
    ticked.SetEventObject(understood);
    understood->ProcessWindowEvent(ticked);
    ASSERT_TRUE(nextButton()->IsEnabled());
    EXPECT_EQ(released, 0);
    EXPECT_TRUE(wxFileExists(stored[0]));

    pressButton(nextButton());
    ASSERT_TRUE(waitUntil([this] { return title() == "Your data was removed"; })) << title();
    shoot("done");
    EXPECT_EQ(released, 1);
    for (const wxString& path : stored)
        EXPECT_FALSE(wxFileExists(path));
    EXPECT_FALSE(wxFileExists(dataDir + "database.db"));
    EXPECT_FALSE(wxFileExists(dataDir + "user.ini"));
    EXPECT_EQ(home.readFile("own.jpg"), "the user's");
    EXPECT_EQ(nextButton()->GetLabel(), "Close");
}

TEST_F(RemoveDataWizardTest, CancelBeforeConfirmingLeavesEverything)
{
    open();
    ASSERT_TRUE(waitUntil([this] { return wizard->getPlan() != nullptr; }));
    pressButton(nextButton());
    pressButton(wizard->getButton(wxID_CANCEL));
    EXPECT_EQ(released, 0);
    for (const wxString& path : stored)
        EXPECT_TRUE(wxFileExists(path));
    EXPECT_TRUE(wxFileExists(dataDir + "database.db"));
}

#include <gtest/gtest.h>

#include <wx/checkbox.h>
#include <wx/frame.h>
#include <wx/textctrl.h>

#include "ScratchDir.h"
#include "dialogs/NetworkPage.h"
#include "system/ConfigFile.h"

class NetworkPageTest : public ::testing::Test {
protected:
    NetworkPageTest() : frame(new wxFrame(nullptr, wxID_ANY, "test")) {}
    ~NetworkPageTest() override { frame->Destroy(); }
    NetworkPage* makePage() { return new NetworkPage(frame, path()); }
    wxString path() const { return dir / "network.ini"; }

    ScratchDir dir;
    wxFrame* frame;
};

TEST_F(NetworkPageTest, HostTicksTheBoxAndTickingEnablesFields)
{
    dir.writeFile("network.ini", "[HttpProxy]\nHost=proxy.lan\nPort=3128\nUserId=me\nPassword=p$w\n");
    NetworkPage* page = makePage();
    EXPECT_TRUE(page->getProxyCheckBox()->GetValue());
    EXPECT_TRUE(page->getHostField()->IsEnabled());
    EXPECT_EQ(page->getPortField()->GetValue(), "3128");
    EXPECT_EQ(page->getPasswordField()->GetValue(), "p$w");

    page->getProxyCheckBox()->SetValue(false);
    wxCommandEvent untick(wxEVT_CHECKBOX, page->getProxyCheckBox()->GetId());
    untick.SetEventObject(page->getProxyCheckBox());
    page->getProxyCheckBox()->GetEventHandler()->ProcessEvent(untick);
    EXPECT_FALSE(page->getUserField()->IsEnabled());
    EXPECT_FALSE(page->getPasswordField()->IsEnabled());
}

TEST_F(NetworkPageTest, SavingWithoutAFileStoresNothing)
{
    NetworkPage* page = makePage();
    page->getProxyCheckBox()->SetValue(true);
    page->getHostField()->SetValue("proxy");
    EXPECT_FALSE(page->save());
    EXPECT_FALSE(wxFileExists(path()));
}

TEST_F(NetworkPageTest, ClearedBoxStoresPortZeroAndTheHostField)
{
    dir.writeFile("network.ini", "[HttpProxy]\nHost=proxy.lan\nPort=3128\n");
    NetworkPage* page = makePage();
    page->getProxyCheckBox()->SetValue(false);
    page->getHostField()->SetValue("still.here");
    ASSERT_TRUE(page->save());
    Quorvel::ConfigFile stored(path());
    int port = -1;
    wxString host;
    stored.readInt("HttpProxy/Port", port);
    stored.readString("HttpProxy/Host", host);
    EXPECT_EQ(port, 0);
    EXPECT_EQ(host, "still.here");
}

TEST_F(NetworkPageTest, UnparsablePortIsStoredAsZero)
{
    dir.writeFile("network.ini", "[HttpProxy]\nHost=proxy.lan\n");
    NetworkPage* page = makePage();
    page->getPortField()->SetValue("80a");
    ASSERT_TRUE(page->save());
    int port = -1;
    Quorvel::ConfigFile(path()).readInt("HttpProxy/Port", port);
    EXPECT_EQ(port, 0);
}

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "AccountFixture.h"
#include "ScopedUmask.h"
#include "service/AccountSettings.h"
#include "system/Exceptions.h"

using Brenmarle::AccountSettings;

class AccountSettingsTest : public ::testing::Test, protected ScratchHome {
protected:
    AccountSettings::Account fjord{"a-17", "bo@example.com", wxString::FromUTF8("p\xc3\xa5ss"),
                                   "fjord", "Fjord Foto"};

    // What the demo provider left: its price list with its time, its news with their keys.
    void leaveDemoContent()
    {
        AccountSettings::store(configuration,
                               {"a-1", "anna@example.com", "secret", "demo", "Demo Photo"});
        home.writeFile(".local/share/vistrelle/portals/demo/pricelist.xml", "<pricelist/>");
        home.writeFile(".local/share/vistrelle/portals/demo/news.html", "<p>old</p>");
        home.writeFile(".local/share/vistrelle/portals/demo/templatelist.xml", "<templatelist/>");
        auto& user = configuration.getUserConfig();
        user.writeDate("ProductTemplates/ListUpdateTime", wxDateTime::Now());
        user.writeString("ProductTemplates/ListUrl", "http://demo.example/templatelist.xml");
        user.writeLong("PriceList/UpdateTime", 1000);
        for (const char* key : {"News/UpdateTime", "News/ExpiryTime", "News/LastCheckTime"})
            user.writeDate(key, wxDateTime::Now());
        user.writeString("News/PortalId", "demo");
    }
    bool hasAny(const std::vector<const char*>& keys)
    {
        for (const char* key : keys)
            if (configuration.getUserConfig().hasEntry(key))
                return true;
        return false;
    }
    wxString userKey(const wxString& key)
    {
        wxString value;
        configuration.getUserConfig().readString(key, value, wxString());
        return value;
    }
    const std::vector<const char*> providerKeys{
        "PriceList/UpdateTime",    "News/UpdateTime", "News/ExpiryTime",
        "News/LastCheckTime",      "News/PortalId",   "ProductTemplates/ListUpdateTime",
        "ProductTemplates/ListUrl"};

    Quorvel::Configuration configuration;
};

TEST_F(AccountSettingsTest, StoredAccountReadsBackWithThePasswordScrambledAndTheFileOwnerOnly)
{
    ScopedUmask permissive(022);
    AccountSettings::store(configuration, fjord);
    const auto read = AccountSettings::read(configuration);
    EXPECT_EQ(read.accountId, "a-17");
    EXPECT_EQ(read.emailAddress, "bo@example.com");
    EXPECT_EQ(read.password, fjord.password);
    EXPECT_EQ(read.portalId, "fjord");
    EXPECT_EQ(read.portalName, "Fjord Foto");
    EXPECT_TRUE(read.exists());

    // Stored on disk at once, the password not as typed.
    const std::string file = readUserFile("user.ini");
    EXPECT_NE(file.find("AccountId=a-17"), std::string::npos);
    EXPECT_NE(file.find("Password="), std::string::npos);
    EXPECT_EQ(file.find("p\xc3\xa5ss"), std::string::npos);
    struct stat info {};
    ASSERT_EQ(::stat((Quorvel::Environment::getUserDataDir() + "user.ini").utf8_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0077, 0u);
}

TEST_F(AccountSettingsTest, AnotherPortalDropsThePreviousProvidersContentTheSameKeepsIt)
{
    leaveDemoContent();
    AccountSettings::store(configuration,
                           {"a-1", "anna@example.com", "new secret", "demo", "Demo Photo"});
    EXPECT_TRUE(hasUserFile("portals/demo/pricelist.xml"));
    EXPECT_EQ(userKey("News/PortalId"), "demo");

    AccountSettings::store(configuration, fjord);
    EXPECT_FALSE(hasAny(providerKeys));
    EXPECT_FALSE(hasUserFile("portals/demo/pricelist.xml"));
    EXPECT_FALSE(hasUserFile("portals/demo/news.html"));
    EXPECT_FALSE(hasUserFile("portals/demo/templatelist.xml"));
    EXPECT_EQ(AccountSettings::read(configuration).portalId, "fjord");
}

TEST_F(AccountSettingsTest, LoggingOutLeavesNoAccountAndNoProviderContent)
{
    leaveDemoContent();
    AccountSettings::logOut(configuration);
    EXPECT_FALSE(AccountSettings::read(configuration).exists());
    EXPECT_FALSE(hasAny(providerKeys));
    EXPECT_FALSE(hasAny({"Account/AccountId", "Account/EmailAddress", "Account/Password",
                         "Account/PortalId", "Account/PortalName"}));
    EXPECT_FALSE(hasUserFile("portals/demo/pricelist.xml"));
    // On disk too.
    EXPECT_EQ(readUserFile("user.ini").find("Account"), std::string::npos);
}

TEST_F(AccountSettingsTest, APortalIdThatIsNoDnsLabelIsNeverStoredNorAddressed)
{
    leaveDemoContent();
    auto sneaky = fjord;
    sneaky.portalId = "../x";
    EXPECT_THROW(AccountSettings::store(configuration, sneaky), Quorvel::ResponseException);
    EXPECT_EQ(AccountSettings::read(configuration).portalId, "demo");
    EXPECT_TRUE(hasUserFile("portals/demo/pricelist.xml"));
    EXPECT_FALSE(sneaky.exists());
    EXPECT_THROW(AccountSettings::portalAddress(configuration, sneaky), Quorvel::ResponseException);
    EXPECT_THROW(AccountSettings::portalFolder("../x"), Quorvel::ResponseException);

    const auto address = AccountSettings::portalAddress(configuration, fjord);
    EXPECT_EQ(address.host, "fjord.portal.vistrelle.net");
    EXPECT_EQ(address.port, 80);
    EXPECT_EQ(address.user, "a-17");
}

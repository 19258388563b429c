#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include <sys/stat.h>

#include "ScratchDir.h"
#include "system/ConfigFile.h"
#include "system/Configuration.h"
#include "system/Environment.h"

using Quorvel::ConfigFile;

class ConfigFileTest : public ::testing::Test {
protected:
    ScratchDir dir;
    wxString path() const { return dir / "settings.ini"; }
};

TEST_F(ConfigFileTest, KeysIgnoreLetterCase)
{
    {
        ConfigFile config(path());
        config.writeString("Account/Portalid", "p1");
    }
    ConfigFile config(path());
    wxString value;
    EXPECT_TRUE(config.readString("Account/PortalId", value));
    EXPECT_EQ(value, "p1");
    EXPECT_TRUE(config.hasEntry("ACCOUNT/portalID"));
    EXPECT_TRUE(config.hasEntry("account"));
}

TEST_F(ConfigFileTest, TypedValuesRoundTripThroughTheFile)
{
    {
        ConfigFile config(path());
        config.writeBool("A/Bool", true);
        config.writeInt("A/Int", -7);
        config.writeLong("A/Long", 2147483647L);
        config.writeString("A/Text", wxString::FromUTF8("C:\\Bilder\\Ærø $HOME"));
    }
    ConfigFile config(path());
    bool b = false;
    int i = 0;
    long l = 0;
    wxString s;
    EXPECT_TRUE(config.readBool("A/Bool", b));
    EXPECT_TRUE(config.readInt("A/Int", i));
    EXPECT_TRUE(config.readLong("A/Long", l));
    EXPECT_TRUE(config.readString("A/Text", s));
    EXPECT_TRUE(b);
    EXPECT_EQ(i, -7);
    EXPECT_EQ(l, 2147483647L);
    // Neither the backslashes nor "$HOME" may change on the way: no variable is expanded.
    EXPECT_EQ(s, wxString::FromUTF8("C:\\Bilder\\Ærø $HOME"));
}

TEST_F(ConfigFileTest, DatesAreLocalTimeInTheFixedFormat)
{
    const wxDateTime when(14, wxDateTime::Mar, 2006, 9, 5, 0);
    {
        ConfigFile config(path());
        config.writeDate("PriceList/UpdateTime", when);
    }
    EXPECT_NE(dir.readFile("settings.ini").find("UpdateTime=2006-03-14T09:05:00"),
              std::string::npos);
    ConfigFile config(path());
    wxDateTime read;
    ASSERT_TRUE(config.readDate("PriceList/UpdateTime", read));
    EXPECT_EQ(read, when);

    // A malformed date counts as absent.
    dir.writeFile("malformed.ini",
                  "[News]\nUpdateTime=yesterday\nExpiryTime=2006-03-14T09:05:00junk\n");
    ConfigFile malformed(dir / "malformed.ini");
    const wxDateTime fallback(1, wxDateTime::Jan, 2000);
    EXPECT_FALSE(malformed.readDate("News/UpdateTime", read));
    EXPECT_FALSE(malformed.readDate("News/ExpiryTime", read, fallback));
    EXPECT_EQ(read, fallback);
}

TEST_F(ConfigFileTest, LocalisedEntryWinsOverPlainOne)
{
    dir.writeFile("settings.ini",
                  "[Application]\nShortName=Vistrelle\nShortName[nb_NO]=Vistrelle Norsk\n");
    ConfigFile config(path());
    ConfigFile::setLocaleName("nb_NO");
    wxString name;
    EXPECT_TRUE(config.readLocalisedString("Application/ShortName", name));
    EXPECT_EQ(name, "Vistrelle Norsk");
    ConfigFile::setLocaleName("de_DE");
    EXPECT_TRUE(config.readLocalisedString("Application/ShortName", name));
    EXPECT_EQ(name, "Vistrelle");
    EXPECT_FALSE(config.readLocalisedString("Application/Name", name, "fallback"));
    EXPECT_EQ(name, "fallback");
    ConfigFile::setLocaleName(wxString());
}

TEST_F(ConfigFileTest, PrivateFileIsReadableByTheUserOnly)
{
    {
        ConfigFile config(path(), ConfigFile::Privacy::Private);
        config.writeString("Account/Password", "00ff");
    }
    struct stat info {};
    ASSERT_EQ(stat(path().utf8_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0077, 0u);
}

class ConfigurationTest : public ::testing::Test {
protected:
    ConfigurationTest() { Quorvel::Environment::init("vistrelle", dir.path() + "program"); }
    ScratchDir dir{ScratchDir::AsHome};
};

TEST_F(ConfigurationTest, MissingUserConfigGivesEmptyAccountAndNewInstallId)
{
    wxString id;
    {
        Quorvel::Configuration configuration;
        wxString account = "unchanged";
        configuration.getUserConfig().readString("Account/AccountId", account, wxString());
        EXPECT_EQ(account, "");
        id = configuration.getInstallId();
        EXPECT_EQ(id.length(), 36u);
        EXPECT_EQ(configuration.getInstallId(), id);
        configuration.flushUserConfig();
    }
    Quorvel::Configuration reopened;
    EXPECT_EQ(reopened.getInstallId(), id);
}

TEST_F(ConfigurationTest, ExitFlushWaitsForAWriteInProgressOnAnotherThread)
{
    Quorvel::Configuration configuration;
    configuration.getUserConfig().writeString("Account/AccountId", "a1");
    std::future<void> flushed;
    {
        // Another thread in the middle of a write holds the shared lock.
        std::lock_guard<std::recursive_mutex> writing(ConfigFile::getSharedLock());
        flushed = std::async(std::launch::async, [&] { configuration.flushUserConfig(); });
        EXPECT_EQ(flushed.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    }
    flushed.get();
    EXPECT_NE(dir.readFile(".local/share/vistrelle/user.ini").find("AccountId=a1"),
              std::string::npos);
}

TEST_F(ConfigurationTest, InstallIdOfWrongLengthIsReplaced)
{
    for (const wxString& stored : {wxString('a', 35), wxString('a', 37)}) {
        Quorvel::Configuration configuration;
        configuration.getUserConfig().writeString("Application/InstallId", stored);
        const wxString id = configuration.getInstallId();
        EXPECT_EQ(id.length(), 36u);
        EXPECT_NE(id, stored);
        wxString kept;
        configuration.getUserConfig().readString("Application/InstallId", kept);
        EXPECT_EQ(kept, id);
    }
}

TEST_F(ConfigurationTest, PasswordIsStoredScrambledOnly)
{
    const wxString password = wxString::FromUTF8("hemmelig-ø$1");
    {
        Quorvel::Configuration configuration;
        configuration.writePassword(password);
        EXPECT_EQ(configuration.readPassword(), password);
    }
    const std::string file = dir.readFile(".local/share/vistrelle/user.ini");
    EXPECT_EQ(file.find("hemmelig"), std::string::npos);
    EXPECT_NE(file.find("Password="), std::string::npos);
}

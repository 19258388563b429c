#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "ProviderStore.h"
#include "RawDatabase.h"
#include "ScratchDir.h"
#include "StorageStore.h"

using Provider::ProviderStore;
using Provider::StorageStore;

namespace {

// A store whose clock the test sets.
class StorageStoreTest : public ::testing::Test {
protected:
    StorageStoreTest()
        : m_store(std::string((dir / "provider.db").utf8_str()), [this] { return clock; })
    {
    }
    StorageStore& storage() { return m_store.storage(); }
    StorageStore::File file(const StorageStore::Folder& folder, const std::string& ref,
                            int64_t slots)
    {
        StorageStore::File file;
        file.folderUuid = folder.serverUuid;
        file.clientRef = ref;
        file.name = ref;
        file.slots = slots;
        return storage().addFile("anna", file);
    }

    ScratchDir dir;
    std::time_t clock = 1700000000;

private:
    ProviderStore m_store;
};

} // namespace

// A client keeps the folder's update time and compares it for equality: two changes in the
// same second must still give two times.
TEST_F(StorageStoreTest, AFoldersUpdateTimeGrowsWithEveryChangeEvenWithinOneSecond)
{
    const auto folder = storage().ensureFolder("anna", "ssfolder://a", "Summer");
    EXPECT_EQ(folder.updateTime, clock);
    const auto a = file(folder, "ssfile://a.jpg", 1);
    const auto afterAdd = storage().findFolder("anna", folder.serverUuid, "")->updateTime;
    EXPECT_EQ(afterAdd, clock + 1);
    storage().removeFile("anna", a);
    EXPECT_EQ(storage().findFolder("anna", "", "ssfolder://a")->updateTime, clock + 2);
    EXPECT_EQ(storage().updateTime("anna"), clock + 2);
    // Once the clock is ahead it is the clock's time again.
    clock += 100;
    file(folder, "ssfile://b.jpg", 1);
    EXPECT_EQ(storage().updateTime("anna"), clock);
    EXPECT_EQ(storage().updateTime("someone else"), 0);
}

TEST_F(StorageStoreTest, FoldersAndFilesAreTheAccountsOwnAndTheirReferencesUnique)
{
    const auto folder = storage().ensureFolder("anna", "ssfolder://a", "Summer");
    // Asking again gives the same folder, not a second one.
    EXPECT_EQ(storage().ensureFolder("anna", "ssfolder://a", "Other").serverUuid,
              folder.serverUuid);
    const auto other = storage().ensureFolder("anna", "ssfolder://b", "Winter");
    EXPECT_FALSE(storage().setFolderClientRef("anna", other.serverUuid, "ssfolder://a"));
    EXPECT_TRUE(storage().setFolderClientRef("anna", other.serverUuid, "ssfolder://c"));
    // Another account's folder of the same reference is its own.
    const auto bens = storage().ensureFolder("ben", "ssfolder://a", "Ben's");
    EXPECT_NE(bens.serverUuid, folder.serverUuid);
    EXPECT_FALSE(storage().findFolder("ben", folder.serverUuid, ""));
    EXPECT_EQ(storage().folders("anna").size(), 2u);

    file(folder, "ssfile://a.jpg", 2);
    const auto b = file(other, "ssfile://b.jpg", 3);
    EXPECT_FALSE(storage().setFileClientRef("anna", b.serverUuid, "ssfile://a.jpg"));
    EXPECT_EQ(storage().usedSlots("anna"), 5);
    EXPECT_EQ(storage().fileCount("anna"), 2);
    EXPECT_EQ(storage().usedSlots("ben"), 0);
    storage().moveFile("anna", b, folder.serverUuid, 1234);
    EXPECT_EQ(storage().files("anna", folder.serverUuid).size(), 2u);
    EXPECT_EQ(storage().findFile("anna", b.serverUuid, "")->lastOperationTime, 1234);
}

TEST_F(StorageStoreTest, AFileIsAddedWithinTheSlotLimitOrNotAtAll)
{
    const auto folder = storage().ensureFolder("anna", "ssfolder://a", "Summer");
    file(folder, "ssfile://a.jpg", 3);
    StorageStore::File more;
    more.folderUuid = folder.serverUuid;
    more.clientRef = "ssfile://b.jpg";
    more.slots = 2;
    EXPECT_FALSE(storage().addFileWithin("anna", more, 4));
    EXPECT_EQ(storage().fileCount("anna"), 1);
    const auto added = storage().addFileWithin("anna", more, 5);
    ASSERT_TRUE(added);
    EXPECT_FALSE(added->serverUuid.empty());
    EXPECT_EQ(storage().usedSlots("anna"), 5);
}

TEST_F(StorageStoreTest, ASubscriptionIsConfirmedOnceAndEndsWhenItExpires)
{
    StorageStore::Subscription offer;
    offer.type = "rented";
    offer.slots = 100;
    offer.period = "1";
    offer.price = 9.9;
    offer.currency = "EUR";
    const std::string id = storage().addSubscription("anna", offer);
    EXPECT_EQ(storage().leasedSlots("anna"), 0);
    const auto first = storage().confirmSubscription("anna", id, 1000);
    EXPECT_EQ(first.expires, clock + 1000);
    EXPECT_DOUBLE_EQ(first.price, 9.9);
    clock += 10;
    // A second confirmation (a retry) neither adds slots nor moves the expiry.
    EXPECT_EQ(storage().confirmSubscription("anna", id, 1000).expires, first.expires);
    EXPECT_EQ(storage().leasedSlots("anna"), 100);
    EXPECT_THROW(storage().confirmSubscription("ben", id, 1000), Provider::StoreError);
    clock += 1000;
    EXPECT_EQ(storage().leasedSlots("anna"), 0);
    EXPECT_TRUE(storage().activeSubscriptions("anna").empty());
}

// The slots in use are kept as files come, change and go, and a store written before they were
// kept has them worked out from its files when it is opened.
TEST_F(StorageStoreTest, SlotsInUseFollowEveryChangeAndAreMadeForAnOlderStore)
{
    const auto folder = storage().ensureFolder("anna", "ssfolder://a", "Summer");
    const auto a = file(folder, "ssfile://a.jpg", 2);
    auto b = file(folder, "ssfile://b.jpg", 3);
    b.slots = 7;
    storage().saveFile("anna", b);
    EXPECT_EQ(storage().usedSlots("anna"), 9);
    storage().removeFile("anna", a);
    EXPECT_EQ(storage().usedSlots("anna"), 7);
    storage().ensureFolder("ben", "ssfolder://a", "Ben's");

    const std::string path((dir / "provider.db").utf8_str());
    {
        RawDatabase db(path);
        for (const char* trigger : {"added", "removed", "changed"})
            db.exec(std::string("DROP TRIGGER ssfiles_slots_") + trigger);
        db.exec("DROP TABLE ssslotsused");
        db.exec("UPDATE ssfiles SET slots = 4");
    }
    ProviderStore reopened(path);
    EXPECT_EQ(reopened.storage().usedSlots("anna"), 4);
    EXPECT_EQ(reopened.storage().usedSlots("ben"), 0);
}

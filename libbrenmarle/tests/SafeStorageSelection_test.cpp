#include <gtest/gtest.h>

#include "safestorage/SafeStorageSelection.h"
#include "system/Exceptions.h"

using Brenmarle::SafeStorageSelection;
using Picture = SafeStorageSelection::Picture;

namespace {

const char* const ACCOUNT = "acc-1";

Picture picture(int64_t size, int32_t type = 0, int32_t revision = 0, int32_t fileTime = 100,
                int32_t metaTime = 100, const wxString& account = ACCOUNT)
{
    Picture result;
    result.uri = "album://0b6c3e38-6d43-4c52-9a6e-1d6f0f3c2a11/p.jpg";
    result.size = size;
    result.storageType = type;
    result.accountId = type ? account : wxString();
    result.revision = revision;
    result.fileModifyTime = fileTime;
    result.metaModifyTime = metaTime;
    return result;
}

} // namespace

TEST(SafeStorageSelection, SlotsAreTheSizeRoundedUpToWholeSlots)
{
    // 1.2, 0.5 and 2.1 slot sizes need 2 + 1 + 3 slots.
    SafeStorageSelection selection({picture(1200), picture(500), picture(2100)}, ACCOUNT);
    EXPECT_EQ(selection.slotsNeeded(1000), 6);
    EXPECT_EQ(selection.getTotalSize(), 3800);
    // Exactly full slots take no extra one; an empty file still takes the one the service
    // counts for it.
    EXPECT_EQ(SafeStorageSelection::slotsFor(1000, 1000), 1);
    EXPECT_EQ(SafeStorageSelection::slotsFor(1001, 1000), 2);
    EXPECT_EQ(SafeStorageSelection::slotsFor(0, 1000), 1);
    // Sizes near the 32-bit limit do not wrap.
    EXPECT_EQ(SafeStorageSelection::slotsFor(INT32_MAX, 1), INT32_MAX);
    EXPECT_EQ(SafeStorageSelection::slotsFor(INT32_MAX, INT32_MAX), 1);
    // A service that names no slot size gets a clear error, not a division by zero.
    EXPECT_THROW(SafeStorageSelection::slotsFor(10, 0), Quorvel::ResponseException);
    EXPECT_THROW(selection.slotsNeeded(-5), Quorvel::ResponseException);
}

TEST(SafeStorageSelection, OnlyPicturesNotStoredForTheAccountNeedSlots)
{
    SafeStorageSelection selection({picture(1500),                   // not stored
                                    picture(1500, 1, 0),             // waiting
                                    picture(1500, 1, 100, 200, 100), // file changed
                                    picture(1500, 2, 100, 100, 300), // metadata changed
                                    picture(1500, 1, 100),           // stored
                                    picture(1500, 1, 100, 100, 100, "other-account")},
                                   ACCOUNT);
    EXPECT_EQ(selection.count(SafeStorageSelection::NOT_STORED), 2);
    EXPECT_EQ(selection.count(SafeStorageSelection::WAITING), 1);
    EXPECT_EQ(selection.count(SafeStorageSelection::TO_BE_UPDATED), 2);
    EXPECT_EQ(selection.count(SafeStorageSelection::STORED), 1);
    EXPECT_EQ(selection.getNotStored().size(), 2u);
    EXPECT_EQ(selection.slotsNeeded(1000), 4);
    // Without an account nothing counts as stored.
    SafeStorageSelection noAccount({picture(10, 1, 100)}, wxString());
    EXPECT_EQ(noAccount.count(SafeStorageSelection::NOT_STORED), 1);
}

TEST(SafeStorageSelection, OnlyPicturesOfAlbumsAndTheInboxCanBeStored)
{
    for (const wxString good : {"album://0b6c3e38/p.jpg", "inbox://p.jpg"})
        EXPECT_TRUE(SafeStorageSelection::isStorable(good)) << good;
    for (const wxString bad :
         {"file:///home/anna/p.jpg", "album:///p.jpg", "album://id/", "album://id",
          "album://id/sub/p.jpg", "inbox://", "inbox://sub/p.jpg", "shared://x/p.jpg", ""})
        EXPECT_FALSE(SafeStorageSelection::isStorable(bad)) << bad;
    Picture onDisk = picture(10);
    onDisk.uri = "file:///home/anna/p.jpg";
    EXPECT_FALSE(SafeStorageSelection({picture(10), onDisk}, ACCOUNT).allStorable());
    EXPECT_TRUE(SafeStorageSelection({picture(10)}, ACCOUNT).allStorable());
}

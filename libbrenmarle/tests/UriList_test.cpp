#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "files/UriList.h"

using Brenmarle::UriList;

TEST(UriList, KeepsOrderAndOneEntryPerUriThroughAdditionsRemovalsAndMoves)
{
    UriList list;
    for (int i = 0; i < 1000; ++i)
        EXPECT_TRUE(list.add(wxString::Format("album://a/%04d.jpg", i)));
    EXPECT_FALSE(list.add(wxS("album://a/0007.jpg")));
    EXPECT_TRUE(list.remove(wxS("album://a/0000.jpg")));
    EXPECT_TRUE(list.remove(wxS("album://a/0500.jpg")));
    EXPECT_FALSE(list.remove(wxS("album://a/0500.jpg")));
    EXPECT_TRUE(list.add(wxS("album://a/0000.jpg"))); // back, at the end

    // The order refers into the look-up set: it must survive the set growing and the list
    // being moved, as an album's list is at load.
    UriList moved = std::move(list);
    const std::vector<wxString> uris = moved.toVector();
    ASSERT_EQ(uris.size(), 999u);
    EXPECT_EQ(uris.front(), "album://a/0001.jpg");
    EXPECT_EQ(uris[498], "album://a/0499.jpg");
    EXPECT_EQ(uris[499], "album://a/0501.jpg");
    EXPECT_EQ(uris.back(), "album://a/0000.jpg");
    EXPECT_TRUE(moved.contains(wxS("album://a/0999.jpg")));
    EXPECT_FALSE(moved.contains(wxS("album://a/0500.jpg")));
    EXPECT_EQ(moved.find(Quorvel::CompactString(wxS("album://a/0001.jpg"))), moved.order().front());
}

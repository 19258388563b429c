#include <gtest/gtest.h>

#include "files/Uri.h"

using Brenmarle::Uri;

TEST(Uri, FolderSchemeAndFilePart)
{
    const wxString uuid = "0f8fad5b-d9cb-469f-a165-70867728950e";
    EXPECT_EQ(Uri::folderOf("inbox://" + uuid), "inbox://");
    EXPECT_EQ(Uri::folderOf("album://" + uuid + "/"), "album://" + uuid + "/");
    EXPECT_EQ(Uri::folderOf("file:///home/a/b.jpg"), "file:///home/a/");
    EXPECT_EQ(Uri::filePartOf("file:///home/a/b.jpg"), "b.jpg");
    EXPECT_EQ(Uri::schemeOf("nvtemp://x"), "nvtemp");
    EXPECT_EQ(Uri::schemeOf("no-scheme"), "");
}

TEST(Uri, ManagedSchemes)
{
    EXPECT_TRUE(Uri::isManaged("album://x/"));
    EXPECT_TRUE(Uri::isManaged("inbox://"));
    EXPECT_TRUE(Uri::isManaged("temp://a.jpg"));
    EXPECT_FALSE(Uri::isManaged("nvtemp://a.jpg"));
    EXPECT_FALSE(Uri::isManaged("file:///a.jpg"));
}

TEST(Uri, LocalPathsRoundTrip)
{
    EXPECT_EQ(Uri::fromLocalPath("/home/åse/a b.jpg"), "file:///home/åse/a b.jpg");
    EXPECT_EQ(Uri::fromLocalPath("C:\\Pictures\\x.jpg"), "file://C:/Pictures/x.jpg");
    EXPECT_EQ(Uri::toLocalPath(Uri::fromLocalPath("/tmp/x.jpg")), "/tmp/x.jpg");
    EXPECT_EQ(Uri::toLocalPath("inbox://x"), "");
}

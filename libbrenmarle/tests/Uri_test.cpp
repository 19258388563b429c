#include <gtest/gtest.h>

#include "files/Uri.h"

using Brenmarle::Uri;

TEST(Uri, LocalPathsRoundTrip)
{
    EXPECT_EQ(Uri::fromLocalPath("/home/åse/a b.jpg"), "file:///home/åse/a b.jpg");
    // A backslash is part of a Linux file name, not a separator.
    EXPECT_EQ(Uri::fromLocalPath("/home/u/a\\b.jpg"), "file:///home/u/a\\b.jpg");
    EXPECT_EQ(Uri::toLocalPath("file:///home/u/a\\b.jpg"), "/home/u/a\\b.jpg");
    EXPECT_EQ(Uri::toLocalPath(Uri::fromLocalPath("/tmp/x.jpg")), "/tmp/x.jpg");
    EXPECT_EQ(Uri::toLocalPath("inbox://x"), "");
}

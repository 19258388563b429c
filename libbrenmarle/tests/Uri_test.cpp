#include <gtest/gtest.h>

#include "files/Uri.h"

using Brenmarle::Uri;

TEST(Uri, LocalPathsRoundTrip)
{
    EXPECT_EQ(Uri::fromLocalPath("/home/åse/a b.jpg"), "file:///home/åse/a b.jpg");
    EXPECT_EQ(Uri::fromLocalPath("C:\\Pictures\\x.jpg"), "file://C:/Pictures/x.jpg");
    EXPECT_EQ(Uri::toLocalPath(Uri::fromLocalPath("/tmp/x.jpg")), "/tmp/x.jpg");
    EXPECT_EQ(Uri::toLocalPath("inbox://x"), "");
}

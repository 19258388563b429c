#include <gtest/gtest.h>

#include "files/StoragePaths.h"
#include "system/Exceptions.h"

using Brenmarle::StoragePaths;

namespace {
const wxString UUID = "0f8fad5b-d9cb-469f-a165-70867728950e";
}

TEST(StoragePaths, ManagedFilesThumbnailsAndResizedCopies)
{
    const StoragePaths paths("/data");
    const wxString uri = "inbox://" + UUID;
    EXPECT_EQ(paths.managedFile(uri), "/data/archive/0f8/" + UUID + ".vsaf");
    EXPECT_EQ(paths.managedThumbnail(uri, 1121365805), "/data/thumbnails/0f8/" + UUID + "+1121365805.vstf");
    EXPECT_EQ(paths.managedResized(uri, 7, 1024, 768), "/data/resized/1024x768/0f8/" + UUID + "+7.vstf");
    // Moving a file between albums keeps its UUID and so its storage.
    EXPECT_EQ(paths.managedFile("album://" + UUID + "/" + UUID), paths.managedFile(uri));
}

TEST(StoragePaths, UriWithoutUuidIsRefused)
{
    const StoragePaths paths("/data/");
    for (const wxString& bad : {wxString("inbox://short"), "album://" + UUID + "/x/" + UUID.Mid(2)}) {
        try {
            paths.managedFile(bad);
            FAIL() << bad;
        } catch (const Quorvel::RuntimeException& e) {
            EXPECT_EQ(e.getMessage(), bad + ": URI does not contain file UUID");
        }
    }
}

TEST(StoragePaths, ComputerThumbnailsAreNamedByTheUriDigest)
{
    const StoragePaths paths("/data/");
    const wxString uri = "file:///home/åse/photo.jpg";
    const wxString digest = StoragePaths::uriDigest(uri);
    EXPECT_EQ(paths.computerThumbnail(uri, 5), "/data/fsthumbs3/" + digest.Left(3) + "/" + digest + "+5.vstf");
    EXPECT_EQ(paths.computerResized(uri, 5, 800, 600), "/data/fsresized/800x600/" + digest.Left(3) + "/" + digest + "+5.vstf");
    EXPECT_NE(StoragePaths::uriDigest("file:///a.jpg"), StoragePaths::uriDigest("file:///b.jpg"));
}

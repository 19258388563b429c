// News about files gathered and applied to a list in one pass.

#include <gtest/gtest.h>

#include "filemanager/FileNewsBatch.h"

using Brenmarle::File;
using Brenmarle::FileNewsBatch;
using Quorvel::Ref;

namespace {

std::vector<Ref<File>> makeFiles(int count)
{
    std::vector<Ref<File>> files;
    for (int i = 0; i < count; ++i)
        files.push_back(Quorvel::makeRef<File>(wxString::Format("inbox://%d", i)));
    return files;
}

} // namespace

TEST(FileNewsBatch, RemovesInOnePassKeepingTheOrderAndTellsWhereTheRemovedStood)
{
    const auto files = makeFiles(8);
    auto list = files;
    FileNewsBatch news;
    for (int i : {6, 0, 3, 7})
        news.removed(files[i]);
    news.removed(makeFiles(1).front()); // not in the list: nothing happens
    std::size_t appended = 99;
    EXPECT_EQ(news.apply(list, FileNewsBatch::Keep(), &appended),
              (std::vector<std::size_t>{0, 3, 6, 7}));
    EXPECT_EQ(appended, 0u);
    EXPECT_EQ(list, (std::vector<Ref<File>>{files[1], files[2], files[4], files[5]}));
    EXPECT_EQ(news.removedFiles().size(), 5u);
}

TEST(FileNewsBatch, NewsAboutOneFileKeepsItsOrder)
{
    const auto files = makeFiles(4);
    auto list = std::vector<Ref<File>>{files[0], files[1]};
    FileNewsBatch news;
    news.added(files[2]);
    news.removed(files[2]); // added and removed again: never shows
    news.removed(files[1]);
    news.added(files[1]); // removed and added back: stays, once, where it was
    news.added(files[0]); // already there: not twice
    news.added(files[3]);
    news.added(files[3]);
    EXPECT_TRUE(news.apply(list).empty());
    EXPECT_EQ(list, (std::vector<Ref<File>>{files[0], files[1], files[3]}));

    // A file changed and then removed is no longer a change.
    news.clear();
    EXPECT_TRUE(news.empty());
    news.changed(files[0]);
    news.changed(files[3]);
    news.removed(files[3]);
    EXPECT_TRUE(news.isChanged(*files[0]));
    EXPECT_FALSE(news.isChanged(*files[3]));
    EXPECT_EQ(news.changedFiles(), (std::vector<Ref<File>>{files[0]}));
}

TEST(FileNewsBatch, AddedFilesPassTheListsFilter)
{
    const auto files = makeFiles(3);
    files[1]->setFavorite(true);
    std::vector<Ref<File>> all;
    std::vector<Ref<File>> favourites;
    FileNewsBatch news;
    for (const auto& file : files)
        news.added(file);
    news.apply(all);
    std::size_t appended = 0;
    news.apply(
        favourites, [](const File& file) { return file.isFavorite(); }, &appended);
    EXPECT_EQ(all, files);
    EXPECT_EQ(favourites, (std::vector<Ref<File>>{files[1]}));
    EXPECT_EQ(appended, 1u);
}

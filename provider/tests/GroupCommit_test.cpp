#include <gtest/gtest.h>

#include <sqlite3.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "GroupCommit.h"
#include "ProviderStore.h"
#include "RawDatabase.h"
#include "ScratchDir.h"

using Provider::GroupCommit;
using Provider::ProviderStore;

// Commits that arrive while a flush runs wait for it and then share the next one: four commits,
// two flushes, and none returns before a flush that began after it.
TEST(GroupCommit, CommitsArrivingDuringAFlushShareTheNextOne)
{
    std::mutex lock;
    std::condition_variable changed;
    bool release = false;
    int calls = 0;
    GroupCommit group("unused", [&] {
        std::unique_lock<std::mutex> guard(lock);
        if (++calls == 1) {
            changed.notify_all();
            changed.wait(guard, [&] { return release; });
        }
        return 0;
    });
    std::vector<std::thread> threads;
    std::vector<char> durable(4, 0);
    threads.emplace_back([&] { durable[0] = group.makeDurable(); });
    {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait_for(guard, std::chrono::seconds(10), [&] { return calls == 1; });
    }
    for (int i = 1; i < 4; ++i)
        threads.emplace_back([&, i] { durable[static_cast<size_t>(i)] = group.makeDurable(); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (group.commits() < 4 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_EQ(group.flushes(), 0u);
    {
        std::lock_guard<std::mutex> guard(lock);
        release = true;
    }
    changed.notify_all();
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(group.flushes(), 2u);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(durable, std::vector<char>(4, 1));
}

// A flush that fails fails the statement that committed; the commit itself stands.
TEST(GroupCommit, AFailedFlushFailsTheCommittingStatement)
{
    ScratchDir dir;
    const std::string path((dir / "store.db").utf8_str());
    RawDatabase(path).exec("PRAGMA journal_mode = WAL; CREATE TABLE t (x INTEGER)");
    GroupCommit group(path + "-wal", [] { return EIO; });
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    group.attach(db);
    EXPECT_NE(sqlite3_exec(db, "INSERT INTO t VALUES (1)", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    EXPECT_EQ(RawDatabase(path).number("SELECT COUNT(*) FROM t"), 1);
}

// The stores of one file commit through one group, and the WAL is still checkpointed: after
// more frames than CHECKPOINT_FRAMES it starts again instead of growing with every commit.
TEST(GroupCommit, StoresOfOneFileShareAGroupAndTheWalIsCheckpointed)
{
    ScratchDir dir;
    const std::string path((dir / "provider.db").utf8_str());
    ProviderStore first(path);
    ProviderStore second(path);
    const auto group = GroupCommit::forDatabase(path);
    const uint64_t before = group->commits();
    std::vector<std::thread> writers;
    for (ProviderStore* store : {&first, &second})
        writers.emplace_back([store] {
            for (int i = 0; i < 200; ++i)
                store->createSession("123");
        });
    for (std::thread& writer : writers)
        writer.join();
    EXPECT_GE(group->commits() - before, 400u);
    EXPECT_EQ(RawDatabase(path).number("SELECT COUNT(*) FROM sessions"), 400);

    // Each new session writes two pages (its row and its key): 1,600 frames without a
    // checkpoint.
    for (int i = 0; i < 800; ++i)
        first.createSession("456");
    const auto walBytes = std::filesystem::file_size(path + "-wal");
    EXPECT_LT(walBytes, 1200u * (4096 + 24));
}

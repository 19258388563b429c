#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "threads/ReferenceCounted.h"

using Quorvel::Ref;
using Quorvel::ReferenceCounted;

namespace {

std::atomic<int> g_destroyed{0};

class Counted : public ReferenceCounted {
protected:
    void destroy() override
    {
        ++g_destroyed;
        ReferenceCounted::destroy();
    }
};

class ReferenceCountedTest : public ::testing::Test {
protected:
    ReferenceCountedTest() { g_destroyed = 0; }
};

} // namespace

TEST_F(ReferenceCountedTest, LastReleaseDestroysExactlyOnceAndADropMayKeepTheObject)
{
    auto* object = new Counted;
    EXPECT_EQ(object->getReferenceCount(), 1);
    object->addReference();
    object->release();
    EXPECT_EQ(g_destroyed, 0);
    object->release();
    EXPECT_EQ(g_destroyed, 1);

    auto* kept = new Counted;
    EXPECT_EQ(kept->dropReference(false), 0);
    EXPECT_EQ(g_destroyed, 1);
    kept->addReference();
    kept->release();
    EXPECT_EQ(g_destroyed, 2);
}

TEST_F(ReferenceCountedTest, DroppingToOneCountsAnOrphan)
{
    std::atomic<int32_t> orphans{0};
    Ref<Counted> cache = Ref<Counted>::adopt(new Counted);
    cache->setOrphanCounter(&orphans);
    {
        Ref<Counted> user = cache;
        EXPECT_EQ(cache->getReferenceCount(), 2);
        EXPECT_EQ(orphans, 0);
    }
    EXPECT_EQ(orphans, 1);
    {
        Ref<Counted> first = cache;
        Ref<Counted> second = cache;
    }
    // 3 -> 2 is not an orphan; 2 -> 1 is.
    EXPECT_EQ(orphans, 2);
    cache.reset();
    EXPECT_EQ(g_destroyed, 1);
}

TEST_F(ReferenceCountedTest, RefCopiesMovesAndAssignments)
{
    Ref<Counted> a = Quorvel::makeRef<Counted>();
    Ref<Counted> b = a;
    Ref<Counted> c;
    c = b;
    EXPECT_EQ(a->getReferenceCount(), 3);
    Ref<Counted> d = std::move(c);
    EXPECT_FALSE(c);
    EXPECT_EQ(a->getReferenceCount(), 3);
    d = d; // self-assignment keeps the reference
    EXPECT_EQ(a->getReferenceCount(), 3);
    b = Ref<Counted>();
    d.reset();
    EXPECT_EQ(a->getReferenceCount(), 1);
    a.reset();
    EXPECT_EQ(g_destroyed, 1);
}

TEST_F(ReferenceCountedTest, ConcurrentCopiesDestroyOnceAtTheEnd)
{
    std::atomic<int32_t> orphans{0};
    Ref<Counted> shared = Quorvel::makeRef<Counted>();
    shared->setOrphanCounter(&orphans);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&shared] {
            for (int i = 0; i < 20000; ++i) {
                Ref<Counted> copy = shared;
                copy->addReference();
                copy->release();
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(shared->getReferenceCount(), 1);
    EXPECT_EQ(g_destroyed, 0);
    EXPECT_GT(orphans, 0);
    shared.reset();
    EXPECT_EQ(g_destroyed, 1);
}

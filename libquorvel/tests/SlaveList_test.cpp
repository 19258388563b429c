#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "threads/SlaveList.h"

using Quorvel::Slave;
using Quorvel::SlaveList;

namespace {

class CountedSlave : public Slave {
public:
    CountedSlave(int32_t number, int* deleted) : Slave(number), m_deleted(deleted) {}
    ~CountedSlave() override { ++*m_deleted; }

private:
    int* m_deleted;
};

std::vector<int32_t> drain(SlaveList& list)
{
    std::vector<int32_t> numbers;
    while (auto slave = list.takeFirst())
        numbers.push_back(slave->getFirstNumber());
    return numbers;
}

} // namespace

TEST(SlaveList, InsertPlacesBeforeThePositionAndAppendsBeyondTheEnd)
{
    SlaveList list;
    list.append(std::make_unique<Slave>(1));
    list.append(std::make_unique<Slave>(2));
    list.insert(std::make_unique<Slave>(0), 0);
    list.insert(std::make_unique<Slave>(9), 100);
    list.insert(std::make_unique<Slave>(3), 3);
    EXPECT_EQ(list.size(), 5u);
    EXPECT_EQ(drain(list), (std::vector<int32_t>{0, 1, 2, 3, 9}));
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(list.takeFirst());
}

TEST(SlaveList, OwnsItsSlaves)
{
    int deleted = 0;
    {
        SlaveList list;
        list.append(std::make_unique<CountedSlave>(1, &deleted));
        list.append(std::make_unique<CountedSlave>(2, &deleted));
        EXPECT_TRUE(list.clear());
        EXPECT_EQ(deleted, 2);
        EXPECT_FALSE(list.clear());

        list.append(std::make_unique<CountedSlave>(3, &deleted));
        auto taken = list.takeFirst();
        list.append(std::make_unique<CountedSlave>(4, &deleted));
        EXPECT_EQ(deleted, 2);
    }
    // The taken one went with `taken`, the listed one with the list.
    EXPECT_EQ(deleted, 4);
}

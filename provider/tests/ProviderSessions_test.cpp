#include <gtest/gtest.h>

#include <memory>

#include <sqlite3.h>

#include "ProviderStore.h"
#include "ScratchDir.h"

namespace {

class SessionTest : public ::testing::Test {
protected:
    ScratchDir dir;
    std::time_t time = 1000000;
    std::string path() const { return std::string((dir / "provider.db").utf8_str()); }
    std::unique_ptr<Provider::ProviderStore> store =
        std::make_unique<Provider::ProviderStore>(path(), [this] { return time; });
    // The session's last use as written in the store, read through a connection of its own.
    int64_t writtenUse(const std::string& session)
    {
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open_v2(path().c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        std::unique_ptr<sqlite3, decltype(&sqlite3_close)> owner(db, &sqlite3_close);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, "SELECT lastused FROM sessions WHERE sessionid = ?", -1, &statement,
                           nullptr);
        std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> query(statement,
                                                                         &sqlite3_finalize);
        sqlite3_bind_text(statement, 1, session.c_str(), -1, SQLITE_TRANSIENT);
        return sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : -1;
    }
};

} // namespace

TEST_F(SessionTest, UsesCloseToTheLastWrittenOneWriteNothingAndABusySessionStaysOpen)
{
    const std::string session = store->createSession("123");
    const int64_t created = time;
    // An hour's idle time: uses within a minute of the written one leave it.
    time += 59;
    EXPECT_EQ(store->sessionAccount(session, 3600), "123");
    EXPECT_EQ(writtenUse(session), created);
    time += 1;
    EXPECT_EQ(store->sessionAccount(session, 3600), "123");
    EXPECT_EQ(writtenUse(session), time);

    // Used every half minute for five hours, it never closes.
    for (int use = 0; use < 600; ++use) {
        time += 30;
        ASSERT_EQ(store->sessionAccount(session, 3600), "123") << use;
    }
    // Idle past the limit from the last written use, it closes for good.
    time = writtenUse(session) + 3601;
    EXPECT_FALSE(store->sessionAccount(session, 3600));
    EXPECT_EQ(writtenUse(session), -1);
    // A short idle time renews at every use a second on.
    const std::string brief = store->createSession("456");
    time += 1;
    EXPECT_EQ(store->sessionAccount(brief, 30), "456");
    EXPECT_EQ(writtenUse(brief), time);
}

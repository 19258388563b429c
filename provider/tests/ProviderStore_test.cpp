#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "PasswordHash.h"
#include "ProviderStore.h"
#include "RawDatabase.h"
#include "ScratchDir.h"

using Provider::PasswordHash;
using Provider::ProviderStore;

namespace {

// A store whose time the test sets.
class StoreTest : public ::testing::Test {
protected:
    ScratchDir dir;
    std::time_t time = 1000000;
    std::string path() const { return std::string((dir / "provider.db").utf8_str()); }
    std::unique_ptr<ProviderStore> open()
    {
        return std::make_unique<ProviderStore>(path(), [this] { return time; });
    }
};

} // namespace

TEST_F(StoreTest, StoreOfAnOlderProviderIsBroughtUpToDate)
{
    {
        // The first schema, as an older provider wrote it: passwords in plain text.
        RawDatabase db(path());
        db.exec("CREATE TABLE accounts (accountid TEXT PRIMARY KEY, portalid TEXT NOT NULL, "
                "email TEXT NOT NULL, password TEXT NOT NULL, name TEXT NOT NULL DEFAULT '', "
                "address TEXT NOT NULL DEFAULT '', postalcode TEXT NOT NULL DEFAULT '', "
                "city TEXT NOT NULL DEFAULT '', countrycode TEXT NOT NULL DEFAULT '', "
                "emailaddress TEXT NOT NULL DEFAULT '', mobilephone TEXT NOT NULL DEFAULT '', "
                "receiveemail INTEGER NOT NULL DEFAULT 0, activatedphone TEXT NOT NULL DEFAULT '', "
                "UNIQUE (portalid, email));"
                "CREATE TABLE sessions (sessionid TEXT PRIMARY KEY, accountid TEXT NOT NULL, "
                "created INTEGER NOT NULL);"
                "CREATE TABLE activations (accountid TEXT PRIMARY KEY, phone TEXT NOT NULL, "
                "code TEXT NOT NULL);"
                "INSERT INTO accounts (accountid, portalid, email, password, name) VALUES "
                "('123', 'demo', 'old@example.com', 'old secret', 'Old Customer');"
                "INSERT INTO sessions VALUES ('s1', '123', 999000);"
                "INSERT INTO activations VALUES ('123', '+4711', '424242');");
    }
    std::string hash;
    {
        auto store = open();
        const auto account = store->checkLogin("old@example.com", "old secret");
        ASSERT_TRUE(account);
        EXPECT_EQ(account->id, "123");
        EXPECT_EQ(account->info.name, "Old Customer");
        EXPECT_FALSE(store->checkLogin("old@example.com", "wrong"));
        // The session's last use is its creation: 1000 s ago.
        EXPECT_EQ(store->sessionAccount("s1", 3600), "123");
        EXPECT_EQ(store->takeActivationCode("123", "424242").phone, "+4711");
        RawDatabase db(path());
        hash = db.text("SELECT password FROM accounts");
        EXPECT_TRUE(PasswordHash::isHash(hash)) << hash;
        EXPECT_EQ(db.text("PRAGMA user_version"), std::to_string(ProviderStore::SCHEMA_VERSION));
    }
    // Opened again, nothing is changed a second time.
    open();
    EXPECT_EQ(RawDatabase(path()).text("SELECT password FROM accounts"), hash);
}

TEST_F(StoreTest, PasswordsAreKeptOnlyAsHashes)
{
    auto store = open();
    const auto account = store->createAccount("demo", "bo@example.com", "pass word");
    EXPECT_TRUE(PasswordHash::isHash(account.passwordHash));
    const std::string stored = RawDatabase(path()).text("SELECT password FROM accounts");
    EXPECT_EQ(stored.find("pass word"), std::string::npos) << stored;
    EXPECT_EQ(store->checkLogin(account.id, "pass word")->email, "bo@example.com");
    EXPECT_EQ(store->checkLogin("bo@example.com", "pass word")->id, account.id);
    EXPECT_FALSE(store->checkLogin("bo@example.com", "pass wor"));
    EXPECT_FALSE(store->checkLogin("nobody@example.com", "pass word"));
    // Saving the user information leaves the password alone.
    auto changed = *store->findById(account.id);
    changed.info.city = "Oslo";
    changed.passwordHash = "tampered";
    store->saveAccount(changed);
    EXPECT_TRUE(store->checkLogin(account.id, "pass word"));
    EXPECT_THROW(store->createAccount("demo", "bo@example.com", "other"),
                 Provider::AccountExistsError);
}

TEST_F(StoreTest, SessionsCloseAfterTheIdleLimitAndUseKeepsThemOpen)
{
    auto store = open();
    const std::string session = store->createSession("123");
    EXPECT_EQ(session.size(), 32u);
    EXPECT_NE(store->createSession("123"), session);

    time += 60;
    EXPECT_EQ(store->sessionAccount(session, 60), "123"); // exactly at the limit
    time += 59;
    EXPECT_EQ(store->sessionAccount(session, 60), "123"); // renewed by the use before
    time += 61;
    EXPECT_FALSE(store->sessionAccount(session, 60));
    // Closed for good, even for a caller that allows more idle time.
    EXPECT_FALSE(store->sessionAccount(session, 3600));
    EXPECT_FALSE(store->sessionAccount("unknown", 3600));

    const std::string other = store->createSession("456");
    store->closeSession(other);
    EXPECT_FALSE(store->sessionAccount(other, 3600));
}

// Every request checks its session, so a burst of requests must not queue for the write lock
// behind another worker's commit just to renew it again within the same second.
TEST_F(StoreTest, SessionUsedAgainInItsSecondIsAnsweredWhileAnotherWriterHoldsTheLock)
{
    auto store = open();
    const std::string session = store->createSession("123");
    RawDatabase other(path());
    other.exec("BEGIN IMMEDIATE");
    EXPECT_EQ(store->sessionAccount(session, 60), "123");
    other.exec("ROLLBACK");
    time += 1;
    EXPECT_EQ(store->sessionAccount(session, 60), "123");
    EXPECT_EQ(RawDatabase(path()).text("SELECT lastused FROM sessions"), std::to_string(time));
}

TEST_F(StoreTest, ActivationCodeAllowsAFewWrongTries)
{
    using Activation = ProviderStore::Activation;
    auto store = open();
    EXPECT_EQ(store->takeActivationCode("123", "1").outcome, Activation::NonePending);

    store->setActivationCode("123", "+4711", "123456");
    for (int i = 0; i + 1 < ProviderStore::ACTIVATION_TRIES; ++i)
        EXPECT_EQ(store->takeActivationCode("123", "000000").outcome, Activation::WrongCode);
    // Blanks and letter case do not count against the caller.
    const auto activated = store->takeActivationCode("123", " 123 456 ");
    EXPECT_EQ(activated.outcome, Activation::Activated);
    EXPECT_EQ(activated.phone, "+4711");
    EXPECT_EQ(store->takeActivationCode("123", "123456").outcome, Activation::NonePending);

    store->setActivationCode("123", "+4722", "654321");
    for (int i = 0; i + 1 < ProviderStore::ACTIVATION_TRIES; ++i)
        store->takeActivationCode("123", "000000");
    EXPECT_EQ(store->takeActivationCode("123", "000000").outcome, Activation::UsedUp);
    // Used up: the right code comes too late.
    EXPECT_EQ(store->takeActivationCode("123", "654321").outcome, Activation::NonePending);
    EXPECT_FALSE(store->activationCode("123"));

    // A new code starts the count again.
    store->setActivationCode("123", "+4722", "111111");
    store->takeActivationCode("123", "000000");
    store->setActivationCode("123", "+4722", "222222");
    for (int i = 0; i + 1 < ProviderStore::ACTIVATION_TRIES; ++i)
        store->takeActivationCode("123", "000000");
    EXPECT_EQ(store->takeActivationCode("123", "222222").outcome, Activation::Activated);
}

TEST_F(StoreTest, TokenIsUsedOnceAndOnlyWithinItsLifetime)
{
    auto store = open();
    const std::string token = store->createToken("KEMPT", 600);
    EXPECT_EQ(token.size(), 32u);
    // Letter case and blanks do not count against the person typing.
    time += 599;
    EXPECT_TRUE(store->takeToken(token, " kem pt", 600));
    EXPECT_FALSE(store->takeToken(token, "KEMPT", 600));

    const std::string late = store->createToken("LATER", 600);
    time += 600;
    EXPECT_FALSE(store->takeToken(late, "LATER", 600));
    EXPECT_FALSE(store->tokenText(late));

    // Tokens fetched and never tried go when a new one is made after their lifetime.
    const std::string forgotten = store->createToken("NEVER", 600);
    time += 601;
    store->createToken("FRESH", 600);
    EXPECT_FALSE(store->tokenText(forgotten));
    EXPECT_EQ(RawDatabase(path()).text("SELECT count(*) FROM tokens"), "1");
}

TEST_F(StoreTest, OneAccountPerPortalAndAddressWhateverItsLetterCase)
{
    auto store = open();
    const auto demo = store->createAccount("demo", "Bo@Example.com", "demo pass");
    EXPECT_THROW(store->createAccount("demo", "bo@example.COM", "other"),
                 Provider::AccountExistsError);
    EXPECT_EQ(store->findAccount("demo", "BO@EXAMPLE.COM")->id, demo.id);
    // The same address on another portal is another account, with a password of its own.
    const auto fjord = store->createAccount("fjord", "bo@example.com", "fjord pass");
    EXPECT_NE(fjord.id, demo.id);

    // On a portal, its own account logs in, by address (any case) or id.
    EXPECT_EQ(store->checkLogin("bo@example.com", "demo pass", "demo")->id, demo.id);
    EXPECT_EQ(store->checkLogin("BO@example.com", "fjord pass", "fjord")->id, fjord.id);
    EXPECT_FALSE(store->checkLogin("bo@example.com", "demo pass", "fjord"));
    EXPECT_EQ(store->checkLogin(fjord.id, "fjord pass", "fjord")->id, fjord.id);
    EXPECT_FALSE(store->checkLogin(demo.id, "demo pass", "fjord"));
    // With no portal named, an id counts anywhere, an address only where it is not ambiguous.
    EXPECT_EQ(store->checkLogin(demo.id, "demo pass")->id, demo.id);
    EXPECT_FALSE(store->checkLogin("bo@example.com", "demo pass"));
    const auto only = store->createAccount("fjord", "cy@example.com", "cy pass");
    EXPECT_EQ(store->checkLogin("CY@example.com", "cy pass")->id, only.id);
}

TEST_F(StoreTest, OlderStoreWithAddressesDifferingInCaseIsLeftAsItWas)
{
    {
        auto store = open();
        store->createAccount("demo", "bo@example.com", "one");
        RawDatabase db(path());
        // As a provider of schema 1 could have written them.
        db.exec("DROP INDEX accounts_portal_email; PRAGMA user_version = 1;"
                "INSERT INTO accounts (accountid, portalid, email, password) "
                "VALUES ('2', 'demo', 'BO@example.com', 'x');");
    }
    try {
        open();
        ADD_FAILURE() << "opened";
    } catch (const Provider::StoreError& e) {
        EXPECT_NE(std::string(e.what()).find("differ only in letter case"), std::string::npos)
            << e.what();
    }
    RawDatabase db(path());
    EXPECT_EQ(db.text("PRAGMA user_version"), "1");
    EXPECT_EQ(db.text("SELECT count(*) FROM accounts"), "2");
}

TEST(ProviderStore, OrdersBelongToTheirSessionAndConfirmOnce)
{
    ScratchDir dir;
    ProviderStore store(std::string((dir / "p.db").utf8_str()));
    EXPECT_FALSE(store.sessionOrder("s1"));
    const std::string first = store.createOrder("acc", "s1", "list");
    const std::string second = store.createOrder("acc", "s1", "list");
    EXPECT_NE(first, second);
    // The session goes on with its newest order; another session sees none of them.
    EXPECT_EQ(store.sessionOrder("s1")->id, second);
    EXPECT_FALSE(store.sessionOrder("s2"));

    store.setOrderDetails(second, "<order/>", 2100000, {{"file://a.jpg", 5, 6, "", false}});
    auto order = store.sessionOrder("s1");
    EXPECT_EQ(order->state, ProviderStore::StoredOrder::Priced);
    EXPECT_EQ(order->totalUnits, 2100000);
    EXPECT_EQ(store.confirmOrder(second), second);
    // Confirming again, also from another connection, gives the same id.
    ProviderStore other(std::string((dir / "p.db").utf8_str()));
    EXPECT_EQ(other.confirmOrder(second), second);
    EXPECT_EQ(store.sessionOrder("s1")->state, ProviderStore::StoredOrder::Confirmed);
}

TEST(ProviderStore, PaymentsEndAsTheirOutcomeSaysAndOnlyUnconfirmedOnesAreVoided)
{
    ScratchDir dir;
    std::time_t now = 1000;
    ProviderStore store(std::string((dir / "p.db").utf8_str()), [&now] { return now; });
    ProviderStore::Payment order;
    order.orderId = "o1";
    order.amountUnits = 1800000;
    order.currency = "EUR";
    const std::string paid = store.createPayment(order);
    const std::string confirmed = store.createPayment(order);
    const std::string waiting = store.createPayment(order);
    EXPECT_EQ(store.findPayment(paid)->status, "TR_OPEN");

    // Two pending polls, then processed; details sent again change nothing.
    store.takePaymentDetails(paid, 1, ProviderStore::Payment::Processed, 2);
    EXPECT_EQ(store.takePaymentDetails(paid, 2, ProviderStore::Payment::Failed, 0).optionId, 1);
    EXPECT_EQ(store.pollPayment(paid).status, "TR_PENDING");
    EXPECT_EQ(store.pollPayment(paid).status, "TR_PENDING");
    EXPECT_EQ(store.pollPayment(paid).status, "TR_PROCESSED");
    EXPECT_EQ(store.pollPayment(paid).status, "TR_PROCESSED");
    store.takePaymentDetails(confirmed, 1, ProviderStore::Payment::Processed, 0);
    store.pollPayment(confirmed);
    EXPECT_TRUE(store.acknowledgePayment(confirmed));
    EXPECT_FALSE(store.acknowledgePayment(waiting));

    // Nothing has waited long enough at 1000; the paid one changed at 1000, the open one never.
    EXPECT_TRUE(store.voidStalePayments(1000).empty());
    now = 2000;
    store.takePaymentDetails(waiting, 1, ProviderStore::Payment::Pending, 0);
    const auto voided = store.voidStalePayments(1500);
    EXPECT_EQ(voided, std::vector<std::string>{paid});
    EXPECT_EQ(store.findPayment(paid)->status, "TR_VOIDED");
    EXPECT_EQ(store.findPayment(confirmed)->status, "TR_PROCESSED");
    EXPECT_EQ(store.findPayment(waiting)->status, "TR_PENDING");
    // A voided payment is never acknowledged.
    EXPECT_FALSE(store.acknowledgePayment(paid));
    const auto log = store.paymentLog(paid);
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log.back().oldStatus, "TR_PROCESSED");
    EXPECT_EQ(log.back().newStatus, "TR_VOIDED");
}

TEST(ProviderStore, AFileHeldOnceKeepsItsIdInLaterOrders)
{
    ScratchDir dir;
    ProviderStore store(std::string((dir / "p.db").utf8_str()));
    const std::string order = store.createOrder("acc", "s1", "list");
    const std::vector<ProviderStore::OrderFile> files = {{"file://a.jpg", 5, 6, "", false},
                                                         {"nvtemp://b.jpg", 7, 8, "", false}};
    store.setOrderDetails(order, "<order/>", 1, files);
    auto listed = store.orderFiles(order);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].clientRef, "file://a.jpg");
    EXPECT_FALSE(listed[0].held);
    EXPECT_NE(listed[0].serverUuid, listed[1].serverUuid);
    store.holdFile("acc", listed[0], 10);

    // The same picture in a new order of the account is held; a changed one is not, and
    // another account holds nothing.
    const std::string next = store.createOrder("acc", "s2", "list");
    store.setOrderDetails(next, "<order/>", 1,
                          {{"file://a.jpg", 5, 6, "", false}, {"file://a.jpg", 9, 9, "", false}});
    const auto again = store.orderFiles(next);
    ASSERT_EQ(again.size(), 2u);
    EXPECT_TRUE(again[0].held);
    EXPECT_EQ(again[0].serverUuid, listed[0].serverUuid);
    EXPECT_FALSE(again[1].held);
    const std::string foreign = store.createOrder("other", "s3", "list");
    store.setOrderDetails(foreign, "<order/>", 1, {{"file://a.jpg", 5, 6, "", false}});
    EXPECT_FALSE(store.orderFiles(foreign)[0].held);
}

TEST(ProviderStore, KeepsTheUsualPickupLocationPerAccount)
{
    ScratchDir dir;
    ProviderStore store(std::string((dir / "p.db").utf8_str()));
    EXPECT_EQ(store.defaultPickupLocation("acc"), "");
    store.setDefaultPickupLocation("acc", "shop-oslo");
    store.setDefaultPickupLocation("acc", "shop-bergen");
    EXPECT_EQ(store.defaultPickupLocation("acc"), "shop-bergen");
    EXPECT_EQ(store.defaultPickupLocation("other"), "");
}

TEST_F(StoreTest, AShareKeepsItsFilesOnceByReferenceAndInOrder)
{
    auto store = open();
    const std::string share =
        store->createShare("acct", "session", "Subject", "Message", 640, true);
    EXPECT_EQ(store->sessionShare("session")->id, share);
    EXPECT_FALSE(store->sessionShare("other"));
    auto files = store->addShareFiles(share, {{"ssfile://b.jpg", 1, 1, "", false, 0, ""},
                                              {"ssfile://a.jpg", 2, 2, "", false, 0, ""}});
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].clientRef, "ssfile://b.jpg");
    EXPECT_NE(files[0].serverUuid, files[1].serverUuid);
    // Listed again (a retried upload list): the same ids, nothing doubled.
    const auto again = store->addShareFiles(share, {{"ssfile://a.jpg", 2, 2, "", false, 0, ""},
                                                    {"ssfile://c.jpg", 3, 3, "", false, 0, ""}});
    ASSERT_EQ(again.size(), 3u);
    EXPECT_EQ(again[1].serverUuid, files[1].serverUuid);
    EXPECT_EQ(again[2].clientRef, "ssfile://c.jpg");
    store->registerShareFile(share, files[1].serverUuid, 1234, "{}");
    files = store->shareFiles(share);
    EXPECT_FALSE(files[0].registered);
    EXPECT_TRUE(files[1].registered);
    EXPECT_EQ(files[1].bytes, 1234);
    EXPECT_FALSE(store->findShare(share)->closed);
    store->closeShare(share);
    EXPECT_TRUE(store->findShare(share)->closed);
}

TEST_F(StoreTest, ARecipientIsAddedToAShareOnceEvenFromManyRequestsAtOnce)
{
    std::string share;
    {
        auto store = open();
        share = store->createShare("acct", "session", "s", "m", 320, false);
    }
    // Eight connections of their own send the share to one recipient at once: one adds it.
    std::vector<std::thread> senders;
    std::vector<ProviderStore::ShareRecipient> results(8);
    for (size_t i = 0; i < results.size(); ++i)
        senders.emplace_back([&, i] {
            ProviderStore store(path());
            results[i] = store.addShareRecipient(share, "mms", "4711111");
        });
    for (auto& sender : senders)
        sender.join();
    size_t added = 0;
    for (const auto& result : results) {
        added += result.added;
        EXPECT_EQ(result.accessToken, results[0].accessToken);
    }
    EXPECT_EQ(added, 1u);

    auto store = open();
    // The same number by the web is another recipient with a token of its own.
    const auto web = store->addShareRecipient(share, "web", "4711111");
    EXPECT_TRUE(web.added);
    EXPECT_NE(web.accessToken, results[0].accessToken);
    EXPECT_EQ(store->shareRecipients(share).size(), 2u);
    EXPECT_EQ(store->recipientOfToken(web.accessToken)->method, "web");
    EXPECT_FALSE(store->recipientOfToken("nonsense"));
}

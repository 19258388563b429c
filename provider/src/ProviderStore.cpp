#include "ProviderStore.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <ctime>
#include <thread>
#include <utility>
#include <vector>

#include <sqlite3.h>

#include "GroupCommit.h"
#include "PasswordHash.h"
#include "SecureRandom.h"
#include "SqlStatement.h"
#include "SqlTransaction.h"
#include "StorageStore.h"

namespace Provider {

namespace {

// The first schema; migrate() brings it up to SCHEMA_VERSION. The accounts' password column
// holds a PasswordHash text from version 1 on.
const char* const SCHEMA = R"(
CREATE TABLE IF NOT EXISTS accounts (
    accountid TEXT PRIMARY KEY, portalid TEXT NOT NULL, email TEXT NOT NULL, password TEXT NOT NULL,
    name TEXT NOT NULL DEFAULT '', address TEXT NOT NULL DEFAULT '', postalcode TEXT NOT NULL DEFAULT '',
    city TEXT NOT NULL DEFAULT '', countrycode TEXT NOT NULL DEFAULT '', emailaddress TEXT NOT NULL DEFAULT '',
    mobilephone TEXT NOT NULL DEFAULT '', receiveemail INTEGER NOT NULL DEFAULT 0,
    activatedphone TEXT NOT NULL DEFAULT '', UNIQUE (portalid, email));
CREATE TABLE IF NOT EXISTS tokens (tokenid TEXT PRIMARY KEY, text TEXT NOT NULL, created INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS sessions (sessionid TEXT PRIMARY KEY, accountid TEXT NOT NULL, created INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS activations (accountid TEXT PRIMARY KEY, phone TEXT NOT NULL, code TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS orders (
    orderid TEXT PRIMARY KEY, accountid TEXT NOT NULL, sessionid TEXT NOT NULL,
    pricelistid TEXT NOT NULL, created INTEGER NOT NULL, state INTEGER NOT NULL DEFAULT 0,
    total INTEGER NOT NULL DEFAULT 0, details TEXT NOT NULL DEFAULT '',
    transactionid TEXT NOT NULL DEFAULT '', confirmedid TEXT NOT NULL DEFAULT '');
CREATE INDEX IF NOT EXISTS orders_session ON orders (sessionid, created);
CREATE TABLE IF NOT EXISTS orderfiles (
    orderid TEXT NOT NULL, clientref TEXT NOT NULL, filemodifytime INTEGER NOT NULL,
    metamodifytime INTEGER NOT NULL, serveruuid TEXT NOT NULL, PRIMARY KEY (orderid, serveruuid));
CREATE TABLE IF NOT EXISTS heldfiles (
    accountid TEXT NOT NULL, clientref TEXT NOT NULL, filemodifytime INTEGER NOT NULL,
    serveruuid TEXT NOT NULL, bytes INTEGER NOT NULL,
    PRIMARY KEY (accountid, clientref, filemodifytime));
CREATE TABLE IF NOT EXISTS pickuplocations (accountid TEXT PRIMARY KEY, location TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS payments (
    transactionid TEXT PRIMARY KEY, orderid TEXT NOT NULL, merchantdata TEXT NOT NULL,
    description TEXT NOT NULL, amount INTEGER NOT NULL, currency TEXT NOT NULL,
    status TEXT NOT NULL, optionid INTEGER NOT NULL DEFAULT 0, outcome INTEGER NOT NULL DEFAULT 0,
    pollsleft INTEGER NOT NULL DEFAULT 0, errorcode TEXT NOT NULL DEFAULT '',
    errortext TEXT NOT NULL DEFAULT '', acknowledged INTEGER NOT NULL DEFAULT 0,
    created INTEGER NOT NULL, changed INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS paymentlog (
    entry INTEGER PRIMARY KEY AUTOINCREMENT, transactionid TEXT NOT NULL, time INTEGER NOT NULL,
    description TEXT NOT NULL, oldstatus TEXT NOT NULL, newstatus TEXT NOT NULL,
    errorcode TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS shares (
    shareid TEXT PRIMARY KEY, accountid TEXT NOT NULL, sessionid TEXT NOT NULL,
    created INTEGER NOT NULL, subject TEXT NOT NULL, message TEXT NOT NULL,
    previewsize INTEGER NOT NULL, sharemeta INTEGER NOT NULL, closed INTEGER NOT NULL DEFAULT 0);
CREATE INDEX IF NOT EXISTS shares_session ON shares (sessionid, created);
CREATE TABLE IF NOT EXISTS sharefiles (
    shareid TEXT NOT NULL, clientref TEXT NOT NULL, filemodifytime INTEGER NOT NULL,
    metamodifytime INTEGER NOT NULL, serveruuid TEXT NOT NULL,
    registered INTEGER NOT NULL DEFAULT 0, bytes INTEGER NOT NULL DEFAULT 0,
    info TEXT NOT NULL DEFAULT '', PRIMARY KEY (shareid, serveruuid), UNIQUE (shareid, clientref));
CREATE TABLE IF NOT EXISTS sharerecipients (
    shareid TEXT NOT NULL, method TEXT NOT NULL, recipient TEXT NOT NULL,
    accesstoken TEXT NOT NULL UNIQUE, created INTEGER NOT NULL,
    PRIMARY KEY (shareid, method, recipient));
)";

// Draws of a random id before giving up on finding a free one.
const int ID_ATTEMPTS = 5;

const char* const DIGITS = "0123456789";
const char* const LOWER_HEX = "0123456789abcdef";
const char* const LOWER_ALPHANUMERIC = "0123456789abcdefghijklmnopqrstuvwxyz";
// Token ids of 128 bits, session ids of about 165.
const size_t TOKEN_ID_LENGTH = 32;
const size_t SESSION_ID_LENGTH = 32;
const size_t ACCOUNT_ID_LENGTH = 12;
// Order ids are read out to a shop's staff; file ids only travel in upload addresses.
const size_t ORDER_ID_LENGTH = 10;
const size_t FILE_ID_LENGTH = 24;
const size_t PAYMENT_ID_LENGTH = 20;

const char* const PAYMENT_COLUMNS =
    "SELECT transactionid, orderid, merchantdata, description, amount, currency, status, "
    "optionid, errorcode, errortext, acknowledged, created, changed, outcome, pollsleft "
    "FROM payments ";

// What a failed or aborted payment tells the payer.
const char* const DECLINED_CODE = "Declined";
const char* const DECLINED_TEXT = "The card issuer declined the payment";
const char* const ABORTED_CODE = "Aborted";
const char* const ABORTED_TEXT = "The payment was aborted at the card issuer";

// Share ids name upload folders; access tokens open a share to whoever holds one (128 bits).
const size_t SHARE_ID_LENGTH = 24;
const size_t ACCESS_TOKEN_LENGTH = 32;

// What a login with an unknown name is checked against, so it costs as much as a wrong password.
const std::string& decoyHash()
{
    static const std::string hash = PasswordHash::make("decoy");
    return hash;
}

const char* const ACCOUNT_COLUMNS = "SELECT accountid, portalid, email, password, name, address, "
                                    "postalcode, city, countrycode, emailaddress, "
                                    "mobilephone, receiveemail, activatedphone FROM accounts ";

std::string normalised(const std::string& text)
{
    std::string result;
    for (unsigned char c : text)
        if (!std::isspace(c))
            result.push_back(static_cast<char>(std::tolower(c)));
    return result;
}

} // namespace

using Statement = SqlStatement;
using Transaction = SqlTransaction;

ProviderStore::ProviderStore(const std::string& path, Clock clock) : m_clock(std::move(clock))
{
    if (sqlite3_open(path.c_str(), &m_db) != SQLITE_OK) {
        const std::string message = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        throw StoreError("Could not open provider database " + path + ": " + message);
    }
    sqlite3_busy_handler(m_db, &ProviderStore::waitForWriter, this);
    try {
        // Readers do not wait for writers, and the workers' connections share the file.
        execute("PRAGMA journal_mode = WAL");
        // Shared flushes rest on the WAL hook; a file that cannot have a WAL (some network file
        // systems) keeps SQLite's own flush at every commit.
        const bool wal = [this] {
            Statement mode(m_db, "PRAGMA journal_mode");
            return mode.step() && mode.text(0) == "wal";
        }();
        if (wal) {
            m_groupCommit = GroupCommit::forDatabase(path);
            m_groupCommit->attach(m_db);
        }
        execute(SCHEMA);
        migrate();
        m_storage = std::make_unique<StorageStore>(m_db, [this] { return now(); });
    } catch (...) {
        sqlite3_close(m_db);
        throw;
    }
}

ProviderStore::~ProviderStore()
{
    sqlite3_close(m_db);
}

void ProviderStore::execute(const char* sql)
{
    SqlTransaction::execute(m_db, sql);
}

int ProviderStore::schemaVersion()
{
    Statement version(m_db, "PRAGMA user_version");
    version.step();
    return static_cast<int>(version.integer(0));
}

void ProviderStore::migrate()
{
    if (schemaVersion() >= SCHEMA_VERSION)
        return;
    // Looked at again under the write lock: another connection may have been quicker.
    Transaction transaction(m_db);
    const int version = schemaVersion();
    if (version >= SCHEMA_VERSION)
        return;
    if (version < 1)
        migrateToVersion1();
    // Version 2: one account per portal and e-mail address whatever its letter case.
    try {
        execute("CREATE UNIQUE INDEX IF NOT EXISTS accounts_portal_email "
                "ON accounts (portalid, email COLLATE NOCASE)");
    } catch (const StoreError& e) {
        throw StoreError(std::string(e.what()) +
                         " (two accounts of one portal have e-mail addresses that differ only in "
                         "letter case; give one of them another address)");
    }
    execute(("PRAGMA user_version = " + std::to_string(SCHEMA_VERSION)).c_str());
    transaction.commit();
}

void ProviderStore::migrateToVersion1()
{
    // Passwords hashed, sessions with their last use, activations counting tries.
    execute("ALTER TABLE sessions ADD COLUMN lastused INTEGER NOT NULL DEFAULT 0");
    execute("UPDATE sessions SET lastused = created");
    execute("ALTER TABLE activations ADD COLUMN tries INTEGER NOT NULL DEFAULT 0");
    std::vector<std::pair<std::string, std::string>> plain;
    Statement accounts(m_db, "SELECT accountid, password FROM accounts");
    while (accounts.step())
        if (!PasswordHash::isHash(accounts.text(1)))
            plain.emplace_back(accounts.text(0), accounts.text(1));
    for (const auto& [id, password] : plain)
        Statement(m_db, "UPDATE accounts SET password = ? WHERE accountid = ?")
            .bind(1, PasswordHash::make(password))
            .bind(2, id)
            .step();
}

int ProviderStore::waitForWriter(void* context, int tries)
{
    // SQLite's own timed wait sleeps 1, 2, 5, 10... ms between tries, while another worker's
    // commit holds the write lock for about one disk flush: a request would sleep 8 ms for a
    // lock free after 3. Short naps, longer only when the wait drags on.
    auto& store = *static_cast<ProviderStore*>(context);
    const auto moment = std::chrono::steady_clock::now();
    if (tries == 0)
        store.m_waitStart = moment;
    if (moment - store.m_waitStart > std::chrono::milliseconds(BUSY_TIMEOUT_MS))
        return 0;
    std::this_thread::sleep_for(std::chrono::microseconds(tries < 50 ? 100 : 2000));
    return 1;
}

std::time_t ProviderStore::now() const
{
    return m_clock ? m_clock() : std::time(nullptr);
}

std::string ProviderStore::createToken(const std::string& text, long lifetimeSeconds)
{
    const int64_t time = now();
    Statement(m_db, "DELETE FROM tokens WHERE created <= ?").bind(1, time - lifetimeSeconds).step();
    const std::string id = SecureRandom::text(TOKEN_ID_LENGTH, LOWER_HEX);
    Statement(m_db, "INSERT INTO tokens (tokenid, text, created) VALUES (?, ?, ?)")
        .bind(1, id)
        .bind(2, text)
        .bind(3, time)
        .step();
    return id;
}

bool ProviderStore::takeToken(const std::string& id, const std::string& text, long lifetimeSeconds)
{
    // One statement, so two requests with the same token cannot both find it.
    Statement take(m_db, "DELETE FROM tokens WHERE tokenid = ? RETURNING text, created");
    take.bind(1, id);
    if (!take.step())
        return false;
    const bool matches =
        take.integer(1) > now() - lifetimeSeconds && normalised(take.text(0)) == normalised(text);
    while (take.step()) {
    }
    return matches;
}

std::optional<std::string> ProviderStore::tokenText(const std::string& id)
{
    Statement find(m_db, "SELECT text FROM tokens WHERE tokenid = ?");
    find.bind(1, id);
    if (!find.step())
        return std::nullopt;
    return find.text(0);
}

ProviderStore::Account ProviderStore::createAccount(const std::string& portalId,
                                                    const std::string& email,
                                                    const std::string& password)
{
    Account account;
    account.portalId = portalId;
    account.email = email;
    account.passwordHash = PasswordHash::make(password);
    account.info.emailAddress = email;
    // The table's uniqueness decides, not an earlier look: two requests for one address at
    // the same moment make one account. A taken id (unlikely) just draws another.
    for (int attempt = 0; attempt < ID_ATTEMPTS; ++attempt) {
        account.id = SecureRandom::text(ACCOUNT_ID_LENGTH, DIGITS);
        const int result = Statement(m_db, "INSERT INTO accounts (accountid, portalid, email, "
                                           "password, emailaddress) VALUES (?, ?, ?, ?, ?)")
                               .bind(1, account.id)
                               .bind(2, portalId)
                               .bind(3, email)
                               .bind(4, account.passwordHash)
                               .bind(5, email)
                               .stepAllowingConstraint();
        if (result == SQLITE_DONE)
            return account;
        if (result != SQLITE_CONSTRAINT_PRIMARYKEY)
            throw AccountExistsError("An account with this e-mail address exists");
    }
    throw StoreError("Could not draw a free account id");
}

std::optional<ProviderStore::Account> ProviderStore::findWhere(const char* where,
                                                               const std::string& a,
                                                               const std::string& b, int* matches)
{
    Statement find(m_db, (std::string(ACCOUNT_COLUMNS) + where + " LIMIT 2").c_str());
    find.bind(1, a);
    if (!b.empty())
        find.bind(2, b);
    if (matches)
        *matches = 0;
    if (!find.step())
        return std::nullopt;
    Account account;
    account.id = find.text(0);
    account.portalId = find.text(1);
    account.email = find.text(2);
    account.passwordHash = find.text(3);
    account.info = {find.text(4), find.text(5), find.text(6), find.text(7),
                    find.text(8), find.text(9), find.text(10)};
    account.receiveEmail = find.integer(11) != 0;
    account.activatedPhone = find.text(12);
    if (matches)
        *matches = find.step() ? 2 : 1;
    return account;
}

std::optional<ProviderStore::Account> ProviderStore::findAccount(const std::string& portalId,
                                                                 const std::string& email)
{
    return findWhere("WHERE portalid = ? AND email = ? COLLATE NOCASE", portalId, email);
}

std::optional<ProviderStore::Account> ProviderStore::findById(const std::string& id)
{
    return findWhere("WHERE accountid = ?", id);
}

std::optional<ProviderStore::Account> ProviderStore::findByLogin(const std::string& login,
                                                                 const std::string& portalId)
{
    if (auto account = findById(login))
        if (portalId.empty() || account->portalId == portalId)
            return account;
    if (!portalId.empty())
        return findAccount(portalId, login);
    // Which of several portals' accounts is meant, no one can tell.
    int matches = 0;
    auto account = findWhere("WHERE email = ? COLLATE NOCASE", login, std::string(), &matches);
    if (matches != 1)
        return std::nullopt;
    return account;
}

std::optional<ProviderStore::Account> ProviderStore::checkLogin(const std::string& login,
                                                                const std::string& password,
                                                                const std::string& portalId)
{
    auto account = findByLogin(login, portalId);
    if (!PasswordHash::verify(password, account ? account->passwordHash : decoyHash()) || !account)
        return std::nullopt;
    return account;
}

void ProviderStore::saveAccount(const Account& account)
{
    Statement(
        m_db,
        "UPDATE accounts SET name = ?, address = ?, postalcode = ?, city = ?, countrycode = ?, "
        "emailaddress = ?, mobilephone = ?, receiveemail = ?, activatedphone = ? "
        "WHERE accountid = ?")
        .bind(1, account.info.name)
        .bind(2, account.info.address)
        .bind(3, account.info.postalCode)
        .bind(4, account.info.city)
        .bind(5, account.info.countryCode)
        .bind(6, account.info.emailAddress)
        .bind(7, account.info.mobilePhone)
        .bind(8, static_cast<int64_t>(account.receiveEmail ? 1 : 0))
        .bind(9, account.activatedPhone)
        .bind(10, account.id)
        .step();
}

std::string ProviderStore::createSession(const std::string& accountId)
{
    const std::string id = SecureRandom::text(SESSION_ID_LENGTH, LOWER_ALPHANUMERIC);
    const int64_t time = now();
    Statement(m_db, "INSERT INTO sessions (sessionid, accountid, created, lastused) "
                    "VALUES (?, ?, ?, ?)")
        .bind(1, id)
        .bind(2, accountId)
        .bind(3, time)
        .bind(4, time)
        .step();
    return id;
}

std::optional<std::string> ProviderStore::sessionAccount(const std::string& sessionId,
                                                         long idleSeconds)
{
    const int64_t time = now();
    {
        // Renewed this very second already (every request checks its session; an order's or a
        // synchronisation's run sends many a second): nothing would change, and looking
        // needs no write lock, for which it would otherwise queue behind other workers'
        // commits.
        Statement look(m_db, "SELECT accountid FROM sessions WHERE sessionid = ? AND lastused = ?");
        look.bind(1, sessionId).bind(2, time);
        if (look.step())
            return look.text(0);
    }
    // Used and renewed in one statement, so an expiry cannot slip between look and renewal.
    Statement use(m_db, "UPDATE sessions SET lastused = ? WHERE sessionid = ? AND lastused >= ? "
                        "RETURNING accountid");
    use.bind(1, time).bind(2, sessionId).bind(3, time - idleSeconds);
    std::optional<std::string> accountId;
    if (use.step())
        accountId = use.text(0);
    while (use.step()) {
    }
    if (!accountId)
        Statement(m_db, "DELETE FROM sessions WHERE lastused < ?")
            .bind(1, time - idleSeconds)
            .step();
    return accountId;
}

void ProviderStore::closeSession(const std::string& sessionId)
{
    Statement(m_db, "DELETE FROM sessions WHERE sessionid = ?").bind(1, sessionId).step();
}

void ProviderStore::setActivationCode(const std::string& accountId, const std::string& phone,
                                      const std::string& code)
{
    Statement(m_db, "INSERT OR REPLACE INTO activations (accountid, phone, code, tries) "
                    "VALUES (?, ?, ?, 0)")
        .bind(1, accountId)
        .bind(2, phone)
        .bind(3, code)
        .step();
}

std::optional<std::string> ProviderStore::activationCode(const std::string& accountId)
{
    Statement find(m_db, "SELECT code FROM activations WHERE accountid = ?");
    find.bind(1, accountId);
    if (!find.step())
        return std::nullopt;
    return find.text(0);
}

ProviderStore::Activation ProviderStore::takeActivationCode(const std::string& accountId,
                                                            const std::string& code)
{
    // Two tries at once must count as two.
    Transaction transaction(m_db);
    Statement find(m_db, "SELECT phone, code, tries FROM activations WHERE accountid = ?");
    find.bind(1, accountId);
    if (!find.step())
        return {Activation::NonePending, std::string()};
    Activation result{Activation::WrongCode, std::string()};
    if (normalised(find.text(1)) == normalised(code))
        result = {Activation::Activated, find.text(0)};
    else if (find.integer(2) + 1 >= ACTIVATION_TRIES)
        result.outcome = Activation::UsedUp;
    if (result.outcome == Activation::WrongCode)
        Statement(m_db, "UPDATE activations SET tries = tries + 1 WHERE accountid = ?")
            .bind(1, accountId)
            .step();
    else
        Statement(m_db, "DELETE FROM activations WHERE accountid = ?").bind(1, accountId).step();
    transaction.commit();
    return result;
}

std::string ProviderStore::createOrder(const std::string& accountId, const std::string& sessionId,
                                       const std::string& pricelistId)
{
    for (int attempt = 0; attempt < ID_ATTEMPTS; ++attempt) {
        const std::string id = SecureRandom::text(ORDER_ID_LENGTH, DIGITS);
        Statement insert(m_db, "INSERT INTO orders (orderid, accountid, sessionid, pricelistid, "
                               "created) VALUES (?, ?, ?, ?, ?)");
        insert.bind(1, id)
            .bind(2, accountId)
            .bind(3, sessionId)
            .bind(4, pricelistId)
            .bind(5, now());
        if (insert.stepAllowingConstraint() == SQLITE_DONE)
            return id;
    }
    throw StoreError("Could not find a free order id");
}

std::optional<ProviderStore::StoredOrder> ProviderStore::sessionOrder(const std::string& sessionId)
{
    // The session's newest order: a client that creates another one goes on with that.
    Statement find(m_db, "SELECT orderid, accountid, pricelistid, state, total, details, "
                         "transactionid, confirmedid FROM orders WHERE sessionid = ? "
                         "ORDER BY created DESC, rowid DESC LIMIT 1");
    find.bind(1, sessionId);
    if (!find.step())
        return std::nullopt;
    StoredOrder order;
    order.id = find.text(0);
    order.accountId = find.text(1);
    order.pricelistId = find.text(2);
    order.state = static_cast<StoredOrder::State>(find.integer(3));
    order.totalUnits = find.integer(4);
    order.details = find.text(5);
    order.transactionId = find.text(6);
    order.confirmedId = find.text(7);
    return order;
}

void ProviderStore::setOrderDetails(const std::string& orderId, const std::string& details,
                                    int64_t totalUnits, const std::vector<OrderFile>& files)
{
    // Files and total change together: a verification never sees one without the other.
    Transaction transaction(m_db);
    Statement find(m_db, "SELECT accountid FROM orders WHERE orderid = ?");
    find.bind(1, orderId);
    if (!find.step())
        throw StoreError("No such order: " + orderId);
    const std::string accountId = find.text(0);
    Statement(m_db, "UPDATE orders SET details = ?, total = ?, state = ?, transactionid = '' "
                    "WHERE orderid = ?")
        .bind(1, details)
        .bind(2, totalUnits)
        .bind(3, static_cast<int64_t>(StoredOrder::Priced))
        .bind(4, orderId)
        .step();
    Statement(m_db, "DELETE FROM orderfiles WHERE orderid = ?").bind(1, orderId).step();
    for (const OrderFile& file : files) {
        // A file held already keeps its id, so the client can tell it is the same one.
        Statement held(m_db, "SELECT serveruuid FROM heldfiles WHERE accountid = ? AND "
                             "clientref = ? AND filemodifytime = ?");
        held.bind(1, accountId).bind(2, file.clientRef).bind(3, file.fileModifyTime);
        const std::string uuid =
            held.step() ? held.text(0) : SecureRandom::text(FILE_ID_LENGTH, LOWER_ALPHANUMERIC);
        Statement(m_db, "INSERT OR IGNORE INTO orderfiles (orderid, clientref, filemodifytime, "
                        "metamodifytime, serveruuid) VALUES (?, ?, ?, ?, ?)")
            .bind(1, orderId)
            .bind(2, file.clientRef)
            .bind(3, file.fileModifyTime)
            .bind(4, file.metaModifyTime)
            .bind(5, uuid)
            .step();
    }
    transaction.commit();
}

std::vector<ProviderStore::OrderFile> ProviderStore::orderFiles(const std::string& orderId)
{
    Statement list(m_db, "SELECT f.clientref, f.filemodifytime, f.metamodifytime, f.serveruuid, "
                         "h.serveruuid IS NOT NULL FROM orderfiles f JOIN orders o ON "
                         "o.orderid = f.orderid LEFT JOIN heldfiles h ON h.accountid = "
                         "o.accountid AND h.clientref = f.clientref AND h.filemodifytime = "
                         "f.filemodifytime WHERE f.orderid = ? ORDER BY f.rowid");
    list.bind(1, orderId);
    std::vector<OrderFile> files;
    while (list.step())
        files.push_back(
            {list.text(0), list.integer(1), list.integer(2), list.text(3), list.integer(4) != 0});
    return files;
}

void ProviderStore::holdFile(const std::string& accountId, const OrderFile& file, int64_t bytes)
{
    Statement(m_db, "INSERT OR REPLACE INTO heldfiles (accountid, clientref, filemodifytime, "
                    "serveruuid, bytes) VALUES (?, ?, ?, ?, ?)")
        .bind(1, accountId)
        .bind(2, file.clientRef)
        .bind(3, file.fileModifyTime)
        .bind(4, file.serverUuid)
        .bind(5, bytes)
        .step();
}

void ProviderStore::setOrderState(const std::string& orderId, StoredOrder::State state,
                                  const std::string& transactionId)
{
    Statement(m_db, "UPDATE orders SET state = ?, transactionid = ? WHERE orderid = ?")
        .bind(1, static_cast<int64_t>(state))
        .bind(2, transactionId)
        .bind(3, orderId)
        .step();
}

std::string ProviderStore::confirmOrder(const std::string& orderId)
{
    // Two confirmations at once must give one id.
    Transaction transaction(m_db);
    Statement find(m_db, "SELECT confirmedid FROM orders WHERE orderid = ?");
    find.bind(1, orderId);
    if (!find.step())
        throw StoreError("No such order: " + orderId);
    std::string confirmed = find.text(0);
    if (confirmed.empty()) {
        confirmed = orderId;
        Statement(m_db, "UPDATE orders SET state = ?, confirmedid = ? WHERE orderid = ?")
            .bind(1, static_cast<int64_t>(StoredOrder::Confirmed))
            .bind(2, confirmed)
            .bind(3, orderId)
            .step();
    }
    transaction.commit();
    return confirmed;
}

std::string ProviderStore::defaultPickupLocation(const std::string& accountId)
{
    Statement find(m_db, "SELECT location FROM pickuplocations WHERE accountid = ?");
    find.bind(1, accountId);
    return find.step() ? find.text(0) : std::string();
}

void ProviderStore::setDefaultPickupLocation(const std::string& accountId,
                                             const std::string& location)
{
    Statement(m_db, "INSERT OR REPLACE INTO pickuplocations (accountid, location) VALUES (?, ?)")
        .bind(1, accountId)
        .bind(2, location)
        .step();
}

namespace {

template <typename Row> ProviderStore::Payment paymentOf(const Row& row)
{
    ProviderStore::Payment payment;
    payment.id = row.text(0);
    payment.orderId = row.text(1);
    payment.merchantData = row.text(2);
    payment.description = row.text(3);
    payment.amountUnits = row.integer(4);
    payment.currency = row.text(5);
    payment.status = row.text(6);
    payment.optionId = static_cast<int>(row.integer(7));
    payment.errorCode = row.text(8);
    payment.errorText = row.text(9);
    payment.acknowledged = row.integer(10) != 0;
    payment.created = static_cast<std::time_t>(row.integer(11));
    payment.changed = static_cast<std::time_t>(row.integer(12));
    return payment;
}

} // namespace

std::string ProviderStore::createPayment(const Payment& payment)
{
    for (int attempt = 0; attempt < ID_ATTEMPTS; ++attempt) {
        const std::string id = SecureRandom::text(PAYMENT_ID_LENGTH, "0123456789ABCDEF");
        Statement insert(m_db, "INSERT INTO payments (transactionid, orderid, merchantdata, "
                               "description, amount, currency, status, created, changed) "
                               "VALUES (?, ?, ?, ?, ?, ?, 'TR_OPEN', ?, ?)");
        insert.bind(1, id)
            .bind(2, payment.orderId)
            .bind(3, payment.merchantData)
            .bind(4, payment.description)
            .bind(5, payment.amountUnits)
            .bind(6, payment.currency)
            .bind(7, now())
            .bind(8, now());
        if (insert.stepAllowingConstraint() == SQLITE_DONE) {
            Payment created = payment;
            created.status = "TR_OPEN";
            logPayment(id, "", created, "Transaction created");
            return id;
        }
    }
    throw StoreError("Could not find a free transaction id");
}

std::optional<ProviderStore::Payment> ProviderStore::findPayment(const std::string& id)
{
    Statement find(m_db, (std::string(PAYMENT_COLUMNS) + "WHERE transactionid = ?").c_str());
    find.bind(1, id);
    if (!find.step())
        return std::nullopt;
    return paymentOf(find);
}

std::vector<ProviderStore::Payment>
ProviderStore::findPayments(const std::optional<std::string>& merchantData)
{
    Statement find(m_db, (std::string(PAYMENT_COLUMNS) +
                          "WHERE ?1 IS NULL OR merchantdata = ?1 ORDER BY created, rowid")
                             .c_str());
    if (merchantData)
        find.bind(1, *merchantData);
    std::vector<Payment> payments;
    while (find.step())
        payments.push_back(paymentOf(find));
    return payments;
}

std::vector<ProviderStore::PaymentLogEntry> ProviderStore::paymentLog(const std::string& id)
{
    Statement find(m_db, "SELECT entry, time, description, oldstatus, newstatus, errorcode "
                         "FROM paymentlog WHERE transactionid = ? ORDER BY entry");
    find.bind(1, id);
    std::vector<PaymentLogEntry> entries;
    while (find.step())
        entries.push_back({static_cast<int>(find.integer(0)),
                           static_cast<std::time_t>(find.integer(1)), find.text(2), find.text(3),
                           find.text(4), find.text(5)});
    return entries;
}

void ProviderStore::logPayment(const std::string& id, const std::string& oldStatus,
                               const Payment& payment, const std::string& why)
{
    Statement(m_db, "INSERT INTO paymentlog (transactionid, time, description, oldstatus, "
                    "newstatus, errorcode) VALUES (?, ?, ?, ?, ?, ?)")
        .bind(1, id)
        .bind(2, now())
        .bind(3, why)
        .bind(4, oldStatus)
        .bind(5, payment.status)
        .bind(6, payment.errorCode)
        .step();
}

ProviderStore::Payment ProviderStore::takePaymentDetails(const std::string& id, int optionId,
                                                         Payment::Outcome outcome, int polls)
{
    Transaction transaction(m_db);
    auto payment = findPayment(id);
    if (!payment)
        throw StoreError("No such transaction: " + id);
    if (payment->status != "TR_OPEN")
        return *payment;
    const std::string old = payment->status;
    payment->status = outcome == Payment::AuthClient ? "TR_AUTH_CLIENT" : "TR_PENDING";
    payment->optionId = optionId;
    // The issuer's check is asked at least once.
    if (outcome == Payment::AuthClient)
        polls = std::max(polls, 1);
    Statement(m_db, "UPDATE payments SET status = ?, optionid = ?, outcome = ?, pollsleft = ?, "
                    "changed = ? WHERE transactionid = ?")
        .bind(1, payment->status)
        .bind(2, static_cast<int64_t>(optionId))
        .bind(3, static_cast<int64_t>(outcome))
        .bind(4, static_cast<int64_t>(polls))
        .bind(5, now())
        .bind(6, id)
        .step();
    logPayment(id, old, *payment, "Payment details received");
    transaction.commit();
    return *payment;
}

ProviderStore::Payment ProviderStore::pollPayment(const std::string& id)
{
    Transaction transaction(m_db);
    Statement find(m_db, (std::string(PAYMENT_COLUMNS) + "WHERE transactionid = ?").c_str());
    find.bind(1, id);
    if (!find.step())
        throw StoreError("No such transaction: " + id);
    Payment payment = paymentOf(find);
    const auto outcome = static_cast<Payment::Outcome>(find.integer(13));
    const int64_t pollsLeft = find.integer(14);
    const bool waiting = payment.status == "TR_PENDING" || payment.status == "TR_AUTH_CLIENT";
    if (!waiting || outcome == Payment::Pending)
        return payment;
    if (pollsLeft > 0) {
        Statement(m_db, "UPDATE payments SET pollsleft = pollsleft - 1 WHERE transactionid = ?")
            .bind(1, id)
            .step();
        transaction.commit();
        return payment;
    }
    const std::string old = payment.status;
    payment.status = outcome == Payment::Failed    ? "TR_FAILED"
                     : outcome == Payment::Aborted ? "TR_ABORTED"
                                                   : "TR_PROCESSED";
    payment.errorCode = outcome == Payment::Failed    ? DECLINED_CODE
                        : outcome == Payment::Aborted ? ABORTED_CODE
                                                      : "";
    payment.errorText = outcome == Payment::Failed    ? DECLINED_TEXT
                        : outcome == Payment::Aborted ? ABORTED_TEXT
                                                      : "";
    Statement(m_db, "UPDATE payments SET status = ?, errorcode = ?, errortext = ?, changed = ? "
                    "WHERE transactionid = ?")
        .bind(1, payment.status)
        .bind(2, payment.errorCode)
        .bind(3, payment.errorText)
        .bind(4, now())
        .bind(5, id)
        .step();
    logPayment(id, old, payment, "Payment ended");
    transaction.commit();
    return payment;
}

bool ProviderStore::completeIssuerCheck(const std::string& id)
{
    Transaction transaction(m_db);
    auto payment = findPayment(id);
    if (!payment || payment->status != "TR_AUTH_CLIENT")
        return false;
    payment->status = "TR_PENDING";
    Statement(m_db, "UPDATE payments SET status = ?, pollsleft = 0, changed = ? "
                    "WHERE transactionid = ?")
        .bind(1, payment->status)
        .bind(2, now())
        .bind(3, id)
        .step();
    logPayment(id, "TR_AUTH_CLIENT", *payment, "Issuer check completed");
    transaction.commit();
    return true;
}

bool ProviderStore::changePaymentStatus(const std::string& id, const std::vector<std::string>& from,
                                        const std::string& to, const std::string& why,
                                        bool acknowledged)
{
    return changePaymentStatusIf(id, from, to, why, acknowledged, std::nullopt);
}

bool ProviderStore::changePaymentStatusIf(const std::string& id,
                                          const std::vector<std::string>& from,
                                          const std::string& to, const std::string& why,
                                          bool acknowledged,
                                          std::optional<std::time_t> changedBefore)
{
    // Looked at under the write lock: a payment that moved on meanwhile is left alone.
    Transaction transaction(m_db);
    auto payment = findPayment(id);
    if (!payment || payment->acknowledged != acknowledged ||
        std::find(from.begin(), from.end(), payment->status) == from.end() ||
        (changedBefore && payment->changed >= *changedBefore))
        return false;
    const std::string old = payment->status;
    payment->status = to;
    Statement(m_db, "UPDATE payments SET status = ?, changed = ? WHERE transactionid = ?")
        .bind(1, to)
        .bind(2, now())
        .bind(3, id)
        .step();
    logPayment(id, old, *payment, why);
    transaction.commit();
    return true;
}

bool ProviderStore::acknowledgePayment(const std::string& id)
{
    // One statement: the sweep cannot void it between a look and the change.
    Statement(m_db, "UPDATE payments SET acknowledged = 1 WHERE transactionid = ? AND "
                    "status = 'TR_PROCESSED'")
        .bind(1, id)
        .step();
    const auto payment = findPayment(id);
    return payment && payment->status == "TR_PROCESSED" && payment->acknowledged;
}

std::vector<std::string> ProviderStore::voidStalePayments(std::time_t before)
{
    std::vector<std::string> stale;
    {
        Statement find(m_db, "SELECT transactionid FROM payments WHERE acknowledged = 0 AND "
                             "changed < ? AND status IN ('TR_OPEN', 'TR_PENDING', "
                             "'TR_AUTH_CLIENT', 'TR_PROCESSED')");
        find.bind(1, static_cast<int64_t>(before));
        while (find.step())
            stale.push_back(find.text(0));
    }
    std::vector<std::string> voided;
    for (const std::string& id : stale)
        if (changePaymentStatusIf(id, {"TR_OPEN", "TR_PENDING", "TR_AUTH_CLIENT", "TR_PROCESSED"},
                                  "TR_VOIDED", "Order not confirmed in time", false, before))
            voided.push_back(id);
    return voided;
}

std::string ProviderStore::createShare(const std::string& accountId, const std::string& sessionId,
                                       const std::string& subject, const std::string& message,
                                       int previewSize, bool shareMeta)
{
    for (int attempt = 0; attempt < ID_ATTEMPTS; ++attempt) {
        const std::string id = SecureRandom::text(SHARE_ID_LENGTH, LOWER_ALPHANUMERIC);
        Statement insert(m_db, "INSERT INTO shares (shareid, accountid, sessionid, created, "
                               "subject, message, previewsize, sharemeta) "
                               "VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
        insert.bind(1, id)
            .bind(2, accountId)
            .bind(3, sessionId)
            .bind(4, now())
            .bind(5, subject)
            .bind(6, message)
            .bind(7, static_cast<int64_t>(previewSize))
            .bind(8, static_cast<int64_t>(shareMeta ? 1 : 0));
        if (insert.stepAllowingConstraint() == SQLITE_DONE)
            return id;
    }
    throw StoreError("Could not find a free share id");
}

namespace {

const char* const SHARE_COLUMNS = "SELECT shareid, accountid, subject, message, previewsize, "
                                  "sharemeta, closed FROM shares ";

} // namespace

std::optional<ProviderStore::StoredShare> ProviderStore::findShareWhere(const char* where,
                                                                        const std::string& value)
{
    Statement find(m_db, (std::string(SHARE_COLUMNS) + where).c_str());
    find.bind(1, value);
    if (!find.step())
        return std::nullopt;
    StoredShare share;
    share.id = find.text(0);
    share.accountId = find.text(1);
    share.subject = find.text(2);
    share.message = find.text(3);
    share.previewSize = static_cast<int>(find.integer(4));
    share.shareMeta = find.integer(5) != 0;
    share.closed = find.integer(6) != 0;
    return share;
}

std::optional<ProviderStore::StoredShare> ProviderStore::sessionShare(const std::string& sessionId)
{
    return findShareWhere("WHERE sessionid = ? ORDER BY created DESC, rowid DESC LIMIT 1",
                          sessionId);
}

std::optional<ProviderStore::StoredShare> ProviderStore::findShare(const std::string& shareId)
{
    return findShareWhere("WHERE shareid = ?", shareId);
}

std::vector<ProviderStore::ShareFile>
ProviderStore::addShareFiles(const std::string& shareId, const std::vector<ShareFile>& files)
{
    Transaction transaction(m_db);
    for (const ShareFile& file : files) {
        Statement(m_db, "INSERT OR IGNORE INTO sharefiles (shareid, clientref, filemodifytime, "
                        "metamodifytime, serveruuid) VALUES (?, ?, ?, ?, ?)")
            .bind(1, shareId)
            .bind(2, file.clientRef)
            .bind(3, file.fileModifyTime)
            .bind(4, file.metaModifyTime)
            .bind(5, SecureRandom::text(FILE_ID_LENGTH, LOWER_ALPHANUMERIC))
            .step();
    }
    transaction.commit();
    return shareFiles(shareId);
}

std::vector<ProviderStore::ShareFile> ProviderStore::shareFiles(const std::string& shareId)
{
    Statement list(m_db, "SELECT clientref, filemodifytime, metamodifytime, serveruuid, "
                         "registered, bytes, info FROM sharefiles WHERE shareid = ? "
                         "ORDER BY rowid");
    list.bind(1, shareId);
    std::vector<ShareFile> files;
    while (list.step())
        files.push_back({list.text(0), list.integer(1), list.integer(2), list.text(3),
                         list.integer(4) != 0, list.integer(5), list.text(6)});
    return files;
}

void ProviderStore::registerShareFile(const std::string& shareId, const std::string& serverUuid,
                                      int64_t bytes, const std::string& info)
{
    Statement(m_db, "UPDATE sharefiles SET registered = 1, bytes = ?, info = ? "
                    "WHERE shareid = ? AND serveruuid = ?")
        .bind(1, bytes)
        .bind(2, info)
        .bind(3, shareId)
        .bind(4, serverUuid)
        .step();
}

void ProviderStore::closeShare(const std::string& shareId)
{
    Statement(m_db, "UPDATE shares SET closed = 1 WHERE shareid = ?").bind(1, shareId).step();
}

ProviderStore::ShareRecipient ProviderStore::addShareRecipient(const std::string& shareId,
                                                               const std::string& method,
                                                               const std::string& recipient)
{
    // One statement decides: of two requests for one recipient at once, one adds it.
    ShareRecipient result;
    for (int attempt = 0; attempt < ID_ATTEMPTS; ++attempt) {
        Statement insert(m_db, "INSERT INTO sharerecipients (shareid, method, recipient, "
                               "accesstoken, created) VALUES (?, ?, ?, ?, ?)");
        insert.bind(1, shareId)
            .bind(2, method)
            .bind(3, recipient)
            .bind(4, SecureRandom::text(ACCESS_TOKEN_LENGTH, LOWER_ALPHANUMERIC))
            .bind(5, now());
        const int outcome = insert.stepAllowingConstraint();
        if (outcome == SQLITE_DONE) {
            result.added = true;
            break;
        }
        if (outcome == SQLITE_CONSTRAINT_PRIMARYKEY)
            break; // sent to this recipient before
    }
    Statement find(m_db, "SELECT accesstoken FROM sharerecipients WHERE shareid = ? AND "
                         "method = ? AND recipient = ?");
    find.bind(1, shareId).bind(2, method).bind(3, recipient);
    if (!find.step())
        throw StoreError("Could not find a free access token");
    result.shareId = shareId;
    result.method = method;
    result.recipient = recipient;
    result.accessToken = find.text(0);
    return result;
}

std::vector<ProviderStore::ShareRecipient>
ProviderStore::shareRecipients(const std::string& shareId)
{
    Statement list(m_db, "SELECT method, recipient, accesstoken FROM sharerecipients "
                         "WHERE shareid = ? ORDER BY rowid");
    list.bind(1, shareId);
    std::vector<ShareRecipient> recipients;
    while (list.step())
        recipients.push_back({shareId, list.text(0), list.text(1), list.text(2), true});
    return recipients;
}

std::optional<ProviderStore::ShareRecipient>
ProviderStore::recipientOfToken(const std::string& accessToken)
{
    Statement find(m_db, "SELECT shareid, method, recipient FROM sharerecipients "
                         "WHERE accesstoken = ?");
    find.bind(1, accessToken);
    if (!find.step())
        return std::nullopt;
    return ShareRecipient{find.text(0), find.text(1), find.text(2), accessToken, true};
}

} // namespace Provider

#include "ProviderStore.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <utility>
#include <vector>

#include <sqlite3.h>

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
    sqlite3_busy_timeout(m_db, BUSY_TIMEOUT_MS);
    try {
        // Readers do not wait for writers, and the workers' connections share the file.
        execute("PRAGMA journal_mode = WAL");
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

} // namespace Provider

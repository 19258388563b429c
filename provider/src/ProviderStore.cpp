#include "ProviderStore.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <random>

#include <sqlite3.h>

namespace Provider {

namespace {

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
)";

// Draws of a random id before giving up on finding a free one.
const int ID_ATTEMPTS = 5;

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

class ProviderStore::Statement {
public:
    Statement(sqlite3* db, const char* sql) : m_db(db)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK)
            throw StoreError(std::string("Database error: ") + sqlite3_errmsg(db));
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, const std::string& text)
    {
        sqlite3_bind_text(m_statement, index, text.c_str(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
        return *this;
    }
    Statement& bind(int index, int64_t value)
    {
        sqlite3_bind_int64(m_statement, index, value);
        return *this;
    }
    // True while there is a row.
    bool step()
    {
        const int result = sqlite3_step(m_statement);
        return check(result);
    }
    // Like step(), but a broken constraint comes back as SQLITE_CONSTRAINT_* instead of an
    // exception; otherwise SQLITE_ROW or SQLITE_DONE.
    int stepAllowingConstraint()
    {
        const int result = sqlite3_step(m_statement);
        if ((result & 0xff) == SQLITE_CONSTRAINT)
            return sqlite3_extended_errcode(m_db);
        return check(result) ? SQLITE_ROW : SQLITE_DONE;
    }
    std::string text(int column) const
    {
        const auto* value = sqlite3_column_text(m_statement, column);
        return value ? reinterpret_cast<const char*>(value) : std::string();
    }
    int64_t integer(int column) const { return sqlite3_column_int64(m_statement, column); }

private:
    bool check(int result) const
    {
        if (result == SQLITE_ROW)
            return true;
        if (result == SQLITE_DONE)
            return false;
        throw StoreError(std::string("Database error: ") + sqlite3_errmsg(m_db));
    }

    sqlite3* m_db;
    sqlite3_stmt* m_statement = nullptr;
};

ProviderStore::ProviderStore(const std::string& path)
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
    char* error = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "unknown error";
        sqlite3_free(error);
        throw StoreError("Database error: " + message);
    }
}

std::string ProviderStore::randomText(size_t length, const std::string& alphabet)
{
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    std::string text;
    for (size_t i = 0; i < length; ++i)
        text.push_back(alphabet[pick(generator)]);
    return text;
}

std::string ProviderStore::createToken(const std::string& text)
{
    const std::string id = randomText(24, "0123456789abcdef");
    Statement(m_db, "INSERT INTO tokens (tokenid, text, created) VALUES (?, ?, ?)")
        .bind(1, id)
        .bind(2, text)
        .bind(3, static_cast<int64_t>(std::time(nullptr)))
        .step();
    return id;
}

bool ProviderStore::takeToken(const std::string& id, const std::string& text)
{
    // One statement, so two requests with the same token cannot both find it.
    Statement take(m_db, "DELETE FROM tokens WHERE tokenid = ? RETURNING text");
    take.bind(1, id);
    if (!take.step())
        return false;
    const bool matches = normalised(take.text(0)) == normalised(text);
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
    account.password = password;
    account.info.emailAddress = email;
    // The table's uniqueness decides, not an earlier look: two requests for one address at
    // the same moment make one account. A taken id (unlikely) just draws another.
    for (int attempt = 0; attempt < ID_ATTEMPTS; ++attempt) {
        account.id = randomText(12, "0123456789");
        const int result = Statement(m_db, "INSERT INTO accounts (accountid, portalid, email, "
                                           "password, emailaddress) VALUES (?, ?, ?, ?, ?)")
                               .bind(1, account.id)
                               .bind(2, portalId)
                               .bind(3, email)
                               .bind(4, password)
                               .bind(5, email)
                               .stepAllowingConstraint();
        if (result == SQLITE_DONE)
            return account;
        if (result != SQLITE_CONSTRAINT_PRIMARYKEY)
            throw AccountExistsError("An account with this e-mail address exists");
    }
    throw StoreError("Could not draw a free account id");
}

std::optional<ProviderStore::Account>
ProviderStore::findWhere(const char* where, const std::string& a, const std::string& b)
{
    Statement find(m_db, (std::string(ACCOUNT_COLUMNS) + where).c_str());
    find.bind(1, a);
    if (!b.empty())
        find.bind(2, b);
    if (!find.step())
        return std::nullopt;
    Account account;
    account.id = find.text(0);
    account.portalId = find.text(1);
    account.email = find.text(2);
    account.password = find.text(3);
    account.info = {find.text(4), find.text(5), find.text(6), find.text(7),
                    find.text(8), find.text(9), find.text(10)};
    account.receiveEmail = find.integer(11) != 0;
    account.activatedPhone = find.text(12);
    return account;
}

std::optional<ProviderStore::Account> ProviderStore::findAccount(const std::string& portalId,
                                                                 const std::string& email)
{
    return findWhere("WHERE portalid = ? AND email = ?", portalId, email);
}

std::optional<ProviderStore::Account> ProviderStore::findById(const std::string& id)
{
    return findWhere("WHERE accountid = ?", id);
}

std::optional<ProviderStore::Account> ProviderStore::findByLogin(const std::string& login)
{
    if (auto account = findById(login))
        return account;
    return findWhere("WHERE email = ? ORDER BY accountid", login);
}

void ProviderStore::saveAccount(const Account& account)
{
    Statement(
        m_db,
        "UPDATE accounts SET name = ?, address = ?, postalcode = ?, city = ?, countrycode = ?, "
        "emailaddress = ?, mobilephone = ?, receiveemail = ?, activatedphone = ?, password = ? "
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
        .bind(10, account.password)
        .bind(11, account.id)
        .step();
}

std::string ProviderStore::createSession(const std::string& accountId)
{
    const std::string id = randomText(32, "0123456789abcdefghijklmnopqrstuvwxyz");
    Statement(m_db, "INSERT INTO sessions (sessionid, accountid, created) VALUES (?, ?, ?)")
        .bind(1, id)
        .bind(2, accountId)
        .bind(3, static_cast<int64_t>(std::time(nullptr)))
        .step();
    return id;
}

std::optional<std::string> ProviderStore::sessionAccount(const std::string& sessionId)
{
    Statement find(m_db, "SELECT accountid FROM sessions WHERE sessionid = ?");
    find.bind(1, sessionId);
    if (!find.step())
        return std::nullopt;
    return find.text(0);
}

void ProviderStore::closeSession(const std::string& sessionId)
{
    Statement(m_db, "DELETE FROM sessions WHERE sessionid = ?").bind(1, sessionId).step();
}

void ProviderStore::setActivationCode(const std::string& accountId, const std::string& phone,
                                      const std::string& code)
{
    Statement(m_db, "INSERT OR REPLACE INTO activations (accountid, phone, code) VALUES (?, ?, ?)")
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

std::optional<std::string> ProviderStore::takeActivationCode(const std::string& accountId,
                                                             const std::string& code)
{
    Statement find(m_db, "SELECT phone, code FROM activations WHERE accountid = ?");
    find.bind(1, accountId);
    if (!find.step() || normalised(find.text(1)) != normalised(code))
        return std::nullopt;
    const std::string phone = find.text(0);
    Statement(m_db, "DELETE FROM activations WHERE accountid = ?").bind(1, accountId).step();
    return phone;
}

} // namespace Provider

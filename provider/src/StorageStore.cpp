#include "StorageStore.h"

#include <sqlite3.h>

#include "ProviderStore.h"
#include "SecureRandom.h"
#include "SqlStatement.h"
#include "SqlTransaction.h"

namespace Provider {

namespace {

const char* const SCHEMA = R"(
CREATE TABLE IF NOT EXISTS ssfolders (
    accountid TEXT NOT NULL, serveruuid TEXT PRIMARY KEY, clientref TEXT NOT NULL,
    name TEXT NOT NULL DEFAULT '', description TEXT NOT NULL DEFAULT '',
    creationtime INTEGER NOT NULL, updatetime INTEGER NOT NULL, metamodifytime INTEGER NOT NULL,
    UNIQUE (accountid, clientref));
CREATE TABLE IF NOT EXISTS ssfiles (
    accountid TEXT NOT NULL, serveruuid TEXT PRIMARY KEY, folderuuid TEXT NOT NULL,
    clientref TEXT NOT NULL, filemodifytime INTEGER NOT NULL, metamodifytime INTEGER NOT NULL,
    name TEXT NOT NULL, size INTEGER NOT NULL, storagetype INTEGER NOT NULL,
    slots INTEGER NOT NULL, uploaded INTEGER NOT NULL, info TEXT NOT NULL,
    lastoperation INTEGER NOT NULL, UNIQUE (accountid, clientref));
CREATE INDEX IF NOT EXISTS ssfiles_folder ON ssfiles (folderuuid);
-- Stores of older providers summed the slots from this index.
CREATE INDEX IF NOT EXISTS ssfiles_account_slots ON ssfiles (accountid, slots);
CREATE TABLE IF NOT EXISTS sssubscriptions (
    accountid TEXT NOT NULL, transactionid TEXT PRIMARY KEY, type TEXT NOT NULL,
    slots INTEGER NOT NULL, period TEXT NOT NULL, price TEXT NOT NULL, currency TEXT NOT NULL,
    fromtime INTEGER NOT NULL DEFAULT 0, expires INTEGER NOT NULL DEFAULT 0,
    confirmed INTEGER NOT NULL DEFAULT 0);
)";

// The slots each account uses, asked at every reservation and registration: kept by the
// database itself as files come, change and go, instead of summed over all of an account's
// files each time (a first upload of many pictures would grow with their square).
const char* const SLOT_SUMS = R"(
CREATE TABLE ssslotsused (accountid TEXT PRIMARY KEY, slots INTEGER NOT NULL);
CREATE TRIGGER ssfiles_slots_added AFTER INSERT ON ssfiles BEGIN
    INSERT INTO ssslotsused (accountid, slots) VALUES (NEW.accountid, NEW.slots)
        ON CONFLICT (accountid) DO UPDATE SET slots = slots + NEW.slots;
END;
CREATE TRIGGER ssfiles_slots_removed AFTER DELETE ON ssfiles BEGIN
    UPDATE ssslotsused SET slots = slots - OLD.slots WHERE accountid = OLD.accountid;
END;
CREATE TRIGGER ssfiles_slots_changed AFTER UPDATE OF accountid, slots ON ssfiles BEGIN
    UPDATE ssslotsused SET slots = slots - OLD.slots WHERE accountid = OLD.accountid;
    INSERT INTO ssslotsused (accountid, slots) VALUES (NEW.accountid, NEW.slots)
        ON CONFLICT (accountid) DO UPDATE SET slots = slots + NEW.slots;
END;
INSERT INTO ssslotsused (accountid, slots)
    SELECT accountid, SUM(slots) FROM ssfiles GROUP BY accountid;
)";

const char* const LOWER_ALPHANUMERIC = "0123456789abcdefghijklmnopqrstuvwxyz";
const size_t SERVER_ID_LENGTH = 24;
const size_t TRANSACTION_ID_LENGTH = 20;

const char* const FOLDER_COLUMNS = "SELECT serveruuid, clientref, name, description, creationtime, "
                                   "updatetime, metamodifytime FROM ssfolders ";
const char* const FILE_COLUMNS =
    "SELECT serveruuid, folderuuid, clientref, filemodifytime, metamodifytime, name, size, "
    "storagetype, slots, uploaded, info, lastoperation FROM ssfiles ";
const char* const SUBSCRIPTION_COLUMNS = "SELECT transactionid, type, slots, period, price, "
                                         "currency, fromtime, expires, confirmed "
                                         "FROM sssubscriptions ";

StorageStore::Folder folderOf(const SqlStatement& row)
{
    return {row.text(0),    row.text(1),    row.text(2),   row.text(3),
            row.integer(4), row.integer(5), row.integer(6)};
}

StorageStore::File fileOf(const SqlStatement& row)
{
    StorageStore::File file;
    file.serverUuid = row.text(0);
    file.folderUuid = row.text(1);
    file.clientRef = row.text(2);
    file.fileModifyTime = row.integer(3);
    file.metaModifyTime = row.integer(4);
    file.name = row.text(5);
    file.size = row.integer(6);
    file.storageType = static_cast<int>(row.integer(7));
    file.slots = row.integer(8);
    file.uploaded = row.integer(9) != 0;
    file.info = row.text(10);
    file.lastOperationTime = row.integer(11);
    return file;
}

StorageStore::Subscription subscriptionOf(const SqlStatement& row)
{
    StorageStore::Subscription subscription;
    subscription.transactionId = row.text(0);
    subscription.type = row.text(1);
    subscription.slots = row.integer(2);
    subscription.period = row.text(3);
    subscription.price = std::stod(row.text(4));
    subscription.currency = row.text(5);
    subscription.from = row.integer(6);
    subscription.expires = row.integer(7);
    subscription.confirmed = row.integer(8) != 0;
    return subscription;
}

} // namespace

StorageStore::StorageStore(sqlite3* db, Clock clock) : m_db(db), m_clock(std::move(clock))
{
    SqlTransaction::execute(m_db, SCHEMA);
    const auto hasSlotSums = [this] {
        return SqlStatement(m_db, "SELECT 1 FROM sqlite_master WHERE name = 'ssslotsused'").step();
    };
    if (hasSlotSums())
        return;
    // Looked at again under the write lock: another connection may have been quicker.
    SqlTransaction transaction(m_db);
    if (hasSlotSums())
        return;
    // A store of an older provider has its sums made from the files it holds.
    SqlTransaction::execute(m_db, SLOT_SUMS);
    transaction.commit();
}

std::time_t StorageStore::now() const
{
    return m_clock ? m_clock() : std::time(nullptr);
}

std::vector<StorageStore::Folder> StorageStore::folders(const std::string& accountId)
{
    SqlStatement list(
        m_db,
        (std::string(FOLDER_COLUMNS) + "WHERE accountid = ? ORDER BY creationtime, rowid").c_str());
    list.bind(1, accountId);
    std::vector<Folder> result;
    while (list.step())
        result.push_back(folderOf(list));
    return result;
}

std::optional<StorageStore::Folder> StorageStore::findFolder(const std::string& accountId,
                                                             const std::string& serverUuid,
                                                             const std::string& clientRef)
{
    const bool byId = !serverUuid.empty();
    if (!byId && clientRef.empty())
        return std::nullopt;
    SqlStatement find(m_db, (std::string(FOLDER_COLUMNS) + "WHERE accountid = ? AND " +
                             (byId ? "serveruuid = ?" : "clientref = ?"))
                                .c_str());
    find.bind(1, accountId).bind(2, byId ? serverUuid : clientRef);
    if (!find.step())
        return std::nullopt;
    return folderOf(find);
}

StorageStore::Folder StorageStore::ensureFolder(const std::string& accountId,
                                                const std::string& clientRef,
                                                const std::string& name)
{
    SqlTransaction transaction(m_db);
    if (auto folder = findFolder(accountId, std::string(), clientRef))
        return *folder;
    const int64_t time = now();
    Folder folder{SecureRandom::text(SERVER_ID_LENGTH, LOWER_ALPHANUMERIC),
                  clientRef,
                  name,
                  std::string(),
                  time,
                  time,
                  0};
    SqlStatement(m_db, "INSERT INTO ssfolders (accountid, serveruuid, clientref, name, "
                       "creationtime, updatetime, metamodifytime) VALUES (?, ?, ?, ?, ?, ?, 0)")
        .bind(1, accountId)
        .bind(2, folder.serverUuid)
        .bind(3, clientRef)
        .bind(4, name)
        .bind(5, time)
        .bind(6, time)
        .step();
    transaction.commit();
    return folder;
}

void StorageStore::setFolderInfo(const std::string& accountId, const Folder& folder)
{
    SqlStatement(m_db, "UPDATE ssfolders SET name = ?, description = ?, metamodifytime = ? "
                       "WHERE accountid = ? AND serveruuid = ?")
        .bind(1, folder.name)
        .bind(2, folder.description)
        .bind(3, folder.metaModifyTime)
        .bind(4, accountId)
        .bind(5, folder.serverUuid)
        .step();
}

bool StorageStore::setFolderClientRef(const std::string& accountId, const std::string& serverUuid,
                                      const std::string& clientRef)
{
    return SqlStatement(m_db, "UPDATE ssfolders SET clientref = ? WHERE accountid = ? AND "
                              "serveruuid = ?")
               .bind(1, clientRef)
               .bind(2, accountId)
               .bind(3, serverUuid)
               .stepAllowingConstraint() == SQLITE_DONE;
}

int64_t StorageStore::updateTime(const std::string& accountId)
{
    SqlStatement find(m_db, "SELECT COALESCE(MAX(updatetime), 0) FROM ssfolders "
                            "WHERE accountid = ?");
    find.bind(1, accountId).step();
    return find.integer(0);
}

void StorageStore::touchFolder(const std::string& accountId, const std::string& folderUuid)
{
    // Later than before by at least a second, whatever the clock says.
    SqlStatement(m_db, "UPDATE ssfolders SET updatetime = MAX(?, updatetime + 1) "
                       "WHERE accountid = ? AND serveruuid = ?")
        .bind(1, static_cast<int64_t>(now()))
        .bind(2, accountId)
        .bind(3, folderUuid)
        .step();
}

std::vector<StorageStore::File> StorageStore::files(const std::string& accountId,
                                                    const std::string& folderUuid)
{
    SqlStatement list(
        m_db, (std::string(FILE_COLUMNS) + "WHERE accountid = ? AND folderuuid = ? ORDER BY rowid")
                  .c_str());
    list.bind(1, accountId).bind(2, folderUuid);
    std::vector<File> result;
    while (list.step())
        result.push_back(fileOf(list));
    return result;
}

std::optional<StorageStore::File> StorageStore::findFile(const std::string& accountId,
                                                         const std::string& serverUuid,
                                                         const std::string& clientRef)
{
    const bool byId = !serverUuid.empty();
    if (!byId && clientRef.empty())
        return std::nullopt;
    SqlStatement find(m_db, (std::string(FILE_COLUMNS) + "WHERE accountid = ? AND " +
                             (byId ? "serveruuid = ?" : "clientref = ?"))
                                .c_str());
    find.bind(1, accountId).bind(2, byId ? serverUuid : clientRef);
    if (!find.step())
        return std::nullopt;
    return fileOf(find);
}

StorageStore::File StorageStore::addFile(const std::string& accountId, File file)
{
    SqlTransaction transaction(m_db);
    insertFile(accountId, file);
    transaction.commit();
    return file;
}

std::optional<StorageStore::File> StorageStore::addFileWithin(const std::string& accountId,
                                                              File file, int64_t slotLimit)
{
    SqlTransaction transaction(m_db);
    if (usedSlots(accountId) + file.slots > slotLimit)
        return std::nullopt;
    insertFile(accountId, file);
    transaction.commit();
    return file;
}

void StorageStore::insertFile(const std::string& accountId, File& file)
{
    file.serverUuid = SecureRandom::text(SERVER_ID_LENGTH, LOWER_ALPHANUMERIC);
    SqlStatement(m_db, "INSERT INTO ssfiles (accountid, serveruuid, folderuuid, clientref, "
                       "filemodifytime, metamodifytime, name, size, storagetype, slots, "
                       "uploaded, info, lastoperation) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                       "?, ?)")
        .bind(1, accountId)
        .bind(2, file.serverUuid)
        .bind(3, file.folderUuid)
        .bind(4, file.clientRef)
        .bind(5, file.fileModifyTime)
        .bind(6, file.metaModifyTime)
        .bind(7, file.name)
        .bind(8, file.size)
        .bind(9, static_cast<int64_t>(file.storageType))
        .bind(10, file.slots)
        .bind(11, static_cast<int64_t>(file.uploaded ? 1 : 0))
        .bind(12, file.info)
        .bind(13, file.lastOperationTime)
        .step();
    touchFolder(accountId, file.folderUuid);
}

void StorageStore::saveFile(const std::string& accountId, const File& file)
{
    SqlTransaction transaction(m_db);
    SqlStatement(m_db, "UPDATE ssfiles SET filemodifytime = ?, metamodifytime = ?, name = ?, "
                       "size = ?, storagetype = ?, slots = ?, uploaded = ?, info = ? "
                       "WHERE accountid = ? AND serveruuid = ?")
        .bind(1, file.fileModifyTime)
        .bind(2, file.metaModifyTime)
        .bind(3, file.name)
        .bind(4, file.size)
        .bind(5, static_cast<int64_t>(file.storageType))
        .bind(6, file.slots)
        .bind(7, static_cast<int64_t>(file.uploaded ? 1 : 0))
        .bind(8, file.info)
        .bind(9, accountId)
        .bind(10, file.serverUuid)
        .step();
    touchFolder(accountId, file.folderUuid);
    transaction.commit();
}

void StorageStore::moveFile(const std::string& accountId, const File& file,
                            const std::string& folderUuid, int64_t operationTime)
{
    SqlTransaction transaction(m_db);
    SqlStatement(m_db, "UPDATE ssfiles SET folderuuid = ?, lastoperation = ? "
                       "WHERE accountid = ? AND serveruuid = ?")
        .bind(1, folderUuid)
        .bind(2, operationTime)
        .bind(3, accountId)
        .bind(4, file.serverUuid)
        .step();
    touchFolder(accountId, file.folderUuid);
    touchFolder(accountId, folderUuid);
    transaction.commit();
}

void StorageStore::removeFile(const std::string& accountId, const File& file)
{
    SqlTransaction transaction(m_db);
    SqlStatement(m_db, "DELETE FROM ssfiles WHERE accountid = ? AND serveruuid = ?")
        .bind(1, accountId)
        .bind(2, file.serverUuid)
        .step();
    touchFolder(accountId, file.folderUuid);
    transaction.commit();
}

void StorageStore::noteOperation(const std::string& accountId, const File& file,
                                 int64_t operationTime)
{
    SqlStatement(m_db, "UPDATE ssfiles SET lastoperation = MAX(lastoperation, ?) "
                       "WHERE accountid = ? AND serveruuid = ?")
        .bind(1, operationTime)
        .bind(2, accountId)
        .bind(3, file.serverUuid)
        .step();
}

bool StorageStore::setFileClientRef(const std::string& accountId, const std::string& serverUuid,
                                    const std::string& clientRef)
{
    return SqlStatement(m_db, "UPDATE ssfiles SET clientref = ? WHERE accountid = ? AND "
                              "serveruuid = ?")
               .bind(1, clientRef)
               .bind(2, accountId)
               .bind(3, serverUuid)
               .stepAllowingConstraint() == SQLITE_DONE;
}

int64_t StorageStore::usedSlots(const std::string& accountId)
{
    SqlStatement sum(m_db, "SELECT slots FROM ssslotsused WHERE accountid = ?");
    return sum.bind(1, accountId).step() ? sum.integer(0) : 0;
}

int64_t StorageStore::fileCount(const std::string& accountId)
{
    SqlStatement count(m_db, "SELECT COUNT(*) FROM ssfiles WHERE accountid = ?");
    count.bind(1, accountId).step();
    return count.integer(0);
}

std::string StorageStore::addSubscription(const std::string& accountId, Subscription subscription)
{
    if (subscription.transactionId.empty())
        subscription.transactionId = SecureRandom::text(TRANSACTION_ID_LENGTH, "0123456789ABCDEF");
    SqlStatement(m_db, "INSERT INTO sssubscriptions (accountid, transactionid, type, slots, "
                       "period, price, currency) VALUES (?, ?, ?, ?, ?, ?, ?)")
        .bind(1, accountId)
        .bind(2, subscription.transactionId)
        .bind(3, subscription.type)
        .bind(4, subscription.slots)
        .bind(5, subscription.period)
        .bind(6, std::to_string(subscription.price))
        .bind(7, subscription.currency)
        .step();
    return subscription.transactionId;
}

std::optional<StorageStore::Subscription>
StorageStore::findSubscription(const std::string& accountId, const std::string& transactionId)
{
    SqlStatement find(
        m_db,
        (std::string(SUBSCRIPTION_COLUMNS) + "WHERE accountid = ? AND transactionid = ?").c_str());
    find.bind(1, accountId).bind(2, transactionId);
    if (!find.step())
        return std::nullopt;
    return subscriptionOf(find);
}

StorageStore::Subscription StorageStore::confirmSubscription(const std::string& accountId,
                                                             const std::string& transactionId,
                                                             int64_t seconds)
{
    // Two confirmations at once must add the slots once.
    SqlTransaction transaction(m_db);
    const int64_t time = now();
    SqlStatement(m_db, "UPDATE sssubscriptions SET confirmed = 1, fromtime = ?, expires = ? "
                       "WHERE accountid = ? AND transactionid = ? AND confirmed = 0")
        .bind(1, time)
        .bind(2, time + seconds)
        .bind(3, accountId)
        .bind(4, transactionId)
        .step();
    auto subscription = findSubscription(accountId, transactionId);
    if (!subscription)
        throw StoreError("No such subscription: " + transactionId);
    transaction.commit();
    return *subscription;
}

std::vector<StorageStore::Subscription>
StorageStore::activeSubscriptions(const std::string& accountId)
{
    SqlStatement list(m_db, (std::string(SUBSCRIPTION_COLUMNS) +
                             "WHERE accountid = ? AND confirmed = 1 AND expires > ? "
                             "ORDER BY fromtime, rowid")
                                .c_str());
    list.bind(1, accountId).bind(2, static_cast<int64_t>(now()));
    std::vector<Subscription> result;
    while (list.step())
        result.push_back(subscriptionOf(list));
    return result;
}

int64_t StorageStore::leasedSlots(const std::string& accountId)
{
    int64_t slots = 0;
    for (const Subscription& subscription : activeSubscriptions(accountId))
        slots += subscription.slots;
    return slots;
}

} // namespace Provider

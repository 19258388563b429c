// The storage service ("safe storage"): sessions, each account's folders and the files stored
// in them counted in slots, the slot status, subscriptions of more slots, the client's own
// moves and deletions, and the file contents moved over the provider's own upload and download
// endpoints (FileTransfers) below "storage/".
//
// A subscription package with a price is paid through a transaction of the payment service
// opened by initiateSubscription; confirmSubscription adds its slots only once that payment is
// processed, and only once however often it is asked.
//
// Every operation but createSession needs a session. Times the client sends (file and metadata
// times) are kept as sent; a folder's update time is the provider's (StorageStore).
//
// The client's journal of moves and deletions may arrive twice (it is cleared only once the
// client's catalogue has committed): an operation on a file that is gone, a move to where the
// file is, or one older than the last operation applied to the file changes nothing. A batch
// with a malformed operation is refused whole, before anything of it is applied.

#include <unistd.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ProviderRequest.h"
#include "ProviderServer.h"
#include "ProviderStorageH.h"
#include "StorageStore.h"
#include "ordering/Money.h"

using Provider::ProviderRequest;
using Provider::ProviderStore;
using Provider::StorageStore;
using namespace ProviderStorage;

namespace {

const std::string TRANSFER_FOLDER = "storage";
// Longest client reference, folder name or description taken.
const size_t MAX_TEXT_BYTES = 4096;
const int64_t SECONDS_PER_YEAR = 365 * 24 * 3600;

struct Package {
    int slots;
    const char* period;
    // In cents, so what is charged is the price to the cent.
    int64_t priceCents;
    const char* currency;
};
// What can be rented, the period in years.
const Package PACKAGES[] = {
    {100, "1", 990, "EUR"},
    {500, "1", 3900, "EUR"},
    {1000, "2", 12900, "EUR"},
};

// The request's state for one storage call: its session's account, or the refusal.
struct Caller {
    ProviderRequest& request;
    std::optional<ProviderStore::Account> account;
    int status = SOAP_OK;

    explicit Caller(struct soap* soap) : request(ProviderRequest::of(soap))
    {
        account = request.requireSession(soap, status);
    }
    explicit operator bool() const { return account.has_value(); }
    const std::string& id() const { return account->id; }
    StorageStore& store() const { return request.store().storage(); }
    const Provider::ProviderConfig& config() const { return request.config(); }
};

int fault(struct soap* soap, const std::string& name, const std::string& text)
{
    return ProviderRequest::clientFault(soap, name, text);
}

bool tooLong(const std::string& text)
{
    return text.size() > MAX_TEXT_BYTES;
}

std::string transferPath(const Caller& caller, const std::string& serverUuid)
{
    return caller.request.server().dataDir() + "/uploads/" + caller.id() + "/" + TRANSFER_FOLDER +
           "/" + serverUuid;
}

void removeBytes(const Caller& caller, const std::string& serverUuid)
{
    ::unlink(transferPath(caller, serverUuid).c_str());
}

storage__SlotStatus* slotStatus(struct soap* soap, const Caller& caller)
{
    auto* status = soap_new_storage__SlotStatus(soap);
    const int64_t given = caller.config().givenStorageSlots;
    const int64_t leased = caller.store().leasedSlots(caller.id());
    const int64_t used = caller.store().usedSlots(caller.id());
    status->slotsize = static_cast<int>(caller.config().storageSlotBytes);
    status->givenslots = static_cast<int>(given);
    status->leasedslots = static_cast<int>(leased);
    status->freeleasedslots = static_cast<int>(std::max<int64_t>(0, given + leased - used));
    status->purchasedslots = 0;
    status->freepurchasedslots = 0;
    status->leasedfiles = static_cast<int>(caller.store().fileCount(caller.id()));
    status->purchasedfiles = 0;
    return status;
}

int64_t slotsFor(const Caller& caller, int64_t bytes)
{
    const int64_t slotBytes = caller.config().storageSlotBytes;
    return std::max<int64_t>(1, (bytes + slotBytes - 1) / slotBytes);
}

// A SOAP-encoded array of `items`, each made wire form by `convert`.
template <class Array, class Element, class Item, class Convert>
Array* wireArray(struct soap* soap, Array* (*newArray)(struct soap*, int),
                 Element* (*newElements)(struct soap*, int), const std::vector<Item>& items,
                 Convert convert)
{
    Array* array = newArray(soap, -1);
    array->__size = static_cast<int>(items.size());
    array->__ptr = items.empty() ? nullptr : newElements(soap, array->__size);
    for (size_t i = 0; i < items.size(); ++i)
        array->__ptr[i] = convert(items[i]);
    return array;
}

// Gives the folder or file `serverUuid` the reference `clientref` with `set`; a fault for an
// unusable or taken one.
int setClientRef(struct soap* soap, const Caller& caller, const std::string& serverUuid,
                 const std::string& clientref,
                 bool (StorageStore::*set)(const std::string&, const std::string&,
                                           const std::string&))
{
    if (clientref.empty() || tooLong(clientref))
        return fault(soap, "InvalidClientRef", "No usable client reference");
    if (!(caller.store().*set)(caller.id(), serverUuid, clientref))
        return fault(soap, "ClientRefTaken", "The reference " + clientref + " is taken");
    return SOAP_OK;
}

storage__SyncFolder syncFolderOf(const StorageStore::Folder& folder)
{
    storage__SyncFolder wire;
    wire.serveruuid = folder.serverUuid;
    wire.clientref = folder.clientRef;
    wire.foldername = folder.name;
    wire.updatetime = static_cast<time_t>(folder.updateTime);
    wire.metamodifytime = static_cast<time_t>(folder.metaModifyTime);
    return wire;
}

storage__SyncFile syncFileOf(const Caller& caller, const StorageStore::File& file)
{
    storage__SyncFile wire;
    wire.serveruuid = file.serverUuid;
    wire.clientref = file.clientRef;
    wire.filemodifytime = static_cast<time_t>(file.fileModifyTime);
    wire.metamodifytime = static_cast<time_t>(file.metaModifyTime);
    wire.filename = file.name;
    wire.filesize = static_cast<int>(file.size);
    wire.storagetype = static_cast<storage__StorageType>(file.storageType);
    const std::string name = TRANSFER_FOLDER + "/" + file.serverUuid;
    wire.uploadurl = caller.request.address("/upload/" + name);
    // Nothing to fetch before the first upload arrived.
    wire.downloadurl = file.uploaded ? caller.request.address("/download/" + name) : "";
    return wire;
}

// The metadata of a registration, kept as it came.
std::string infoJson(const storage__FileInfo& info)
{
    nlohmann::json json = {
        {"contenttype", info.contenttype},
        {"scanversion", info.scanversion},
        {"scanner", info.scanner},
        {"fileusermodified", info.fileusermodified},
        {"metausermodified", info.metausermodified},
        {"favorite", info.favorite},
        {"caption", info.caption},
        {"time", static_cast<int64_t>(info.time)},
        {"creator", info.creator},
        {"source", info.source},
        {"copyright", info.copyright},
        {"sublocation", info.sublocation},
        {"city", info.city},
        {"province", info.province},
        {"countrycode", info.countrycode},
        {"imagewidth", info.imagewidth},
        {"imageheight", info.imageheight},
        {"imagerotation", info.imagerotation},
    };
    if (info.timemask)
        json["timemask"] = {info.timemask->year, info.timemask->month,  info.timemask->day,
                            info.timemask->hour, info.timemask->minute, info.timemask->second};
    nlohmann::json keywords = nlohmann::json::array();
    for (int i = 0; info.keywords && info.keywords->__ptr && i < info.keywords->__size; ++i)
        keywords.push_back(info.keywords->__ptr[i]);
    json["keywords"] = keywords;
    // Texts that are not UTF-8 are kept with the bad bytes replaced.
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

storage__FileInfo* fileInfoOf(struct soap* soap, const StorageStore::File& file)
{
    auto* info = soap_new_storage__FileInfo(soap);
    info->serveruuid = file.serverUuid;
    info->clientref = file.clientRef;
    info->filemodifytime = static_cast<time_t>(file.fileModifyTime);
    info->metamodifytime = static_cast<time_t>(file.metaModifyTime);
    info->filename = file.name;
    info->filesize = static_cast<int>(file.size);
    const auto json = nlohmann::json::parse(file.info, nullptr, false);
    const auto text = [&](const char* key) { return json.value(key, std::string()); };
    const auto number = [&](const char* key) { return json.value(key, 0); };
    const auto flag = [&](const char* key) { return json.value(key, false); };
    info->contenttype = text("contenttype");
    info->scanversion = number("scanversion");
    info->scanner = text("scanner");
    info->fileusermodified = flag("fileusermodified");
    info->metausermodified = flag("metausermodified");
    info->favorite = flag("favorite");
    info->caption = text("caption");
    info->time = static_cast<time_t>(json.value("time", int64_t{0}));
    info->timemask = soap_new_storage__TimeMask(soap);
    const auto mask = json.value("timemask", std::vector<bool>(6, false));
    if (mask.size() == 6) {
        info->timemask->year = mask[0];
        info->timemask->month = mask[1];
        info->timemask->day = mask[2];
        info->timemask->hour = mask[3];
        info->timemask->minute = mask[4];
        info->timemask->second = mask[5];
    }
    info->creator = text("creator");
    info->source = text("source");
    info->copyright = text("copyright");
    info->sublocation = text("sublocation");
    info->city = text("city");
    info->province = text("province");
    info->countrycode = text("countrycode");
    info->imagewidth = number("imagewidth");
    info->imageheight = number("imageheight");
    info->imagerotation = number("imagerotation");
    const auto keywords = json.value("keywords", std::vector<std::string>());
    info->keywords = wireArray(soap, soap_new_StringArray, soap_new_std__string, keywords,
                               [](const std::string& keyword) { return keyword; });
    return info;
}

// The folder a request names; a fault in `status` when there is none.
std::optional<StorageStore::Folder> requireFolder(struct soap* soap, Caller& caller,
                                                  const storage__FolderId* id)
{
    std::optional<StorageStore::Folder> folder;
    if (id)
        folder = caller.store().findFolder(caller.id(), id->serveruuid, id->clientref);
    if (!folder)
        caller.status = fault(soap, "UnknownFolder", "No such folder in safe storage");
    return folder;
}

std::optional<StorageStore::File> requireFile(struct soap* soap, Caller& caller,
                                              const storage__FileId* id)
{
    std::optional<StorageStore::File> file;
    if (id)
        file = caller.store().findFile(caller.id(), id->serveruuid, id->clientref);
    if (!file)
        caller.status = fault(soap, "UnknownFile", "No such file in safe storage");
    return file;
}

// A fault for the first malformed operation of a batch; SOAP_OK when all are sound.
int checkOperations(struct soap* soap, const ClientOperationArray& operations)
{
    for (int i = 0; i < operations.__size; ++i) {
        const storage__ClientOperation& operation = operations.__ptr[i];
        const std::string where = "Operation " + std::to_string(i + 1) + ": ";
        if (operation.type != MOVE && operation.type != DELETE)
            return fault(soap, "InvalidOperation", where + "unknown type");
        if (operation.fileclientref.empty() || tooLong(operation.fileclientref))
            return fault(soap, "InvalidOperation", where + "no file reference");
        if (operation.type == MOVE &&
            (operation.folderclientref.empty() || tooLong(operation.folderclientref)))
            return fault(soap, "InvalidOperation", where + "a move needs a folder reference");
    }
    return SOAP_OK;
}

// Applies one sound operation; false when it changed nothing.
bool applyOperation(Caller& caller, const storage__ClientOperation& operation)
{
    StorageStore& store = caller.store();
    const auto file = store.findFile(caller.id(), std::string(), operation.fileclientref);
    const int64_t time = static_cast<int64_t>(operation.time);
    if (!file || time < file->lastOperationTime)
        return false;
    if (operation.type == DELETE) {
        store.removeFile(caller.id(), *file);
        removeBytes(caller, file->serverUuid);
        return true;
    }
    const auto folder = store.ensureFolder(caller.id(), operation.folderclientref, std::string());
    if (folder.serverUuid == file->folderUuid) {
        store.noteOperation(caller.id(), *file, time);
        return false;
    }
    store.moveFile(caller.id(), *file, folder.serverUuid, time);
    return true;
}

} // namespace

int ProviderStorage::storage__createSession(struct soap* soap,
                                            storage__createSessionResponse& result)
{
    int status = SOAP_OK;
    ProviderRequest& request = ProviderRequest::of(soap);
    if (const auto account = request.requireAccount(status))
        result.sessionid = request.store().createSession(account->id);
    return status;
}

int ProviderStorage::storage__closeSession(struct soap* soap, storage__closeSessionResponse&)
{
    Caller caller(soap);
    if (caller)
        caller.request.store().closeSession(caller.request.sessionId());
    return caller.status;
}

int ProviderStorage::storage__getSlotStatus(struct soap* soap,
                                            storage__getSlotStatusResponse& result)
{
    Caller caller(soap);
    if (caller)
        result.slotstatus = slotStatus(soap, caller);
    return caller.status;
}

int ProviderStorage::storage__reserveSlots(struct soap* soap, storage__SyncFolder* syncfolder,
                                           storage__SyncFile* syncfile,
                                           storage__reserveSlotsResponse& result)
{
    Caller caller(soap);
    if (!caller)
        return caller.status;
    if (!syncfolder || !syncfile || syncfolder->clientref.empty() || syncfile->clientref.empty())
        return fault(soap, "MissingData", "No folder or file reference");
    caller.request.arguments({{"folder", syncfolder->clientref},
                              {"file", syncfile->clientref},
                              {"filesize", std::to_string(syncfile->filesize)}});
    if (tooLong(syncfolder->clientref) || tooLong(syncfile->clientref) ||
        tooLong(syncfolder->foldername) || tooLong(syncfile->filename))
        return fault(soap, "TextTooLong", "A reference or name is too long");
    if (syncfile->filesize < 0)
        return fault(soap, "FileSize", "A file cannot have a negative size");
    StorageStore& store = caller.store();
    // Reserving again for a file stored already takes nothing more.
    if (!store.findFile(caller.id(), std::string(), syncfile->clientref)) {
        const int64_t slots = slotsFor(caller, syncfile->filesize);
        const int64_t limit = caller.config().givenStorageSlots + store.leasedSlots(caller.id());
        const auto refuse = [&] {
            const int64_t free = std::max<int64_t>(0, limit - store.usedSlots(caller.id()));
            return fault(soap, "InsufficientSlots",
                         "Not enough free slots: " + std::to_string(slots) + " needed, " +
                             std::to_string(free) + " free");
        };
        // Looked at first, so a refusal leaves no empty folder behind.
        if (store.usedSlots(caller.id()) + slots > limit)
            return refuse();
        StorageStore::File file;
        file.folderUuid =
            store.ensureFolder(caller.id(), syncfolder->clientref, syncfolder->foldername)
                .serverUuid;
        file.clientRef = syncfile->clientref;
        file.name = syncfile->filename;
        file.size = syncfile->filesize;
        file.slots = slots;
        if (!store.addFileWithin(caller.id(), file, limit))
            return refuse();
    }
    result.slotstatus = slotStatus(soap, caller);
    return SOAP_OK;
}

int ProviderStorage::storage__releaseSlots(struct soap* soap, storage__FileId* fileid,
                                           storage__releaseSlotsResponse& result)
{
    Caller caller(soap);
    if (!caller)
        return caller.status;
    if (!fileid)
        return fault(soap, "MissingData", "No file id");
    caller.request.arguments(
        {{"serveruuid", fileid->serveruuid}, {"clientref", fileid->clientref}});
    // Releasing a file that is not stored leaves it not stored.
    if (const auto file =
            caller.store().findFile(caller.id(), fileid->serveruuid, fileid->clientref)) {
        caller.store().removeFile(caller.id(), *file);
        removeBytes(caller, file->serverUuid);
    }
    result.slotstatus = slotStatus(soap, caller);
    return SOAP_OK;
}

int ProviderStorage::storage__getActiveSubscriptions(
    struct soap* soap, storage__getActiveSubscriptionsResponse& result)
{
    Caller caller(soap);
    if (!caller)
        return caller.status;
    auto subscriptions = caller.store().activeSubscriptions(caller.id());
    // The free slots first, which never expire.
    StorageStore::Subscription given;
    given.type = "free";
    given.slots = caller.config().givenStorageSlots;
    given.currency = "EUR";
    subscriptions.insert(subscriptions.begin(), given);
    result.subscriptions =
        wireArray(soap, soap_new_SubscriptionArray, soap_new_storage__Subscription, subscriptions,
                  [](const StorageStore::Subscription& subscription) {
                      storage__Subscription wire;
                      wire.type = subscription.type;
                      wire.slots = static_cast<int>(subscription.slots);
                      wire.from = static_cast<time_t>(subscription.from);
                      wire.expires = static_cast<time_t>(subscription.expires);
                      wire.price = subscription.price;
                      wire.currency = subscription.currency;
                      return wire;
                  });
    return SOAP_OK;
}

int ProviderStorage::storage__getSubscriptionPackages(
    struct soap* soap, storage__getSubscriptionPackagesResponse& result)
{
    Caller caller(soap);
    if (!caller)
        return caller.status;
    const int slotBytes = static_cast<int>(caller.config().storageSlotBytes);
    result.packages =
        wireArray(soap, soap_new_SubscriptionPackageArray, soap_new_storage__SubscriptionPackage,
                  std::vector<Package>(std::begin(PACKAGES), std::end(PACKAGES)),
                  [&](const Package& package) {
                      storage__SubscriptionPackage wire;
                      wire.slots = package.slots;
                      wire.slotsize = slotBytes;
                      wire.period = package.period;
                      wire.price = static_cast<double>(package.priceCents) / 100;
                      wire.currency = package.currency;
                      return wire;
                  });
    return SOAP_OK;
}

int ProviderStorage::storage__initiateSubscription(struct soap* soap, int slots, std::string period,
                                                   storage__initiateSubscriptionResponse& result)
{
    Caller caller(soap);
    if (!caller)
        return caller.status;
    caller.request.arguments({{"slots", std::to_string(slots)}, {"period", period}});
    const auto* package = std::find_if(std::begin(PACKAGES), std::end(PACKAGES), [&](auto& p) {
        return p.slots == slots && period == p.period;
    });
    if (package == std::end(PACKAGES))
        return fault(soap, "UnknownPackage", "No such subscription package");
    StorageStore::Subscription subscription;
    subscription.type = "rented";
    subscription.slots = package->slots;
    subscription.period = package->period;
    subscription.price = static_cast<double>(package->priceCents) / 100;
    subscription.currency = package->currency;
    // A package with a price is paid through a transaction of the payment service, whose id
    // the subscription takes; a free one has nothing to pay.
    if (package->priceCents > 0) {
        ProviderStore::Payment payment;
        payment.amountUnits = package->priceCents * (Brenmarle::Money::UNITS_PER_WHOLE / 100);
        payment.currency = package->currency;
        payment.description = "Safe storage: " + std::to_string(package->slots) +
                              " picture slots for " + std::string(package->period) +
                              (std::string(package->period) == "1" ? " year" : " years");
        payment.merchantData = "storage:" + caller.id();
        subscription.transactionId = caller.request.store().createPayment(payment);
    }
    result.transactionid = caller.store().addSubscription(caller.id(), subscription);
    result.paymentserver = caller.request.paymentServer();
    return SOAP_OK;
}

int ProviderStorage::storage__confirmSubscription(struct soap* soap, std::string transactionid,
                                                  storage__confirmSubscriptionResponse& result)
{
    Caller caller(soap);
    if (!caller)
        return caller.status;
    caller.request.arguments({{"transactionid", transactionid}});
    const auto pending = caller.store().findSubscription(caller.id(), transactionid);
    if (!pending)
        return fault(soap, "UnknownTransaction", "No such subscription transaction");
    // The slots come only with a processed payment, which confirming acknowledges so the
    // provider's sweep no longer voids it. A repeated confirmation (a retry after a lost
    // reply) finds it acknowledged and adds nothing.
    if (pending->price > 0 && !caller.request.store().acknowledgePayment(transactionid))
        return fault(soap, "NotPaid", "The subscription has not been paid");
    const auto confirmed = caller.store().confirmSubscription(
        caller.id(), transactionid, std::stoll(pending->period) * SECONDS_PER_YEAR);
    result.newslots = static_cast<int>(confirmed.slots);
    result.expires = static_cast<time_t>(confirmed.expires);
    result.slotstatus = slotStatus(soap, caller);
    return SOAP_OK;
}

int ProviderStorage::storage__applyClientOperations(struct soap* soap,
                                                    ClientOperationArray* operations,
                                                    storage__applyClientOperationsResponse&)
{
    Caller caller(soap);
    if (!caller)
        return caller.status;
    const int count = operations && operations->__ptr ? operations->__size : 0;
    caller.request.arguments({{"operations", std::to_string(count)}});
    if (count == 0)
        return SOAP_OK;
    if (const int refused = checkOperations(soap, *operations))
        return refused;
    int applied = 0;
    for (int i = 0; i < count; ++i)
        applied += applyOperation(caller, operations->__ptr[i]) ? 1 : 0;
    caller.request.arguments(
        {{"operations", std::to_string(count)}, {"applied", std::to_string(applied)}});
    return SOAP_OK;
}

int ProviderStorage::storage__getUpdateTime(struct soap* soap,
                                            storage__getUpdateTimeResponse& result)
{
    Caller caller(soap);
    if (caller)
        result.updatetime = static_cast<time_t>(caller.store().updateTime(caller.id()));
    return caller.status;
}

int ProviderStorage::storage__getFolderList(struct soap* soap,
                                            storage__getFolderListResponse& result)
{
    Caller caller(soap);
    if (!caller)
        return caller.status;
    result.folderlist = wireArray(soap, soap_new_SyncFolderArray, soap_new_storage__SyncFolder,
                                  caller.store().folders(caller.id()), syncFolderOf);
    return SOAP_OK;
}

int ProviderStorage::storage__setFolderClientRef(struct soap* soap, storage__FolderId* folderid,
                                                 std::string clientref,
                                                 storage__setFolderClientRefResponse&)
{
    Caller caller(soap);
    if (!caller)
        return caller.status;
    caller.request.arguments({{"clientref", clientref}});
    const auto folder = requireFolder(soap, caller, folderid);
    if (!folder)
        return caller.status;
    return setClientRef(soap, caller, folder->serverUuid, clientref,
                        &StorageStore::setFolderClientRef);
}

int ProviderStorage::storage__getFolderInfo(struct soap* soap, storage__FolderId* folderid,
                                            storage__getFolderInfoResponse& result)
{
    Caller caller(soap);
    if (!caller)
        return caller.status;
    const auto folder = requireFolder(soap, caller, folderid);
    if (!folder)
        return caller.status;
    result.folderinfo = soap_new_storage__FolderInfo(soap);
    result.folderinfo->foldername = folder->name;
    result.folderinfo->description = folder->description;
    result.folderinfo->creationtime = static_cast<time_t>(folder->creationTime);
    result.folderinfo->updatetime = static_cast<time_t>(folder->updateTime);
    result.folderinfo->metamodifytime = static_cast<time_t>(folder->metaModifyTime);
    return SOAP_OK;
}

int ProviderStorage::storage__setFolderInfo(struct soap* soap, storage__FolderId* folderid,
                                            storage__FolderInfo* folderinfo,
                                            storage__setFolderInfoResponse&)
{
    Caller caller(soap);
    if (!caller)
        return caller.status;
    auto folder = requireFolder(soap, caller, folderid);
    if (!folder)
        return caller.status;
    if (!folderinfo)
        return fault(soap, "MissingData", "No folder information");
    if (tooLong(folderinfo->foldername) || tooLong(folderinfo->description))
        return fault(soap, "TextTooLong", "A name or description is too long");
    folder->name = folderinfo->foldername;
    folder->description = folderinfo->description;
    folder->metaModifyTime = static_cast<int64_t>(folderinfo->metamodifytime);
    caller.store().setFolderInfo(caller.id(), *folder);
    return SOAP_OK;
}

int ProviderStorage::storage__getFileList(struct soap* soap, storage__FolderId* folderid,
                                          storage__getFileListResponse& result)
{
    Caller caller(soap);
    if (!caller)
        return caller.status;
    const auto folder = requireFolder(soap, caller, folderid);
    if (!folder)
        return caller.status;
    result.filelist =
        wireArray(soap, soap_new_SyncFileArray, soap_new_storage__SyncFile,
                  caller.store().files(caller.id(), folder->serverUuid),
                  [&](const StorageStore::File& file) { return syncFileOf(caller, file); });
    return SOAP_OK;
}

int ProviderStorage::storage__setFileClientRef(struct soap* soap, storage__FileId* fileid,
                                               std::string clientref,
                                               storage__setFileClientRefResponse&)
{
    Caller caller(soap);
    if (!caller)
        return caller.status;
    caller.request.arguments({{"clientref", clientref}});
    const auto file = requireFile(soap, caller, fileid);
    if (!file)
        return caller.status;
    return setClientRef(soap, caller, file->serverUuid, clientref, &StorageStore::setFileClientRef);
}

int ProviderStorage::storage__getFileInfo(struct soap* soap, storage__FileId* fileid,
                                          storage__getFileInfoResponse& result)
{
    Caller caller(soap);
    if (!caller)
        return caller.status;
    const auto file = requireFile(soap, caller, fileid);
    if (!file)
        return caller.status;
    result.fileinfo = fileInfoOf(soap, *file);
    return SOAP_OK;
}

int ProviderStorage::storage__registerFile(struct soap* soap, storage__FileId* fileid,
                                           storage__FileInfo* fileinfo, bool uploaded,
                                           storage__registerFileResponse&)
{
    Caller caller(soap);
    if (!caller)
        return caller.status;
    caller.request.arguments({{"serveruuid", fileid ? fileid->serveruuid : std::string()},
                              {"clientref", fileid ? fileid->clientref : std::string()},
                              {"uploaded", uploaded ? "true" : "false"}});
    auto file = requireFile(soap, caller, fileid);
    if (!file)
        return caller.status;
    if (!fileinfo)
        return fault(soap, "MissingData", "No file information");
    if (uploaded) {
        struct stat info;
        if (::stat(transferPath(caller, file->serverUuid).c_str(), &info) != 0)
            return fault(soap, "FileNotUploaded", "The file has not been uploaded");
        // What the client says it sent must be what arrived (the upload endpoint checked the
        // bytes against their MD5 already).
        if (fileinfo->filesize != info.st_size)
            return fault(soap, "FileSize",
                         "The file uploaded has " + std::to_string(info.st_size) + " bytes, not " +
                             std::to_string(fileinfo->filesize));
        const int64_t slots = slotsFor(caller, info.st_size);
        const int64_t free = caller.config().givenStorageSlots +
                             caller.store().leasedSlots(caller.id()) -
                             caller.store().usedSlots(caller.id()) + file->slots;
        if (slots > free)
            return fault(soap, "InsufficientSlots", "Not enough free slots for the new version");
        file->size = info.st_size;
        file->slots = slots;
        file->fileModifyTime = static_cast<int64_t>(fileinfo->filemodifytime);
        file->uploaded = true;
    }
    if (!fileinfo->filename.empty() && !tooLong(fileinfo->filename))
        file->name = fileinfo->filename;
    file->metaModifyTime = static_cast<int64_t>(fileinfo->metamodifytime);
    file->info = infoJson(*fileinfo);
    caller.store().saveFile(caller.id(), *file);
    return SOAP_OK;
}

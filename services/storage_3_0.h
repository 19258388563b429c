// Storage service 3.0: the user's safe storage, folders and files with their metadata counted in
// storage slots, rented or bought as subscriptions.

//gsoap storage service name: Storage
//gsoap storage service style: rpc
//gsoap storage service encoding: encoded
//gsoap storage service namespace: http://vistrelle.net/service/storage/3.0
//gsoap storage schema namespace: http://vistrelle.net/service/storage/3.0

typedef std::string xsd__string;
typedef time_t xsd__dateTime;
typedef bool xsd__boolean;
typedef int xsd__int;
typedef double xsd__double;

// soapcpp2 writes a single underscore of a name as "-"; "_USCORE" is its spelling of "_", so
// the values go out as NO_SAFE_STORAGE, RENTED_STORAGE and PURCHASED_STORAGE.
enum storage__StorageType {
    NO_USCORESAFE_USCORESTORAGE = 0,
    RENTED_USCORESTORAGE = 1,
    PURCHASED_USCORESTORAGE = 2
};
enum storage__ClientOperationType { MOVE = 0, DELETE = 1 };

// Array types carry no prefix: soapcpp2 makes SOAP-encoded arrays (SOAP-ENC:arrayType, "item"
// elements) only of unprefixed __ptr/__size structs.
struct StringArray {
    xsd__string *__ptr;
    int __size;
};

struct storage__FolderId {
    xsd__string serveruuid;
    xsd__string clientref;
};

struct storage__FolderInfo {
    xsd__string foldername;
    xsd__string description;
    xsd__dateTime creationtime;
    xsd__dateTime updatetime;
    xsd__dateTime metamodifytime;
};

struct storage__SyncFolder {
    xsd__string serveruuid;
    xsd__string clientref;
    xsd__string foldername;
    xsd__dateTime updatetime;
    xsd__dateTime metamodifytime;
};

struct storage__FileId {
    xsd__string serveruuid;
    xsd__string clientref;
    xsd__dateTime filemodifytime;
    xsd__dateTime metamodifytime;
};

struct storage__SyncFile {
    xsd__string serveruuid;
    xsd__string clientref;
    xsd__dateTime filemodifytime;
    xsd__dateTime metamodifytime;
    xsd__string filename;
    xsd__int filesize;
    enum storage__StorageType storagetype;
    xsd__string uploadurl;
    xsd__string downloadurl;
};

struct storage__TimeMask {
    xsd__boolean year;
    xsd__boolean month;
    xsd__boolean day;
    xsd__boolean hour;
    xsd__boolean minute;
    xsd__boolean second;
};

struct storage__FileInfo {
    xsd__string serveruuid;
    xsd__string clientref;
    xsd__dateTime filemodifytime;
    xsd__dateTime metamodifytime;
    xsd__string filename;
    xsd__int filesize;
    xsd__string contenttype;
    xsd__int scanversion;
    xsd__string scanner;
    xsd__boolean fileusermodified;
    xsd__boolean metausermodified;
    xsd__boolean favorite;
    xsd__string caption;
    xsd__dateTime time;
    struct storage__TimeMask *timemask;
    xsd__string creator;
    xsd__string source;
    xsd__string copyright;
    xsd__string sublocation;
    xsd__string city;
    xsd__string province;
    xsd__string countrycode;
    struct StringArray *keywords;
    xsd__int imagewidth;
    xsd__int imageheight;
    xsd__int imagerotation;
};

struct storage__ClientOperation {
    enum storage__ClientOperationType type;
    xsd__dateTime time;
    xsd__string fileclientref;
    xsd__string folderclientref;
};

struct storage__SlotStatus {
    xsd__int slotsize;
    xsd__int freeleasedslots;
    xsd__int freepurchasedslots;
    xsd__int givenslots;
    xsd__int leasedslots;
    xsd__int purchasedslots;
    xsd__int leasedfiles;
    xsd__int purchasedfiles;
};

struct storage__SubscriptionPackage {
    xsd__int slots;
    xsd__int slotsize;
    xsd__string period;
    xsd__double price;
    xsd__string currency;
};

struct storage__Subscription {
    xsd__string type;
    xsd__int slots;
    xsd__dateTime from;
    xsd__dateTime expires;
    xsd__double price;
    xsd__string currency;
};

struct SyncFolderArray {
    struct storage__SyncFolder *__ptr;
    int __size;
};
struct SyncFileArray {
    struct storage__SyncFile *__ptr;
    int __size;
};
struct FileIdArray {
    struct storage__FileId *__ptr;
    int __size;
};
struct ClientOperationArray {
    struct storage__ClientOperation *__ptr;
    int __size;
};
struct SubscriptionArray {
    struct storage__Subscription *__ptr;
    int __size;
};
struct SubscriptionPackageArray {
    struct storage__SubscriptionPackage *__ptr;
    int __size;
};

struct storage__createSessionResponse {
    xsd__string sessionid;
};
int storage__createSession(struct storage__createSessionResponse &result);

struct storage__closeSessionResponse {
};
int storage__closeSession(struct storage__closeSessionResponse &result);

struct storage__getSlotStatusResponse {
    struct storage__SlotStatus *slotstatus;
};
int storage__getSlotStatus(struct storage__getSlotStatusResponse &result);

struct storage__reserveSlotsResponse {
    struct storage__SlotStatus *slotstatus;
};
int storage__reserveSlots(struct storage__SyncFolder *syncfolder, struct storage__SyncFile *syncfile,
                          struct storage__reserveSlotsResponse &result);

struct storage__releaseSlotsResponse {
    struct storage__SlotStatus *slotstatus;
};
int storage__releaseSlots(struct storage__FileId *fileid, struct storage__releaseSlotsResponse &result);

struct storage__getActiveSubscriptionsResponse {
    struct SubscriptionArray *subscriptions;
};
int storage__getActiveSubscriptions(struct storage__getActiveSubscriptionsResponse &result);

struct storage__getSubscriptionPackagesResponse {
    struct SubscriptionPackageArray *packages;
};
int storage__getSubscriptionPackages(struct storage__getSubscriptionPackagesResponse &result);

struct storage__initiateSubscriptionResponse {
    xsd__string paymentserver;
    xsd__string transactionid;
};
int storage__initiateSubscription(xsd__int slots, xsd__string period,
                                  struct storage__initiateSubscriptionResponse &result);

struct storage__confirmSubscriptionResponse {
    xsd__int newslots;
    xsd__dateTime expires;
    struct storage__SlotStatus *slotstatus;
};
int storage__confirmSubscription(xsd__string transactionid,
                                 struct storage__confirmSubscriptionResponse &result);

struct storage__applyClientOperationsResponse {
};
int storage__applyClientOperations(struct ClientOperationArray *operations,
                                   struct storage__applyClientOperationsResponse &result);

struct storage__getUpdateTimeResponse {
    xsd__dateTime updatetime;
};
int storage__getUpdateTime(struct storage__getUpdateTimeResponse &result);

struct storage__getFolderListResponse {
    struct SyncFolderArray *folderlist;
};
int storage__getFolderList(struct storage__getFolderListResponse &result);

struct storage__setFolderClientRefResponse {
};
int storage__setFolderClientRef(struct storage__FolderId *folderid, xsd__string clientref,
                                struct storage__setFolderClientRefResponse &result);

struct storage__getFolderInfoResponse {
    struct storage__FolderInfo *folderinfo;
};
int storage__getFolderInfo(struct storage__FolderId *folderid, struct storage__getFolderInfoResponse &result);

struct storage__setFolderInfoResponse {
};
int storage__setFolderInfo(struct storage__FolderId *folderid, struct storage__FolderInfo *folderinfo,
                           struct storage__setFolderInfoResponse &result);

struct storage__getFileListResponse {
    struct SyncFileArray *filelist;
};
int storage__getFileList(struct storage__FolderId *folderid, struct storage__getFileListResponse &result);

struct storage__setFileClientRefResponse {
};
int storage__setFileClientRef(struct storage__FileId *fileid, xsd__string clientref,
                              struct storage__setFileClientRefResponse &result);

struct storage__getFileInfoResponse {
    struct storage__FileInfo *fileinfo;
};
int storage__getFileInfo(struct storage__FileId *fileid, struct storage__getFileInfoResponse &result);

struct storage__registerFileResponse {
};
int storage__registerFile(struct storage__FileId *fileid, struct storage__FileInfo *fileinfo,
                          xsd__boolean uploaded, struct storage__registerFileResponse &result);

// Ordering service 3.0: orders for prints and photo products, created against a price list,
// described by an XML document, with the pictures the service asks for and payment.

//gsoap ordering service name: Ordering
//gsoap ordering service style: rpc
//gsoap ordering service encoding: encoded
//gsoap ordering service namespace: http://vistrelle.net/service/ordering/3.0
//gsoap ordering schema namespace: http://vistrelle.net/service/ordering/3.0

typedef std::string xsd__string;
typedef time_t xsd__dateTime;
typedef bool xsd__boolean;
typedef int xsd__int;
typedef double xsd__double;

// Array types carry no prefix: soapcpp2 makes SOAP-encoded arrays (SOAP-ENC:arrayType, "item"
// elements) only of unprefixed __ptr/__size structs.
struct StringArray {
    xsd__string *__ptr;
    int __size;
};

struct ordering__FileId {
    xsd__string serveruuid;
    xsd__string clientref;
    xsd__dateTime filemodifytime;
    xsd__dateTime metamodifytime;
};

struct ordering__TimeMask {
    xsd__boolean year;
    xsd__boolean month;
    xsd__boolean day;
    xsd__boolean hour;
    xsd__boolean minute;
    xsd__boolean second;
};
struct ordering__FileInfo {
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
    struct ordering__TimeMask *timemask;
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

struct ordering__FileUpload {
    xsd__string uploadurl;
    struct ordering__FileId *fileid;
};

struct FileIdArray {
    struct ordering__FileId *__ptr;
    int __size;
};
struct FileUploadArray {
    struct ordering__FileUpload *__ptr;
    int __size;
};

struct ordering__createSessionResponse {
    xsd__string sessionid;
};
int ordering__createSession(struct ordering__createSessionResponse &result);

struct ordering__closeSessionResponse {
};
int ordering__closeSession(struct ordering__closeSessionResponse &result);

struct ordering__createOrderResponse {
    xsd__string orderid;
};
int ordering__createOrder(xsd__string pricelistid, struct ordering__createOrderResponse &result);

struct ordering__downloadPriceListResponse {
    xsd__string pricelistxml;
};
int ordering__downloadPriceList(struct ordering__downloadPriceListResponse &result);

struct ordering__getDefaultPickupLocationResponse {
    xsd__string pickuplocation;
};
int ordering__getDefaultPickupLocation(struct ordering__getDefaultPickupLocationResponse &result);

struct ordering__setDefaultPickupLocationResponse {
};
int ordering__setDefaultPickupLocation(xsd__string pickuplocation,
                                       struct ordering__setDefaultPickupLocationResponse &result);

struct ordering__uploadPriceListResponse {
};
int ordering__uploadPriceList(xsd__string pricelistxml, struct ordering__uploadPriceListResponse &result);

struct ordering__uploadOrderDetailsResponse {
    xsd__double ordertotal;
};
int ordering__uploadOrderDetails(xsd__string orderdetailsxml,
                                 struct ordering__uploadOrderDetailsResponse &result);

struct ordering__getFileUploadListResponse {
    struct FileUploadArray *uploadlist;
};
int ordering__getFileUploadList(struct ordering__getFileUploadListResponse &result);

struct ordering__registerFileResponse {
};
int ordering__registerFile(struct ordering__FileId *fileid, struct ordering__FileInfo *fileinfo,
                           xsd__boolean uploaded, struct ordering__registerFileResponse &result);

struct ordering__getSafeStorageCandidatesResponse {
    xsd__boolean offerstorage;
    xsd__int slotsize;
    struct FileIdArray *unsafefiles;
    struct FileIdArray *rentedfiles;
};
int ordering__getSafeStorageCandidates(struct ordering__getSafeStorageCandidatesResponse &result);

struct ordering__verifyOrderResponse {
};
int ordering__verifyOrder(xsd__double totalprice, struct ordering__verifyOrderResponse &result);

struct ordering__getTransactionIdResponse {
    xsd__string paymentserver;
    xsd__string transactionid;
};
int ordering__getTransactionId(struct ordering__getTransactionIdResponse &result);

struct ordering__confirmOrderResponse {
    xsd__string orderid;
};
int ordering__confirmOrder(struct ordering__confirmOrderResponse &result);

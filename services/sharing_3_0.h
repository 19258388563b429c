// Sharing service 3.0: a set of pictures published as a share, viewed on the web, sent by MMS
// or downloaded into another copy of the program.

//gsoap sharing service name: Sharing
//gsoap sharing service style: rpc
//gsoap sharing service encoding: encoded
//gsoap sharing service namespace: http://vistrelle.net/service/sharing/3.0
//gsoap sharing schema namespace: http://vistrelle.net/service/sharing/3.0

typedef std::string xsd__string;
typedef time_t xsd__dateTime;
typedef bool xsd__boolean;
typedef int xsd__int;
typedef double xsd__double;
// The service types two flags with this misspelt schema name; their content is kept as text.
typedef std::string xsd__bolean;

// Array types carry no prefix: soapcpp2 makes SOAP-encoded arrays (SOAP-ENC:arrayType, "item"
// elements) only of unprefixed __ptr/__size structs.
struct StringArray {
    xsd__string *__ptr;
    int __size;
};

struct sharing__FileId {
    xsd__string serveruuid;
    xsd__string clientref;
    xsd__dateTime filemodifytime;
    xsd__dateTime metamodifytime;
};

struct sharing__TimeMask {
    xsd__boolean year;
    xsd__boolean month;
    xsd__boolean day;
    xsd__boolean hour;
    xsd__boolean minute;
    xsd__boolean second;
};
struct sharing__FileInfo {
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
    struct sharing__TimeMask *timemask;
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

struct sharing__FileUpload {
    xsd__string uploadurl;
    xsd__bolean needmeta;
    xsd__bolean needfile;
    struct sharing__FileId *fileid;
};

struct FileIdArray {
    struct sharing__FileId *__ptr;
    int __size;
};
struct FileUploadArray {
    struct sharing__FileUpload *__ptr;
    int __size;
};

struct sharing__getMmsInfoResponse {
    xsd__double pricepermms;
    xsd__string currency;
};
int sharing__getMmsInfo(struct sharing__getMmsInfoResponse &result);

struct sharing__createSessionResponse {
    xsd__string sessionid;
};
int sharing__createSession(struct sharing__createSessionResponse &result);

struct sharing__closeSessionResponse {
};
int sharing__closeSession(struct sharing__closeSessionResponse &result);

struct sharing__createShareResponse {
    xsd__string shareid;
};
int sharing__createShare(xsd__string subject, xsd__string message, xsd__int previewsize,
                         xsd__boolean sharemeta, struct sharing__createShareResponse &result);

struct sharing__getFileUploadListResponse {
    struct FileUploadArray *uploadlist;
};
int sharing__getFileUploadList(struct FileIdArray *files,
                               struct sharing__getFileUploadListResponse &result);

struct sharing__registerFileResponse {
};
int sharing__registerFile(struct sharing__FileId *fileid, struct sharing__FileInfo *fileinfo,
                          xsd__boolean uploaded, struct sharing__registerFileResponse &result);

struct sharing__closeShareResponse {
};
int sharing__closeShare(struct sharing__closeShareResponse &result);

struct sharing__shareByWebResponse {
};
int sharing__shareByWeb(xsd__string shareid, xsd__string recipient, struct sharing__shareByWebResponse &result);

struct sharing__shareByMmsResponse {
};
int sharing__shareByMms(xsd__string shareid, xsd__string recipient, struct sharing__shareByMmsResponse &result);

struct sharing__getFileInformationResponse {
    struct sharing__FileInfo *fileinfo;
};
int sharing__getFileInformation(struct sharing__FileId *fileid, xsd__string accesstoken,
                                struct sharing__getFileInformationResponse &result);

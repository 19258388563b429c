// Locator service 1.0: a directory of portals, possibly sending the caller on to another
// locator server. The namespace URI below is the default; the programs install their own
// table built from the operator's domain at run time.

//gsoap locator service name: Locator
//gsoap locator service style: rpc
//gsoap locator service encoding: encoded
//gsoap locator service namespace: http://vistrelle.net/service/locator/1.0
//gsoap locator schema namespace: http://vistrelle.net/service/locator/1.0

typedef std::string xsd__string;
typedef std::string xsd__language;

struct locator__Redirect {
    xsd__string path;
    xsd__string host;
};

struct locator__Directory {
    xsd__string path;
    xsd__string name;
};

struct locator__Portal {
    xsd__string path;
    xsd__string name;
    xsd__string location;
};

// Array types carry no prefix: soapcpp2 makes SOAP-encoded arrays (SOAP-ENC:arrayType, "item"
// elements) only of unprefixed __ptr/__size structs.
struct DirectoryArray {
    struct locator__Directory *__ptr;
    int __size;
};

struct PortalArray {
    struct locator__Portal *__ptr;
    int __size;
};

struct locator__getDirectoryContentsResponse {
    struct locator__Redirect *redirect;
    xsd__string description;
    struct DirectoryArray *directories;
    struct PortalArray *portals;
};

int locator__getDirectoryContents(xsd__string path, xsd__language language,
                                  struct locator__getDirectoryContentsResponse &result);

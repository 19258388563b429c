// Plug-in manager service 1.0: which plug-ins the program should install or update.

//gsoap vmanager service name: VManager
//gsoap vmanager service style: rpc
//gsoap vmanager service encoding: encoded
//gsoap vmanager service namespace: http://vistrelle.net/service/vmanager/1.0
//gsoap vmanager schema namespace: http://vistrelle.net/service/vmanager/1.0

typedef std::string xsd__string;

struct vmanager__PluginInfo {
    xsd__string messagetitle;
    xsd__string messagebody;
    xsd__string packageid;
    xsd__string version;
    xsd__string repository;
};

// Array types carry no prefix: soapcpp2 makes SOAP-encoded arrays (SOAP-ENC:arrayType, "item"
// elements) only of unprefixed __ptr/__size structs.
struct PluginInfoArray {
    struct vmanager__PluginInfo *__ptr;
    int __size;
};

struct vmanager__getPluginUpdatesResponse {
    struct PluginInfoArray *recinstall;
    struct PluginInfoArray *recupdate;
    struct PluginInfoArray *requpdate;
};
int vmanager__getPluginUpdates(xsd__string installid, xsd__string distribution, xsd__string version,
                               xsd__string portalid, struct vmanager__getPluginUpdatesResponse &result);

// The locator service: the directory tree of the configuration, with redirects.

#include "ProviderLocatorH.h"
#include "ProviderRequest.h"

using Provider::ProviderRequest;

int ProviderLocator::locator__getDirectoryContents(struct soap* soap, std::string path,
                                                   std::string language,
                                                   locator__getDirectoryContentsResponse& result)
{
    ProviderRequest& request = ProviderRequest::of(soap);
    request.arguments({{"path", path}, {"language", language}});
    request.log("getDirectoryContents('" + path + "', '" + language + "')");
    const auto& injected = request.injected();
    if (injected && injected->kind == Provider::FaultScript::Action::RedirectSelf) {
        // Back to the same folder on the host the client asked: a loop it must notice.
        result.redirect = soap_new_locator__Redirect(soap);
        result.redirect->path = path;
        result.redirect->host = Provider::HttpRequestHead::hostOf(request.origin());
        return SOAP_OK;
    }
    const auto& directories = request.config().directories;
    // "/europe" and "/europe/" name the same folder.
    auto found = directories.find(path);
    if (found == directories.end() && path.size() > 1 && path.back() == '/')
        found = directories.find(path.substr(0, path.size() - 1));
    if (found == directories.end() && path.empty())
        found = directories.find("/");
    if (found == directories.end())
        return ProviderRequest::clientFault(soap, "NotFound", "No such directory: " + path);
    const auto& directory = found->second;

    if (!directory.redirectPath.empty() || !directory.redirectHost.empty()) {
        result.redirect = soap_new_locator__Redirect(soap);
        result.redirect->path = directory.redirectPath;
        result.redirect->host = directory.redirectHost;
        return SOAP_OK;
    }
    result.description = directory.description;
    result.directories = soap_new_DirectoryArray(soap);
    result.directories->__size = static_cast<int>(directory.directories.size());
    result.directories->__ptr = soap_new_locator__Directory(soap, result.directories->__size);
    for (int i = 0; i < result.directories->__size; ++i) {
        result.directories->__ptr[i].path = directory.directories[i].path;
        result.directories->__ptr[i].name = directory.directories[i].name;
    }
    result.portals = soap_new_PortalArray(soap);
    result.portals->__size = static_cast<int>(directory.portals.size());
    result.portals->__ptr = soap_new_locator__Portal(soap, result.portals->__size);
    for (int i = 0; i < result.portals->__size; ++i) {
        result.portals->__ptr[i].path = directory.portals[i].path;
        result.portals->__ptr[i].name = directory.portals[i].name;
        result.portals->__ptr[i].location = directory.portals[i].location;
    }
    return SOAP_OK;
}

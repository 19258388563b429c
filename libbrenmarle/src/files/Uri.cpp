#include "files/Uri.h"

namespace Brenmarle {

wxString Uri::folderOf(const wxString& uri)
{
    const int slash = uri.Find('/', true);
    return slash == wxNOT_FOUND ? wxString() : uri.Left(static_cast<size_t>(slash) + 1);
}

wxString Uri::filePartOf(const wxString& uri) { return uri.AfterLast('/'); }

wxString Uri::schemeOf(const wxString& uri)
{
    return uri.Contains(":") ? uri.BeforeFirst(':') : wxString();
}

bool Uri::isManaged(const wxString& uri)
{
    const wxString scheme = schemeOf(uri);
    return scheme == "album" || scheme == "temp" || scheme == "inbox";
}

wxString Uri::fromLocalPath(const wxString& path)
{
    return "file://" + path;
}

wxString Uri::toLocalPath(const wxString& uri)
{
    return uri.StartsWith("file://") ? uri.Mid(7) : wxString();
}

} // namespace Brenmarle

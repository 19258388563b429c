#include "mainframe/HelpAddress.h"

#include <climits>
#include <cstdlib>

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/tokenzr.h>

namespace {

// The path with every link and "." or ".." resolved; empty when it does not exist.
wxString realPath(const wxString& path)
{
    char* resolved = ::realpath(path.utf8_str(), nullptr);
    if (!resolved)
        return wxString();
    const wxString result = wxString::FromUTF8(resolved);
    std::free(resolved);
    return result;
}

} // namespace

wxString HelpAddress::resolve(const wxString& address, const wxString& helpFolder)
{
    wxString page;
    if (!address.StartsWith("help://", &page) || helpFolder.empty())
        return wxString();
    wxString anchor;
    if (page.Contains("#")) {
        anchor = "#" + page.AfterFirst('#');
        page = page.BeforeFirst('#');
    }
    if (page.empty())
        page = "index.html";
    if (page.StartsWith("/") || page.Contains("\\") || page.Contains(":"))
        return wxString();
    for (const wxString& part : wxStringTokenize(page, "/")) {
        if (part == ".." || part == ".")
            return wxString();
    }
    const wxString folder = realPath(helpFolder);
    // A symbolic link inside the folder must not lead out of it either.
    const wxString real =
        realPath(wxFileName::DirName(helpFolder).GetPath(wxPATH_GET_SEPARATOR) + page);
    if (folder.empty() || !real.StartsWith(folder + "/") || !wxFileExists(real))
        return wxString();
    const wxString extension = wxFileName(real).GetExt().Lower();
    if (extension != "html" && extension != "htm")
        return wxString();
    return real + anchor;
}

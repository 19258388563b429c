#include "system/ResourceFolder.h"

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/intl.h>

namespace Quorvel {

namespace {

wxString withSlash(const wxString& dir)
{
    if (dir.empty() || dir.EndsWith("/"))
        return dir;
    return dir + "/";
}

// What a folder must hold to be the program's resource folder: the global configuration and
// the skin. Translations and help are optional (the program runs in English without them).
wxArrayString requiredResources(const wxString& ipcName)
{
    wxArrayString required;
    required.push_back(ipcName + ".ini");
    required.push_back("skin/");
    return required;
}

bool holds(const wxString& dir, const wxString& resource)
{
    if (resource.EndsWith("/"))
        return wxDirExists(dir + resource.BeforeLast('/'));
    return wxFileExists(dir + resource);
}

wxArrayString missingIn(const wxString& dir, const wxArrayString& required)
{
    wxArrayString missing;
    for (const wxString& resource : required) {
        if (!holds(dir, resource))
            missing.push_back(resource);
    }
    return missing;
}

// "/opt/x/bin/" gives "/opt/x/share/<name>/", without "..": the folder is shown to the user.
wxString installedDataDir(const wxString& programDir, const wxString& ipcName)
{
    wxFileName dir = wxFileName::DirName(programDir);
    if (dir.GetDirCount() > 0)
        dir.RemoveLastDir();
    dir.AppendDir("share");
    dir.AppendDir(ipcName);
    return withSlash(dir.GetPath(wxPATH_GET_SEPARATOR));
}

} // namespace

ResourceFolder ResourceFolder::find(const wxString& programDir, const wxString& ipcName)
{
    ResourceFolder result;
    const wxArrayString required = requiredResources(ipcName);
    result.m_searched.push_back(withSlash(programDir));
    result.m_searched.push_back(installedDataDir(programDir, ipcName));
    for (const wxString& dir : result.m_searched) {
        if (missingIn(dir, required).empty()) {
            result.m_dir = dir;
            return result;
        }
    }
    // Neither is whole. An existing share folder means an installation that lost files: name
    // what it lacks. Otherwise name what the executable's folder lacks. Either way the program
    // goes on with what that folder has.
    result.m_dir = wxDirExists(result.m_searched[1]) ? result.m_searched[1] : result.m_searched[0];
    result.m_missing = missingIn(result.m_dir, required);
    return result;
}

wxString ResourceFolder::describeMissing() const
{
    if (isComplete())
        return wxString();
    wxString names;
    for (const wxString& resource : m_missing)
        names << (names.empty() ? "" : ", ") << resource;
    return wxString::Format(_("The program's resources were not found. Missing from %s: %s. "
                              "Looked in %s and %s; install the program again."),
                            m_dir, names, m_searched[0], m_searched[1]);
}

} // namespace Quorvel

#pragma once
// Where the program's read-only resources (global configuration, skin, translations, help) lie.
// A program run from its build folder, or unpacked into one folder, has them beside the
// executable; an installed one has them in ../share/<IPC name> relative to the executable's
// folder (bin/ and share/ of one installation prefix). The folder beside the executable wins,
// so the build folder keeps working whatever is installed elsewhere.

#include <wx/arrstr.h>
#include <wx/string.h>

namespace Quorvel {

class ResourceFolder {
public:
    // Looks in `programDir` (the executable's folder), then in its ../share/`ipcName`.
    static ResourceFolder find(const wxString& programDir, const wxString& ipcName);

    // Whether one of the folders holds every required resource.
    bool isComplete() const { return m_missing.empty(); }
    // The folder that holds them, ending in "/". Without a complete one, the executable's
    // folder, so that whatever is there is still used.
    const wxString& getDir() const { return m_dir; }
    // The required resources that neither folder holds whole (file names, folders ending in "/").
    const wxArrayString& getMissing() const { return m_missing; }
    // The folders looked in, in order, each ending in "/".
    const wxArrayString& getSearched() const { return m_searched; }
    // A sentence for the user naming what is missing and where it was looked for.
    wxString describeMissing() const;

private:
    ResourceFolder() = default;

    wxString m_dir;
    wxArrayString m_missing;
    wxArrayString m_searched;
};

} // namespace Quorvel

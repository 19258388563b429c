#pragma once
// A temporary folder for one test, removed with its contents afterwards. With `asHome` it also
// becomes HOME, XDG_DATA_HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR (restored afterwards), so
// nothing touches the real user's files.

#include <cstddef>
#include <map>
#include <string>

#include <wx/string.h>

class ScratchDir {
public:
    enum Mode { Plain, AsHome };
    explicit ScratchDir(Mode mode = Plain);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // The folder, ending in "/".
    const wxString& path() const { return m_path; }
    wxString operator/(const wxString& name) const { return m_path + name; }

    // Writes `content` to path()/name, creating folders on the way.
    void writeFile(const wxString& name, const std::string& content) const;
    std::string readFile(const wxString& name) const;

private:
    wxString m_path;
    std::map<wxString, std::pair<bool, wxString>> m_savedEnv;
};

// Whole files by path; writing creates the folders on the way.
void writeFile(const wxString& path, const std::string& content);
std::string readFile(const wxString& path);

// How many files lie below `dir`, in sub-folders and hidden ones too; 0 when it does not exist.
std::size_t filesUnder(const wxString& dir);

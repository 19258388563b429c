#include "ScratchDir.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <wx/dir.h>
#include <wx/filename.h>
#include <wx/utils.h>

ScratchDir::ScratchDir(Mode mode)
{
    char pattern[] = "/tmp/vistrelle-test-XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (!dir)
        throw std::runtime_error("mkdtemp failed");
    m_path = wxString::FromUTF8(dir) + "/";
    if (mode == AsHome) {
        const std::pair<const char*, const char*> vars[] = {
            {"HOME", ""}, {"XDG_DATA_HOME", ".local/share"}, {"XDG_CONFIG_HOME", ".config"},
            {"XDG_RUNTIME_DIR", "run"}};
        for (const auto& [name, sub] : vars) {
            wxString old;
            const bool had = wxGetEnv(name, &old);
            m_savedEnv[name] = {had, old};
            const wxString value = m_path + sub;
            wxFileName::Mkdir(value, 0700, wxPATH_MKDIR_FULL);
            wxSetEnv(name, value);
        }
    }
}

ScratchDir::~ScratchDir()
{
    for (const auto& [name, saved] : m_savedEnv) {
        if (saved.first)
            wxSetEnv(name, saved.second);
        else
            wxUnsetEnv(name);
    }
    wxFileName::Rmdir(m_path, wxPATH_RMDIR_RECURSIVE);
}

void ScratchDir::writeFile(const wxString& name, const std::string& content) const
{
    ::writeFile(m_path + name, content);
}

std::string ScratchDir::readFile(const wxString& name) const
{
    return ::readFile(m_path + name);
}

void writeFile(const wxString& path, const std::string& content)
{
    wxFileName::Mkdir(wxFileName(path).GetPath(), 0755, wxPATH_MKDIR_FULL);
    std::ofstream out(path.utf8_string(), std::ios::binary);
    out << content;
    if (!out)
        throw std::runtime_error("could not write " + path.utf8_string());
}

std::string readFile(const wxString& path)
{
    std::ifstream in(path.utf8_string(), std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

std::size_t filesUnder(const wxString& dir)
{
    wxArrayString files;
    return wxDir::Exists(dir) ? wxDir::GetAllFiles(dir, &files, wxEmptyString,
                                                   wxDIR_FILES | wxDIR_DIRS | wxDIR_HIDDEN)
                              : 0;
}

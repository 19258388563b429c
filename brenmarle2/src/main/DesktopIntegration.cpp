#include "main/DesktopIntegration.h"

#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>

#include <wx/dir.h>
#include <wx/ffile.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/arrstr.h>
#include <wx/log.h>
#include <wx/textfile.h>
#include <wx/utils.h>

#include "system/Environment.h"
#include "system/Log.h"

extern char** environ;

namespace {

// Runs a program found on PATH and waits for it; true when it exited with status 0.
bool runProgram(const std::vector<wxString>& arguments)
{
    std::vector<std::string> texts;
    for (const wxString& argument : arguments)
        texts.push_back(argument.utf8_string());
    std::vector<char*> argv;
    for (std::string& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    if (::waitpid(pid, &status, 0) < 0)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

wxString configHome()
{
    wxString dir;
    if (wxGetEnv("XDG_CONFIG_HOME", &dir) && dir.StartsWith("/"))
        return dir.EndsWith("/") ? dir : dir + "/";
    wxString home;
    wxGetEnv("HOME", &home);
    return home + "/.config/";
}

// A value of a desktop entry is a string, whose escapes come off before anything else reads
// it: a backslash is written doubled, and a line break must not end the entry.
wxString escapeValue(const wxString& text)
{
    wxString escaped = text;
    escaped.Replace("\\", "\\\\");
    escaped.Replace("\n", "\\n");
    escaped.Replace("\r", "\\r");
    escaped.Replace("\t", "\\t");
    return escaped;
}

// One argument of an Exec line: double-quoted, with '"', '`', '$' and '\' escaped by a backslash
// inside the quotes; then the string escapes of the value (which double every backslash
// again), and "%%" for a literal '%', which otherwise starts a field code.
wxString quoteForExec(const wxString& path)
{
    wxString quoted = path;
    for (const char* c : {"\\", "\"", "`", "$"})
        quoted.Replace(c, wxString("\\") + c);
    quoted = escapeValue("\"" + quoted + "\"");
    quoted.Replace("%", "%%");
    return quoted;
}

// "image/jpeg=vistrelle.desktop;other.desktop;" loses only our entry; a line left with no
// handler at all is dropped (returns empty). Lines without our entries come back unchanged.
wxString withoutOurEntries(const wxString& line)
{
    if (!line.Contains("=") || line.StartsWith("["))
        return line;
    const wxString key = line.BeforeFirst('=');
    wxArrayString kept;
    bool removed = false;
    for (const wxString& handler : wxSplit(line.AfterFirst('='), ';', '\0')) {
        if (handler == DesktopIntegration::PICTURE_ENTRY || handler == DesktopIntegration::CAMERA_ENTRY)
            removed = true;
        else if (!handler.empty())
            kept.push_back(handler);
    }
    if (!removed)
        return line;
    return kept.empty() ? wxString() : key + "=" + wxJoin(kept, ';', '\0') + ";";
}

} // namespace

DesktopIntegration::DesktopIntegration(const wxString& programPath, const wxString& displayName)
    : m_programPath(programPath), m_displayName(displayName)
{
}

wxString DesktopIntegration::applicationsDir()
{
    return Quorvel::Environment::getAppDataDir() + "applications/";
}

wxString DesktopIntegration::mimeAppsListPath() { return configHome() + "mimeapps.list"; }

wxString DesktopIntegration::installedEntry() const
{
    wxFileName share(wxFileName(m_programPath).GetPath(), "");
    if (share.GetDirCount() == 0)
        return wxString();
    share.RemoveLastDir();
    share.AppendDir("share");
    const wxString shareDir = share.GetPath(wxPATH_GET_SEPARATOR);
    wxString dataDirs;
    if (!wxGetEnv("XDG_DATA_DIRS", &dataDirs) || dataDirs.empty())
        dataDirs = "/usr/local/share/:/usr/share/";
    // A program installed into the user's own prefix (~/.local) has its entry in the user's
    // applications folder, which the desktop reads first.
    dataDirs = Quorvel::Environment::getAppDataDir() + ":" + dataDirs;
    for (wxString dir : wxSplit(dataDirs, ':', '\0')) {
        if (!dir.EndsWith("/"))
            dir += "/";
        if (dir == shareDir && wxFileExists(shareDir + "applications/" + PICTURE_ENTRY))
            return shareDir + "applications/" + PICTURE_ENTRY;
    }
    return wxString();
}

bool DesktopIntegration::installEntry(const wxString& fileName, const wxString& exec,
                                      const wxString& mimeType)
{
    const wxString dir = applicationsDir();
    if (!wxFileName::Mkdir(dir, 0755, wxPATH_MKDIR_FULL))
        return false;
    const wxString name = m_displayName.empty() ? wxString("Vistrelle") : m_displayName;
    const wxString entry = "[Desktop Entry]\nType=Application\nName=" + escapeValue(name) +
                           "\nExec=" + exec + "\nMimeType=" + mimeType +
                           ";\nCategories=Graphics;Photography;\nTerminal=false\n";
    wxFFile file(dir + fileName, "w");
    return file.IsOpened() && file.Write(entry, wxConvUTF8) && file.Close();
}

bool DesktopIntegration::registerPictureHandler()
{
    // A copy in the user's applications folder would hide the installed entry, with its icon
    // and picture types, behind a plain one.
    if (installedEntry().empty() &&
        !installEntry(PICTURE_ENTRY, quoteForExec(m_programPath) + " %f", "image/jpeg")) {
        wxLogError("Could not install the desktop entry in %s", applicationsDir());
        return false;
    }
    if (!runProgram({"xdg-mime", "default", PICTURE_ENTRY, "image/jpeg"})) {
        wxLogError("Could not make the program the default for JPEG pictures");
        return false;
    }
    return true;
}

bool DesktopIntegration::registerCameraHandler()
{
    // The installed entry takes camera media too: a mount point it is handed opens the import.
    const bool installed = !installedEntry().empty();
    const wxString entry = installed ? PICTURE_ENTRY : CAMERA_ENTRY;
    if ((!installed && !installEntry(CAMERA_ENTRY, quoteForExec(m_programPath) + " --camera %f",
                                     "x-content/image-dcf")) ||
        !runProgram({"xdg-mime", "default", entry, "x-content/image-dcf"})) {
        wxLogError("ERROR: Could not register STI Launch Application");
        return false;
    }
    return true;
}

void DesktopIntegration::removeInstallation(const wxString& programDir)
{
    for (const char* entry : {PICTURE_ENTRY, CAMERA_ENTRY}) {
        for (const wxString& dir : {applicationsDir(), Quorvel::Environment::getDesktopDir()}) {
            if (wxFileExists(dir + entry))
                wxRemoveFile(dir + entry);
        }
    }

    wxTextFile mimeApps(mimeAppsListPath());
    if (wxFileExists(mimeAppsListPath()) && mimeApps.Open()) {
        bool changed = false;
        for (size_t i = mimeApps.GetLineCount(); i-- > 0;) {
            const wxString line = mimeApps.GetLine(i);
            const wxString kept = withoutOurEntries(line);
            if (kept == line)
                continue;
            changed = true;
            if (kept.empty())
                mimeApps.RemoveLine(i);
            else
                mimeApps.GetLine(i) = kept;
        }
        if (changed)
            mimeApps.Write();
    }

    // An installed program's files belong to the package manager (its bin/ is shared with
    // every other program); only a program that keeps its resources beside it owns its folder.
    if (Quorvel::Environment::getResourceDir() != Quorvel::Environment::getProgramDir())
        return;
    wxArrayString helpers;
    wxDir::GetAllFiles(programDir, &helpers, "brenmarle-*", wxDIR_FILES);
    for (const wxString& helper : helpers) {
        QDEBUG("[APPLICATION] Removing %s", helper);
        wxRemoveFile(helper);
    }
}

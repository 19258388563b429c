#include "importexport/ExternalEdit.h"

#include <cstring>

#include <wx/filename.h>

#include "filemanager/FileManager.h"
#include "files/FileCopier.h"
#include "files/SafeFileName.h"
#include "files/StoragePaths.h"
#include "importexport/FileMonitor.h"
#include "plugins/PluginCommandLine.h"
#include "plugins/PluginProcess.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "util/InputFile.h"
#include "util/OutputFile.h"

extern char** environ;

wxString ExternalEdit::prepareCopy(Brenmarle::File& file, FileMonitor& monitor,
                                   const wxString& userDataDir)
{
    const wxString uri = file.getURI();
    // One folder per file, so two pictures of the same name never share a copy.
    const wxString dir = userDataDir + "temp/edit/" + Brenmarle::StoragePaths::uriDigest(uri) + "/";
    if (!wxFileName::DirExists(dir) && !wxFileName::Mkdir(dir, 0700, wxPATH_MKDIR_FULL))
        throw Quorvel::IOException("Could not create directory: " + dir);
    wxString name = file.getFileName();
    if (name.empty())
        name = "picture";
    const wxString path = dir + Brenmarle::SafeFileName::make(name);
    Brenmarle::FolderRef folder = Brenmarle::FileManager::get().getFolder(uri);
    {
        std::unique_ptr<Quorvel::InputFile> input = folder->getFileInputStream(file);
        Quorvel::OutputFile output(path);
        Brenmarle::FileCopier().transfer(*input, output);
        Brenmarle::FileCopier::commit(output, true);
    }
    monitor.watch(Quorvel::Ref<Brenmarle::File>(&file), path);
    return path;
}

void ExternalEdit::start(const wxString& commandLine, Brenmarle::File& file, FileMonitor& monitor,
                         const wxString& userDataDir)
{
    const wxString copy = prepareCopy(file, monitor, userDataDir);
    std::vector<std::string> arguments;
    for (const wxString& argument : PluginCommandLine::build(commandLine, {}, {copy}))
        arguments.emplace_back(argument.utf8_str());
    std::vector<std::string> environment;
    for (char** entry = environ; entry && *entry; ++entry)
        environment.emplace_back(*entry);
    QDEBUG("[EXTERNALEDIT] %s on %s", commandLine, copy);
    PluginProcess::start(arguments, environment, std::string());
}

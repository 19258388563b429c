#pragma once
// The files that describe the user's selection to a plug-in: "fileselinfo.xml" (one `file`
// element per selected picture) and "folderinfo.xml" (the current folder). Each is written
// under a temporary name and renamed, so a plug-in never reads half a description.
//
// Any thread; the files' getters take the library lock. Throws the framework's file exceptions
// when a file cannot be written.

#include <vector>

#include <wx/string.h>

#include "files/File.h"
#include "folders/Folder2.h"

class PluginDescriptionFiles {
public:
    static void writeFileSelection(const wxString& path,
                                   const std::vector<Quorvel::Ref<Brenmarle::File>>& files);
    // An empty `folder` writes an empty description (no folder is current).
    static void writeFolder(const wxString& path, const Brenmarle::FolderRef& folder);
};

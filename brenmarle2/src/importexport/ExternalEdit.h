#pragma once
// "Edit in another program": the editor gets a copy of the picture, never the catalogue's own
// file, and the file monitor writes the copy back once the editor has saved it and it settled.
// The editor is started like a plug-in command (argument vector, "{file}" replaced by the copy's
// path inside its argument, no shell), without waiting for it.
//
// GUI thread.

#include <wx/string.h>

#include "files/File.h"

class FileMonitor;

class ExternalEdit {
public:
    // Copies `file` to "temp/edit/<its identity>/<its name>" under the user data directory
    // (`userDataDir`, ending in "/"), watches the copy and returns its path. Throws the
    // framework's file exceptions when the copy cannot be made.
    static wxString prepareCopy(Brenmarle::File& file, FileMonitor& monitor,
                                const wxString& userDataDir);
    // Prepares the copy and starts `commandLine` on it. Throws Quorvel::RuntimeException when
    // the editor cannot be started.
    static void start(const wxString& commandLine, Brenmarle::File& file, FileMonitor& monitor,
                      const wxString& userDataDir);
};

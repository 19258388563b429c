#pragma once
// ".vscf" command files: small XML documents with which other programs (a web page's
// download, an installer) ask the program to import pictures, import a share, install a
// plug-in package or open an address. The root element's children are the commands, in order.

#include <map>
#include <vector>

#include <wx/string.h>

class CommandFile {
public:
    static constexpr long long MAX_SIZE = 1024 * 1024;

    struct Action {
        // "start", "webimport", "importshare", "installpackage" or "openuri".
        wxString name;
        // Simple child elements by name ("provider", "accesstoken", ...); for "openuri" also
        // the element's own text under "uri".
        std::map<wxString, wxString> fields;
        // The "file" (webimport) or "fileid" (importshare) entries of the "files" child.
        std::vector<wxString> files;
    };

    // Reads the file. On failure logs the reason ("ERROR: Could not stat (find file size)
    // command file: %s", "ERROR: Command file was to large", "Error: Cold not parse command
    // file XML") and returns false. Children with other names log "ERROR: Uknown command in
    // command file" and are skipped.
    static bool read(const wxString& path, std::vector<Action>& actions);
};

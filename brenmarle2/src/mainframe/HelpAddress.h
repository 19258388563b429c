#pragma once
// Turns a "help://" address into a page of the program's help folder. Addresses may come from
// another process (the single-instance hand-over, command files), so only pages inside the help
// folder are opened: no "..", no absolute paths, no other scheme.

#include <wx/string.h>

class HelpAddress {
public:
    // The page's full path (with any "#anchor" kept), or empty when the address does not name
    // an existing page inside `helpFolder`. "help://" alone names "index.html".
    static wxString resolve(const wxString& address, const wxString& helpFolder);
};

#pragma once
// A modal dialog for user-level refusals ("No pictures are selected"): a heading, a message and
// an OK button. GUI thread only.

#include <wx/dialog.h>

namespace Quorvel {

class AlertDialog : public wxDialog {
public:
    AlertDialog(wxWindow* parent, const wxString& message, const wxString& heading);

    // Shows the dialog modally and returns when the user closes it.
    static void show(wxWindow* parent, const wxString& message, const wxString& heading);
};

} // namespace Quorvel

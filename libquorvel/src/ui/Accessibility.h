#pragma once
// Names for the desktop's accessibility bus (AT-SPI), so a screen reader says what a control
// is. GTK names buttons and labelled check boxes from their text; a field, a list or a window
// we draw ourselves has no name until we give it one.

#include <vector>

#include <wx/string.h>

class wxToolBar;
class wxWindow;

namespace Quorvel {

// Gives `window` the name a screen reader announces; a window with scroll bars gets it on the
// part that takes the focus as well as on its frame.
void setAccessibleName(wxWindow& window, const wxString& name);
// The name the accessibility bus sees (empty when the window has none).
wxString getAccessibleName(wxWindow& window);
// Names the arrow beside each drop-down tool "<tool's label> menu"; GTK leaves it nameless.
void nameToolDropDowns(wxToolBar& toolBar);
// Every widget inside `window` that is on screen, takes the focus and has no accessible name,
// described by its GTK type (what a check over the accessibility bus would find unnamed).
std::vector<wxString> findUnnamedControls(wxWindow& window);

} // namespace Quorvel

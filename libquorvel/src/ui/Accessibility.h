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
// The longer text a screen reader may read after the name (empty: none).
void setAccessibleDescription(wxWindow& window, const wxString& description);
wxString getAccessibleDescription(wxWindow& window);
// Names and describes a part of a window that holds other controls (a page, a side bar),
// leaving the controls in it alone; a screen reader names the part when the focus enters it.
void nameRegion(wxWindow& window, const wxString& name, const wxString& description);
// Names the arrow beside each drop-down tool "<tool's label> menu"; GTK leaves it nameless.
void nameToolDropDowns(wxToolBar& toolBar);
// Every widget inside `window` that is on screen, takes the focus and has no accessible name,
// described by its GTK type (what a check over the accessibility bus would find unnamed).
std::vector<wxString> findUnnamedControls(wxWindow& window);

// One object of the accessibility tree as a screen reader meets it.
struct AccessibleNode {
    wxString role; // the bus's role name: "label", "push button", "list item"...
    wxString name;
    wxString description;
    // Those of "focused selected checked indeterminate expandable expanded" it has, in that
    // order, separated by blanks.
    wxString states;
    int depth = 0; // below the window's own object
};
// The objects inside `window` that are showing and have a name or a description, in the
// order a screen reader reading the window from top to bottom meets them.
std::vector<AccessibleNode> readAccessibleTree(wxWindow& window);

} // namespace Quorvel

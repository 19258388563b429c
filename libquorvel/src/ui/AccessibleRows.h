#pragma once
// The rows of a list or tree that the toolkit draws itself (its generic list and tree controls,
// and a tree list whose cells hold a check box beside the text) as objects on the desktop's
// accessibility bus. GTK sees one widget there and offers a screen reader nothing but its name;
// with this each row is a list or tree item named by its text, with its selected, checked,
// expanded and focused states, and the row the user moves to is announced.
//
//     AccessibleRows::expose(*albumList, _("Albums"));
//
// The rows are read from the control when the bus asks and whenever the control reports a
// change (selection, focus, expanding, ticking, rows added or removed).
//
// A native GTK tree view (the toolkit's data view, under a tree list) keeps the accessible GTK
// made for it, which announces the focused row by itself; there the cells of the first column,
// which GTK cannot name when the toolkit draws them, are named by the rows' texts and described
// by their check boxes' states ("checked", "not checked", "partly checked"). Its rows are read
// again on the control's events and on rowsChanged(), which its owner calls after filling it.
//
// GUI thread only. What expose() sets up lasts as long as the control.

#include <functional>
#include <vector>

#include <wx/string.h>

class wxListCtrl;
class wxTreeCtrl;
class wxTreeListCtrl;
class wxWindow;

namespace Quorvel {

class AccessibleRows {
public:
    struct Row {
        enum Check { NO_CHECK_BOX, UNCHECKED, CHECKED, MIXED };

        wxString text;
        int level = 0; // in a tree, 0 for the top level
        bool expandable = false;
        bool expanded = false;
        Check check = NO_CHECK_BOX;
        bool selected = false;
    };
    enum Kind { LIST, TREE };
    // The rows shown now, top to bottom (a tree's collapsed branches left out).
    using RowSource = std::function<std::vector<Row>()>;
    // The row that has the keyboard, or -1.
    using CurrentRow = std::function<int()>;

    // Puts the rows `rows` lists on the bus as the children of `focusable` (the window that
    // takes the focus and draws them), naming it `name`. A second call replaces the first.
    static void expose(wxWindow& focusable, Kind kind, const wxString& name, RowSource rows,
                       CurrentRow current);
    // Reads the rows again and tells the bus what changed; when the current row is another
    // one, announces it.
    static void rowsChanged(wxWindow& focusable);

    // The toolkit's controls, their rows and changes bound to their events. A list row reads
    // "first column, Heading: value, ...".
    static void expose(wxListCtrl& list, const wxString& name);
    static void expose(wxTreeCtrl& tree, const wxString& name);
    static void expose(wxTreeListCtrl& tree, const wxString& name);
};

} // namespace Quorvel

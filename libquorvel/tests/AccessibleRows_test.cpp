// Rows of the toolkit's self-drawn lists and trees on the accessibility bus: what a screen
// reader finds in them, what it hears when the user moves, and that a row object it still
// holds after the rows or the control are gone answers safely.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include <gtk/gtk.h>
#include <wx/frame.h>
#include <wx/listctrl.h>
#include <wx/sizer.h>
#include <wx/treectrl.h>
#include <wx/treelist.h>

#include "WaitUntil.h"
#include "ui/Accessibility.h"
#include "ui/AccessibleRows.h"

using Quorvel::AccessibleNode;
using Quorvel::AccessibleRows;

namespace {

// The rows as a screen reader meets them: "role: name [states]".
std::vector<wxString> rowsOf(wxWindow& window)
{
    std::vector<wxString> rows;
    for (const AccessibleNode& node : Quorvel::readAccessibleTree(window)) {
        if (node.role == "list item" || node.role == "tree item")
            rows.push_back(node.role + ": " + node.name +
                           (node.states.empty() ? wxString() : " [" + node.states + "]"));
    }
    return rows;
}

// The cells of a native tree view, as a screen reader meets them: "name (description)".
std::vector<wxString> cellsOf(wxWindow& window)
{
    std::vector<wxString> cells;
    for (const AccessibleNode& node : Quorvel::readAccessibleTree(window)) {
        if (node.role == "table cell" && !node.name.empty())
            cells.push_back(node.name + " (" + node.description + ")");
    }
    return cells;
}

// The control's accessible object, as the bus reaches it.
AtkObject* accessibleOf(wxWindow& focusable)
{
    GtkWidget* widget = focusable.GetConnectWidget();
    if (widget == focusable.m_widget && GTK_IS_SCROLLED_WINDOW(widget))
        widget = gtk_bin_get_child(GTK_BIN(widget));
    return gtk_widget_get_accessible(widget);
}

wxWindow& rowWindowOf(wxListCtrl& list)
{
    for (wxWindow* child : list.GetChildren())
        if (child->AcceptsFocusFromKeyboard())
            return *child;
    return list;
}

// The rows announced as the current one, by name.
class Announcements {
public:
    explicit Announcements(AtkObject* control)
        : m_control(ATK_OBJECT(g_object_ref(control))),
          m_handler(g_signal_connect(control, "active-descendant-changed",
                                     G_CALLBACK(&Announcements::onChanged), this))
    {
    }
    ~Announcements()
    {
        g_signal_handler_disconnect(m_control, m_handler);
        g_object_unref(m_control);
    }
    std::vector<wxString> heard;

private:
    static void onChanged(AtkObject*, gpointer row, gpointer self)
    {
        static_cast<Announcements*>(self)->heard.push_back(
            wxString::FromUTF8(atk_object_get_name(ATK_OBJECT(row))));
    }
    AtkObject* m_control;
    gulong m_handler;
};

class AccessibleRowsTest : public ::testing::Test {
protected:
    AccessibleRowsTest() : frame(new wxFrame(nullptr, wxID_ANY, "Rows")) {}
    ~AccessibleRowsTest() override
    {
        frame->Destroy();
        waitUntil([] { return wxTopLevelWindows.IsEmpty(); });
    }
    template <typename Control> Control* place(Control* control)
    {
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        sizer->Add(control, 1, wxEXPAND);
        frame->SetSizer(sizer);
        frame->SetClientSize(300, 300);
        frame->Show();
        waitUntil([] { return true; });
        return control;
    }
    static void settle()
    {
        waitUntil([] { return true; });
    }

    wxFrame* frame;
};

} // namespace

TEST_F(AccessibleRowsTest, AListsRowsAreReadWithTheirColumnsAndTheCurrentOneIsAnnounced)
{
    auto* list = place(new wxListCtrl(frame, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                      wxLC_REPORT | wxLC_SINGLE_SEL));
    list->AppendColumn("Album");
    list->AppendColumn("Pictures");
    AccessibleRows::expose(*list, "Albums");
    for (const auto& [name, count] : {std::pair{"Garden", "2"}, {"Trips", ""}, {"Zoo", "14"}}) {
        const long row = list->InsertItem(list->GetItemCount(), name);
        list->SetItem(row, 1, count);
    }
    EXPECT_EQ(rowsOf(*frame),
              (std::vector<wxString>{"list item: Garden, Pictures: 2", "list item: Trips",
                                     "list item: Zoo, Pictures: 14"}));
    EXPECT_EQ(Quorvel::getAccessibleName(rowWindowOf(*list)), "Albums");
    EXPECT_TRUE(Quorvel::findUnnamedControls(*frame).empty());

    Announcements announced(accessibleOf(rowWindowOf(*list)));
    list->SetItemState(2, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                       wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    settle();
    EXPECT_EQ(announced.heard, std::vector<wxString>{"Zoo, Pictures: 14"});
    EXPECT_EQ(rowsOf(*frame).back(), "list item: Zoo, Pictures: 14 [selected]");
    // Selecting the same row again says nothing new.
    list->SetItemState(2, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    settle();
    EXPECT_EQ(announced.heard.size(), 1u);

    // Rows that go are gone from the bus; an object a screen reader kept for one answers as
    // defunct, and the rows still there keep theirs.
    AtkObject* control = accessibleOf(rowWindowOf(*list));
    ASSERT_EQ(atk_object_get_n_accessible_children(control), 3);
    AtkObject* last = atk_object_ref_accessible_child(control, 2);
    AtkObject* first = atk_object_ref_accessible_child(control, 0);
    list->DeleteItem(2);
    list->SetItem(0, 0, "Garden at night");
    settle();
    EXPECT_EQ(atk_object_get_n_accessible_children(control), 2);
    AtkStateSet* states = atk_object_ref_state_set(last);
    EXPECT_TRUE(atk_state_set_contains_state(states, ATK_STATE_DEFUNCT));
    g_object_unref(states);
    EXPECT_STREQ(atk_object_get_name(first), "Garden at night, Pictures: 2");
    AtkObject* again = atk_object_ref_accessible_child(control, 0);
    EXPECT_EQ(again, first);
    g_object_unref(again);

    // The control goes while the screen reader still holds a row: nothing is left dangling.
    list->Destroy();
    settle();
    states = atk_object_ref_state_set(first);
    EXPECT_TRUE(atk_state_set_contains_state(states, ATK_STATE_DEFUNCT));
    EXPECT_EQ(atk_object_get_index_in_parent(first), -1);
    g_object_unref(states);
    g_object_unref(first);
    g_object_unref(last);
}

TEST_F(AccessibleRowsTest, ATreeShowsTheRowsOfOpenBranchesWithTheirLevel)
{
    auto* tree = place(new wxTreeCtrl(frame, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                      wxTR_DEFAULT_STYLE | wxTR_HIDE_ROOT));
    AccessibleRows::expose(*tree, "Folders");
    const wxTreeItemId root = tree->AddRoot("hidden");
    const wxTreeItemId home = tree->AppendItem(root, "home");
    const wxTreeItemId pictures = tree->AppendItem(home, "Pictures");
    tree->AppendItem(pictures, "2024");
    tree->AppendItem(root, "media");
    EXPECT_EQ(rowsOf(*frame),
              (std::vector<wxString>{"tree item: home [expandable]", "tree item: media"}));

    Announcements announced(accessibleOf(*tree));
    tree->Expand(home);
    tree->SelectItem(pictures);
    settle();
    EXPECT_EQ(rowsOf(*frame), (std::vector<wxString>{"tree item: home [expandable expanded]",
                                                     "tree item: Pictures [selected expandable]",
                                                     "tree item: media"}));
    EXPECT_EQ(announced.heard, std::vector<wxString>{"Pictures"});
    AtkObject* row = atk_object_ref_accessible_child(accessibleOf(*tree), 1);
    AtkAttributeSet* attributes = atk_object_get_attributes(row);
    ASSERT_NE(attributes, nullptr);
    const auto* level = static_cast<AtkAttribute*>(attributes->data);
    EXPECT_STREQ(level->name, "level");
    EXPECT_STREQ(level->value, "2");
    atk_attribute_set_free(attributes);
    g_object_unref(row);

    // Closing a branch takes its rows off the bus.
    tree->Collapse(home);
    settle();
    EXPECT_EQ(rowsOf(*frame).size(), 2u);
}

// A tree list is a native GTK tree view, whose own accessible announces the focused row; only
// its self-drawn cells need their text, and a check box its state.
TEST_F(AccessibleRowsTest, ATreeListsCellsAreNamedAndTellTheirCheckBoxesState)
{
    auto* tree = place(new wxTreeListCtrl(frame, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                          wxTL_SINGLE | wxTL_CHECKBOX | wxTL_3STATE));
    tree->AppendColumn("Keyword");
    AccessibleRows::expose(*tree, "Keywords");
    const wxTreeListItem people = tree->AppendItem(tree->GetRootItem(), "People");
    const wxTreeListItem anna = tree->AppendItem(people, "Anna");
    tree->AppendItem(people, "Ben");
    const wxTreeListItem sea = tree->AppendItem(tree->GetRootItem(), "Sea");
    tree->CheckItem(sea, wxCHK_CHECKED);
    // Filled by its owner, which says so.
    AccessibleRows::rowsChanged(*tree->GetView());
    EXPECT_EQ(cellsOf(*frame), (std::vector<wxString>{"People (not checked)", "Sea (checked)"}));
    EXPECT_EQ(Quorvel::getAccessibleName(*tree->GetView()), "Keywords");
    EXPECT_TRUE(Quorvel::findUnnamedControls(*frame).empty());

    // A branch opened: the rows that appear are named as it opens.
    tree->Expand(people);
    EXPECT_EQ(cellsOf(*frame), (std::vector<wxString>{"People (not checked)", "Anna (not checked)",
                                                      "Ben (not checked)", "Sea (checked)"}));
    // Ticked: the states that changed are read.
    tree->CheckItem(anna);
    tree->CheckItem(people, wxCHK_UNDETERMINED);
    AccessibleRows::rowsChanged(*tree->GetView());
    EXPECT_EQ(cellsOf(*frame), (std::vector<wxString>{"People (partly checked)", "Anna (checked)",
                                                      "Ben (not checked)", "Sea (checked)"}));
}

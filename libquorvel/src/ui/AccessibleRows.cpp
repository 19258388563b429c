#include "ui/AccessibleRows.h"

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include <gtk/gtk-a11y.h>
#include <gtk/gtk.h>
#include <wx/intl.h>
#include <wx/listctrl.h>
#include <wx/treectrl.h>
#include <wx/treelist.h>
#include <wx/window.h>

#include "ui/Accessibility.h"

namespace {

using Quorvel::AccessibleRows;
using Row = AccessibleRows::Row;

// What the accessible object of one control knows: where its rows come from, the rows as last
// read and the row objects handed out (kept, so that the bus meets the same object for a row
// every time and hears of its changes).
struct RowsModel {
    AccessibleRows::Kind kind = AccessibleRows::LIST;
    AccessibleRows::RowSource source;
    AccessibleRows::CurrentRow current;
    std::vector<Row> rows;
    std::vector<AtkObject*> objects; // one reference each; null where none was asked for
    int announced = -1;              // the row last announced as the current one
};

} // namespace

// GObject types: the control's accessible object and one per row. C linkage for the type
// machinery; the C++ state hangs off a pointer.
extern "C" {

struct QuorvelRows {
    GtkContainerAccessible parent;
    RowsModel* model;
};
struct QuorvelRowsClass {
    GtkContainerAccessibleClass parentClass;
};

struct QuorvelRow {
    AtkObject parent;
    RowsModel* model; // null once the control is gone
    int index;
};
struct QuorvelRowClass {
    AtkObjectClass parentClass;
};

G_DEFINE_TYPE(QuorvelRows, quorvel_rows, GTK_TYPE_CONTAINER_ACCESSIBLE)
G_DEFINE_TYPE(QuorvelRow, quorvel_row, ATK_TYPE_OBJECT)

} // extern "C"

namespace {

QuorvelRows* rowsOf(AtkObject* object)
{
    return G_TYPE_CHECK_INSTANCE_CAST(object, quorvel_rows_get_type(), QuorvelRows);
}

QuorvelRow* rowOf(AtkObject* object)
{
    return G_TYPE_CHECK_INSTANCE_CAST(object, quorvel_row_get_type(), QuorvelRow);
}

const Row* rowData(AtkObject* object)
{
    const QuorvelRow* row = rowOf(object);
    if (!row->model || row->index < 0 || row->index >= static_cast<int>(row->model->rows.size()))
        return nullptr;
    return &row->model->rows[static_cast<size_t>(row->index)];
}

AtkObject* makeRowObject(AtkObject* parent, RowsModel& model, int index)
{
    auto* object = ATK_OBJECT(g_object_new(quorvel_row_get_type(), nullptr));
    QuorvelRow* row = rowOf(object);
    row->model = &model;
    row->index = index;
    atk_object_set_role(object, model.kind == AccessibleRows::TREE ? ATK_ROLE_TREE_ITEM
                                                                   : ATK_ROLE_LIST_ITEM);
    atk_object_set_parent(object, parent);
    atk_object_set_name(object, model.rows[static_cast<size_t>(index)].text.utf8_str());
    return object;
}

// A row object no longer shown: it answers as defunct from now on.
void retire(AtkObject* object)
{
    QuorvelRow* row = rowOf(object);
    row->model = nullptr;
    row->index = -1;
    atk_object_notify_state_change(object, ATK_STATE_DEFUNCT, TRUE);
    g_object_unref(object);
}

void notifyChanges(AtkObject* object, const Row& before, const Row& now)
{
    if (before.text != now.text)
        atk_object_set_name(object, now.text.utf8_str());
    if (before.selected != now.selected)
        atk_object_notify_state_change(object, ATK_STATE_SELECTED, now.selected);
    if (before.expanded != now.expanded)
        atk_object_notify_state_change(object, ATK_STATE_EXPANDED, now.expanded);
    if (before.check != now.check) {
        atk_object_notify_state_change(object, ATK_STATE_CHECKED, now.check == Row::CHECKED);
        atk_object_notify_state_change(object, ATK_STATE_INDETERMINATE, now.check == Row::MIXED);
    }
}

// Reads the rows again; the row objects handed out follow (or retire when their row is gone).
void refresh(AtkObject* control, RowsModel& model)
{
    std::vector<Row> rows = model.source ? model.source() : std::vector<Row>();
    std::swap(rows, model.rows);
    const size_t kept = std::min(rows.size(), model.rows.size());
    for (size_t i = 0; i < kept; ++i) {
        if (model.objects.size() > i && model.objects[i])
            notifyChanges(model.objects[i], rows[i], model.rows[i]);
    }
    const size_t before = model.objects.size();
    while (model.objects.size() > model.rows.size()) {
        if (AtkObject* gone = model.objects.back())
            retire(gone);
        model.objects.pop_back();
    }
    model.objects.resize(model.rows.size(), nullptr);
    if (before != model.objects.size() || rows.size() != model.rows.size())
        g_signal_emit_by_name(control, "visible-data-changed");
}

AtkObject* refRow(AtkObject* control, RowsModel& model, int index)
{
    if (index < 0 || index >= static_cast<int>(model.rows.size()))
        return nullptr;
    AtkObject*& object = model.objects[static_cast<size_t>(index)];
    if (!object)
        object = makeRowObject(control, model, index);
    return ATK_OBJECT(g_object_ref(object));
}

void releaseModel(QuorvelRows* rows)
{
    if (!rows->model)
        return;
    for (AtkObject* object : rows->model->objects) {
        if (object)
            retire(object);
    }
    delete rows->model;
    rows->model = nullptr;
}

bool hasFocus(AtkObject* control)
{
    GtkWidget* widget = gtk_accessible_get_widget(GTK_ACCESSIBLE(control));
    return widget && gtk_widget_has_focus(widget);
}

} // namespace

extern "C" {

static gint quorvelRowsGetNChildren(AtkObject* object)
{
    QuorvelRows* rows = rowsOf(object);
    if (!rows->model)
        return 0;
    refresh(object, *rows->model);
    return static_cast<gint>(rows->model->rows.size());
}

static AtkObject* quorvelRowsRefChild(AtkObject* object, gint index)
{
    QuorvelRows* rows = rowsOf(object);
    if (!rows->model)
        return nullptr;
    if (rows->model->rows.empty())
        refresh(object, *rows->model);
    return refRow(object, *rows->model, index);
}

static AtkStateSet* quorvelRowsRefStateSet(AtkObject* object)
{
    AtkStateSet* states = ATK_OBJECT_CLASS(quorvel_rows_parent_class)->ref_state_set(object);
    // The rows come and go with the control's contents: clients ask rather than keep them.
    atk_state_set_add_state(states, ATK_STATE_MANAGES_DESCENDANTS);
    return states;
}

static void quorvelRowsFinalize(GObject* object)
{
    releaseModel(rowsOf(ATK_OBJECT(object)));
    G_OBJECT_CLASS(quorvel_rows_parent_class)->finalize(object);
}

static void quorvel_rows_class_init(QuorvelRowsClass* klass)
{
    AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
    atk->get_n_children = quorvelRowsGetNChildren;
    atk->ref_child = quorvelRowsRefChild;
    atk->ref_state_set = quorvelRowsRefStateSet;
    G_OBJECT_CLASS(klass)->finalize = quorvelRowsFinalize;
}

static void quorvel_rows_init(QuorvelRows* rows)
{
    rows->model = nullptr;
}

static gint quorvelRowGetIndexInParent(AtkObject* object)
{
    return rowOf(object)->index;
}

static AtkStateSet* quorvelRowRefStateSet(AtkObject* object)
{
    AtkStateSet* states = atk_state_set_new();
    const Row* row = rowData(object);
    if (!row) {
        atk_state_set_add_state(states, ATK_STATE_DEFUNCT);
        return states;
    }
    for (AtkStateType state : {ATK_STATE_ENABLED, ATK_STATE_SENSITIVE, ATK_STATE_VISIBLE,
                               ATK_STATE_SHOWING, ATK_STATE_SELECTABLE, ATK_STATE_FOCUSABLE})
        atk_state_set_add_state(states, state);
    if (row->selected)
        atk_state_set_add_state(states, ATK_STATE_SELECTED);
    if (row->expandable)
        atk_state_set_add_state(states, ATK_STATE_EXPANDABLE);
    if (row->expanded)
        atk_state_set_add_state(states, ATK_STATE_EXPANDED);
    if (row->check != Row::NO_CHECK_BOX)
        atk_state_set_add_state(states, ATK_STATE_CHECKABLE);
    if (row->check == Row::CHECKED)
        atk_state_set_add_state(states, ATK_STATE_CHECKED);
    if (row->check == Row::MIXED)
        atk_state_set_add_state(states, ATK_STATE_INDETERMINATE);
    const QuorvelRow* self = rowOf(object);
    AtkObject* control = atk_object_get_parent(object);
    if (self->index == self->model->announced && control && hasFocus(control))
        atk_state_set_add_state(states, ATK_STATE_FOCUSED);
    return states;
}

static AtkAttributeSet* quorvelRowGetAttributes(AtkObject* object)
{
    const Row* row = rowData(object);
    const QuorvelRow* self = rowOf(object);
    if (!row || self->model->kind != AccessibleRows::TREE)
        return nullptr;
    // Counted from 1, as screen readers say it.
    auto* level = static_cast<AtkAttribute*>(g_malloc(sizeof(AtkAttribute)));
    level->name = g_strdup("level");
    level->value = g_strdup_printf("%d", row->level + 1);
    return g_slist_append(nullptr, level);
}

static void quorvel_row_class_init(QuorvelRowClass* klass)
{
    AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
    atk->get_index_in_parent = quorvelRowGetIndexInParent;
    atk->ref_state_set = quorvelRowRefStateSet;
    atk->get_attributes = quorvelRowGetAttributes;
}

static void quorvel_row_init(QuorvelRow* row)
{
    row->model = nullptr;
    row->index = -1;
}

} // extern "C"

namespace {

using GetAccessible = AtkObject* (*)(GtkWidget*);

GQuark ownQuark()
{
    static const GQuark quark = g_quark_from_static_string("quorvel-accessible-rows");
    return quark;
}

// The widget classes whose accessible is asked through ownOrDefault(), with what they asked
// before.
std::map<GType, GetAccessible>& defaults()
{
    static std::map<GType, GetAccessible> map;
    return map;
}

// A widget class shared by many windows (wxWidgets' own) cannot be given an accessible type
// for one control, so the class asks here first: the control's own accessible, else what
// GTK would have made.
AtkObject* ownOrDefault(GtkWidget* widget)
{
    if (gpointer own = g_object_get_qdata(G_OBJECT(widget), ownQuark()))
        return ATK_OBJECT(own);
    for (GType type = G_OBJECT_TYPE(widget); type; type = g_type_parent(type)) {
        const auto found = defaults().find(type);
        if (found != defaults().end())
            return found->second(widget);
    }
    return nullptr;
}

void askHereFirst(GtkWidget* widget)
{
    GtkWidgetClass* klass = GTK_WIDGET_GET_CLASS(widget);
    if (klass->get_accessible == ownOrDefault)
        return;
    defaults()[G_OBJECT_TYPE(widget)] = klass->get_accessible;
    klass->get_accessible = ownOrDefault;
}

// The widget that takes the focus: a native list or tree sits in a scrolled window.
GtkWidget* focusWidget(wxWindow& window)
{
    GtkWidget* widget = window.GetConnectWidget();
    if (widget && widget == window.m_widget && GTK_IS_SCROLLED_WINDOW(widget))
        widget = gtk_bin_get_child(GTK_BIN(widget));
    return widget;
}

// A native tree view (the toolkit's data view) keeps the accessible GTK made for it, which
// its own code relies on; only the cells of its first column, which GTK cannot name when the
// toolkit draws them itself, get the row's text, and a check box's state as the description.
GQuark nativeQuark()
{
    static const GQuark quark = g_quark_from_static_string("quorvel-accessible-rows-native");
    return quark;
}

RowsModel* nativeModel(GtkWidget* widget)
{
    return widget ? static_cast<RowsModel*>(g_object_get_qdata(G_OBJECT(widget), nativeQuark()))
                  : nullptr;
}

wxString checkText(Row::Check check)
{
    switch (check) {
    case Row::CHECKED:
        return _("checked");
    case Row::UNCHECKED:
        return _("not checked");
    case Row::MIXED:
        return _("partly checked");
    case Row::NO_CHECK_BOX:
        break;
    }
    return wxString();
}

void nameCells(GtkWidget* view, RowsModel& model)
{
    model.rows = model.source ? model.source() : std::vector<Row>();
    AtkObject* table = gtk_widget_get_accessible(view);
    if (!table || !ATK_IS_TABLE(table))
        return;
    for (size_t row = 0; row < model.rows.size(); ++row) {
        AtkObject* cell = atk_table_ref_at(ATK_TABLE(table), static_cast<gint>(row), 0);
        if (!cell)
            continue;
        const wxScopedCharBuffer name = model.rows[row].text.utf8_str();
        const char* had = atk_object_get_name(cell);
        if (!had || std::strcmp(had, name.data()) != 0)
            atk_object_set_name(cell, name.data());
        const wxString check = checkText(model.rows[row].check);
        const wxScopedCharBuffer state = check.utf8_str();
        const char* described = atk_object_get_description(cell);
        if (!described || std::strcmp(described, state.data()) != 0)
            atk_object_set_description(cell, state.data());
        g_object_unref(cell);
    }
}

QuorvelRows* ownAccessible(wxWindow& focusable)
{
    GtkWidget* widget = focusWidget(focusable);
    gpointer own = widget ? g_object_get_qdata(G_OBJECT(widget), ownQuark()) : nullptr;
    return own ? rowsOf(ATK_OBJECT(own)) : nullptr;
}

void onWidgetDestroyed(GtkWidget* widget, gpointer)
{
    gpointer own = g_object_steal_qdata(G_OBJECT(widget), ownQuark());
    if (!own)
        return;
    releaseModel(rowsOf(ATK_OBJECT(own)));
    gtk_accessible_set_widget(GTK_ACCESSIBLE(own), nullptr);
    g_object_unref(own);
}

// Reads the rows after the control has finished the change it reports.
template <typename Event> void rereadAfter(wxWindow& focusable, Event& event)
{
    event.Skip();
    focusable.CallAfter([&focusable] { AccessibleRows::rowsChanged(focusable); });
}

std::vector<Row> listRows(wxListCtrl& list)
{
    std::vector<wxString> headings;
    for (int column = 1; column < list.GetColumnCount(); ++column) {
        wxListItem heading;
        heading.SetMask(wxLIST_MASK_TEXT);
        list.GetColumn(column, heading);
        headings.push_back(heading.GetText());
    }
    std::vector<Row> rows;
    for (long item = 0; item < list.GetItemCount(); ++item) {
        Row row;
        row.text = list.GetItemText(item, 0);
        for (int column = 1; column < list.GetColumnCount(); ++column) {
            const wxString value = list.GetItemText(item, column);
            const wxString& heading = headings[static_cast<size_t>(column - 1)];
            if (!value.empty())
                row.text += ", " + (heading.empty() ? value : heading + ": " + value);
        }
        row.selected = list.GetItemState(item, wxLIST_STATE_SELECTED) != 0;
        rows.push_back(row);
    }
    return rows;
}

int listCurrent(wxListCtrl& list)
{
    const long focused = list.GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED);
    return static_cast<int>(
        focused != -1 ? focused : list.GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED));
}

void treeRows(wxTreeCtrl& tree, const wxTreeItemId& item, int level, std::vector<Row>& rows,
              const wxTreeItemId& current, int& currentIndex)
{
    const bool hiddenRoot = item == tree.GetRootItem() && tree.HasFlag(wxTR_HIDE_ROOT);
    if (!hiddenRoot) {
        if (item == current)
            currentIndex = static_cast<int>(rows.size());
        Row row;
        row.text = tree.GetItemText(item);
        row.level = level;
        row.expandable = tree.ItemHasChildren(item);
        row.expanded = row.expandable && tree.IsExpanded(item);
        row.selected = tree.IsSelected(item);
        rows.push_back(row);
        if (!row.expanded)
            return;
    }
    wxTreeItemIdValue cookie;
    for (wxTreeItemId child = tree.GetFirstChild(item, cookie); child.IsOk();
         child = tree.GetNextChild(item, cookie))
        treeRows(tree, child, hiddenRoot ? level : level + 1, rows, current, currentIndex);
}

wxTreeItemId treeCurrent(wxTreeCtrl& tree)
{
    const wxTreeItemId focused = tree.GetFocusedItem();
    if (focused.IsOk() || tree.HasFlag(wxTR_MULTIPLE))
        return focused;
    return tree.GetSelection();
}

void treeListRows(wxTreeListCtrl& tree, wxTreeListItem parent, int level, std::vector<Row>& rows,
                  const wxTreeListItem& current, int& currentIndex)
{
    const bool checkBoxes = tree.HasFlag(wxTL_CHECKBOX);
    for (wxTreeListItem item = tree.GetFirstChild(parent); item.IsOk();
         item = tree.GetNextSibling(item)) {
        if (item == current)
            currentIndex = static_cast<int>(rows.size());
        Row row;
        row.text = tree.GetItemText(item, 0);
        row.level = level;
        row.expandable = tree.GetFirstChild(item).IsOk();
        row.expanded = row.expandable && tree.IsExpanded(item);
        row.selected = tree.IsSelected(item);
        if (checkBoxes) {
            const wxCheckBoxState state = tree.GetCheckedState(item);
            row.check = state == wxCHK_CHECKED     ? Row::CHECKED
                        : state == wxCHK_UNCHECKED ? Row::UNCHECKED
                                                   : Row::MIXED;
        }
        rows.push_back(row);
        if (row.expanded)
            treeListRows(tree, item, level + 1, rows, current, currentIndex);
    }
}

wxTreeListItem treeListCurrent(wxTreeListCtrl& tree)
{
    if (!tree.HasFlag(wxTL_MULTIPLE))
        return tree.GetSelection();
    wxTreeListItems selected;
    return tree.GetSelections(selected) > 0 ? selected.front() : wxTreeListItem();
}

} // namespace

namespace Quorvel {

void AccessibleRows::expose(wxWindow& focusable, Kind kind, const wxString& name, RowSource rows,
                            CurrentRow current)
{
    GtkWidget* widget = focusWidget(focusable);
    if (!widget)
        return;
    if (GTK_IS_TREE_VIEW(widget)) {
        auto* model = new RowsModel{kind, std::move(rows), std::move(current), {}, {}, -1};
        g_object_set_qdata_full(G_OBJECT(widget), nativeQuark(), model,
                                [](gpointer data) { delete static_cast<RowsModel*>(data); });
        setAccessibleName(focusable, name);
        nameCells(widget, *model);
        return;
    }
    if (!GTK_IS_CONTAINER(widget))
        return;
    if (QuorvelRows* existing = ownAccessible(focusable)) {
        releaseModel(existing);
        existing->model = new RowsModel{kind, std::move(rows), std::move(current), {}, {}, -1};
        atk_object_set_name(ATK_OBJECT(existing), name.utf8_str());
        return;
    }
    askHereFirst(widget);
    auto* own = ATK_OBJECT(g_object_new(quorvel_rows_get_type(), "widget", widget, nullptr));
    atk_object_initialize(own, widget);
    atk_object_set_role(own, kind == TREE ? ATK_ROLE_TREE : ATK_ROLE_LIST);
    atk_object_set_name(own, name.utf8_str());
    rowsOf(own)->model = new RowsModel{kind, std::move(rows), std::move(current), {}, {}, -1};
    g_object_set_qdata(G_OBJECT(widget), ownQuark(), own);
    g_signal_connect(widget, "destroy", G_CALLBACK(onWidgetDestroyed), nullptr);
    // Coming back to the control, the user hears where in it they are.
    focusable.Bind(wxEVT_SET_FOCUS, [&focusable](wxFocusEvent& event) {
        event.Skip();
        if (QuorvelRows* self = ownAccessible(focusable); self && self->model)
            self->model->announced = -1;
        focusable.CallAfter([&focusable] { rowsChanged(focusable); });
    });
}

void AccessibleRows::rowsChanged(wxWindow& focusable)
{
    // A native tree view announces the row the user moves to by itself.
    if (RowsModel* native = nativeModel(focusWidget(focusable))) {
        nameCells(focusWidget(focusable), *native);
        return;
    }
    QuorvelRows* self = ownAccessible(focusable);
    if (!self || !self->model)
        return;
    AtkObject* control = ATK_OBJECT(self);
    RowsModel& model = *self->model;
    refresh(control, model);
    const int current = model.current ? model.current() : -1;
    if (current == model.announced)
        return;
    if (model.announced >= 0 && model.announced < static_cast<int>(model.objects.size()))
        if (AtkObject* before = model.objects[static_cast<size_t>(model.announced)])
            atk_object_notify_state_change(before, ATK_STATE_FOCUSED, FALSE);
    model.announced = current;
    if (AtkObject* row = refRow(control, model, current)) {
        atk_object_notify_state_change(row, ATK_STATE_FOCUSED, hasFocus(control));
        g_signal_emit_by_name(control, "active-descendant-changed", row);
        g_object_unref(row);
    }
}

void AccessibleRows::expose(wxListCtrl& list, const wxString& name)
{
    // The generic list draws its rows, and takes the focus, in a window of its own.
    wxWindow* found = nullptr;
    for (wxWindow* child : list.GetChildren()) {
        if (child->AcceptsFocusFromKeyboard())
            found = child;
    }
    wxWindow& rows = found ? *found : static_cast<wxWindow&>(list);
    expose(
        rows, LIST, name, [&list] { return listRows(list); },
        [&list] { return listCurrent(list); });
    for (const auto& type :
         {wxEVT_LIST_ITEM_SELECTED, wxEVT_LIST_ITEM_DESELECTED, wxEVT_LIST_ITEM_FOCUSED,
          wxEVT_LIST_INSERT_ITEM, wxEVT_LIST_DELETE_ITEM, wxEVT_LIST_DELETE_ALL_ITEMS})
        list.Bind(type, [&rows](wxListEvent& event) { rereadAfter(rows, event); });
}

void AccessibleRows::expose(wxTreeCtrl& tree, const wxString& name)
{
    expose(
        tree, TREE, name,
        [&tree] {
            std::vector<Row> rows;
            int current = -1;
            if (tree.GetRootItem().IsOk())
                treeRows(tree, tree.GetRootItem(), 0, rows, wxTreeItemId(), current);
            return rows;
        },
        [&tree] {
            std::vector<Row> rows;
            int current = -1;
            if (tree.GetRootItem().IsOk())
                treeRows(tree, tree.GetRootItem(), 0, rows, treeCurrent(tree), current);
            return current;
        });
    for (const auto& type : {wxEVT_TREE_SEL_CHANGED, wxEVT_TREE_ITEM_EXPANDED,
                             wxEVT_TREE_ITEM_COLLAPSED, wxEVT_TREE_DELETE_ITEM})
        tree.Bind(type, [&tree](wxTreeEvent& event) { rereadAfter(tree, event); });
}

void AccessibleRows::expose(wxTreeListCtrl& tree, const wxString& name)
{
    wxWindow& view = *tree.GetView();
    expose(
        view, TREE, name,
        [&tree] {
            std::vector<Row> rows;
            int current = -1;
            treeListRows(tree, tree.GetRootItem(), 0, rows, wxTreeListItem(), current);
            return rows;
        },
        [&tree] {
            std::vector<Row> rows;
            int current = -1;
            treeListRows(tree, tree.GetRootItem(), 0, rows, treeListCurrent(tree), current);
            return current;
        });
    // Named at once: a screen reader asks for the row GTK announces as soon as it can.
    for (const auto& type : {wxEVT_TREELIST_SELECTION_CHANGED, wxEVT_TREELIST_ITEM_EXPANDED,
                             wxEVT_TREELIST_ITEM_CHECKED})
        tree.Bind(type, [&view](wxTreeListEvent& event) {
            event.Skip();
            rowsChanged(view);
        });
}

} // namespace Quorvel

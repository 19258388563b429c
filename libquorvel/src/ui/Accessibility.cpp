#include "ui/Accessibility.h"

#include <functional>
#include <memory>
#include <utility>

#include <gtk/gtk.h>
#include <wx/intl.h>
#include <wx/toolbar.h>
#include <wx/window.h>

namespace Quorvel {

namespace {

void nameWidget(GtkWidget* widget, const wxString& name)
{
    if (!widget)
        return;
    if (AtkObject* accessible = gtk_widget_get_accessible(widget))
        atk_object_set_name(accessible, name.utf8_str());
}

wxString accessibleName(GtkWidget* widget)
{
    AtkObject* accessible = widget ? gtk_widget_get_accessible(widget) : nullptr;
    const char* name = accessible ? atk_object_get_name(accessible) : nullptr;
    return name ? wxString::FromUTF8(name) : wxString();
}

void describeWidget(GtkWidget* widget, const wxString& description)
{
    if (!widget)
        return;
    if (AtkObject* accessible = gtk_widget_get_accessible(widget))
        atk_object_set_description(accessible, description.utf8_str());
}

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
using OwnedObject = std::unique_ptr<AtkObject, ObjectUnref>;

wxString stateNames(AtkStateSet* states)
{
    wxString names;
    const std::pair<AtkStateType, const char*> shown[] = {
        {ATK_STATE_FOCUSED, "focused"},       {ATK_STATE_SELECTED, "selected"},
        {ATK_STATE_CHECKED, "checked"},       {ATK_STATE_INDETERMINATE, "indeterminate"},
        {ATK_STATE_EXPANDABLE, "expandable"}, {ATK_STATE_EXPANDED, "expanded"}};
    for (const auto& [state, name] : shown) {
        if (atk_state_set_contains_state(states, state))
            names += (names.empty() ? "" : " ") + wxString(name);
    }
    return names;
}

// A screen reader's tour of the objects below `object`, depth first; `left` bounds the tour
// over a very long list.
void readObjects(AtkObject* object, int depth, int& left, std::vector<AccessibleNode>& nodes)
{
    const int count = atk_object_get_n_accessible_children(object);
    for (int i = 0; i < count && left > 0; ++i) {
        OwnedObject child(atk_object_ref_accessible_child(object, i));
        if (!child)
            continue;
        std::unique_ptr<AtkStateSet, ObjectUnref> states(atk_object_ref_state_set(child.get()));
        if (!states || !atk_state_set_contains_state(states.get(), ATK_STATE_SHOWING))
            continue;
        --left;
        const char* name = atk_object_get_name(child.get());
        const char* description = atk_object_get_description(child.get());
        if ((name && *name) || (description && *description))
            nodes.push_back(
                {wxString::FromUTF8(atk_role_get_name(atk_object_get_role(child.get()))),
                 wxString::FromUTF8(name ? name : ""),
                 wxString::FromUTF8(description ? description : ""), stateNames(states.get()),
                 depth});
        readObjects(child.get(), depth + 1, left, nodes);
    }
}

// Visits `widget` and everything inside it, internal children (a tool button's arrow) too.
void forEachWidget(GtkWidget* widget, const std::function<void(GtkWidget*)>& visit)
{
    visit(widget);
    if (!GTK_IS_CONTAINER(widget))
        return;
    std::vector<GtkWidget*> children;
    gtk_container_forall(
        GTK_CONTAINER(widget),
        [](GtkWidget* child, gpointer list) {
            static_cast<std::vector<GtkWidget*>*>(list)->push_back(child);
        },
        &children);
    for (GtkWidget* child : children)
        forEachWidget(child, visit);
}

} // namespace

void setAccessibleName(wxWindow& window, const wxString& name)
{
    // The frame (a scrolled window around a list or a field) and the part that takes the focus.
    GtkWidget* focusable = window.GetConnectWidget();
    nameWidget(window.m_widget, name);
    if (focusable != window.m_widget)
        nameWidget(focusable, name);
    if (GTK_IS_SCROLLED_WINDOW(window.m_widget))
        nameWidget(gtk_bin_get_child(GTK_BIN(window.m_widget)), name);
    // Controls that wxWidgets builds from parts (a list, a date picker) take the focus in a
    // child window of their own; it speaks for the whole.
    for (wxWindow* child : window.GetChildren()) {
        if (child->AcceptsFocusFromKeyboard() && getAccessibleName(*child).empty())
            setAccessibleName(*child, name);
    }
}

wxString getAccessibleName(wxWindow& window)
{
    // The part that takes the focus is what a screen reader announces.
    return accessibleName(window.GetConnectWidget());
}

void setAccessibleDescription(wxWindow& window, const wxString& description)
{
    GtkWidget* focusable = window.GetConnectWidget();
    describeWidget(window.m_widget, description);
    if (focusable != window.m_widget)
        describeWidget(focusable, description);
}

wxString getAccessibleDescription(wxWindow& window)
{
    AtkObject* accessible = gtk_widget_get_accessible(window.GetConnectWidget());
    const char* description = accessible ? atk_object_get_description(accessible) : nullptr;
    return description ? wxString::FromUTF8(description) : wxString();
}

void nameRegion(wxWindow& window, const wxString& name, const wxString& description)
{
    for (GtkWidget* widget : {window.m_widget, window.GetConnectWidget()}) {
        nameWidget(widget, name);
        describeWidget(widget, description);
    }
}

void nameToolDropDowns(wxToolBar& toolBar)
{
    forEachWidget(toolBar.m_widget, [](GtkWidget* widget) {
        // wxWidgets builds a drop-down tool as a tool button holding the button and the arrow.
        if (!GTK_IS_TOOL_BUTTON(widget))
            return;
        const char* label = gtk_tool_button_get_label(GTK_TOOL_BUTTON(widget));
        const wxString name =
            wxString::Format(_("%s menu"), wxString::FromUTF8(label ? label : ""));
        forEachWidget(widget, [&name](GtkWidget* part) {
            if (GTK_IS_TOGGLE_BUTTON(part) && accessibleName(part).empty())
                nameWidget(part, name);
        });
    });
}

std::vector<wxString> findUnnamedControls(wxWindow& window)
{
    std::vector<wxString> unnamed;
    forEachWidget(window.m_widget, [&unnamed](GtkWidget* widget) {
        // A combo box is one object on the bus; its arrow button is not shown there.
        if (gtk_widget_get_ancestor(widget, GTK_TYPE_COMBO_BOX))
            return;
        if (gtk_widget_get_can_focus(widget) && gtk_widget_get_mapped(widget) &&
            accessibleName(widget).empty()) {
            // The path of widget types, so the failing control can be found.
            wxString path = wxString::FromUTF8(G_OBJECT_TYPE_NAME(widget));
            for (GtkWidget* up = gtk_widget_get_parent(widget); up; up = gtk_widget_get_parent(up))
                path = wxString::FromUTF8(G_OBJECT_TYPE_NAME(up)) + "/" + path;
            unnamed.push_back(path);
        }
    });
    return unnamed;
}

std::vector<AccessibleNode> readAccessibleTree(wxWindow& window)
{
    std::vector<AccessibleNode> nodes;
    int left = 5000;
    if (AtkObject* top = gtk_widget_get_accessible(window.m_widget))
        readObjects(top, 0, left, nodes);
    return nodes;
}

} // namespace Quorvel

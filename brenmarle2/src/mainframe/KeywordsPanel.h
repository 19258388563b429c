#pragma once
// The Keywords sidebar: the keyword tree (a level per "/"), whose ticks tag the pictures selected
// in the current section (a half tick: some of them have it); buttons to add, rename and remove
// keywords; and the place of the selected pictures (country, province, city, sublocation).
// Keywords the catalogue cannot store are refused with the keyword list's own message.
//
// GUI thread only.

#include <functional>
#include <map>

#include <wx/panel.h>
#include <wx/treelist.h>

#include "widgets/ThumbnailView.h"

namespace Brenmarle {
class KeywordEvent;
}
class wxButton;
class wxChoice;
class wxStaticText;
class wxTextCtrl;

class KeywordsPanel : public wxPanel {
public:
    // The view whose selection the panel edits (the current section's; may be null).
    using ViewProvider = std::function<ThumbnailView*()>;

    KeywordsPanel(wxWindow* parent, ViewProvider view);
    ~KeywordsPanel() override;

    // Reads the keywords and places of the selection again (it changed).
    void refreshSelection();

    // What the buttons and ticks do, also for tests. Each returns whether it changed something;
    // a refusal is shown in the message line.
    bool addKeyword(const wxString& keyword);
    bool renameKeyword(const wxString& oldKeyword, const wxString& newKeyword);
    bool removeKeyword(const wxString& keyword);
    // Gives the keyword to every selected picture, or takes it from them.
    bool tagSelection(const wxString& keyword, bool tag);
    // Sets the place of every selected picture; `countryCode` empty for none.
    bool setSelectionPlace(const wxString& countryCode, const wxString& province,
                           const wxString& city, const wxString& sublocation);

    wxTreeListCtrl* getTree() const { return m_tree; }
    // The tree item of `keyword` (invalid when it is not shown).
    wxTreeListItem findItem(const wxString& keyword) const;
    wxString getMessage() const;

private:
    void rebuildTree();
    void updateTicks();
    void showMessage(const wxString& message);
    ThumbnailView::Files selectedFiles() const;
    wxString chosenKeyword() const;

    void onKeywordsChanged(Brenmarle::KeywordEvent& event);
    void onChecked(wxTreeListEvent& event);
    void onAdd();
    void onRename();
    void onRemove();

    ViewProvider m_viewProvider;
    wxTreeListCtrl* m_tree = nullptr;
    // Each shown keyword path with its item; parents that are no keyword of their own too.
    std::map<wxString, wxTreeListItem> m_items;
    wxStaticText* m_message = nullptr;
    wxButton* m_rename = nullptr;
    wxButton* m_remove = nullptr;
    wxChoice* m_country = nullptr;
    wxTextCtrl* m_province = nullptr;
    wxTextCtrl* m_city = nullptr;
    wxTextCtrl* m_sublocation = nullptr;
    wxButton* m_applyPlace = nullptr;
};

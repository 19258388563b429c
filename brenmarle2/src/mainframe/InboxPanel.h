#pragma once
// The Picture Inbox sidebar: the pictures that arrived and wait to be sorted into albums.
//
// GUI thread only.

#include <wx/panel.h>

class ThumbnailView;
class wxStaticText;

class InboxPanel : public wxPanel {
public:
    explicit InboxPanel(wxWindow* parent);

    // Reads the inbox again.
    void refresh();
    ThumbnailView* getView() const { return m_view; }

private:
    wxStaticText* m_title;
    ThumbnailView* m_view;
};

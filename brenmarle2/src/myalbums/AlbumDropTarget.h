#pragma once
// Drops onto the album list: the album under the pointer is highlighted while pictures are
// dragged over it, and a drop hands the pictures and that album to the handler.
//
// GUI thread only. Owned by the list it was set on.

#include <functional>
#include <vector>

#include <wx/dnd.h>

class wxListCtrl;

class AlbumDropTarget : public wxDropTarget {
public:
    // Gets the row dropped on, the URIs (from the program) or paths (from the desktop), and
    // whether the user asked for a move; returns whether the pictures were taken.
    using Handler = std::function<bool(long row, const std::vector<wxString>& uris,
                                       const std::vector<wxString>& paths, bool move)>;

    AlbumDropTarget(wxListCtrl* list, Handler handler);

    wxDragResult OnDragOver(wxCoord x, wxCoord y, wxDragResult def) override;
    void OnLeave() override;
    wxDragResult OnData(wxCoord x, wxCoord y, wxDragResult def) override;

private:
    long rowAt(wxCoord x, wxCoord y) const;
    void highlight(long row);

    wxListCtrl* m_list;
    Handler m_handler;
    long m_highlighted = -1;
};

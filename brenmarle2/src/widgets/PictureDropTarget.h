#pragma once
// Drops of pictures onto a window as a whole (a thumbnail view showing an album): the URIs
// (from the program) or paths (from the desktop) go to the handler.
//
// GUI thread only. Owned by the window it was set on.

#include <functional>
#include <vector>

#include <wx/dnd.h>

class PictureDropTarget : public wxDropTarget {
public:
    // Returns whether the pictures were taken; `move` when the user asked for a move.
    using Handler = std::function<bool(const std::vector<wxString>& uris,
                                       const std::vector<wxString>& paths, bool move)>;

    explicit PictureDropTarget(Handler handler);

    wxDragResult OnData(wxCoord x, wxCoord y, wxDragResult def) override;

private:
    Handler m_handler;
};

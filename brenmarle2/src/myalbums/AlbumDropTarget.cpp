#include "myalbums/AlbumDropTarget.h"

#include <wx/listctrl.h>

#include "widgets/PictureDrag.h"

AlbumDropTarget::AlbumDropTarget(wxListCtrl* list, Handler handler)
    : wxDropTarget(new PictureDropData), m_list(list), m_handler(std::move(handler))
{
}

long AlbumDropTarget::rowAt(wxCoord x, wxCoord y) const
{
    int flags = 0;
    return m_list->HitTest(wxPoint(x, y), flags);
}

void AlbumDropTarget::highlight(long row)
{
    if (row == m_highlighted)
        return;
    if (m_highlighted >= 0 && m_highlighted < m_list->GetItemCount())
        m_list->SetItemState(m_highlighted, 0, wxLIST_STATE_DROPHILITED);
    m_highlighted = row;
    if (row >= 0)
        m_list->SetItemState(row, wxLIST_STATE_DROPHILITED, wxLIST_STATE_DROPHILITED);
}

wxDragResult AlbumDropTarget::OnDragOver(wxCoord x, wxCoord y, wxDragResult def)
{
    const long row = rowAt(x, y);
    highlight(row);
    return row >= 0 ? def : wxDragNone;
}

void AlbumDropTarget::OnLeave()
{
    highlight(-1);
}

wxDragResult AlbumDropTarget::OnData(wxCoord x, wxCoord y, wxDragResult def)
{
    const long row = rowAt(x, y);
    highlight(-1);
    if (row < 0 || !GetData())
        return wxDragNone;
    const auto* data = static_cast<PictureDropData*>(GetDataObject());
    const bool move = def == wxDragMove;
    if (!m_handler || !m_handler(row, data->getUris(), data->getPaths(), move))
        return wxDragNone;
    return def;
}

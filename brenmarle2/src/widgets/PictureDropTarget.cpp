#include "widgets/PictureDropTarget.h"

#include "widgets/PictureDrag.h"

PictureDropTarget::PictureDropTarget(Handler handler)
    : wxDropTarget(new PictureDropData), m_handler(std::move(handler))
{
}

wxDragResult PictureDropTarget::OnData(wxCoord, wxCoord, wxDragResult def)
{
    if (!GetData())
        return wxDragNone;
    const auto* data = static_cast<PictureDropData*>(GetDataObject());
    if (!m_handler || !m_handler(data->getUris(), data->getPaths(), def == wxDragMove))
        return wxDragNone;
    return def;
}

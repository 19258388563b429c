#include "viewedit/ImageView2.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <wx/dcbuffer.h>
#include <wx/graphics.h>
#include <wx/settings.h>

#include "imaging/gui/DrawableImage.h"
#include "viewedit/CropSelection.h"

ImageView2::ImageView2(wxWindow* parent)
    : wxScrolledCanvas(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                       wxFULL_REPAINT_ON_RESIZE | wxHSCROLL | wxVSCROLL)
{
    SetName("Picture");
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetScrollRate(16, 16);
    Bind(wxEVT_PAINT, &ImageView2::onPaint, this);
    Bind(wxEVT_SIZE, &ImageView2::onSize, this);
    Bind(wxEVT_LEFT_DOWN, &ImageView2::onLeftDown, this);
    Bind(wxEVT_MOTION, &ImageView2::onMotion, this);
    Bind(wxEVT_LEFT_UP, &ImageView2::onLeftUp, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &ImageView2::onCaptureLost, this);
}

void ImageView2::setImage(const Quorvel::Ref<Brenmarle::ImageData>& image, const wxString& message)
{
    m_image = image && image->isLoaded() ? image : nullptr;
    m_message = message;
    m_full = wxImage();
    m_scaled = wxImage();
    m_scaledScale = 0;
    m_bitmap = wxBitmap();
    m_bitmapScale = 0;
    if (m_image)
        m_full = Brenmarle::DrawableImage::fromImageData(*m_image);
    // A selection belongs to the picture it was drawn on.
    if (!m_selection.IsEmpty() && !wxRect(pictureSize()).Contains(m_selection))
        clearSelection();
    updateVirtualSize();
    Refresh();
}

wxSize ImageView2::pictureSize() const
{
    return m_full.IsOk() ? wxSize(m_full.GetWidth(), m_full.GetHeight()) : wxSize(0, 0);
}

double ImageView2::fitScale() const
{
    const wxSize picture = pictureSize();
    const wxSize client = GetClientSize();
    if (picture.x <= 0 || picture.y <= 0 || client.x <= 0 || client.y <= 0)
        return 1.0;
    return std::min({1.0, double(client.x) / picture.x, double(client.y) / picture.y});
}

double ImageView2::getZoom() const
{
    return m_fit ? fitScale() : m_zoom;
}

void ImageView2::zoomToFit()
{
    m_fit = true;
    updateVirtualSize();
    Refresh();
}

void ImageView2::setZoom(double zoom)
{
    // Keep the picture point in the middle of the window where it is.
    const wxSize client = GetClientSize();
    const wxPoint centre = toPicture(wxPoint(client.x / 2, client.y / 2));
    m_fit = false;
    m_zoom = std::clamp(zoom, MIN_ZOOM, MAX_ZOOM);
    updateVirtualSize();
    int unitX = 1;
    int unitY = 1;
    GetScrollPixelsPerUnit(&unitX, &unitY);
    const wxPoint target(int(centre.x * m_zoom) - client.x / 2,
                         int(centre.y * m_zoom) - client.y / 2);
    // The toolkit takes the new scroll range on its next turn.
    CallAfter([this, target, unitX, unitY] {
        Scroll(std::max(0, target.x / std::max(1, unitX)),
               std::max(0, target.y / std::max(1, unitY)));
    });
    Refresh();
}

void ImageView2::updateVirtualSize()
{
    const wxSize picture = pictureSize();
    const double scale = getZoom();
    if (m_fit)
        SetVirtualSize(1, 1);
    else
        SetVirtualSize(int(std::ceil(picture.x * scale)), int(std::ceil(picture.y * scale)));
}

wxPoint ImageView2::origin() const
{
    const wxSize picture = pictureSize();
    const double scale = getZoom();
    const wxSize client = GetClientSize();
    const int width = int(std::lround(picture.x * scale));
    const int height = int(std::lround(picture.y * scale));
    return wxPoint(std::max(0, (client.x - width) / 2), std::max(0, (client.y - height) / 2));
}

wxPoint ImageView2::toPicture(const wxPoint& windowPoint) const
{
    const wxPoint virtualPoint = CalcUnscrolledPosition(windowPoint) - origin();
    const double scale = getZoom();
    return wxPoint(int(std::floor(virtualPoint.x / scale)),
                   int(std::floor(virtualPoint.y / scale)));
}

wxPoint ImageView2::toWindow(const wxPoint& picturePoint) const
{
    const double scale = getZoom();
    const wxPoint virtualPoint = origin() + wxPoint(int(std::lround(picturePoint.x * scale)),
                                                    int(std::lround(picturePoint.y * scale)));
    return CalcScrolledPosition(virtualPoint);
}

void ImageView2::setBrightnessContrast(int brightness, int contrast)
{
    if (brightness == m_brightness && contrast == m_contrast)
        return;
    m_brightness = brightness;
    m_contrast = contrast;
    m_bitmapScale = 0;
    Refresh();
}

wxImage ImageView2::adjusted(wxImage image) const
{
    if (m_brightness == 0 && m_contrast == 0)
        return image;
    const auto table = Brenmarle::ImageData::brightnessContrastTable(m_brightness, m_contrast);
    unsigned char* data = image.GetData();
    const size_t bytes = size_t(image.GetWidth()) * size_t(image.GetHeight()) * 3;
    for (size_t i = 0; i < bytes; ++i)
        data[i] = table[data[i]];
    return image;
}

const wxBitmap& ImageView2::scaledBitmap(double scale)
{
    if (m_bitmap.IsOk() && m_bitmapScale == scale)
        return m_bitmap;
    // Scaling the (maybe full-size) picture is the slow part: a slider moving only redoes the
    // table lookup over the scaled copy.
    if (!m_scaled.IsOk() || m_scaledScale != scale) {
        const wxSize picture = pictureSize();
        const int width = std::max(1, int(std::lround(picture.x * scale)));
        const int height = std::max(1, int(std::lround(picture.y * scale)));
        m_scaled = width == picture.x && height == picture.y
                       ? m_full
                       : m_full.Scale(width, height, wxIMAGE_QUALITY_BOX_AVERAGE);
        m_scaledScale = scale;
    }
    m_bitmap = wxBitmap(adjusted(m_scaled.Copy()));
    m_bitmapScale = scale;
    return m_bitmap;
}

void ImageView2::onPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    // A dark neutral surround: colours of a photo are judged against grey, not white.
    dc.SetBackground(wxBrush(wxColour(58, 58, 58)));
    dc.Clear();
    if (!m_full.IsOk()) {
        if (!m_message.empty()) {
            const wxSize text = dc.GetTextExtent(m_message);
            const wxSize client = GetClientSize();
            dc.SetTextForeground(wxColour(200, 200, 200));
            dc.DrawText(m_message, (client.x - text.x) / 2, (client.y - text.y) / 2);
        }
        return;
    }
    const double scale = getZoom();
    const wxPoint topLeft = toWindow(wxPoint(0, 0));
    if (scale <= 1.0) {
        dc.DrawBitmap(scaledBitmap(scale), topLeft);
    } else {
        // Enlarged: only the part in the window is scaled, pixel by pixel.
        const wxSize client = GetClientSize();
        const wxPoint first = toPicture(wxPoint(0, 0));
        const wxPoint last = toPicture(wxPoint(client.x, client.y));
        wxRect part(first, wxPoint(last.x + 1, last.y + 1));
        part.Intersect(wxRect(pictureSize()));
        if (!part.IsEmpty()) {
            wxImage piece = m_full.GetSubImage(part);
            piece.Rescale(std::max(1, int(std::lround(part.width * scale))),
                          std::max(1, int(std::lround(part.height * scale))),
                          wxIMAGE_QUALITY_NEAREST);
            dc.DrawBitmap(wxBitmap(adjusted(std::move(piece))), toWindow(part.GetTopLeft()));
        }
    }
    drawSelection(dc);
}

void ImageView2::drawSelection(wxDC& dc)
{
    if (!m_selecting || m_selection.IsEmpty())
        return;
    // Corners taken as exclusive: wxRect(point, point) would include the far one.
    const auto onWindow = [this](const wxPoint& from, const wxPoint& to) {
        const wxPoint a = toWindow(from);
        const wxPoint b = toWindow(to);
        return wxRect(a, wxSize(b.x - a.x, b.y - a.y));
    };
    const wxRect picture = onWindow(wxPoint(0, 0), wxPoint(pictureSize().x, pictureSize().y));
    const wxRect selected =
        onWindow(m_selection.GetTopLeft(), m_selection.GetTopLeft() + m_selection.GetSize());
    // The parts of the picture that the crop cuts away are dimmed.
    std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::CreateFromUnknownDC(dc));
    if (gc) {
        gc->SetPen(*wxTRANSPARENT_PEN);
        gc->SetBrush(wxBrush(wxColour(0, 0, 0, 140)));
        // Four bands around the selection, edges exclusive so none overlaps another.
        const int pictureRight = picture.x + picture.width;
        const int pictureBottom = picture.y + picture.height;
        const int right = selected.x + selected.width;
        const int bottom = selected.y + selected.height;
        gc->DrawRectangle(picture.x, picture.y, picture.width, selected.y - picture.y);
        gc->DrawRectangle(picture.x, bottom, picture.width, pictureBottom - bottom);
        gc->DrawRectangle(picture.x, selected.y, selected.x - picture.x, selected.height);
        gc->DrawRectangle(right, selected.y, pictureRight - right, selected.height);
    }
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.SetPen(wxPen(*wxBLACK, 1));
    dc.DrawRectangle(selected);
    dc.SetPen(wxPen(*wxWHITE, 1, wxPENSTYLE_SHORT_DASH));
    dc.DrawRectangle(selected);
}

void ImageView2::onSize(wxSizeEvent& event)
{
    updateVirtualSize();
    Refresh();
    event.Skip();
}

void ImageView2::setSelectionMode(bool on)
{
    m_selecting = on;
    SetCursor(on ? wxCursor(wxCURSOR_CROSS) : wxNullCursor);
    if (!on)
        m_selection = wxRect();
    Refresh();
}

void ImageView2::setCropRatio(double ratio)
{
    m_ratio = ratio;
    if (!m_selection.IsEmpty()) {
        m_selection = CropSelection::fromDrag(m_dragStart, m_dragEnd, m_ratio, pictureSize());
        selectionChanged();
    }
}

void ImageView2::clearSelection()
{
    m_selection = wxRect();
    m_dragging = false;
    Refresh();
}

void ImageView2::selectionChanged()
{
    Refresh();
    if (m_onSelection)
        m_onSelection();
}

void ImageView2::onLeftDown(wxMouseEvent& event)
{
    SetFocus();
    if (!m_selecting || !m_full.IsOk()) {
        event.Skip();
        return;
    }
    m_dragging = true;
    m_dragStart = m_dragEnd = toPicture(event.GetPosition());
    if (!HasCapture())
        CaptureMouse();
    m_selection = wxRect();
    selectionChanged();
}

void ImageView2::onMotion(wxMouseEvent& event)
{
    if (!m_dragging) {
        event.Skip();
        return;
    }
    m_dragEnd = toPicture(event.GetPosition());
    m_selection = CropSelection::fromDrag(m_dragStart, m_dragEnd, m_ratio, pictureSize());
    selectionChanged();
}

void ImageView2::onLeftUp(wxMouseEvent& event)
{
    if (!m_dragging) {
        event.Skip();
        return;
    }
    if (HasCapture())
        ReleaseMouse();
    m_dragging = false;
    m_dragEnd = toPicture(event.GetPosition());
    m_selection = CropSelection::fromDrag(m_dragStart, m_dragEnd, m_ratio, pictureSize());
    selectionChanged();
}

void ImageView2::onCaptureLost(wxMouseCaptureLostEvent&)
{
    m_dragging = false;
}

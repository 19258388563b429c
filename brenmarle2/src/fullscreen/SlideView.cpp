#include "fullscreen/SlideView.h"

#include <algorithm>
#include <vector>

#include <wx/dcbuffer.h>
#include <wx/image.h>

#include "imaging/ImageData.h"
#include "imaging/gui/DrawableImage.h"
#include "system/Log.h"

SlideView::SlideView(wxWindow* parent, bool largeFont)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxWANTS_CHARS),
      m_largeFont(largeFont)
{
    SetName(wxS("slide"));
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetBackgroundColour(*wxBLACK);
    Bind(wxEVT_PAINT, &SlideView::onPaint, this);
    Bind(wxEVT_SIZE, &SlideView::onSize, this);
}

SlideView::~SlideView()
{
    QDEBUG("[SLIDEVIEW] Destructor");
}

void SlideView::setImage(const Brenmarle::ImageData& image)
{
    const wxImage pixels = Brenmarle::DrawableImage::fromImageData(image);
    m_bitmap = pixels.IsOk() ? wxBitmap(pixels) : wxBitmap();
    Refresh();
}

void SlideView::clearImage()
{
    m_bitmap = wxBitmap();
    Refresh();
}

void SlideView::setCaption(const Brenmarle::SlideCaption& caption)
{
    m_caption = caption;
    Refresh();
}

void SlideView::setMessage(const wxString& message)
{
    m_message = message;
    Refresh();
}

void SlideView::leaveWaiting()
{
    m_waiting = false;
    m_message.clear();
    Refresh();
}

void SlideView::onSize(wxSizeEvent& event)
{
    Refresh();
    event.Skip();
}

void SlideView::onPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    dc.SetBackground(*wxBLACK_BRUSH);
    dc.Clear();
    const wxSize size = GetClientSize();

    if (m_bitmap.IsOk()) {
        // Loaded at screen size already; a smaller window (not full screen) scales it down.
        wxBitmap shown = m_bitmap;
        if (shown.GetWidth() > size.x || shown.GetHeight() > size.y) {
            const double scale =
                std::min(double(size.x) / shown.GetWidth(), double(size.y) / shown.GetHeight());
            const int w = std::max(1, int(shown.GetWidth() * scale));
            const int h = std::max(1, int(shown.GetHeight() * scale));
            shown = wxBitmap(m_bitmap.ConvertToImage().Scale(w, h, wxIMAGE_QUALITY_HIGH));
        }
        dc.DrawBitmap(shown, (size.x - shown.GetWidth()) / 2, (size.y - shown.GetHeight()) / 2);
    }

    wxFont font = GetFont();
    font.SetPointSize(m_largeFont ? 28 : 16);
    dc.SetFont(font);
    // Light text over a dark shadow stays legible on any picture.
    const auto drawLine = [&](const wxString& text, int y) {
        const wxSize extent = dc.GetTextExtent(text);
        const int x = (size.x - extent.x) / 2;
        dc.SetTextForeground(*wxBLACK);
        dc.DrawText(text, x + 2, y + 2);
        dc.SetTextForeground(*wxWHITE);
        dc.DrawText(text, x, y);
        return extent.y;
    };
    if (!m_message.empty()) {
        drawLine(m_message, (size.y - dc.GetTextExtent(m_message).y) / 2);
        return;
    }
    std::vector<wxString> lines;
    for (const wxString* text : {&m_caption.caption, &m_caption.date, &m_caption.location})
        if (!text->empty())
            lines.push_back(*text);
    const int lineHeight = dc.GetTextExtent(wxS("Ag")).y + 4;
    int y = size.y - lineHeight * int(lines.size()) - lineHeight;
    for (const wxString& line : lines) {
        drawLine(line, y);
        y += lineHeight;
    }
}

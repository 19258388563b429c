#pragma once
// The picture window's view: shows one picture fitted to the window or zoomed (scrolling when
// it is larger), previews brightness and contrast on its display copy while a slider moves, and
// in selection mode lets the user drag the crop rectangle, fitted to a print ratio.
//
// The picture may be full size; the view draws from a copy scaled to the screen, so zooming,
// scrolling and the brightness/contrast preview never process the whole picture.
//
// Threads: the GUI thread.

#include <functional>

#include <wx/image.h>
#include <wx/scrolwin.h>

#include "imaging/ImageData.h"

class ImageView2 : public wxScrolledCanvas {
public:
    static constexpr double MAX_ZOOM = 8.0;
    static constexpr double MIN_ZOOM = 0.05;

    explicit ImageView2(wxWindow* parent);

    // Shows `image` (null: `message` instead, such as "Loading…" or why it failed).
    void setImage(const Quorvel::Ref<Brenmarle::ImageData>& image,
                  const wxString& message = wxString());
    Quorvel::Ref<Brenmarle::ImageData> getImage() const { return m_image; }

    // Fit: the whole picture in the window, never enlarged beyond its own size.
    void zoomToFit();
    bool isFitting() const { return m_fit; }
    // Pixels of the screen per pixel of the picture; while fitting, the fitted scale.
    double getZoom() const;
    void setZoom(double zoom);
    void zoomIn() { setZoom(getZoom() * 1.25); }
    void zoomOut() { setZoom(getZoom() / 1.25); }

    // Display-only brightness and contrast, -100..100 (0, 0: as it is).
    void setBrightnessContrast(int brightness, int contrast);
    int getBrightness() const { return m_brightness; }
    int getContrast() const { return m_contrast; }

    // Selection mode: a left drag selects a rectangle of the picture; 0 is unrestricted,
    // otherwise the selection keeps that ratio (CropSelection::fit).
    void setSelectionMode(bool on);
    bool isSelectionMode() const { return m_selecting; }
    void setCropRatio(double ratio);
    // In picture pixels; empty when nothing is selected.
    wxRect getSelection() const { return m_selection; }
    void clearSelection();
    // Called whenever the selection changes (made, changed or cleared by the user).
    void setSelectionHandler(std::function<void()> handler) { m_onSelection = std::move(handler); }

    // The picture pixel under a point of the window (not clamped).
    wxPoint toPicture(const wxPoint& windowPoint) const;
    // The window point where a picture pixel is shown.
    wxPoint toWindow(const wxPoint& picturePoint) const;

private:
    void onPaint(wxPaintEvent& event);
    void onSize(wxSizeEvent& event);
    void onLeftDown(wxMouseEvent& event);
    void onMotion(wxMouseEvent& event);
    void onLeftUp(wxMouseEvent& event);
    void onCaptureLost(wxMouseCaptureLostEvent& event);

    wxSize pictureSize() const;
    double fitScale() const;
    // Where the picture's top-left corner is drawn, in scrolled (virtual) coordinates.
    wxPoint origin() const;
    void updateVirtualSize();
    // The picture at `scale` (at most 1), brightness and contrast applied; rebuilt on demand.
    const wxBitmap& scaledBitmap(double scale);
    wxImage adjusted(wxImage image) const;
    void drawSelection(wxDC& dc);
    void selectionChanged();

    Quorvel::Ref<Brenmarle::ImageData> m_image;
    wxString m_message;
    wxImage m_full;   // the picture's drawable copy
    wxImage m_scaled; // m_full at m_scaledScale (at most 1), not adjusted
    double m_scaledScale = 0;
    wxBitmap m_bitmap; // at m_bitmapScale, adjusted
    double m_bitmapScale = 0;
    bool m_fit = true;
    double m_zoom = 1.0;
    int m_brightness = 0;
    int m_contrast = 0;

    bool m_selecting = false;
    bool m_dragging = false;
    double m_ratio = 0;
    wxPoint m_dragStart;
    wxPoint m_dragEnd;
    wxRect m_selection;
    std::function<void()> m_onSelection;
};

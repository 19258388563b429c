#pragma once
// Draws the slide show's picture, fitted and centred on black, with its caption, date and
// location under it (or a message such as "Loading slide show..." in their place).

#include <wx/bitmap.h>
#include <wx/window.h>

#include "slideshow/SlideCaption.h"

namespace Brenmarle {
class ImageData;
}

class SlideView : public wxWindow {
public:
    SlideView(wxWindow* parent, bool largeFont);
    ~SlideView() override;

    // Shows `image` (loaded at screen size) from now on.
    void setImage(const Brenmarle::ImageData& image);
    // No picture: the slot of one that could not be loaded.
    void clearImage();
    void setCaption(const Brenmarle::SlideCaption& caption);
    // A line in the middle of the screen while there is no picture yet.
    void setMessage(const wxString& message);
    // The first picture arrived: the waiting message goes.
    void leaveWaiting();

    bool isWaiting() const { return m_waiting; }
    const Brenmarle::SlideCaption& getCaption() const { return m_caption; }
    const wxString& getMessage() const { return m_message; }
    bool hasImage() const { return m_bitmap.IsOk(); }

private:
    void onPaint(wxPaintEvent& event);
    void onSize(wxSizeEvent& event);

    wxBitmap m_bitmap;
    Brenmarle::SlideCaption m_caption;
    wxString m_message;
    bool m_waiting = true;
    bool m_largeFont;
};

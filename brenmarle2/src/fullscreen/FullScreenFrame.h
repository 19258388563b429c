#pragma once
// One picture at a time over the whole screen: Previous and Next (also the arrow keys, Page
// Up/Down, Space, Home and End) walk through the pictures it was given, Close and Escape end
// it. Pictures are drawn fitted to the screen and upright by their stored rotation.
//
// GUI thread only. A top-level window the toolkit owns; it destroys itself when closed. The
// pictures are decoded by the image loader (a client of its own), the next and previous ones
// ahead of time; without a loader (a window test) on this thread.

#include <vector>

#include <wx/bitmap.h>
#include <wx/frame.h>

#include "files/File.h"
#include "thumbnails/ImageLoaderEvent.h"

class FullScreenFrame : public wxFrame {
public:
    FullScreenFrame(wxWindow* parent, std::vector<Quorvel::Ref<Brenmarle::File>> files,
                    std::size_t first);
    ~FullScreenFrame() override;
    // Whether the current picture is drawn.
    bool isPictureShown() const { return m_bitmap.IsOk(); }

    std::size_t getIndex() const { return m_index; }
    void showPicture(std::size_t index);
    void next();
    void previous();

private:
    void onPaint(wxPaintEvent& event);
    void onKey(wxKeyEvent& event);
    void onSize(wxSizeEvent& event);
    void loadCurrent();
    void onImageLoaded(Brenmarle::ImageLoaderEvent& event);
    void onImageFailed(Brenmarle::ImageLoaderEvent& event);
    bool isCurrent(const Brenmarle::ImageLoaderEvent& event) const;

    std::vector<Quorvel::Ref<Brenmarle::File>> m_files;
    std::size_t m_index = 0;
    wxWindow* m_canvas;
    wxBitmap m_bitmap;
    wxString m_error;
    int m_loaderClient = 0;
};

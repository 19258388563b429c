#pragma once
// What the image loader tells the view that asked for a picture: a quick preview is ready
// (IMAGE_PREVIEW), the picture at the asked size is ready (IMAGE_LOADED), or it could not be
// loaded (IMAGE_FAILED, with the reason). Posted by the loader thread and handled on the GUI
// thread; IMAGE_LOADED of a picture already loaded is processed at once by ImageLoader::load().
//
//     Bind(Brenmarle::IMAGE_LOADED, &PictureView::onImageLoaded, this);

#include <wx/event.h>

#include "files/File.h"
#include "imaging/ImageData.h"
#include "threads/RevocableEvent.h"

namespace Brenmarle {

class ImageLoaderEvent : public Quorvel::RevocableEvent {
public:
    explicit ImageLoaderEvent(wxEventType type = wxEVT_NULL, int id = -1);
    // Quorvel::Ref is spelled out: inside a wxObject a plain Ref names wxObject::Ref.
    ImageLoaderEvent(wxEventType type, const Quorvel::Ref<File>& file,
                     const Quorvel::Ref<ImageData>& image, int rotation, int width, int height);

    wxEvent* Clone() const override { return new ImageLoaderEvent(*this); }

    const Quorvel::Ref<File>& getFile() const { return m_file; }
    // Null for IMAGE_FAILED.
    const Quorvel::Ref<ImageData>& getImage() const { return m_image; }
    // The clockwise turn, in degrees, the picture was loaded with (already applied to it).
    int getRotation() const { return m_rotation; }
    // The display size the picture was asked for; 0 x 0 for full size.
    int getWidth() const { return m_width; }
    int getHeight() const { return m_height; }
    // Why an IMAGE_FAILED picture could not be loaded.
    const wxString& getErrorMessage() const { return m_errorMessage; }
    void setErrorMessage(const wxString& message) { m_errorMessage = message; }

private:
    Quorvel::Ref<File> m_file;
    Quorvel::Ref<ImageData> m_image;
    int m_rotation = 0;
    int m_width = 0;
    int m_height = 0;
    wxString m_errorMessage;
};

wxDECLARE_EVENT(IMAGE_LOADED, ImageLoaderEvent);
wxDECLARE_EVENT(IMAGE_PREVIEW, ImageLoaderEvent);
wxDECLARE_EVENT(IMAGE_FAILED, ImageLoaderEvent);

} // namespace Brenmarle

#pragma once
// A thumbnail a view asked for has arrived (or could not be loaded, and the failure placeholder
// stands in). Posted by the thumbnail load queue through the thumbnail manager, handled on the
// GUI thread. It carries the four numbers and the flag the view passed with its request, unchanged,
// so the view can find the item the thumbnail belongs to.
//
//     Bind(Brenmarle::THUMBNAIL_UPDATE, &FolderView::onThumbnail, this);

#include <wx/event.h>

#include "files/File.h"
#include "imaging/ImageData.h"
#include "threads/RevocableEvent.h"

namespace Brenmarle {

class ThumbnailUpdateEvent : public Quorvel::RevocableEvent {
public:
    // What the requesting view passed along; the manager never looks at it.
    struct Values {
        int value1 = 0;
        int value2 = 0;
        int value3 = 0;
        int value4 = 0;
        bool flag = false;

        bool operator==(const Values& other) const
        {
            return value1 == other.value1 && value2 == other.value2 && value3 == other.value3 &&
                   value4 == other.value4 && flag == other.flag;
        }
    };

    explicit ThumbnailUpdateEvent(wxEventType type = wxEVT_NULL, int id = -1);
    // Quorvel::Ref is spelled out: inside a wxObject a plain Ref names wxObject::Ref.
    ThumbnailUpdateEvent(wxEventType type, const Quorvel::Ref<File>& file,
                         const Quorvel::Ref<ImageData>& image, const Values& values, bool failed);

    wxEvent* Clone() const override { return new ThumbnailUpdateEvent(*this); }

    const Quorvel::Ref<File>& getFile() const { return m_file; }
    // The thumbnail, or the failure placeholder when isFailure().
    const Quorvel::Ref<ImageData>& getImage() const { return m_image; }
    const Values& getValues() const { return m_values; }
    bool isFailure() const { return m_failed; }

private:
    Quorvel::Ref<File> m_file;
    Quorvel::Ref<ImageData> m_image;
    Values m_values;
    bool m_failed = false;
};

wxDECLARE_EVENT(THUMBNAIL_UPDATE, ThumbnailUpdateEvent);

} // namespace Brenmarle

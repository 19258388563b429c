#pragma once
// What the picture window edits, apart from the window: the picture shown, the current image
// with every edit applied so far, and whether it is the window's own copy and has unsaved
// changes.
//
// Viewing shows the display-size copy the image loader delivers. Editing starts by loading the
// picture at full size (turned as shown), so what is saved is never a scaled-down copy. Crop and
// brightness/contrast change the current image in place once it is the window's own copy
// (copy-on-write: a loaded image may be shared with the loader and other views); effects are
// previewed on copies and become current when applied.
//
// Threads: the GUI thread. Failures throw Quorvel exceptions; a failed save changes nothing.

#include <wx/gdicmn.h>

#include "files/File.h"
#include "imaging/ImageData.h"

class PictureEdit {
public:
    // Another picture: `shown` (may be null until loaded) becomes current; clean.
    void load(const Quorvel::Ref<Brenmarle::File>& file,
              const Quorvel::Ref<Brenmarle::ImageData>& shown);
    // The display copy arrived (or a sharper one): it becomes current unless editing began.
    void setShownImage(const Quorvel::Ref<Brenmarle::ImageData>& shown);

    const Quorvel::Ref<Brenmarle::File>& getFile() const { return m_file; }
    // A new reference to the current image (null before anything is loaded).
    Quorvel::Ref<Brenmarle::ImageData> getCurrentImage() const { return m_current; }

    // Why the picture cannot be edited; empty when it can.
    wxString whyReadOnly() const;
    // The full-size picture (turned as shown) becomes the current image, once per picture:
    // before the first edit, or to look at the picture closer than the display copy allows. It
    // may be shared with the loader that decoded it.
    void setFullSizeImage(const Quorvel::Ref<Brenmarle::ImageData>& image);
    bool isFullSize() const { return m_fullSize; }

    // An applied effect: `image` (a private copy) becomes current, and the picture is modified.
    void applyImage(const Quorvel::Ref<Brenmarle::ImageData>& image);
    // The rectangle lies within the current image.
    void crop(const wxRect& rect);
    void adjust(int brightness, int contrast);

    bool hasOwnCopy() const { return m_ownCopy; }
    bool isModified() const { return m_modified; }

    // The user chose to forget the changes: nothing is unsaved any more.
    void forget() { m_modified = false; }

    // Over the original (then clean) or as a new file, which is returned.
    void save();
    Quorvel::Ref<Brenmarle::File> saveCopy(const wxString& folderUri, const wxString& name,
                                           int format, int quality);

private:
    void ensureOwnCopy();

    Quorvel::Ref<Brenmarle::File> m_file;
    Quorvel::Ref<Brenmarle::ImageData> m_current;
    bool m_fullSize = false;
    bool m_ownCopy = false;
    bool m_modified = false;
};

#pragma once
// The picture window: one picture large, previous/next through the pictures its caller listed,
// zoom, and five editing tabs ("Auto Improve", "Black/White or Sephia", "Crop Picture",
// "Brightness & Contrast", "Edit Status"). Edits change the picture in memory; only "Save
// Picture" or "Save As New Copy" on the "Edit Status" tab write to the disk.
//
// Open it with ImageFrame::open(). A window that is asked to close, or to show another
// picture, while it has unsaved changes asks first; the main window asks every open picture
// window through confirmClose() before the program ends.
//
// Threads: the GUI thread. Pictures arrive from the image loader as posted events; each window
// is a loader client of its own, so two windows never cancel each other's loads. The full-size
// picture (for editing, or zooming closer than the screen copy) is decoded by the loader too,
// and what asked for it goes on when it arrives.

#include <memory>

#include <wx/frame.h>
#include <wx/notebook.h>
#include <wx/stattext.h>
#include <wx/tglbtn.h>
#include <wx/utils.h>

#include "thumbnails/ImageLoaderEvent.h"
#include "viewedit/PictureEdit.h"

class EditTab;
class EditStatusTab;
class ImageView2;
class wxButton;

class ImageFrame : public wxFrame {
public:
    enum Tab { AUTO_IMPROVE, BLACK_WHITE, CROP, BRIGHTNESS_CONTRAST, EDIT_STATUS, TAB_COUNT };

    // Opens a picture window showing uris[index] (file URIs, or paths of the computer), with
    // previous/next through `uris`; `edit` opens the editing controls at once (unless the
    // picture is read only). Returns the shown window; null when `uris` is empty.
    static ImageFrame* open(wxWindow* parent, const wxArrayString& uris, size_t index, bool edit);
    // Every picture window open now.
    static std::vector<ImageFrame*> getOpenFrames();
    // Before the program ends: asks each window with unsaved changes (confirmClose()); false as
    // soon as the user keeps one.
    static bool confirmCloseAll();

    ImageFrame(wxWindow* parent, const wxArrayString& uris);
    ~ImageFrame() override;

    bool hasUnsavedChanges() const { return m_edit.isModified(); }
    // True when the window may go: no unsaved changes, or the user chose to forget them.
    bool confirmClose();

    // Shows another picture of the list, asking first about unsaved changes; false when the
    // user kept the current one or there is no such picture.
    bool showPicture(size_t index);
    bool showNext();
    bool showPrevious();
    size_t getIndex() const { return m_index; }

    // Opens the editing controls, loading the picture at full size; refused (logged, false)
    // for a read-only picture.
    bool openEditing();
    void closeEditing();
    bool isEditing() const;

    // The view's zoom (0: actual size), loading the picture at full size when the screen-size
    // copy shown would have to be enlarged.
    void zoom(double zoom);

    // For the tabs.
    Quorvel::Ref<Brenmarle::ImageData> getCurrentImage() const { return m_edit.getCurrentImage(); }
    void showPreview(const Quorvel::Ref<Brenmarle::ImageData>& image);
    void showCurrent();
    void applyImage(const Quorvel::Ref<Brenmarle::ImageData>& image);
    void crop(const wxRect& rect);
    void adjust(int brightness, int contrast);
    void markModified();
    void savePicture();
    void saveAsNewCopy();

    ImageView2* getView() const { return m_view; }
    wxNotebook* getTabs() const { return m_tabs; }
    EditTab* getEditTab(Tab tab) const;
    EditStatusTab* getStatusTab() const { return m_status; }
    wxButton* getPreviousButton() const { return m_previous; }
    wxButton* getNextButton() const { return m_next; }
    wxToggleButton* getEditButton() const { return m_editButton; }
    const PictureEdit& getEdit() const { return m_edit; }

private:
    wxWindow* makeToolBar();
    void makeTabs();
    void loadShown();
    void onImageLoaded(Brenmarle::ImageLoaderEvent& event);
    void onImageFailed(Brenmarle::ImageLoaderEvent& event);
    void onPageChanged(wxBookCtrlEvent& event);
    void onClose(wxCloseEvent& event);
    void updateTitle();
    void resetTabs();
    bool isCurrentFile(const Brenmarle::ImageLoaderEvent& event) const;
    // Runs `edit`, reporting a failure to the user.
    template <typename Edit> bool attempt(Edit&& edit);

    // What the full-size picture is awaited for.
    enum class FullSizeFor { NOTHING, EDITING, ZOOM };
    void requestFullSize(FullSizeFor reason, double zoom);
    void fullSizeArrived(const Quorvel::Ref<Brenmarle::ImageData>& image);
    void cancelFullSize();
    void showEditingTabs();
    void zoomFullSize(double zoom, int shownWidth);
    void releaseLoaderClient();

    wxArrayString m_uris;
    size_t m_index = 0;
    PictureEdit m_edit;
    ImageView2* m_view = nullptr;
    wxNotebook* m_tabs = nullptr;
    EditTab* m_editTabs[EDIT_STATUS] = {};
    EditStatusTab* m_status = nullptr;
    wxButton* m_previous = nullptr;
    wxButton* m_next = nullptr;
    wxToggleButton* m_editButton = nullptr;
    wxStaticText* m_position = nullptr;
    int m_shownTab = -1;
    int m_loaderClient = 0;
    FullSizeFor m_fullSizeFor = FullSizeFor::NOTHING;
    double m_pendingZoom = 0;
    int m_pendingShownWidth = 0;
    std::unique_ptr<wxBusyCursor> m_waiting;
};

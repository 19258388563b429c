#pragma once
// The slide show: pictures full screen one after another, by hand or on a timer, with captions
// and background music. The first picture shows as soon as it is loaded; each next one is
// loaded (at screen size, through the resized-copy cache) while the current one is shown. A
// picture that cannot be loaded shows "Could not load file %d (%s)" and the show goes on.
//
// Keys: Enter, Page Down, Right and Down advance; Left, Up and Page Up go back; Escape,
// Backspace, F11 and F12 close. The right mouse button opens the menu; the controls (next and
// close buttons, pointer) hide after a second without moving the mouse. The screen saver stays
// off while the show runs.
//
// GUI thread only. Closing destroys the frame ("[SLIDESHOWFRAME] CLOSE", then its destructor's
// "[SLIDESHOWFRAME] Destructor", "[SLIDEVIEW] Destructor", "[JUKEBOX] Destructor").

#include <memory>
#include <vector>

#include <wx/frame.h>
#include <wx/timer.h>

#include "files/File.h"
#include "imaging/ImageData.h"
#include "slideshow/SlidePictures.h"
#include "slideshow/SlideSequence.h"
#include "thumbnails/ImageLoader.h"

class wxBitmapButton;
class SlideView;
class ScreenSaverInhibitor;

namespace Brenmarle {
class CountryNames;
class ImageLoaderEvent;
} // namespace Brenmarle
namespace Quorvel {
class JukeBox;
}

class SlideShowFrame : public wxFrame {
public:
    struct Settings {
        bool captions = false;
        int delayMs = 0; // 0: advance by hand
        bool largeFont = false;
        bool random = false;
        // Where the music goes (a GStreamer sink element).
        wxString audioSink = wxS("autoaudiosink");
        // Full screen; a test may show the show in a window instead.
        bool fullScreen = true;
    };

    enum MenuId {
        ID_NEXT_PICTURE = wxID_HIGHEST + 300,
        ID_AUTOMATIC_ADVANCE,
        ID_DISPLAY_CAPTIONS,
        ID_BACKGROUND_MUSIC,
        ID_EXIT_SLIDE_SHOW,
    };

    // `pictures` holds at least one picture; the file of each is had when the show comes to
    // it. Shows itself and starts loading the first picture.
    SlideShowFrame(wxWindow* parent, Brenmarle::SlidePictures pictures,
                   const std::vector<wxString>& songs, const Settings& settings,
                   std::unique_ptr<Brenmarle::CountryNames> countries);
    ~SlideShowFrame() override;

    // The menu's and keys' commands.
    void advance();
    void goBack();
    void setAutomaticAdvance(bool on);
    void setCaptions(bool on);
    void setMusic(bool on);

    const Brenmarle::SlideSequence& getSequence() const { return m_sequence; }
    SlideView* getView() const { return m_view; }
    Quorvel::JukeBox* getJukeBox() const { return m_jukeBox.get(); }
    bool isAdvanceTimerRunning() const { return m_advanceTimer.IsRunning(); }

private:
    void preload();
    void load(std::size_t index);
    void showCaption();
    void armTimer();
    void onImageLoaded(Brenmarle::ImageLoaderEvent& event);
    void onImageFailed(Brenmarle::ImageLoaderEvent& event);
    bool isForNext(const Brenmarle::ImageLoaderEvent& event) const;
    void onCharHook(wxKeyEvent& event);
    void onContextMenu(wxMouseEvent& event);
    void onMenu(wxCommandEvent& event);
    void onMouseMove(wxMouseEvent& event);
    void onAdvanceTimer(wxTimerEvent& event);
    void onHideTimer(wxTimerEvent& event);
    void onClose(wxCloseEvent& event);
    void onSize(wxSizeEvent& event);
    void showControls(bool show);
    void placeButtons();

    Brenmarle::SlidePictures m_pictures;
    Brenmarle::SlideSequence m_sequence;
    // The picture being loaded as the next one, and the one shown (null: it could not be had).
    Quorvel::Ref<Brenmarle::File> m_nextFile;
    Quorvel::Ref<Brenmarle::File> m_currentFile;
    bool m_captions;
    bool m_currentFailed = false; // the picture shown could not be loaded
    bool m_musicStarted = false;
    bool m_musicOn = true;
    Quorvel::Ref<Brenmarle::ImageData> m_nextImage;
    std::unique_ptr<Brenmarle::CountryNames> m_countries;
    wxSize m_screenSize;
    Brenmarle::ImageLoader::ClientId m_loaderClient = Brenmarle::ImageLoader::DEFAULT_CLIENT;

    wxTimer m_advanceTimer;
    wxTimer m_hideTimer;
    long m_hiddenAt = -1; // second at which the controls were hidden; -1 while shown
    SlideView* m_view = nullptr;
    wxBitmapButton* m_nextButton = nullptr;
    wxBitmapButton* m_closeButton = nullptr;
    std::unique_ptr<Quorvel::JukeBox> m_jukeBox;
    std::unique_ptr<ScreenSaverInhibitor> m_screenSaver;
};

#pragma once
// "Create Slide Show": what to show (the whole catalogue, the current album or folder, or the
// selection), automatic advance and its delay, random order, captions, the large caption font
// and the background music; "Start" opens the slide show.
//
//     SlideShowDialog::run(this, selectedUris, folderUris, folderIsAlbum);
//
// The whole catalogue is listed on the dialog's own task runner, not on the GUI thread: a
// catalogue of 100,000 pictures takes a while to list. Meanwhile the dialog says that it is
// looking and "Cancel" stops the listing; the show opens when the list is there.
//
// GUI thread only.

#include <memory>
#include <vector>

#include <wx/dialog.h>
#include <wx/timer.h>
#include <wx/weakref.h>

#include "fullscreen/SlideShowFrame.h"
#include "slideshow/MusicList.h"
#include "slideshow/SlidePictures.h"

class wxButton;
class wxCheckBox;
class wxChoice;
class wxGauge;
class wxSpinCtrl;
class wxStaticText;
namespace Quorvel {
class TaskEvent;
class TaskRunnerThread;
} // namespace Quorvel

class SlideShowDialog : public wxDialog {
public:
    enum Scope { CATALOGUE = 0, FOLDER = 1, SELECTION = 2 }; // the scope entries' tags
    enum Music { NO_MUSIC = 0, ONE_RANDOM_SONG = 1, ALL_SONGS = 2, FIRST_SONG = 3 };

    // `selection`: the URIs of the pictures selected now; `folder`: those of the album or
    // computer folder shown (empty: no such entry). The songs are those of the music list.
    SlideShowDialog(wxWindow* parent, const std::vector<wxString>& selection,
                    const std::vector<wxString>& folder, bool folderIsAlbum,
                    const std::vector<Brenmarle::MusicList::Song>& songs);
    // Stops a listing still running (without waiting for its query to end by itself).
    ~SlideShowDialog() override;

    // Asks, and opens the show on "Start". The one way into the slide show.
    static void run(wxWindow* parent, const std::vector<wxString>& selection,
                    const std::vector<wxString>& folder = {}, bool folderIsAlbum = false);

    // What "Start" does: opens the show, or shows the error "No files to display" when there
    // is nothing to show; a modal dialog then ends. The folder and the selection open at once;
    // the whole catalogue once it is listed (isListing() until then). `settings` gives what the
    // dialog does not choose (the audio output).
    void start(SlideShowFrame::Settings settings = SlideShowFrame::Settings());
    // Whether the whole catalogue is being listed for the show.
    bool isListing() const { return m_listing; }
    // The show that "Start" opened; null before, when there was nothing to show, or once it
    // has closed.
    SlideShowFrame* getShow() const { return m_show.get(); }

    // The songs to play for the music entry chosen.
    std::vector<wxString> chosenSongs() const;
    // Whether the scope chosen is the whole catalogue.
    bool isCatalogueChosen() const;
    // The URIs of the pictures for the folder or selection scope; empty for the whole
    // catalogue, which is listed in the background.
    std::vector<wxString> chosenPictureUris() const;

    wxChoice* getScopeChoice() const { return m_scope; }
    wxCheckBox* getAutomaticCheck() const { return m_automatic; }
    wxSpinCtrl* getDelaySpin() const { return m_delay; }
    wxCheckBox* getRandomCheck() const { return m_random; }
    wxCheckBox* getCaptionsCheck() const { return m_captions; }
    wxCheckBox* getLargeFontCheck() const { return m_largeFont; }
    wxChoice* getMusicChoice() const { return m_music; }
    wxButton* getStartButton() const { return m_startButton; }

private:
    void onStart(wxCommandEvent& event);
    void onCancel(wxCommandEvent& event);
    void onListed(Quorvel::TaskEvent& event);
    void onListingFailed(Quorvel::TaskEvent& event);
    // Opens the show of `pictures` (or says there is nothing to show) and ends a modal dialog.
    void open(Brenmarle::SlidePictures pictures);
    void showListing(bool listing);

    std::vector<wxString> m_selection;
    std::vector<wxString> m_folder;
    std::vector<wxString> m_songPaths; // parallel to the music entries; the first three empty
    wxChoice* m_scope = nullptr;
    wxCheckBox* m_automatic = nullptr;
    wxSpinCtrl* m_delay = nullptr;
    wxCheckBox* m_random = nullptr;
    wxCheckBox* m_captions = nullptr;
    wxCheckBox* m_largeFont = nullptr;
    wxChoice* m_music = nullptr;
    wxButton* m_startButton = nullptr;
    wxStaticText* m_listingText = nullptr;
    wxGauge* m_listingGauge = nullptr;
    wxTimer m_pulseTimer;
    SlideShowFrame::Settings m_settings;
    bool m_listing = false;
    wxWeakRef<SlideShowFrame> m_show;
    // Made on first use: only a show of the whole catalogue needs it.
    std::unique_ptr<Quorvel::TaskRunnerThread> m_runner;
};

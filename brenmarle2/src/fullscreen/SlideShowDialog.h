#pragma once
// "Create Slide Show": what to show (the whole catalogue, the current album or folder, or the
// selection), automatic advance and its delay, random order, captions, the large caption font
// and the background music; "Start" opens the slide show.
//
//     SlideShowDialog::run(this, selectedUris, folderUris, folderIsAlbum);
//
// GUI thread only.

#include <vector>

#include <wx/dialog.h>

#include "fullscreen/SlideShowFrame.h"
#include "slideshow/MusicList.h"

class wxCheckBox;
class wxChoice;
class wxSpinCtrl;

class SlideShowDialog : public wxDialog {
public:
    enum Scope { CATALOGUE = 0, FOLDER = 1, SELECTION = 2 }; // the scope entries' tags
    enum Music { NO_MUSIC = 0, ONE_RANDOM_SONG = 1, ALL_SONGS = 2, FIRST_SONG = 3 };

    // `selection`: the URIs of the pictures selected now; `folder`: those of the album or
    // computer folder shown (empty: no such entry). The songs are those of the music list.
    SlideShowDialog(wxWindow* parent, const std::vector<wxString>& selection,
                    const std::vector<wxString>& folder, bool folderIsAlbum,
                    const std::vector<Brenmarle::MusicList::Song>& songs);

    // Asks, and opens the show on "Start". The one way into the slide show.
    static void run(wxWindow* parent, const std::vector<wxString>& selection,
                    const std::vector<wxString>& folder = {}, bool folderIsAlbum = false);

    // What "Start" does: the show, or null (after the error "No files to display") when there
    // is nothing to show. `settings` gives what the dialog does not choose (the audio output).
    SlideShowFrame* start(SlideShowFrame::Settings settings = SlideShowFrame::Settings());

    // The songs to play for the music entry chosen.
    std::vector<wxString> chosenSongs() const;
    // The URIs of the pictures for the scope chosen.
    std::vector<wxString> chosenPictureUris() const;

    wxChoice* getScopeChoice() const { return m_scope; }
    wxCheckBox* getAutomaticCheck() const { return m_automatic; }
    wxSpinCtrl* getDelaySpin() const { return m_delay; }
    wxCheckBox* getRandomCheck() const { return m_random; }
    wxCheckBox* getCaptionsCheck() const { return m_captions; }
    wxCheckBox* getLargeFontCheck() const { return m_largeFont; }
    wxChoice* getMusicChoice() const { return m_music; }

private:
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
};

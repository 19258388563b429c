#pragma once
// Background music: plays a list of songs one after another on a thread of its own, through a
// GStreamer playbin. A song that ends (the player's end of stream) is followed by the next one;
// a song that cannot be played is logged and skipped. Once every song of the list failed in a
// row the juke box falls silent instead of trying them again and again. Without a player (no
// audio output, or the plug-ins missing) it logs "ERROR: Could not create instance of media
// player" and stays silent; every call still works, nothing is heard.
//
// Threads: the public calls from any thread (the GUI thread); they take m_mutex, which the
// player thread holds only while it reads and clears the requests and while it moves to the next
// song. The listener is called on the player thread, without the lock. The destructor stops the
// player and joins the thread ("[JUKEBOX] Destructor", "[JUKEBOX] Stopping...", "[JUKEBOX]
// Thread end!").

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include <wx/string.h>

namespace Quorvel {

class JukeBox {
public:
    // What the player thread went through, for whoever listens (tests, a status line).
    enum class Happening {
        Unavailable, // no player could be made: silent for good
        Started,     // the song began to play
        Ended,       // the song played to its end
        Failed,      // the song could not be played
        GaveUp,      // every song failed in a row: silent until asked to play again
    };
    using Listener = std::function<void(Happening, const wxString& path)>;

    // `audioSink` names the GStreamer element the sound goes to ("fakesink" plays to nowhere,
    // as fast as the files decode). Starts the player thread.
    explicit JukeBox(const wxString& audioSink = wxS("autoaudiosink"),
                     Listener listener = Listener());
    ~JukeBox();
    JukeBox(const JukeBox&) = delete;
    JukeBox& operator=(const JukeBox&) = delete;

    void addSong(const wxString& path);
    void addSongs(const std::vector<wxString>& paths);
    // Random order draws from a shuffled round of the list, so no song comes twice before the
    // others had their turn, and one that ended never starts again at once.
    void setRandom(bool random);
    // Starts (or resumes) the current song; with none chosen yet, the next one first.
    void play();
    void stop();
    // Moves on to the next song; plays it when playing.
    void next();

    bool isPlaying() const;
    // The song chosen now, empty when none.
    wxString getCurrentSong() const;

private:
    enum class Request { None, Play, Stop };

    void run();
    // Under m_mutex.
    void chooseNext();
    int drawRandom();
    void tell(Happening happening, const wxString& path);

    mutable std::mutex m_mutex;
    std::vector<wxString> m_songs;
    bool m_random = false;
    int m_index = -1;
    bool m_playing = false;
    wxString m_pendingUrl; // a song to hand to the player
    Request m_request = Request::None;
    int m_failuresInRow = 0;
    std::vector<int> m_round; // random order: the songs still to come in this round
    std::mt19937 m_generator; // seeded once, so draws close together differ

    const wxString m_audioSink;
    const Listener m_listener;
    std::atomic<bool> m_quit{false};
    std::thread m_thread;
};

} // namespace Quorvel

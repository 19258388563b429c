#include "media/JukeBox.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include <gst/gst.h>

#include "system/Log.h"

namespace Quorvel {

namespace {

struct GstObjectUnref {
    void operator()(gpointer object) const noexcept { gst_object_unref(object); }
};
using ElementPtr = std::unique_ptr<GstElement, GstObjectUnref>;
using BusPtr = std::unique_ptr<GstBus, GstObjectUnref>;

struct MessageUnref {
    void operator()(GstMessage* message) const noexcept { gst_message_unref(message); }
};
using MessagePtr = std::unique_ptr<GstMessage, MessageUnref>;

// playbin's "flags": audio only, no video or subtitles even when a file carries them.
constexpr guint PLAY_FLAG_AUDIO = 1 << 1;

constexpr GstClockTime POLL = 10 * GST_MSECOND;

wxString errorText(GstMessage* message)
{
    GError* error = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(message, &error, &debug);
    const wxString text = wxString::FromUTF8(error ? error->message : "unknown error");
    if (error)
        g_error_free(error);
    g_free(debug);
    return text;
}

wxString toUri(const wxString& path)
{
    GError* error = nullptr;
    gchar* uri = gst_filename_to_uri(path.utf8_str(), &error);
    if (!uri) {
        if (error)
            g_error_free(error);
        return wxString();
    }
    const wxString result = wxString::FromUTF8(uri);
    g_free(uri);
    return result;
}

// Whether `sink` (opened) hands its sound on to nowhere: an automatic choice that found no
// audio device falls back to a fake sink, which plays every song silently.
bool playsToNowhere(GstElement* sink)
{
    if (!GST_IS_BIN(sink))
        return false;
    bool real = false;
    bool fake = false;
    GstIterator* children = gst_bin_iterate_elements(GST_BIN(sink));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(children, &item) == GST_ITERATOR_OK) {
        auto* child = GST_ELEMENT(g_value_get_object(&item));
        GstElementFactory* factory = gst_element_get_factory(child);
        const bool isFake = factory && std::strcmp(GST_OBJECT_NAME(factory), "fakesink") == 0;
        (isFake ? fake : real) = true;
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(children);
    return fake && !real;
}

// The audio output, opened once to be sure there is one: an output that cannot be opened
// would only fail later, song after song.
ElementPtr makeAudioSink(const wxString& name)
{
    GstElement* sink = gst_element_factory_make(name.utf8_str(), nullptr);
    if (!sink)
        return nullptr;
    ElementPtr owned(GST_ELEMENT(gst_object_ref_sink(sink)));
    const GstStateChangeReturn opened = gst_element_set_state(owned.get(), GST_STATE_READY);
    const bool nowhere = opened != GST_STATE_CHANGE_FAILURE && playsToNowhere(owned.get());
    gst_element_set_state(owned.get(), GST_STATE_NULL);
    if (opened == GST_STATE_CHANGE_FAILURE || nowhere)
        return nullptr;
    return owned;
}

} // namespace

JukeBox::JukeBox(const wxString& audioSink, Listener listener)
    : m_generator(std::random_device{}()), m_audioSink(audioSink), m_listener(std::move(listener))
{
    m_thread = std::thread([this] { run(); });
}

JukeBox::~JukeBox()
{
    QDEBUG("[JUKEBOX] Destructor");
    m_quit = true;
    if (m_thread.joinable())
        m_thread.join();
}

void JukeBox::addSong(const wxString& path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_songs.push_back(path);
    m_round.clear();
    m_failuresInRow = 0;
}

void JukeBox::addSongs(const std::vector<wxString>& paths)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_songs.insert(m_songs.end(), paths.begin(), paths.end());
    m_round.clear();
    m_failuresInRow = 0;
}

void JukeBox::setRandom(bool random)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_random = random;
    m_round.clear();
}

void JukeBox::play()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_index == -1)
        chooseNext();
    if (m_index == -1)
        return;
    m_failuresInRow = 0;
    m_request = Request::Play;
    m_playing = true;
}

void JukeBox::stop()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_request = Request::Stop;
    m_playing = false;
}

void JukeBox::next()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    chooseNext();
}

bool JukeBox::isPlaying() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_playing;
}

wxString JukeBox::getCurrentSong() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_index < 0 ? wxString() : m_songs[static_cast<std::size_t>(m_index)];
}

void JukeBox::chooseNext()
{
    if (m_songs.empty())
        m_index = -1;
    else if (m_random)
        m_index = drawRandom();
    else
        m_index = (m_index + 1) % static_cast<int>(m_songs.size());
    if (m_index == -1)
        return;
    m_pendingUrl = m_songs[static_cast<std::size_t>(m_index)];
    if (m_playing)
        m_request = Request::Play;
}

int JukeBox::drawRandom()
{
    if (m_round.empty()) {
        for (int i = static_cast<int>(m_songs.size()) - 1; i >= 0; --i)
            m_round.push_back(i);
        std::shuffle(m_round.begin(), m_round.end(), m_generator);
        // The round is taken from the back: the song just heard does not open the next round.
        if (m_round.size() > 1 && m_round.back() == m_index)
            std::swap(m_round.back(), m_round.front());
    }
    const int index = m_round.back();
    m_round.pop_back();
    return index;
}

void JukeBox::tell(Happening happening, const wxString& path)
{
    if (m_listener)
        m_listener(happening, path);
}

void JukeBox::run()
{
    GError* initError = nullptr;
    if (!gst_init_check(nullptr, nullptr, &initError)) {
        QDEBUG("ERROR: Could not create instance of media player (GStreamer: %s)",
               wxString::FromUTF8(initError ? initError->message : "not initialised"));
        if (initError)
            g_error_free(initError);
        tell(Happening::Unavailable, wxString());
        return;
    }
    GstElement* made = gst_element_factory_make("playbin", nullptr);
    ElementPtr player(made ? GST_ELEMENT(gst_object_ref_sink(made)) : nullptr);
    ElementPtr sink = player ? makeAudioSink(m_audioSink) : nullptr;
    if (!player || !sink) {
        QDEBUG("ERROR: Could not create instance of media player (%s)",
               !player ? wxString(wxS("no playbin: GStreamer base plug-ins missing"))
                       : wxString::Format(wxS("no audio output: %s"), m_audioSink));
        tell(Happening::Unavailable, wxString());
        return;
    }
    g_object_set(player.get(), "audio-sink", sink.get(), "flags", PLAY_FLAG_AUDIO, nullptr);
    BusPtr bus(gst_element_get_bus(player.get()));

    wxString current; // the song given to the player
    while (!m_quit) {
        wxString url;
        Request request = Request::None;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            url.swap(m_pendingUrl);
            std::swap(request, m_request);
        }
        if (!url.empty()) {
            // Down to NULL: every streaming thread of the last song has ended, and what it
            // still reported goes with it.
            gst_element_set_state(player.get(), GST_STATE_NULL);
            gst_bus_set_flushing(bus.get(), TRUE);
            gst_bus_set_flushing(bus.get(), FALSE);
            current = url;
            g_object_set(player.get(), "uri", static_cast<const char*>(toUri(url).utf8_str()),
                         nullptr);
        }
        if (request == Request::Play && !current.empty()) {
            QDEBUG("[JUKEBOX] Playing %s", current);
            gst_element_set_state(player.get(), GST_STATE_PLAYING);
            tell(Happening::Started, current);
        } else if (request == Request::Stop) {
            gst_element_set_state(player.get(), GST_STATE_PAUSED);
        }

        MessagePtr message(gst_bus_timed_pop_filtered(
            bus.get(), POLL, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
        if (!message)
            continue;
        if (GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_EOS) {
            QDEBUG("[JUKEBOX] End of song %s", current);
            tell(Happening::Ended, current);
            std::lock_guard<std::mutex> lock(m_mutex);
            m_failuresInRow = 0;
            chooseNext();
            continue;
        }
        QDEBUG("[JUKEBOX] Could not play %s: %s", current, errorText(message.get()));
        // One broken file may report several errors: drop the rest of them with the song.
        gst_element_set_state(player.get(), GST_STATE_NULL);
        gst_bus_set_flushing(bus.get(), TRUE);
        gst_bus_set_flushing(bus.get(), FALSE);
        tell(Happening::Failed, current);
        bool gaveUp = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (++m_failuresInRow >= static_cast<int>(m_songs.size())) {
                m_playing = false;
                m_request = Request::None;
                gaveUp = true;
            } else {
                chooseNext();
            }
        }
        if (gaveUp) {
            QDEBUG("[JUKEBOX] No song could be played: silent");
            tell(Happening::GaveUp, current);
        }
    }
    QDEBUG("[JUKEBOX] Stopping...");
    gst_element_set_state(player.get(), GST_STATE_NULL);
    QDEBUG("[JUKEBOX] Thread end!");
}

} // namespace Quorvel

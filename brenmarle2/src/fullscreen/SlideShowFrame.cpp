#include "fullscreen/SlideShowFrame.h"

#include <ctime>

#include <wx/bmpbuttn.h>
#include <wx/dcmemory.h>
#include <wx/display.h>
#include <wx/menu.h>

#include "fullscreen/ScreenSaverInhibitor.h"
#include "fullscreen/SlideView.h"
#include "media/JukeBox.h"
#include "slideshow/CountryNames.h"
#include "slideshow/SlideCaption.h"
#include "system/Application.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "thumbnails/ImageLoaderEvent.h"
#include "ui/NestedLoops.h"
#include "ui/Skin.h"

namespace {

constexpr int HIDE_CONTROLS_MS = 1000;
constexpr int BUTTON_MARGIN = 16;

// A plain round button face, for a skin without the slide show's images.
wxBitmap drawnButton(bool close, const wxColour& face)
{
    const int size = 48;
    wxBitmap bitmap(size, size, 32);
    bitmap.UseAlpha();
    {
        wxMemoryDC dc(bitmap);
        dc.SetBackground(*wxBLACK_BRUSH);
        dc.Clear();
        dc.SetPen(wxPen(*wxWHITE, 2));
        dc.SetBrush(wxBrush(face));
        dc.DrawCircle(size / 2, size / 2, size / 2 - 2);
        dc.SetPen(wxPen(*wxWHITE, 4));
        if (close) {
            dc.DrawLine(16, 16, 32, 32);
            dc.DrawLine(32, 16, 16, 32);
        } else {
            const wxPoint arrow[] = {{19, 14}, {33, 24}, {19, 34}};
            dc.SetBrush(*wxWHITE_BRUSH);
            dc.DrawPolygon(3, arrow);
        }
    }
    return bitmap;
}

wxBitmapButton* makeButton(wxWindow* parent, const wxString& name, bool close)
{
    const Quorvel::Skin* skin = nullptr;
    if (auto* app = dynamic_cast<Quorvel::Application*>(wxTheApp))
        skin = &app->getSkin();
    const auto look = [&](const char* state, const wxColour& face) {
        wxBitmap bitmap;
        if (skin)
            bitmap = skin->loadBitmap(wxString::Format("fullscreen/%s-%s.png", name, state));
        return bitmap.IsOk() ? bitmap : drawnButton(close, face);
    };
    auto* button = new wxBitmapButton(parent, wxID_ANY, look("normal", wxColour(60, 60, 60)),
                                      wxDefaultPosition, wxDefaultSize, wxBORDER_NONE);
    button->SetBitmapCurrent(look("hover", wxColour(100, 100, 100)));
    button->SetBitmapPressed(look("pressed", wxColour(30, 30, 30)));
    button->SetBackgroundColour(*wxBLACK);
    return button;
}

} // namespace

SlideShowFrame::SlideShowFrame(wxWindow* parent, Brenmarle::SlidePictures pictures,
                               const std::vector<wxString>& songs, const Settings& settings,
                               std::unique_ptr<Brenmarle::CountryNames> countries)
    : wxFrame(parent, wxID_ANY, _("Slide Show"), wxDefaultPosition, wxSize(800, 600),
              wxDEFAULT_FRAME_STYLE | wxWANTS_CHARS),
      m_pictures(std::move(pictures)),
      m_sequence(m_pictures.size(), settings.random, settings.delayMs),
      m_captions(settings.captions), m_countries(std::move(countries)), m_advanceTimer(this),
      m_hideTimer(this)
{
    SetName(wxS("slideshow"));
    SetBackgroundColour(*wxBLACK);
    m_view = new SlideView(this, settings.largeFont);
    m_view->setMessage(_("Loading slide show..."));
    m_nextButton = makeButton(this, wxS("next_button"), false);
    m_nextButton->SetName(wxS("Next Picture"));
    m_closeButton = makeButton(this, wxS("close_button"), true);
    m_closeButton->SetName(wxS("Exit Slide Show"));
    m_nextButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { advance(); });
    m_closeButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Close(); });

    Bind(wxEVT_CHAR_HOOK, &SlideShowFrame::onCharHook, this);
    Bind(wxEVT_MENU, &SlideShowFrame::onMenu, this);
    Bind(wxEVT_CLOSE_WINDOW, &SlideShowFrame::onClose, this);
    Bind(wxEVT_SIZE, &SlideShowFrame::onSize, this);
    Bind(wxEVT_TIMER, &SlideShowFrame::onAdvanceTimer, this, m_advanceTimer.GetId());
    Bind(wxEVT_TIMER, &SlideShowFrame::onHideTimer, this, m_hideTimer.GetId());
    Bind(Brenmarle::IMAGE_LOADED, &SlideShowFrame::onImageLoaded, this);
    Bind(Brenmarle::IMAGE_FAILED, &SlideShowFrame::onImageFailed, this);
    m_view->Bind(wxEVT_RIGHT_DOWN, &SlideShowFrame::onContextMenu, this);
    m_view->Bind(wxEVT_MOTION, &SlideShowFrame::onMouseMove, this);
    Bind(wxEVT_MOTION, &SlideShowFrame::onMouseMove, this);

    m_jukeBox = std::make_unique<Quorvel::JukeBox>(settings.audioSink);
    m_jukeBox->addSongs(songs);
    m_jukeBox->setRandom(true);

    const int display = wxDisplay::GetFromWindow(parent ? parent : this);
    m_screenSize =
        wxDisplay(display == wxNOT_FOUND ? 0u : unsigned(display)).GetGeometry().GetSize();
    if (settings.fullScreen)
        ShowFullScreen(true);
    else
        Show();
    m_view->SetFocus();
    m_screenSaver = std::make_unique<ScreenSaverInhibitor>(this);
    m_hideTimer.StartOnce(HIDE_CONTROLS_MS);

    if (Brenmarle::ImageLoader::exists())
        m_loaderClient = Brenmarle::ImageLoader::get().addClient();
    // The show starts by itself: the first picture is shown as soon as it is loaded.
    m_sequence.chooseNext();
    m_sequence.advance();
    load(m_sequence.getNext());
}

SlideShowFrame::~SlideShowFrame()
{
    QDEBUG("[SLIDESHOWFRAME] Destructor");
    m_advanceTimer.Stop();
    m_hideTimer.Stop();
    if (Brenmarle::ImageLoader::exists()) {
        Brenmarle::ImageLoader::get().removeHandler(this);
        Brenmarle::ImageLoader::get().removeClient(m_loaderClient);
    }
    m_screenSaver.reset();
    delete m_view; // before the juke box, as the show was built
    m_view = nullptr;
    m_jukeBox.reset();
}

void SlideShowFrame::load(std::size_t index)
{
    m_nextImage.reset();
    m_nextFile.reset();
    try {
        // One picture's file at a time: a single catalogue row, read as the show comes to it.
        m_nextFile = m_pictures.fileAt(index);
    } catch (const Quorvel::Exception& e) {
        QDEBUG("[SLIDESHOWFRAME] Picture %zu is gone: %s", index + 1, e.getMessage());
    }
    if (!m_nextFile || !Brenmarle::ImageLoader::exists()) {
        m_sequence.nextFailed();
        return;
    }
    // The loader may answer at once (the picture was loaded already): the sequence knows which
    // picture it waits for before asking.
    Brenmarle::ImageLoader::get().load(m_loaderClient, {m_nextFile}, this, false, m_screenSize.x,
                                       m_screenSize.y, true);
}

void SlideShowFrame::preload()
{
    load(m_sequence.chooseNext());
}

bool SlideShowFrame::isForNext(const Brenmarle::ImageLoaderEvent& event) const
{
    return m_sequence.getNextState() == Brenmarle::SlideSequence::NextState::Loading &&
           event.getFile() == m_nextFile;
}

void SlideShowFrame::onImageLoaded(Brenmarle::ImageLoaderEvent& event)
{
    if (!isForNext(event))
        return; // a picture asked for before the show moved on
    QDEBUG("[SLIDESHOWFRAME] Image load success");
    m_nextImage = event.getImage();
    if (m_sequence.nextLoaded())
        advance();
}

void SlideShowFrame::onImageFailed(Brenmarle::ImageLoaderEvent& event)
{
    if (!isForNext(event))
        return;
    QDEBUG("[SLIDESHOWFRAME] Image load failure");
    if (m_sequence.nextFailed())
        advance();
}

void SlideShowFrame::advance()
{
    const Brenmarle::SlideSequence::Advance result = m_sequence.advance();
    if (result == Brenmarle::SlideSequence::Advance::Waiting) {
        if (!m_view->isWaiting() || m_view->getMessage().empty())
            m_view->setMessage(_("Loading slide show..."));
        return;
    }
    if (m_sequence.takeFirstShown()) {
        m_view->leaveWaiting();
        if (m_musicOn) {
            m_musicStarted = true;
            m_jukeBox->play();
        }
    }
    m_view->setMessage(wxString());
    m_currentFile = m_nextFile;
    m_currentFailed = result == Brenmarle::SlideSequence::Advance::Failed || !m_nextImage;
    if (m_currentFailed)
        m_view->clearImage();
    else
        m_view->setImage(*m_nextImage);
    showCaption();
    m_nextImage.reset();
    armTimer();
    preload();
}

void SlideShowFrame::goBack()
{
    // Nothing to go back to: the picture loaded ahead and the advance timer are kept.
    const std::optional<std::size_t> previous = m_sequence.chooseBack();
    if (!previous)
        return;
    m_advanceTimer.Stop();
    load(*previous);
}

void SlideShowFrame::armTimer()
{
    if (m_sequence.wantsTimer())
        m_advanceTimer.StartOnce(m_sequence.getDelayMs());
}

void SlideShowFrame::showCaption()
{
    if (!m_sequence.hasCurrent())
        return;
    const std::size_t index = m_sequence.getCurrent();
    if (m_currentFailed || !m_currentFile)
        m_view->setCaption(Brenmarle::SlideCaption::forFailure(
            index, m_currentFile ? m_currentFile->getFileName() : wxString()));
    else
        m_view->setCaption(
            Brenmarle::SlideCaption::forFile(*m_currentFile, m_captions, *m_countries));
}

void SlideShowFrame::setAutomaticAdvance(bool on)
{
    m_sequence.setAutoAdvance(on);
    if (on)
        armTimer();
    else
        m_advanceTimer.Stop();
}

void SlideShowFrame::setCaptions(bool on)
{
    m_captions = on;
    showCaption();
}

void SlideShowFrame::setMusic(bool on)
{
    m_musicOn = on;
    if (on)
        m_jukeBox->play();
    else
        m_jukeBox->stop();
}

void SlideShowFrame::onAdvanceTimer(wxTimerEvent&)
{
    advance();
}

void SlideShowFrame::onCharHook(wxKeyEvent& event)
{
    const int code = event.GetKeyCode();
    QDEBUG("[SLIDESHOWFRAME] On key down event (keycode %d)", code);
    switch (code) {
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER:
    case WXK_PAGEDOWN:
    case WXK_NUMPAD_PAGEDOWN:
    case WXK_RIGHT:
    case WXK_DOWN:
        advance();
        break;
    case WXK_PAGEUP:
    case WXK_NUMPAD_PAGEUP:
    case WXK_LEFT:
    case WXK_UP:
        goBack();
        break;
    case WXK_ESCAPE:
    case WXK_BACK:
    case WXK_F11:
    case WXK_F12:
        Close();
        break;
    default:
        break;
    }
}

void SlideShowFrame::onContextMenu(wxMouseEvent& event)
{
    wxMenu menu;
    menu.Append(ID_NEXT_PICTURE, _("Next Picture"));
    menu.AppendCheckItem(ID_AUTOMATIC_ADVANCE, _("Automatic Advance"))
        ->Check(m_sequence.isAutoAdvance());
    menu.AppendCheckItem(ID_DISPLAY_CAPTIONS, _("Display Captions"))->Check(m_captions);
    menu.AppendCheckItem(ID_BACKGROUND_MUSIC, _("Background Music"))->Check(m_jukeBox->isPlaying());
    menu.Append(ID_EXIT_SLIDE_SHOW, _("Exit Slide Show"));
    Quorvel::NestedLoops::popupMenu(*this, menu,
                                    ScreenToClient(m_view->ClientToScreen(event.GetPosition())));
}

void SlideShowFrame::onMenu(wxCommandEvent& event)
{
    switch (event.GetId()) {
    case ID_NEXT_PICTURE:
        advance();
        break;
    case ID_AUTOMATIC_ADVANCE:
        setAutomaticAdvance(event.IsChecked());
        break;
    case ID_DISPLAY_CAPTIONS:
        setCaptions(event.IsChecked());
        break;
    case ID_BACKGROUND_MUSIC:
        setMusic(event.IsChecked());
        break;
    case ID_EXIT_SLIDE_SHOW:
        Close();
        break;
    default:
        event.Skip();
    }
}

void SlideShowFrame::onMouseMove(wxMouseEvent& event)
{
    event.Skip();
    // Hiding the pointer moves it by a pixel on some desktops: only a move in a later second
    // brings the controls back.
    if (m_hiddenAt < 0 || long(std::time(nullptr)) <= m_hiddenAt)
        return;
    showControls(true);
    m_hideTimer.StartOnce(HIDE_CONTROLS_MS);
}

void SlideShowFrame::onHideTimer(wxTimerEvent&)
{
    showControls(false);
}

void SlideShowFrame::showControls(bool show)
{
    m_nextButton->Show(show);
    m_closeButton->Show(show);
    const wxCursor cursor = show ? wxNullCursor : wxCursor(wxCURSOR_BLANK);
    SetCursor(cursor);
    m_view->SetCursor(cursor);
    m_hiddenAt = show ? -1 : long(std::time(nullptr));
}

void SlideShowFrame::onSize(wxSizeEvent& event)
{
    m_view->SetSize(GetClientSize());
    placeButtons();
    event.Skip();
}

void SlideShowFrame::placeButtons()
{
    const wxSize client = GetClientSize();
    const wxSize close = m_closeButton->GetBestSize();
    const wxSize next = m_nextButton->GetBestSize();
    m_closeButton->SetSize(client.x - close.x - BUTTON_MARGIN, BUTTON_MARGIN, close.x, close.y);
    m_nextButton->SetSize(client.x - close.x - next.x - 2 * BUTTON_MARGIN, BUTTON_MARGIN, next.x,
                          next.y);
    m_closeButton->Raise();
    m_nextButton->Raise();
}

void SlideShowFrame::onClose(wxCloseEvent&)
{
    QDEBUG("[SLIDESHOWFRAME] CLOSE");
    m_advanceTimer.Stop();
    Destroy();
}

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/image.h>
#include <wx/spinctrl.h>
#include <wx/weakref.h>

#include "HeldLibraryLock.h"
#include "LogCapture.h"
#include "PhotoLibraryTest.h"
#include "Screenshot.h"
#include "WaitUntil.h"
#include "fullscreen/SlideShowDialog.h"
#include "fullscreen/SlideShowFrame.h"
#include "fullscreen/SlideView.h"
#include "media/JukeBox.h"
#include "slideshow/CountryListNames.h"
#include "thumbnails/ImageLoader.h"
#include "ui/Accessibility.h"

using Brenmarle::File;
using Quorvel::Ref;

namespace {

// A mono 16-bit PCM WAV file of `ms` milliseconds.
std::string wav(int ms)
{
    const unsigned samples = 8000u * unsigned(ms) / 1000u;
    std::string out = "RIFF";
    const auto u32 = [&](unsigned v) {
        for (int i = 0; i < 4; ++i)
            out += char((v >> (8 * i)) & 0xff);
    };
    const auto u16 = [&](unsigned v) {
        out += char(v & 0xff);
        out += char((v >> 8) & 0xff);
    };
    u32(36 + samples * 2);
    out += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(8000);
    u32(16000);
    u16(2);
    u16(16);
    out += "data";
    u32(samples * 2);
    out.append(samples * 2, '\0');
    return out;
}

void pressKey(wxWindow* window, int code)
{
    wxKeyEvent key(wxEVT_CHAR_HOOK);
    key.m_keyCode = code;
    key.SetEventObject(window);
    window->GetEventHandler()->ProcessEvent(key);
}

} // namespace

class SlideShowTest : public PhotoLibraryTest {
protected:
    SlideShowTest()
    {
        if (!wxImage::FindHandler(wxBITMAP_TYPE_JPEG))
            wxImage::AddHandler(new wxJPEGHandler);
    }
    ~SlideShowTest() override
    {
        if (frame)
            frame->Destroy();
        waitUntil([this] { return !frame; });
        loader->clear();
    }

    Ref<File> picture(const wxString& name, const wxString& city = wxString(),
                      const wxString& country = wxString())
    {
        wxImage image(320, 240);
        image.SetRGB(wxRect(0, 0, 320, 240), 40, 90, 160);
        home.writeFile("Pictures/" + name, "");
        image.SaveFile(home / "Pictures/" + name, wxBITMAP_TYPE_JPEG);
        Ref<File> file = manager->getFile("file://" + home.path() + "Pictures/" + name);
        file->setCity(city);
        file->setCountryCode(country);
        return file;
    }

    SlideShowFrame* open(const std::vector<Ref<File>>& pictures, int delayMs,
                         const std::vector<wxString>& songs = {}, bool random = false)
    {
        SlideShowFrame::Settings settings;
        settings.captions = true;
        settings.delayMs = delayMs;
        settings.random = random;
        settings.audioSink = "fakesink";
        frame = new SlideShowFrame(nullptr, Brenmarle::SlidePictures::ofFiles(pictures), songs,
                                   settings, std::make_unique<Brenmarle::CountryListNames>());
        return frame.get();
    }

    std::unique_ptr<Brenmarle::ImageLoader> loader = std::make_unique<Brenmarle::ImageLoader>();
    wxWeakRef<SlideShowFrame> frame;
};

TEST_F(SlideShowTest, StartsByItselfGoesOnPastABrokenPictureAndClosesInOrder)
{
    const Ref<File> broken = picture("broken.jpg");
    home.writeFile("Pictures/broken.jpg", "not a picture");
    LogCapture log;
    SlideShowFrame* show = open(
        {picture("first.jpg", "Oslo", "NO"), broken, picture("third.jpg", "Oslo", "NO")}, 1000);
    // No key pressed: the first picture comes as soon as it is loaded, then the timer runs.
    ASSERT_TRUE(waitUntil([&] { return show->getSequence().hasCurrent(); }));
    EXPECT_FALSE(show->getView()->isWaiting());
    EXPECT_TRUE(show->getView()->hasImage());
    EXPECT_EQ(show->getView()->getCaption().location, "Oslo, Norway");
    ASSERT_TRUE(waitUntil([&] { return show->getSequence().getCurrent() == 1; }));
    EXPECT_FALSE(show->getView()->hasImage());
    EXPECT_EQ(show->getView()->getCaption().caption, "Could not load file 2 (broken.jpg)");
    ASSERT_TRUE(waitUntil([&] { return show->getSequence().getCurrent() == 2; }));
    EXPECT_TRUE(show->getView()->hasImage());

    pressKey(show, 'A'); // nothing
    EXPECT_TRUE(frame);
    pressKey(show, WXK_ESCAPE);
    ASSERT_TRUE(waitUntil([this] { return !frame; }));
    wxLog::FlushActive();
    EXPECT_TRUE(log.contains("[SLIDESHOWFRAME] Image load failure"));
    EXPECT_TRUE(log.contains(
        wxString::Format("[SLIDESHOWFRAME] On key down event (keycode %d", int(WXK_ESCAPE))));
    const size_t close = log.find("[SLIDESHOWFRAME] CLOSE");
    const size_t destructor = log.find("[SLIDESHOWFRAME] Destructor");
    const size_t view = log.find("[SLIDEVIEW] Destructor");
    const size_t jukeBox = log.find("[JUKEBOX] Destructor");
    ASSERT_NE(jukeBox, wxString::npos);
    EXPECT_LT(close, destructor);
    EXPECT_LT(destructor, view);
    EXPECT_LT(view, jukeBox);
}

TEST_F(SlideShowTest, EnterAdvancesLeftGoesBackAndTheMenuSwitchesAdvanceAndCaptions)
{
    SlideShowFrame* show = open({picture("a.jpg"), picture("b.jpg"), picture("c.jpg")}, 0);
    ASSERT_TRUE(waitUntil([&] { return show->getSequence().hasCurrent(); }));
    EXPECT_FALSE(show->isAdvanceTimerRunning());
    ASSERT_TRUE(waitUntil([&] {
        return show->getSequence().getNextState() == Brenmarle::SlideSequence::NextState::Loaded;
    }));
    pressKey(show, WXK_RETURN);
    EXPECT_EQ(show->getSequence().getCurrent(), 1u);
    pressKey(show, WXK_LEFT);
    ASSERT_TRUE(waitUntil([&] { return show->getSequence().getCurrent() == 0; }));

    wxCommandEvent automatic(wxEVT_MENU, SlideShowFrame::ID_AUTOMATIC_ADVANCE);
    automatic.SetInt(1);
    show->ProcessWindowEvent(automatic);
    EXPECT_EQ(show->getSequence().getDelayMs(), 3000);
    EXPECT_TRUE(show->isAdvanceTimerRunning());
    automatic.SetInt(0);
    show->ProcessWindowEvent(automatic);
    EXPECT_FALSE(show->isAdvanceTimerRunning());

    wxCommandEvent captions(wxEVT_MENU, SlideShowFrame::ID_DISPLAY_CAPTIONS);
    captions.SetInt(0);
    show->getView()->setCaption(Brenmarle::SlideCaption::forFailure(0, "x"));
    show->ProcessWindowEvent(captions);
    EXPECT_TRUE(show->getView()->getCaption().empty());
}

TEST_F(SlideShowTest, GoingBackOnTheFirstPictureInRandomOrderKeepsTheShowGoing)
{
    // A long delay: the timer must still be armed after the key, not have fired.
    SlideShowFrame* show =
        open({picture("a.jpg"), picture("b.jpg"), picture("c.jpg")}, 600000, {}, true);
    ASSERT_TRUE(waitUntil([&] {
        return show->getSequence().hasCurrent() &&
               show->getSequence().getNextState() == Brenmarle::SlideSequence::NextState::Loaded;
    }));
    const std::size_t first = show->getSequence().getCurrent();
    const std::size_t ahead = show->getSequence().getNext();
    ASSERT_TRUE(show->isAdvanceTimerRunning());

    pressKey(show, WXK_LEFT);
    EXPECT_TRUE(show->isAdvanceTimerRunning());
    EXPECT_EQ(show->getSequence().getCurrent(), first);
    EXPECT_FALSE(show->getSequence().isPending());

    // The picture loaded ahead is shown at once, as a picture.
    pressKey(show, WXK_RETURN);
    EXPECT_EQ(show->getSequence().getCurrent(), ahead);
    EXPECT_TRUE(show->getView()->hasImage());
    EXPECT_FALSE(show->getView()->getCaption().caption.StartsWith("Could not load file"));
    EXPECT_TRUE(show->isAdvanceTimerRunning());
}

TEST_F(SlideShowTest, TheSongsPlayInTurnAndTheShowEndsWithoutAThreadLeft)
{
    home.writeFile("music/one.wav", wav(200));
    home.writeFile("music/two.wav", wav(200));
    LogCapture log;
    SlideShowFrame* show =
        open({picture("a.jpg")}, 0, {home / "music/one.wav", home / "music/two.wav"});
    const auto logged = [&](const wxString& text) {
        return waitUntil([&] {
            wxLog::FlushActive();
            return log.contains(text);
        });
    };
    EXPECT_TRUE(logged("[JUKEBOX] End of song " + home / "music/one.wav"));
    EXPECT_TRUE(logged("[JUKEBOX] End of song " + home / "music/two.wav"));
    show->Close();
    ASSERT_TRUE(waitUntil([this] { return !frame; }));
    wxLog::FlushActive();
    EXPECT_TRUE(log.contains("[JUKEBOX] Thread end!"));
}

TEST_F(SlideShowTest, DialogDefaultsAndNothingToShow)
{
    SlideShowDialog dialog(nullptr, {}, {}, false, {{"Tune", "/music/tune.wav"}});
    ASSERT_EQ(dialog.getScopeChoice()->GetCount(), 1u);
    EXPECT_EQ(dialog.getScopeChoice()->GetString(0), "View all pictures in archive");
    EXPECT_FALSE(dialog.getAutomaticCheck()->GetValue());
    EXPECT_EQ(dialog.getDelaySpin()->GetValue(), 5);
    EXPECT_EQ(dialog.getDelaySpin()->GetMin(), 1);
    EXPECT_EQ(dialog.getDelaySpin()->GetMax(), 1000);
    EXPECT_FALSE(dialog.getRandomCheck()->GetValue());
    EXPECT_FALSE(dialog.getCaptionsCheck()->GetValue());
    EXPECT_FALSE(dialog.getLargeFontCheck()->GetValue());
    ASSERT_EQ(dialog.getMusicChoice()->GetCount(), 4u);
    EXPECT_EQ(dialog.getMusicChoice()->GetSelection(), 0);
    EXPECT_EQ(dialog.getMusicChoice()->GetString(3), "Tune");
    EXPECT_TRUE(dialog.chosenSongs().empty());
    dialog.getMusicChoice()->SetSelection(1);
    EXPECT_EQ(dialog.chosenSongs(), (std::vector<wxString>{"/music/tune.wav"}));

    // An empty catalogue.
    LogCapture log;
    dialog.start();
    ASSERT_TRUE(waitUntil([&] { return !dialog.isListing(); }));
    EXPECT_EQ(dialog.getShow(), nullptr);
    EXPECT_TRUE(log.contains("No files to display"));

    SlideShowDialog album(nullptr, {"file:///a.jpg"}, {"file:///b.jpg"}, true, {});
    ASSERT_EQ(album.getScopeChoice()->GetCount(), 3u);
    EXPECT_EQ(album.getScopeChoice()->GetString(1), "View all pictures in current album");
    EXPECT_EQ(album.getScopeChoice()->GetString(2), "View current selection");
    EXPECT_EQ(album.chosenPictureUris(), (std::vector<wxString>{"file:///a.jpg"}));
    album.getScopeChoice()->SetSelection(1);
    EXPECT_EQ(album.chosenPictureUris(), (std::vector<wxString>{"file:///b.jpg"}));
    album.getMusicChoice()->SetSelection(1);
    EXPECT_TRUE(album.chosenSongs().empty()); // one random song of none
}

TEST_F(SlideShowTest, TheWholeCatalogueIsListedWhileTheWindowAnswers)
{
    const Ref<Brenmarle::AlbumFolder> album = makeAlbum("Trip");
    for (const char* name : {"a.jpg", "b.jpg"})
        album->copyFileIn(*picture(name));
    SlideShowDialog dialog(nullptr, {}, {}, false, {});
    SlideShowFrame::Settings settings;
    settings.audioSink = "fakesink";
    settings.fullScreen = false;
    {
        // Another thread is in the middle of a long catalogue query.
        HeldLibraryLock busy;
        dialog.start(settings);
        EXPECT_FALSE(busy.gaveUp()) << "Start waited for the catalogue on the GUI thread";
        EXPECT_TRUE(dialog.isListing());
        EXPECT_FALSE(dialog.getStartButton()->IsEnabled());
    }
    ASSERT_TRUE(waitUntil([&] { return dialog.getShow() != nullptr; }));
    frame = dialog.getShow();
    EXPECT_FALSE(dialog.isListing());
    EXPECT_EQ(frame->getSequence().size(), 2u);
    // The show makes the file of a picture only as it comes to it: the first picture shows.
    ASSERT_TRUE(waitUntil([this] { return frame->getView()->hasImage(); }));
}

TEST_F(SlideShowTest, CancelStopsTheListingAndNothingOpens)
{
    makeAlbum("Trip")->copyFileIn(*picture("a.jpg"));
    auto dialog =
        std::make_unique<SlideShowDialog>(nullptr, std::vector<wxString>{}, std::vector<wxString>{},
                                          false, std::vector<Brenmarle::MusicList::Song>{});
    {
        HeldLibraryLock busy;
        dialog->start();
        ASSERT_TRUE(dialog->isListing());
        wxCommandEvent cancel(wxEVT_BUTTON, wxID_CANCEL);
        dialog->ProcessWindowEvent(cancel);
        EXPECT_FALSE(dialog->isListing());
    }
    // The listing that ends after Cancel opens nothing, also once the dialog has gone: the
    // dialog waits for its runner, and what the runner still posted is dropped.
    dialog.reset();
    wxTheApp->ProcessPendingEvents();
    EXPECT_TRUE(wxTopLevelWindows.IsEmpty());
}

// The header band is read like the rest of the dialog, first, and every control it offers has
// a name.
TEST_F(SlideShowTest, AScreenReaderReadsTheDialogsHeaderFirstAndEveryControlByName)
{
    SlideShowDialog dialog(nullptr, {"file:///a.jpg"}, {"file:///b.jpg"}, true,
                           {{"Tune", "/music/tune.wav"}});
    dialog.Show();
    // On screen once GTK has laid it out.
    std::vector<Quorvel::AccessibleNode> nodes;
    ASSERT_TRUE(waitUntil([&] {
        nodes = Quorvel::readAccessibleTree(dialog);
        return !nodes.empty();
    }));
    shootIfAsked(dialog, "slideshow-dialog");
    EXPECT_EQ(nodes.front().role, "label");
    EXPECT_EQ(nodes.front().name, "Start a Slide Show");
    // Bold, and shown whole: the eye reads the same title.
    wxWindow* title = wxWindow::FindWindowByLabel("Start a Slide Show", &dialog);
    ASSERT_NE(title, nullptr);
    EXPECT_TRUE(title->GetFont().GetWeight() >= wxFONTWEIGHT_BOLD);
    EXPECT_GE(title->GetSize().x, title->GetBestSize().x);
    const std::vector<wxString> unnamed = Quorvel::findUnnamedControls(dialog);
    EXPECT_TRUE(unnamed.empty()) << wxJoin(wxArrayString(unnamed.size(), unnamed.data()), '\n');
}

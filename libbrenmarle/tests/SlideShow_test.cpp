// The slide show's windowless parts: the order of the pictures, advancing, captions, the music
// list and the pictures of the whole catalogue.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "ScratchDir.h"
#include "database/Database.h"
#include "files/File.h"
#include "search/CountryList.h"
#include "slideshow/CataloguePictures.h"
#include "slideshow/CountryListNames.h"
#include "slideshow/MusicList.h"
#include "slideshow/SlideCaption.h"
#include "slideshow/SlideSequence.h"

using Brenmarle::CataloguePictures;
using Brenmarle::CountryList;
using Brenmarle::CountryListNames;
using Brenmarle::CountryNames;
using Brenmarle::File;
using Brenmarle::MusicList;
using Brenmarle::SlideCaption;
using Brenmarle::SlideSequence;
using Advance = SlideSequence::Advance;
using NextState = SlideSequence::NextState;

namespace {

// Loads the next picture at once and advances; returns the picture shown.
std::size_t step(SlideSequence& show)
{
    show.chooseNext();
    show.nextLoaded();
    EXPECT_EQ(show.advance(), Advance::Shown);
    return show.getCurrent();
}

class Countries : public CountryNames {
public:
    bool lookUp(const wxString& code, wxString& name) const override
    {
        if (code.Upper() != "NO" && code.Upper() != "NOR")
            return false;
        name = "Norway";
        return true;
    }
};

} // namespace

TEST(SlideSequence, InOrderWrapsAfterTheLastAndGoesBack)
{
    SlideSequence show(3, false, 0);
    EXPECT_FALSE(show.hasCurrent());
    std::vector<std::size_t> shown;
    for (int i = 0; i < 4; ++i)
        shown.push_back(step(show));
    EXPECT_EQ(shown, (std::vector<std::size_t>{0, 1, 2, 0}));
    EXPECT_EQ(show.chooseBack(), 2u);
    EXPECT_TRUE(show.isPending());
    EXPECT_TRUE(show.nextLoaded()); // the pending advance runs now
    EXPECT_EQ(show.advance(), Advance::Shown);
    EXPECT_EQ(show.getCurrent(), 2u);
}

TEST(SlideSequence, RandomOrderShowsEveryPictureOnceARoundEvenInQuickSuccession)
{
    // All within one second: a generator seeded from the clock before each draw repeats.
    SlideSequence show(10, true, 0);
    std::size_t last = 99;
    for (int round = 0; round < 5; ++round) {
        std::set<std::size_t> seen;
        for (int i = 0; i < 10; ++i) {
            const std::size_t shown = step(show);
            EXPECT_NE(shown, last);
            last = shown;
            seen.insert(shown);
        }
        EXPECT_EQ(seen.size(), 10u) << "round " << round;
    }
    SlideSequence single(1, true, 0);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(step(single), 0u);
}

TEST(SlideSequence, RandomOrderGoesBackToThePictureShownBefore)
{
    SlideSequence show(6, true, 0);
    const std::size_t first = step(show);
    step(show);
    EXPECT_EQ(show.chooseBack(), first);
    show.nextLoaded();
    EXPECT_EQ(show.advance(), Advance::Shown);
    EXPECT_EQ(show.getCurrent(), first);
}

TEST(SlideSequence, WithNothingToGoBackToThePictureLoadedAheadStaysNext)
{
    // In random order only the pictures shown are remembered: at the first there is no earlier.
    SlideSequence show(6, true, 0);
    const std::size_t first = step(show);
    const std::size_t ahead = show.chooseNext();
    show.nextLoaded();
    EXPECT_FALSE(show.chooseBack().has_value());
    EXPECT_EQ(show.getNext(), ahead);
    EXPECT_EQ(show.getNextState(), NextState::Loaded);
    EXPECT_FALSE(show.isPending());
    EXPECT_EQ(show.getCurrent(), first);
    EXPECT_EQ(show.advance(), Advance::Shown);
    EXPECT_EQ(show.getCurrent(), ahead);
    // Now there is one to go back to.
    EXPECT_EQ(show.chooseBack(), first);

    // Before the first picture is shown, in either order.
    for (const bool random : {false, true}) {
        SlideSequence starting(3, random, 0);
        const std::size_t firstToCome = starting.chooseNext();
        EXPECT_EQ(starting.advance(), Advance::Waiting);
        EXPECT_FALSE(starting.chooseBack().has_value());
        EXPECT_EQ(starting.getNext(), firstToCome);
        EXPECT_TRUE(starting.nextLoaded());
        EXPECT_EQ(starting.advance(), Advance::Shown);
        EXPECT_EQ(starting.getCurrent(), firstToCome);
    }
}

TEST(SlideSequence, AnAdvanceWhileLoadingWaitsOnceForTheLoad)
{
    SlideSequence show(3, false, 5000);
    EXPECT_TRUE(show.wantsTimer());
    show.chooseNext();
    // Enter pressed again and again before the first picture is ready.
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(show.advance(), Advance::Waiting);
    EXPECT_FALSE(show.takeFirstShown());
    EXPECT_TRUE(show.nextLoaded());
    EXPECT_EQ(show.advance(), Advance::Shown);
    EXPECT_EQ(show.getCurrent(), 0u);
    EXPECT_FALSE(show.isPending());
    EXPECT_TRUE(show.takeFirstShown());
    EXPECT_FALSE(show.takeFirstShown());

    show.chooseNext();
    EXPECT_FALSE(show.nextFailed()); // nobody waiting
    EXPECT_EQ(show.advance(), Advance::Failed);
    EXPECT_EQ(show.getCurrent(), 1u);
}

TEST(SlideSequence, AutomaticAdvanceSwitchedOnWithoutADelayTakesThreeSeconds)
{
    SlideSequence manual(2, false, 0);
    EXPECT_FALSE(manual.wantsTimer());
    manual.setAutoAdvance(true);
    EXPECT_EQ(manual.getDelayMs(), 3000);
    EXPECT_TRUE(manual.wantsTimer());
    manual.setAutoAdvance(false);
    EXPECT_FALSE(manual.wantsTimer());

    SlideSequence timed(2, false, 7000);
    timed.setAutoAdvance(false);
    timed.setAutoAdvance(true);
    EXPECT_EQ(timed.getDelayMs(), 7000);
}

TEST(SlideCaption, LocationLineJoinsWhatIsSet)
{
    const Countries countries;
    EXPECT_EQ(SlideCaption::locationLine("", "Oslo", "NO", countries), "Oslo, Norway");
    EXPECT_EQ(SlideCaption::locationLine("Harbour", "Oslo", "nor", countries),
              "Harbour (Oslo), Norway");
    EXPECT_EQ(SlideCaption::locationLine("Harbour", "", "", countries), "Harbour");
    EXPECT_EQ(SlideCaption::locationLine("", "", "NO", countries), "Norway");
    EXPECT_EQ(SlideCaption::locationLine("", "Oslo", "XX", countries), "Oslo, Unknown country");
    EXPECT_EQ(SlideCaption::locationLine("", "", "", countries), "");
}

TEST(SlideCaption, CaptionsOffGiveNoTextAndAFailureNamesThePicture)
{
    const Countries countries;
    const auto file = Quorvel::makeRef<File>("file:///p/a.jpg");
    file->setCaption("Quay");
    file->setCity("Oslo");
    file->setCountryCode("NO");
    const SlideCaption on = SlideCaption::forFile(*file, true, countries);
    EXPECT_EQ(on.caption, "Quay");
    EXPECT_EQ(on.location, "Oslo, Norway");
    EXPECT_TRUE(SlideCaption::forFile(*file, false, countries).empty());
    EXPECT_EQ(SlideCaption::forFailure(2, "b.jpg").caption, "Could not load file 3 (b.jpg)");
}

TEST(CountryListNames, ReadsBothCodesAndPrefersTheCommonName)
{
    ScratchDir dir;
    dir.writeFile("iso.json",
                  "{\"3166-1\": [\n"
                  "  {\"alpha_2\": \"NO\", \"alpha_3\": \"NOR\", \"name\": \"Norway\"},\n"
                  "  {\"alpha_2\": \"TW\", \"alpha_3\": \"TWN\", \"common_name\": \"Taiwan\",\n"
                  "   \"name\": \"Taiwan, Province of China\"}\n]}\n");
    const CountryList list(dir / "iso.json", [](const wxString& name) { return name; });
    const CountryListNames names(list);
    wxString name;
    ASSERT_TRUE(names.lookUp("nor", name));
    EXPECT_EQ(name, "Norway");
    ASSERT_TRUE(names.lookUp("TW", name));
    EXPECT_EQ(name, "Taiwan");
    EXPECT_FALSE(names.lookUp("XX", name));
    EXPECT_FALSE(names.lookUp("NORW", name));
    // Without a readable table the program's list is empty: captions carry on without names.
    const CountryList none;
    EXPECT_FALSE(CountryListNames(none).lookUp("NO", name));
}

TEST(MusicList, ReadsLabelledSongsWithEitherLineEnd)
{
    const std::vector<MusicList::Song> songs = MusicList::parse(
        "Morning=morning.mp3\r\n=nolabel.mp3\nNoFile=\nno separator\nEvening=evening.ogg\n"
        "Escape=../../etc/passwd\nLast=last.mp3",
        "/res/music/");
    ASSERT_EQ(songs.size(), 2u);
    EXPECT_EQ(songs[0].label, "Morning");
    EXPECT_EQ(songs[0].path, "/res/music/morning.mp3");
    EXPECT_EQ(songs[1].label, "Evening");
    EXPECT_EQ(songs[1].path, "/res/music/evening.ogg");

    ScratchDir dir;
    EXPECT_TRUE(MusicList::read(dir.path()).empty());
    dir.writeFile("music/music.list", "Tune=tune.wav\r\n");
    ASSERT_EQ(MusicList::read(dir.path()).size(), 1u);
    EXPECT_EQ(MusicList::read(dir.path())[0].path, dir / "music/tune.wav");
}

TEST(CataloguePictures, PicturesOnlyAndNoneOfAHiddenAlbum)
{
    ScratchDir dir;
    Brenmarle::Database database;
    database.open(dir / "database.db");
    const wxString shown = "album://00000000-0000-4000-8000-000000000001/";
    const wxString hidden = "album://00000000-0000-4000-8000-000000000002/";
    Brenmarle::AlbumRecord album;
    album.uri = shown;
    database.addFolder(album);
    album.uri = hidden;
    album.hidden = true;
    database.addFolder(album);
    const std::map<wxString, wxString> files = {
        {shown + "a.jpg", "image/jpeg"},
        {shown + "b.avi", "video/x-msvideo"},
        {shown + "c.wav", "audio/x-wav"},
        {shown + "d.txt", "text/plain"},
        {hidden + "e.jpg", "image/jpeg"},
        {"file:///home/u/f.png", "image/png"},
        {"album://00000000-0000-4000-8000-0000000000022/g.jpg", "image/jpeg"}};
    int time = 0;
    for (const auto& [uri, type] : files) {
        const auto file = Quorvel::makeRef<File>(uri);
        file->setFileName(uri.AfterLast('/'));
        file->setContentType(type);
        file->setTime(++time);
        database.addFile(*file);
    }
    std::vector<wxString> uris;
    for (const int64_t row : CataloguePictures::rowIds(database))
        uris.push_back(database.getFileUri(row));
    std::sort(uris.begin(), uris.end());
    EXPECT_EQ(uris, (std::vector<wxString>{shown + "a.jpg",
                                           "album://00000000-0000-4000-8000-0000000000022/g.jpg",
                                           "file:///home/u/f.png"}));
    database.close();
}

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "files/File.h"
#include "system/Exceptions.h"

using Brenmarle::File;
using Quorvel::makeRef;
using Quorvel::Ref;

namespace {

// Date texts are compared in the C locale's English names; restored afterwards.
class CLocaleTime {
public:
    CLocaleTime() : m_saved(std::setlocale(LC_TIME, nullptr)) { std::setlocale(LC_TIME, "C"); }
    ~CLocaleTime() { std::setlocale(LC_TIME, m_saved.c_str()); }

private:
    std::string m_saved;
};

// Runs with the process time zone set to `zone`; restored afterwards.
class TimeZone {
public:
    explicit TimeZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            m_saved = old;
        m_had = std::getenv("TZ") != nullptr;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZone()
    {
        if (m_had)
            setenv("TZ", m_saved.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool m_had = false;
    std::string m_saved;
};

// 2004-03-07 14:05:09 as a camera's wall-clock time read as UTC (a Sunday).
constexpr int32_t SUNDAY_AFTERNOON = 1078668309;

// One field of a file: how to give it a value different from a new file's, and how to see that
// value. Every field, so that a setter that forgets the modified flag, or an accessor wired to
// the wrong member, shows up.
struct Field {
    const char* name;
    std::function<void(File&)> setDefault;
    std::function<void(File&)> setOther;
    std::function<bool(const File&)> hasOther;
};

std::vector<Field> storedFields()
{
    std::vector<Field> fields;
#define TEXT_FIELD(Name)                                                                           \
    fields.push_back({#Name, [](File& f) { f.set##Name(wxString()); },                             \
                      [](File& f) { f.set##Name(wxS(#Name " value")); },                           \
                      [](const File& f) { return f.get##Name() == wxS(#Name " value"); }})
#define INT_FIELD(Name, value)                                                                     \
    fields.push_back({#Name, [](File& f) { f.set##Name(f.get##Name()); },                          \
                      [](File& f) { f.set##Name(value); },                                         \
                      [](const File& f) { return f.get##Name() == (value); }})
#define BOOL_FIELD(Setter, Getter)                                                                 \
    fields.push_back({#Setter, [](File& f) { f.Setter(false); }, [](File& f) { f.Setter(true); },  \
                      [](const File& f) { return f.Getter(); }})
    TEXT_FIELD(FileName);
    INT_FIELD(FileSize, 4711);
    TEXT_FIELD(ContentType);
    TEXT_FIELD(Scanner);
    INT_FIELD(ScanVersion, 3);
    BOOL_FIELD(setFileUserModified, isFileUserModified);
    BOOL_FIELD(setMetaUserModified, isMetaUserModified);
    INT_FIELD(FileModifyTime, 1000);
    INT_FIELD(MetaModifyTime, 2000);
    BOOL_FIELD(setFavorite, isFavorite);
    TEXT_FIELD(Caption);
    INT_FIELD(Time, SUNDAY_AFTERNOON);
    INT_FIELD(TimeMask, 7);
    TEXT_FIELD(Creator);
    TEXT_FIELD(Source);
    TEXT_FIELD(Copyright);
    TEXT_FIELD(Sublocation);
    TEXT_FIELD(City);
    TEXT_FIELD(Province);
    TEXT_FIELD(CountryCode);
    INT_FIELD(ImageWidth, 640);
    INT_FIELD(ImageHeight, 480);
    INT_FIELD(ImageRotation, 90);
    INT_FIELD(SafeStorageType, 2);
    INT_FIELD(SafeStorageRevision, 5);
    TEXT_FIELD(SafeStorageAccountId);
#undef TEXT_FIELD
#undef INT_FIELD
#undef BOOL_FIELD
    fields.push_back({"Keywords", [](File& f) { f.setKeywords({}); },
                      [](File& f) {
                          f.setKeywords({wxS("b"), wxS("a")});
                      },
                      [](const File& f) {
                          return f.getKeywords() == std::set<wxString>{wxS("a"), wxS("b")};
                      }});
    return fields;
}

Ref<File> newFile()
{
    return makeRef<File>(wxS("inbox://0f8fad5b-d9cb-469f-a165-70867728950e"));
}

} // namespace

TEST(File, NewFileStartsEmptyModifiedAndFullyDated)
{
    const Ref<File> file = newFile();
    EXPECT_EQ(file->getReferenceCount(), 1);
    EXPECT_EQ(file->getURI(), wxS("inbox://0f8fad5b-d9cb-469f-a165-70867728950e"));
    EXPECT_TRUE(file->isModified());
    EXPECT_EQ(file->getTime(), 0);
    EXPECT_EQ(file->getTimeMask(), 63);
    EXPECT_TRUE(file->getStateFlag1());
    EXPECT_TRUE(file->getStateFlag2());
    EXPECT_TRUE(file->getKeywords().empty());
    for (const Field& field : storedFields())
        EXPECT_FALSE(field.hasOther(*file)) << field.name;
}

TEST(File, EverySetterMarksModifiedOnlyOnARealChangeAndTouchesOnlyItsField)
{
    const std::vector<Field> fields = storedFields();
    for (const Field& field : fields) {
        const Ref<File> file = newFile();
        file->setModified(false);
        field.setDefault(*file);
        EXPECT_FALSE(file->isModified()) << field.name << ": same value";
        field.setOther(*file);
        EXPECT_TRUE(file->isModified()) << field.name << ": new value";
        EXPECT_TRUE(field.hasOther(*file)) << field.name;
        for (const Field& other : fields) {
            if (&other != &field) {
                EXPECT_FALSE(other.hasOther(*file)) << field.name << " changed " << other.name;
            }
        }
        file->setModified(false);
        field.setOther(*file);
        EXPECT_FALSE(file->isModified()) << field.name << ": set again";
    }
}

TEST(File, KeywordEditsMarkModifiedOnlyWhenTheSetChanges)
{
    const Ref<File> file = newFile();
    file->addKeyword(wxS("Events/Party"));
    file->setModified(false);
    file->addKeyword(wxS("Events/Party"));
    file->removeKeyword(wxS("Events"));
    EXPECT_FALSE(file->isModified());
    EXPECT_TRUE(file->hasKeyword(wxS("Events/Party")));
    EXPECT_FALSE(file->hasKeyword(wxS("Events")));
    file->removeKeyword(wxS("Events/Party"));
    EXPECT_TRUE(file->isModified());
    EXPECT_TRUE(file->getKeywords().empty());
}

TEST(File, RenameAndStateFlagsAreNotStoredChanges)
{
    const Ref<File> file = newFile();
    file->setModified(false);
    file->setURI(
        wxS("album://6f1c4b5e-2c1a-4d8e-9d0b-3b9f1f6a7c21/0f8fad5b-d9cb-469f-a165-70867728950e"));
    file->setStateFlag1(false);
    file->setStateFlag2(false);
    EXPECT_FALSE(file->isModified());
    EXPECT_FALSE(file->getStateFlag1());
    EXPECT_FALSE(file->getStateFlag2());
}

TEST(File, RotationIsBroughtIntoOneTurn)
{
    const Ref<File> file = newFile();
    const std::pair<int32_t, int32_t> cases[] = {{90, 90},
                                                 {450, 90},
                                                 {360, 0},
                                                 {-90, 270},
                                                 {-720, 0},
                                                 {359, 359},
                                                 {-1, 359},
                                                 {INT_MAX, INT_MAX % 360},
                                                 {INT_MIN, INT_MIN % 360 + 360}};
    for (const auto& [given, expected] : cases) {
        file->setImageRotation(given);
        EXPECT_EQ(file->getImageRotation(), expected) << given;
    }

    // Four quarter turns are the identity, and a full turn is no change at all.
    file->setImageRotation(270);
    for (int i = 0; i < 4; ++i)
        file->setImageRotation(file->getImageRotation() + 90);
    EXPECT_EQ(file->getImageRotation(), 270);
    file->setModified(false);
    file->setImageRotation(270 + 360);
    EXPECT_FALSE(file->isModified());
}

TEST(File, CopyTakesEveryFieldAndStartsModified)
{
    const Ref<File> source = newFile();
    for (const Field& field : storedFields())
        field.setOther(*source);
    source->setStateFlag2(false);
    source->setModified(false);

    const wxString uri = wxS("album://6f1c4b5e-2c1a-4d8e-9d0b-3b9f1f6a7c21/"
                             "2b5e1a7c-8d4f-4b3a-9c6e-1f2d3e4a5b6c");
    const Ref<File> copy = makeRef<File>(*source, uri);
    EXPECT_EQ(copy->getReferenceCount(), 1);
    EXPECT_EQ(copy->getURI(), uri);
    EXPECT_TRUE(copy->isModified());
    EXPECT_TRUE(copy->getStateFlag1());
    EXPECT_FALSE(copy->getStateFlag2());
    for (const Field& field : storedFields())
        EXPECT_TRUE(field.hasOther(*copy)) << field.name;

    // The source is left as it was, and a copy without a new URI keeps the source's.
    EXPECT_FALSE(source->isModified());
    EXPECT_EQ(makeRef<File>(*source)->getURI(), source->getURI());
}

TEST(File, ContentTypeFromFileName)
{
    const std::pair<const char*, const char*> cases[] = {
        {"photo.jpg", "image/jpeg"},
        {"PHOTO.JPG", "image/jpeg"},
        {"a.Jpe", "image/jpeg"},
        {"song.mp3", "audio/mpeg"},
        {"clip.AVI", "video/x-msvideo"},
        // Only the last extension counts; a name without one, or an unknown one, has no type.
        {"archive.jpg.zip", ""},
        {"backup.tar.mp3", "audio/mpeg"},
        {"jpg", ""},
        {"photo.", ""},
    };
    for (const auto& [name, type] : cases)
        EXPECT_EQ(File::getContentTypeForFileName(wxString::FromUTF8(name)),
                  wxString::FromUTF8(type))
            << name;

    // The older rule knows only "JPEG" spelled out.
    EXPECT_EQ(File::getContentTypeForExtension(wxS("scan.JPEG")), wxS("image/jpeg"));
    EXPECT_EQ(File::getContentTypeForExtension(wxS("scan.jpeg")), wxS("image/jpeg"));
    EXPECT_EQ(File::getContentTypeForExtension(wxS("scan.jpg")), wxS("application/unknown"));
    EXPECT_EQ(File::getContentTypeForExtension(wxS("JPEG")), wxS("application/unknown"));
}

TEST(File, EveryKnownExtensionHasAKindAndADescription)
{
    const Ref<File> file = newFile();
    for (const char* extension : {"jpg", "jpe", "jpeg", "bmp", "gif", "tif", "tiff", "png", "tga",
                                  "avi", "mpg", "mpeg", "wav", "mp3", "gpg", "pgp"}) {
        const wxString type = File::getContentTypeForFileName(wxString("x.") + extension);
        ASSERT_FALSE(type.empty()) << extension;
        EXPECT_NE(File::getTypeDescription(type, true), wxS("Unknown Files")) << type;
        EXPECT_NE(File::getTypeDescription(type, false), wxS("Unknown File")) << type;
        file->setContentType(type);
        const int kinds = file->isImage() + file->isVideo() + file->isAudio();
        EXPECT_EQ(kinds, type.StartsWith("application/") ? 0 : 1) << type;
    }
    EXPECT_EQ(File::getTypeDescription(wxS("image/jpeg"), true), wxS("JPEG images"));
    EXPECT_EQ(File::getTypeDescription(wxS("image/jpeg"), false), wxS("JPEG Image"));
    EXPECT_EQ(File::getTypeDescription(wxS("audio/x-wav"), false), wxS("WAV Audio"));
    EXPECT_EQ(File::getTypeDescription(wxS("application/pgp"), true), wxS("PGP Encrypted Files"));
    EXPECT_EQ(File::getTypeDescription(wxS("image/JPEG"), false), wxS("Unknown File"));
}

TEST(File, DateTextShowsOnlyTheKnownParts)
{
    const CLocaleTime locale;
    const std::pair<int32_t, const char*> cases[] = {
        {63, "Sun Mar 07, 2004 at 14:05"},
        {0, "Unknown date"},
        {7, "Sun Mar 07, 2004"},
        // Day known but year not: the day form all the same.
        {6, "Sun Mar 07, 2004"},
        {3, "Mar 2004"},
        {1, "2004"},
        {1 | 8, "2004 at 14"},
        {7 | 8 | 32, "Sun Mar 07, 2004 at 14:05"},
        {8, "Unknown date at 14"},
        {16, "Unknown date"},
    };
    for (const auto& [mask, text] : cases)
        EXPECT_EQ(File::formatDate(SUNDAY_AFTERNOON, mask), wxString::FromUTF8(text)) << mask;
    EXPECT_EQ(File::formatDate(0, 63), wxS("No date set"));
    EXPECT_EQ(File::formatDate(0, 0), wxS("No date set"));

    const Ref<File> file = newFile();
    file->setTime(SUNDAY_AFTERNOON);
    file->setTimeMask(3);
    EXPECT_EQ(file->getDateText(), wxS("Mar 2004"));
}

TEST(File, DateTextIsTheCameraReadingInEveryTimeZone)
{
    const CLocaleTime locale;
    // Just before midnight: a zone offset applied anywhere would move it to another day.
    const int32_t lateEvening = 1078703940; // 2004-03-07 23:59:00
    for (const char* zone : {"UTC", "Pacific/Kiritimati", "America/Los_Angeles", "Asia/Kolkata"}) {
        const TimeZone tz(zone);
        EXPECT_EQ(File::formatDate(lateEvening, 63), wxS("Sun Mar 07, 2004 at 23:59")) << zone;
    }
}

TEST(File, FileSizeCheckNamesBothSizes)
{
    const Ref<File> file = newFile();
    file->setFileSize(2048);
    EXPECT_NO_THROW(file->checkFileSize(2048));
    try {
        file->checkFileSize(1000);
        FAIL() << "a size mismatch must throw";
    } catch (const Quorvel::RuntimeException& e) {
        EXPECT_EQ(e.getMessage(),
                  wxS("Actual local file size (1000) does match file size in database (2048).\n\n"
                      "You should run the self-repair function from the help menu!"));
    }
    // An unreadable local file reports -2 and never matches.
    EXPECT_THROW(file->checkFileSize(-2), Quorvel::RuntimeException);
}

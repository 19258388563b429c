#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <string>
#include <vector>

#include "FileFields.h"
#include "ScopedTimeZone.h"
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

// 2004-03-07 14:05:09 as a camera's wall-clock time read as UTC (a Sunday).
constexpr int32_t SUNDAY_AFTERNOON = 1078668309;

Ref<File> newFile()
{
    return makeRef<File>(wxS("inbox://0f8fad5b-d9cb-469f-a165-70867728950e"));
}

} // namespace

TEST(File, EverySetterMarksModifiedOnlyOnARealChangeAndTouchesOnlyItsField)
{
    const std::vector<FileField> fields = fileFields();
    const Ref<File> fresh = newFile();
    EXPECT_TRUE(fresh->isModified()); // a new file is stored when let go
    for (const FileField& field : fields) {
        const Ref<File> file = newFile();
        file->setModified(false);
        field.setSame(*file);
        EXPECT_FALSE(file->isModified()) << field.name << ": same value";
        field.setOther(*file);
        EXPECT_TRUE(file->isModified()) << field.name << ": new value";
        EXPECT_FALSE(field.same(*file, *fresh)) << field.name;
        for (const FileField& other : fields) {
            if (&other != &field) {
                EXPECT_TRUE(other.same(*file, *fresh)) << field.name << " changed " << other.name;
            }
        }
        file->setModified(false);
        field.setOther(*file);
        EXPECT_FALSE(file->isModified()) << field.name << ": set again";
    }
}

TEST(File, RotationIsBroughtIntoOneTurn)
{
    const Ref<File> file = newFile();
    const std::pair<int32_t, int32_t> cases[] = {
        {450, 90}, {360, 0}, {-1, 359}, {INT_MAX, INT_MAX % 360}, {INT_MIN, INT_MIN % 360 + 360}};
    for (const auto& [given, expected] : cases) {
        file->setImageRotation(given);
        EXPECT_EQ(file->getImageRotation(), expected) << given;
    }

    // A full turn is no change at all.
    file->setImageRotation(270);
    file->setModified(false);
    file->setImageRotation(270 + 360);
    EXPECT_FALSE(file->isModified());
}

TEST(File, CopyTakesEveryFieldAndStartsModified)
{
    const Ref<File> source = newFile();
    for (const FileField& field : fileFields())
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
    for (const FileField& field : fileFields())
        EXPECT_TRUE(field.same(*copy, *source)) << field.name;

    // The source is left as it was, and a copy without a new URI keeps the source's.
    EXPECT_FALSE(source->isModified());
    EXPECT_EQ(makeRef<File>(*source)->getURI(), source->getURI());
}

TEST(File, TextsOfAnyKindComeBackAsSetAndACopyOwnsItsOwn)
{
    const Ref<File> source = newFile();
    const wxString caption = wxString::FromUTF8("Ærø, 猫 😀");
    source->setCaption(caption);
    source->setCity(wxString::FromUTF8("Århus"));
    source->setCountryCode(wxS("DK"));
    EXPECT_EQ(source->getCaption(), caption);
    EXPECT_EQ(source->getCity(), wxString::FromUTF8("Århus"));

    // The rarely set texts are kept together; a copy must not share them with its source.
    const Ref<File> copy = makeRef<File>(*source);
    copy->setCity(wxS("Odense"));
    EXPECT_EQ(source->getCity(), wxString::FromUTF8("Århus"));
    EXPECT_EQ(copy->getCountryCode(), wxS("DK"));

    // Emptying them one by one is a change each time, and leaves them empty.
    source->setModified(false);
    source->setCity(wxString());
    EXPECT_TRUE(source->isModified());
    source->setModified(false);
    source->setCountryCode(wxString());
    EXPECT_TRUE(source->isModified());
    EXPECT_TRUE(source->getCity().empty());
    EXPECT_TRUE(source->getCountryCode().empty());
    source->setModified(false);
    source->setCountryCode(wxString());
    EXPECT_FALSE(source->isModified());
}

TEST(File, ContentTypeFromFileName)
{
    // Only the last extension counts; a name without one, or an unknown one, has no type.
    const std::pair<const char*, const char*> cases[] = {
        {"PHOTO.JPG", "image/jpeg"}, {"a.Jpe", "image/jpeg"}, {"clip.AVI", "video/x-msvideo"},
        {"archive.jpg.zip", ""},     {"backup.tar.mp3", "audio/mpeg"}, {"jpg", ""}};
    for (const auto& [name, type] : cases)
        EXPECT_EQ(File::getContentTypeForFileName(wxString::FromUTF8(name)),
                  wxString::FromUTF8(type))
            << name;

    // The older rule knows only "JPEG" spelled out.
    EXPECT_EQ(File::getContentTypeForExtension(wxS("scan.JPEG")), wxS("image/jpeg"));
    EXPECT_EQ(File::getContentTypeForExtension(wxS("scan.jpg")), wxS("application/unknown"));
}

TEST(File, DateTextShowsOnlyTheKnownParts)
{
    const CLocaleTime locale;
    // Day known but year not (6): the day form all the same. Bit 16 means nothing.
    const std::pair<int32_t, const char*> cases[] = {
        {63, "Sun Mar 07, 2004 at 14:05"}, {7 | 8 | 32, "Sun Mar 07, 2004 at 14:05"},
        {6, "Sun Mar 07, 2004"},           {3, "Mar 2004"},
        {1 | 8, "2004 at 14"},             {8, "Unknown date at 14"},
        {16, "Unknown date"}};
    for (const auto& [mask, text] : cases)
        EXPECT_EQ(File::formatDate(SUNDAY_AFTERNOON, mask), wxString::FromUTF8(text)) << mask;
    EXPECT_EQ(File::formatDate(0, 63), wxS("No date set"));
}

TEST(File, DateTextIsTheCameraReadingInEveryTimeZone)
{
    const CLocaleTime locale;
    // Just before midnight: a zone offset applied anywhere would move it to another day.
    const int32_t lateEvening = 1078703940; // 2004-03-07 23:59:00
    for (const char* zone : {"UTC", "Pacific/Kiritimati", "America/Los_Angeles", "Asia/Kolkata"}) {
        const ScopedTimeZone tz(zone);
        EXPECT_EQ(File::formatDate(lateEvening, 63), wxS("Sun Mar 07, 2004 at 23:59")) << zone;
    }
}

TEST(File, FileSizeCheckFailsOnAnyOtherSize)
{
    const Ref<File> file = newFile();
    file->setFileSize(2048);
    EXPECT_NO_THROW(file->checkFileSize(2048));
    EXPECT_THROW(file->checkFileSize(1000), Quorvel::RuntimeException);
    // An unreadable local file reports -2 and never matches.
    EXPECT_THROW(file->checkFileSize(-2), Quorvel::RuntimeException);
}

TEST(File, SizesBeyondTheColumnAreKeptAsItsLargestAndStillPassTheCheck)
{
    const Ref<File> file = newFile();
    const int64_t threeGigabytes = int64_t{3} << 30;
    file->setFileSize(threeGigabytes);
    EXPECT_EQ(file->getFileSize(), File::MAX_FILE_SIZE);
    EXPECT_NO_THROW(file->checkFileSize(threeGigabytes));
    EXPECT_NO_THROW(file->checkFileSize(File::MAX_FILE_SIZE));
    EXPECT_THROW(file->checkFileSize(File::MAX_FILE_SIZE - 1), Quorvel::RuntimeException);
    file->setFileSize(2048);
    try {
        file->checkFileSize(threeGigabytes);
        FAIL();
    } catch (const Quorvel::RuntimeException& e) {
        EXPECT_TRUE(e.getMessage().StartsWith("Actual local file size (3221225472) does match "
                                              "file size in database (2048)."));
    }
}

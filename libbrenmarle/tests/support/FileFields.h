#pragma once
// Every stored field of a file: how to set it to the value it has, how to give it a value no
// new file has, and how to compare it between two files. A setter, copy or catalogue column
// wired to the wrong member shows up as a field that differs, or one that does not.

#include <functional>
#include <set>
#include <vector>

#include "files/File.h"

struct FileField {
    const char* name;
    std::function<void(Brenmarle::File&)> setSame;
    std::function<void(Brenmarle::File&)> setOther;
    std::function<bool(const Brenmarle::File&, const Brenmarle::File&)> same;
};

inline std::vector<FileField> fileFields()
{
    using Brenmarle::File;
    // clang-format off
#define FIELD(Name, get, value)                                                                    \
    FileField{#Name, [](File& f) { f.set##Name(f.get##Name()); },                                  \
              [](File& f) { f.set##Name(value); },                                                 \
              [](const File& a, const File& b) { return a.get##Name() == b.get##Name(); }}
    // clang-format on
    // Texts the catalogue could get wrong: non-ASCII, quotes, the keyword separator.
    return {
        FIELD(FileName, get, wxS("Ærøskøbing – 東京.jpg")),
        FIELD(FileSize, get, 4711),
        FIELD(ContentType, get, wxS("image/jpeg")),
        FIELD(Scanner, get, wxS("exif")),
        FIELD(ScanVersion, get, 3),
        FIELD(FileUserModified, is, true),
        FIELD(MetaUserModified, is, true),
        FIELD(FileModifyTime, get, 1000),
        FIELD(MetaModifyTime, get, 2000),
        FIELD(Favorite, is, true),
        FIELD(Caption, get, wxS("Grandma's \"birthday\" | cake")),
        FIELD(Time, get, 1078668309),
        FIELD(TimeMask, get, 7),
        FIELD(Creator, get, wxS("Creator")),
        FIELD(Source, get, wxS("Source")),
        FIELD(Copyright, get, wxS("© 2004")),
        FIELD(Sublocation, get, wxS("Harbour")),
        FIELD(City, get, wxS("Ærøskøbing")),
        FIELD(Province, get, wxS("Syddanmark")),
        FIELD(CountryCode, get, wxS("DK")),
        FIELD(ImageWidth, get, 640),
        FIELD(ImageHeight, get, 480),
        FIELD(ImageRotation, get, 270),
        FIELD(SafeStorageType, get, 2),
        FIELD(SafeStorageRevision, get, 5),
        FIELD(SafeStorageAccountId, get, wxS("acc-1")),
        FIELD(Keywords, get, (std::set<wxString>{wxS("People/Jane Doe"), wxS("Events/Party")}))};
#undef FIELD
}

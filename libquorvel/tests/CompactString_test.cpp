#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "util/CompactString.h"

using Quorvel::CompactString;

namespace {

wxString wide(std::initializer_list<uint32_t> chars)
{
    wxString text;
    for (uint32_t c : chars)
        text += static_cast<wchar_t>(c);
    return text;
}

// Texts that must survive the trip, including what is no Unicode text at all.
std::vector<wxString> samples()
{
    return {wxString(),
            "album://720096bc-200d-4e9f-ad77-2cdb863e5405/IMG_0001.jpg",
            wxString::FromUTF8("file:///home/ann/Ærø/fiskerleje ø.jpg"),
            wxString::FromUTF8("写真/猫.png"),
            wide({'a', 0x1F600, 'b'}),      // beyond the basic plane
            wide({0xD800, 'x', 0xDFFF}),    // lone surrogates
            wide({0xF7E9}),                 // invalid file name byte as wx maps it
            wide({0x110000, 0x7FFFFFFF}),   // past Unicode's end
            wide({0xFFFFFFFF, 0x80000000}), // the top of a 32-bit wchar_t
            wide({'a', 0, 'b'}),            // an embedded NUL
            wide({0x7F, 0x80, 0x7FF, 0x800, 0xFFFF, 0x10000, 0x1FFFFF, 0x200000, 0x3FFFFFF,
                  0x4000000})}; // each length's edges
}

} // namespace

TEST(CompactStringTest, GivesBackEveryTextUnchanged)
{
    for (const wxString& text : samples()) {
        const CompactString compact(text);
        EXPECT_EQ(compact.str(), text);
        EXPECT_EQ(compact.str().length(), text.length());
        EXPECT_EQ(compact.empty(), text.empty());
    }
}

TEST(CompactStringTest, KeepsUnicodeTextAsUtf8SoCatalogueBytesMakeTheSameKey)
{
    for (const char* utf8 :
         {"plain.jpg", "Ærø/fiskerleje ø.jpg", "写真/猫.png", "\xF0\x9F\x98\x80"}) {
        const wxString text = wxString::FromUTF8(utf8);
        EXPECT_EQ(CompactString(text).bytes(), utf8);
        EXPECT_EQ(CompactString::fromUtf8(utf8, strlen(utf8)), CompactString(text));
    }
    // Invalid UTF-8 (a stray continuation byte, an overlong "/") ends as wxString's decoder
    // ends it: empty.
    EXPECT_TRUE(CompactString::fromUtf8("a\x80", 2).empty());
    EXPECT_TRUE(CompactString::fromUtf8("\xC0\xAF", 2).empty());
    EXPECT_TRUE(CompactString::fromUtf8(nullptr, 0).empty());
}

TEST(CompactStringTest, SortsAsWxStringDoes)
{
    std::vector<wxString> texts = samples();
    // wxString takes wchar_t from 0x80000000 on as negative numbers; nothing decodes to them.
    texts.erase(texts.begin() + 8);
    texts.push_back("album://a/");
    texts.push_back("album://a/b.jpg");
    texts.push_back("album://ab/c.jpg");
    texts.push_back(wide({'a', 0xFF}));
    texts.push_back(wide({'a', 0x100}));
    for (const wxString& a : texts) {
        for (const wxString& b : texts) {
            EXPECT_EQ(CompactString(a) < CompactString(b), a < b) << a << " / " << b;
            EXPECT_EQ(CompactString(a) == CompactString(b), a == b);
        }
    }
}

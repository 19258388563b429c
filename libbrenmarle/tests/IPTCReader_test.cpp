#include <gtest/gtest.h>

#include <random>

#include "TestPictures.h"
#include "exif/IPTCReader.h"

using Brenmarle::IPTCData;
using Brenmarle::IPTCReader;
using TestPictures::Bytes;
using TestPictures::concat;
using TestPictures::iptcRecord;

namespace {

IPTCData parse(const Bytes& bytes)
{
    return IPTCReader::parse(bytes.data(), bytes.size());
}

Bytes fullBlock()
{
    return concat({iptcRecord(1, 90, "\x1b%G"), iptcRecord(2, 0, std::string("\0\4", 2)),
                   iptcRecord(2, 120, "Sunset over the harbour"), iptcRecord(2, 25, "sea"),
                   iptcRecord(2, 25, "evening"), iptcRecord(2, 25, "sea"),
                   iptcRecord(2, 80, "Ann Smith"), iptcRecord(2, 80, "Bob Jones"),
                   iptcRecord(2, 90, "Hamburg"),
                   iptcRecord(2, 92,
                              "Landungsbr\xc3\xbc"
                              "cken"),
                   iptcRecord(2, 95, "Hamburg State"), iptcRecord(2, 100, "DEU"),
                   iptcRecord(2, 115, "Agency"), iptcRecord(2, 116, "(c) 2005 Ann Smith")});
}

// Photoshop image resources: signature, id, Pascal name padded to even length, size, data
// padded to even length.
Bytes resource(unsigned id, const std::string& name, const Bytes& data)
{
    Bytes bytes = {'8', 'B', 'I', 'M', uint8_t(id >> 8), uint8_t(id), uint8_t(name.size())};
    bytes.insert(bytes.end(), name.begin(), name.end());
    if ((name.size() + 1) % 2)
        bytes.push_back(0);
    const auto size = uint32_t(data.size());
    bytes.insert(bytes.end(),
                 {uint8_t(size >> 24), uint8_t(size >> 16), uint8_t(size >> 8), uint8_t(size)});
    bytes.insert(bytes.end(), data.begin(), data.end());
    if (data.size() % 2)
        bytes.push_back(0);
    return bytes;
}

} // namespace

TEST(IPTCReaderFields, ReadsEveryFieldTheCatalogueKeeps)
{
    const IPTCData data = parse(fullBlock());
    EXPECT_EQ(data.caption, "Sunset over the harbour");
    EXPECT_EQ(data.keywords, (std::set<wxString>{"evening", "sea"}));
    EXPECT_EQ(data.creator, "Ann Smith; Bob Jones");
    EXPECT_EQ(data.city, "Hamburg");
    EXPECT_EQ(data.sublocation, wxString::FromUTF8("Landungsbr\xc3\xbc"
                                                   "cken"));
    EXPECT_EQ(data.province, "Hamburg State");
    EXPECT_EQ(data.countryCode, "DEU");
    EXPECT_EQ(data.source, "Agency");
    EXPECT_EQ(data.copyright, "(c) 2005 Ann Smith");
    EXPECT_FALSE(data.isEmpty());
}

TEST(IPTCReaderFields, BlanksAreTrimmedBlankFieldsStayEmptyAndOtherDatasetsAreIgnored)
{
    const IPTCData data =
        parse(concat({iptcRecord(2, 120, "  caption \r\n"), iptcRecord(2, 25, "   "),
                      iptcRecord(2, 90, ""), iptcRecord(2, 90, "Oslo")}));
    EXPECT_EQ(data.caption, "caption");
    EXPECT_TRUE(data.keywords.empty());
    EXPECT_EQ(data.city, "Oslo"); // an empty first record does not hide the real one
    EXPECT_TRUE(parse(concat({iptcRecord(1, 120, "envelope, not a caption"),
                              iptcRecord(2, 5, "object name"), iptcRecord(8, 10, "x")}))
                    .isEmpty());
}

TEST(IPTCReaderFields, AKeywordHoldingTheCatalogueSeparatorBecomesAHierarchy)
{
    const IPTCData data = parse(
        concat({iptcRecord(2, 25, "Places|Norway|Oslo"), iptcRecord(2, 25, "Places/Norway/Oslo")}));
    EXPECT_EQ(data.keywords, std::set<wxString>{"Places/Norway/Oslo"});
}

TEST(IPTCReaderFields, UndeclaredTextIsUtf8WhenValidElseLatin1AndADeclaredOtherSetIsLatin1)
{
    EXPECT_EQ(parse(iptcRecord(2, 90, "Z\xc3\xbcrich")).city, wxString::FromUTF8("Z\xc3\xbcrich"));
    EXPECT_EQ(parse(iptcRecord(2, 90, "Z\xfcrich")).city, wxString::FromUTF8("Z\xc3\xbcrich"));
    // "ESC , A" announces ISO-8859-1; the bytes would also be valid UTF-8.
    const IPTCData data =
        parse(concat({iptcRecord(1, 90, "\x1b,A"), iptcRecord(2, 90, "\xc3\xa9t\xc3\xa9")}));
    EXPECT_EQ(data.city, wxString::FromUTF8("\xc3\x83\xc2\xa9t\xc3\x83\xc2\xa9"));
}

TEST(IPTCReaderResources, FindsTheIptcResourceAmongOthers)
{
    const Bytes records = fullBlock();
    const Bytes resources =
        concat({resource(0x03ed, "", Bytes(15, 1)), resource(0x0404, "IPTC", records)});
    const IPTCData bare = IPTCReader::parse(resources.data(), resources.size());
    EXPECT_EQ(bare.caption, "Sunset over the harbour");
    const Bytes app13 = concat(
        {Bytes{'P', 'h', 'o', 't', 'o', 's', 'h', 'o', 'p', ' ', '3', '.', '0', 0}, resources});
    EXPECT_EQ(parse(app13).copyright, "(c) 2005 Ann Smith");
    EXPECT_TRUE(parse(resource(0x03ed, "", Bytes(16, 1))).isEmpty());
}

TEST(IPTCReaderResources, AResourceSizeBeyondTheEndStops)
{
    Bytes resources = resource(0x0404, "", fullBlock());
    resources[8] = 0x7f; // the size's high byte
    EXPECT_TRUE(parse(resources).isEmpty());
}

TEST(IPTCReaderHostile, EveryTruncationKeepsOnlyWholeRecords)
{
    const Bytes block = fullBlock();
    for (size_t length = 0; length <= block.size(); ++length) {
        const IPTCData data = IPTCReader::parse(block.data(), length);
        EXPECT_TRUE(data.caption.empty() || data.caption == "Sunset over the harbour") << length;
        EXPECT_TRUE(data.copyright.empty() || data.copyright == "(c) 2005 Ann Smith") << length;
        for (const wxString& keyword : data.keywords)
            EXPECT_TRUE(keyword == "sea" || keyword == "evening") << length;
    }
    EXPECT_EQ(IPTCReader::parse(block.data(), block.size() - 1).copyright, "");
    EXPECT_TRUE(IPTCReader::parse(nullptr, 100).isEmpty());
}

TEST(IPTCReaderHostile, ALengthPastTheEndStopsButKeepsEarlierRecords)
{
    Bytes block = concat({iptcRecord(2, 90, "Oslo"), iptcRecord(2, 120, "caption")});
    block[9 + 3] = 0x7f; // the second record claims 32 KB
    const IPTCData data = parse(block);
    EXPECT_EQ(data.city, "Oslo");
    EXPECT_TRUE(data.caption.empty());
}

TEST(IPTCReaderHostile, ExtendedLengthsAreCheckedToo)
{
    const std::string text = "long caption";
    Bytes good = {0x1c, 2, 120, 0x80, 0x04, 0, 0, 0, uint8_t(text.size())};
    good.insert(good.end(), text.begin(), text.end());
    EXPECT_EQ(parse(good).caption, text);

    for (uint8_t lengthBytes : {0, 5, 0x7f}) {
        Bytes bad = good;
        bad[4] = lengthBytes;
        EXPECT_TRUE(parse(bad).caption.empty()) << int(lengthBytes);
    }
    Bytes tooLong = good;
    tooLong[5] = 0xff; // four gigabytes
    EXPECT_TRUE(parse(tooLong).caption.empty());
}

TEST(IPTCReaderHostile, CountsAndSizesAreCapped)
{
    Bytes many;
    for (int i = 0; i < 3000; ++i) {
        const Bytes record = iptcRecord(2, 25, "k" + std::to_string(i));
        many.insert(many.end(), record.begin(), record.end());
    }
    EXPECT_EQ(parse(many).keywords.size(), IPTCReader::MAX_KEYWORDS);
    EXPECT_EQ(parse(iptcRecord(2, 120, std::string(20000, 'x'))).caption.length(),
              IPTCReader::MAX_TEXT_LENGTH);
}

TEST(IPTCReaderHostile, RandomDamageIsSurvived)
{
    const Bytes original = concat({resource(0x0404, "", fullBlock())});
    std::mt19937 random(116);
    for (int round = 0; round < 5000; ++round) {
        Bytes block = original;
        const int flips = 1 + int(random() % 6);
        for (int i = 0; i < flips; ++i)
            block[random() % block.size()] = uint8_t(random());
        const IPTCData data = parse(block);
        EXPECT_LE(data.keywords.size(), block.size() / 5);
        EXPECT_LE(data.caption.length(), block.size());
    }
}

#include <gtest/gtest.h>

#include <string>

#include <wx/filefn.h>

#include "ScopedGermanLocale.h"
#include "ScratchDir.h"
#include "system/ConfigFile.h"
#include "system/Exceptions.h"
#include "util/MLString.h"
#include "util/XMLDocument.h"
#include "util/XMLStreamReader.h"

using Quorvel::MLString;
using Quorvel::XMLDocument;
using Quorvel::XMLException;
using Quorvel::XMLNode;

namespace {

XMLDocument parse(const std::string& text)
{
    return XMLDocument::parse(text, "broken");
}

} // namespace

// ---- Reading
// --------------------------------------------------------------------------------------

TEST(XMLNode, NumbersReadAsTheyAreWrittenOrAsZero)
{
    const XMLDocument document = parse("<r><a> 12.5 </a><b>+7</b><c>1e3</c><d>12,5</d>"
                                       "<e>abc</e><f>nan</f><g>inf</g><h>1e999</h><i></i>"
                                       "<j>99999999999</j><k>12.0</k><l>-3</l></r>");
    const XMLNode root = document.getRoot();
    EXPECT_EQ(root.child("a").getDouble(), 12.5);
    EXPECT_EQ(root.child("b").getDouble(), 7);
    EXPECT_EQ(root.child("c").getDouble(), 1000);
    // Nothing that is not a plain finite number reads as anything but 0.
    for (const char* name : {"d", "e", "f", "g", "h", "i"})
        EXPECT_EQ(root.child(name).getDouble(), 0) << name;
    EXPECT_EQ(root.child("b").getLong(), 7);
    EXPECT_EQ(root.child("l").getInt(), -3);
    EXPECT_EQ(root.child("j").getLong(), 99999999999);
    // Out of the range of int, or not an integer at all.
    EXPECT_EQ(root.child("j").getInt(), 0);
    EXPECT_EQ(root.child("k").getInt(), 0);
    EXPECT_EQ(root.child("missing").getInt(), 0);
}

TEST(XMLNode, NumbersIgnoreADecimalCommaLocale)
{
    ScopedGermanLocale german;
    ASSERT_TRUE(german.isActive()) << "no German locale (install the locales package)";
    const XMLDocument document = parse("<r><a>12.5</a><b>12,5</b></r>");
    EXPECT_EQ(document.getRoot().child("a").getDouble(), 12.5);
    EXPECT_EQ(document.getRoot().child("b").getDouble(), 0);
    XMLDocument written("r");
    written.getRoot().addDouble("x", 0.1);
    EXPECT_NE(written.toString().find("<x>0.1</x>"), std::string::npos);
}

TEST(XMLNode, BoolsAndCharacters)
{
    const XMLDocument document =
        parse("<r><t>true</t><u>TRUE</u><y>yes</y><c>d</c><cc>dd</cc><e/><u8>\xC3\xA4</u8></r>");
    const XMLNode root = document.getRoot();
    EXPECT_TRUE(root.child("t").getBool());
    EXPECT_FALSE(root.child("u").getBool());
    EXPECT_FALSE(root.child("y").getBool());
    EXPECT_EQ(root.child("c").getChar(), wxUniChar('d'));
    EXPECT_EQ(root.child("cc").getChar(), wxUniChar(0));
    EXPECT_EQ(root.child("e").getChar(), wxUniChar(0));
    EXPECT_EQ(root.child("u8").getChar(), wxUniChar(0xE4));
}

TEST(XMLNode, ChildrenSkipTextAndComments)
{
    const XMLDocument document = parse("<r>text<!-- c --><a/>more<b x=\"1\"/><?pi x?></r>");
    XMLNode child = document.getRoot().firstChild();
    ASSERT_TRUE(child.is("a"));
    child = child.next();
    ASSERT_TRUE(child.is("b"));
    EXPECT_EQ(child.getAttribute("x"), "1");
    EXPECT_TRUE(child.hasAttribute("x"));
    EXPECT_FALSE(child.hasAttribute("y"));
    EXPECT_FALSE(child.next());
}

// ---- Hostile and broken input
// --------------------------------------------------------------------

TEST(XMLDocument, RefusesWhatIsNotAPlainDocument)
{
    const std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY a \"aaaa\">"
                               "<!ENTITY b \"&a;&a;&a;&a;\">]><r>&b;</r>";
    const std::string external = "<?xml version=\"1.0\"?><!DOCTYPE r SYSTEM "
                                 "\"file:///etc/passwd\"><r/>";
    for (const std::string& text :
         {std::string(), std::string("<r>"), std::string("<r></s>"), std::string("plain text"),
          laughs, external, std::string("<r/><r/>")}) {
        try {
            parse(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const XMLException& e) {
            EXPECT_EQ(e.getMessage(), "broken");
            EXPECT_EQ(e.getCode(), "System.XMLError");
        }
    }
}

TEST(XMLDocument, TruncatedDocumentsAreRefusedAtEveryLength)
{
    XMLDocument document("order");
    document.getRoot().addText("uuid", "abc");
    document.getRoot().addChild("parts").addText("part", "x & y");
    const std::string whole = document.toString();
    EXPECT_NO_THROW(parse(whole));
    // Every cut before the root closes is refused; none crashes.
    const size_t rootEnd = whole.rfind("</order>");
    for (size_t length = 0; length < rootEnd; ++length)
        EXPECT_THROW(parse(whole.substr(0, length)), XMLException) << length;
}

TEST(XMLDocument, OversizedInputIsRefusedBeforeParsing)
{
    std::string huge = "<r>";
    huge.append(XMLDocument::MAX_BYTES, 'x');
    huge += "</r>";
    EXPECT_THROW(parse(huge), XMLException);

    ScratchDir dir;
    dir.writeFile("big.xml", huge);
    EXPECT_THROW(XMLDocument::load(dir / "big.xml", "broken"), XMLException);
}

TEST(XMLDocument, SavedFileReadsBackWithItsEscapedText)
{
    ScratchDir dir;
    XMLDocument document("r");
    document.getRoot().addText("t", "<&> \xC3\xA4 \"q\"");
    document.save(dir / "doc.xml", false);
    const XMLDocument loaded = XMLDocument::load(dir / "doc.xml", "broken");
    EXPECT_EQ(loaded.getRoot().child("t").getText(), wxString::FromUTF8("<&> \xC3\xA4 \"q\""));
    EXPECT_THROW(XMLDocument::load(dir / "missing.xml", "broken"), Quorvel::FileNotFoundException);
}

TEST(XMLDocument, LoadHonoursTheDeclaredEncoding)
{
    ScratchDir dir;
    dir.writeFile("latin1.xml", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>\xE4</r>");
    EXPECT_EQ(XMLDocument::load(dir / "latin1.xml", "broken").getRoot().getText(),
              wxString(wxUniChar(0xE4)));
}

// ---- MLString -----------------------------------------------------------------------------------

TEST(MLString, TranslationForLocaleThenLanguageThenDefault)
{
    MLString text("Prints");
    text.setTranslation("de", "Abz\xC3\xBCge");
    text.setTranslation("fr_CA", "Tirages CA");
    text.setTranslation("", "ignored");
    EXPECT_EQ(text.get("de_AT"), wxString::FromUTF8("Abz\xC3\xBCge"));
    EXPECT_EQ(text.get("fr_CA"), "Tirages CA");
    EXPECT_EQ(text.get("fr_FR"), "Prints");
    EXPECT_EQ(text.get(""), "Prints");
    EXPECT_EQ(text.getTranslations().size(), 2u);

    Quorvel::ConfigFile::setLocaleName("de_DE");
    EXPECT_EQ(text.get(), wxString::FromUTF8("Abz\xC3\xBCge"));
    Quorvel::ConfigFile::setLocaleName(wxString());
}

TEST(MLString, RoundTripKeepsDefaultAndTranslations)
{
    MLString text("Photo book");
    text.setTranslation("nb_NO", "Fotobok");
    text.setTranslation("de", "Fotobuch");
    XMLDocument document("name");
    text.writeXML(document.getRoot());
    MLString read;
    read.readXML(parse(document.toString()).getRoot());
    EXPECT_EQ(read, text);
}

// ---- Streaming
// ------------------------------------------------------------------------------------

namespace {

struct Streamed {
    std::vector<wxString> fields;
    std::vector<wxString> items;
};

Streamed stream(Quorvel::XMLStreamReader reader)
{
    Streamed seen;
    reader.read(
        "list", {"items"}, [&](const XMLNode& field) { seen.fields.push_back(field.getName()); },
        [&](const std::string& list, const XMLNode& item) {
            seen.items.push_back(wxString(list) + ":" + item.child("v").getText());
        });
    return seen;
}

Streamed streamText(const std::string& text)
{
    return stream(Quorvel::XMLStreamReader::fromText(text, "broken"));
}

} // namespace

TEST(XMLStreamReader, HandsOverFieldsWholeAndListItemsOneByOne)
{
    const Streamed seen = streamText("<list><a><deep><x/></deep></a><items><i><v>1</v></i>"
                                     "<!-- c --><i><v>2</v></i></items><b/><items/>"
                                     "<items><i><v>3</v></i></items></list>");
    EXPECT_EQ(seen.fields, (std::vector<wxString>{"a", "b"}));
    EXPECT_EQ(seen.items, (std::vector<wxString>{"items:1", "items:2", "items:3"}));
}

TEST(XMLStreamReader, RefusesWhatADocumentRefusesAndAWrongRoot)
{
    for (const std::string& text :
         {std::string(), std::string("<other/>"), std::string("<list/><list/>"),
          std::string("<!DOCTYPE list [<!ENTITY a \"b\">]><list>&a;</list>"),
          std::string("<list><items><i><v>1</v></i></items>"),
          std::string("<list>&undefined;</list>")})
        EXPECT_THROW(streamText(text), XMLException) << text;
}

TEST(XMLStreamReader, TruncatedDocumentsAreRefusedAtEveryLength)
{
    const std::string whole =
        "<?xml version=\"1.0\"?>\n<list><a>x</a><items><i><v>1</v></i><i><v>2</v></i></items>"
        "<b>y</b></list>";
    EXPECT_EQ(streamText(whole).items.size(), 2u);
    const size_t rootEnd = whole.rfind("</list>");
    for (size_t length = 0; length < rootEnd; ++length)
        EXPECT_THROW(streamText(whole.substr(0, length)), XMLException) << length;
}

TEST(XMLStreamReader, FilesAreBoundedAndMustExist)
{
    ScratchDir dir;
    dir.writeFile("ok.xml", "<list><items><i><v>7</v></i></items></list>");
    EXPECT_EQ(stream(Quorvel::XMLStreamReader::fromFile(dir / "ok.xml", "broken")).items.at(0),
              "items:7");
    EXPECT_THROW(Quorvel::XMLStreamReader::fromFile(dir / "none.xml", "broken"),
                 Quorvel::FileNotFoundException);
    std::string huge = "<list>";
    huge.append(XMLDocument::MAX_BYTES, ' ');
    dir.writeFile("huge.xml", huge + "</list>");
    EXPECT_THROW(Quorvel::XMLStreamReader::fromFile(dir / "huge.xml", "broken"), XMLException);
}

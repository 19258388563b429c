#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <wx/filename.h>

#include "PricelistBuilder.h"
#include "ScratchDir.h"
#include "templates/DownloadTemplateTask.h"
#include "templates/TemplateArchive.h"
#include "templates/TemplateList.h"
#include "util/XMLDocument.h"

using Brenmarle::Template;
using Brenmarle::TemplateList;
using Category = Brenmarle::TemplateList::Category;

namespace {

std::shared_ptr<const Brenmarle::Pricelist> pricelist()
{
    auto list = std::make_shared<Brenmarle::Pricelist>();
    list->currencyFormatString = "EUR %0.2f";
    list->addProduct(makeProduct("calendar-a3", {{1, "24.90", 1}, {10, "19.90", 1}}));
    list->addProduct(makeProduct("card-a6", {{1, "-1"}, {1, "1.20"}, {25, "0.95"}}));
    list->addProduct(makeProduct("booklet-a5", {{1, "-1"}}));
    return list;
}

std::string templateXml(const std::string& uuid, const std::string& type,
                        const std::string& product, const std::string& category, int parts = 1,
                        const std::string& more = std::string())
{
    return "<template><uuid>" + uuid + "</uuid><version>3</version><name>" + uuid +
           "</name><product>" + product + "</product><type>" + type + "</type><category>" +
           category + "</category><partcount>" + std::to_string(parts) + "</partcount>" + more +
           "</template>";
}

std::vector<wxString> labels(const std::vector<Category>& categories)
{
    std::vector<wxString> result;
    for (const Category& category : categories)
        result.push_back(category.label);
    return result;
}

std::vector<wxString> uuids(const std::vector<const Template*>& templates)
{
    std::vector<wxString> result;
    for (const Template* t : templates)
        result.push_back(t->uuid);
    return result;
}

Template ofKind(int kind, int parts = 0)
{
    Template t;
    t.kind = kind;
    t.partCount = parts;
    return t;
}

} // namespace

TEST(TemplateList, FreshForThreeDaysAfterTheDownloadAndNeverFromTheFuture)
{
    const std::time_t now = 1800000000;
    EXPECT_TRUE(TemplateList::isFresh(true, now - 1, now));
    EXPECT_TRUE(TemplateList::isFresh(true, now - 259199, now));
    EXPECT_FALSE(TemplateList::isFresh(true, now - 259200, now));
    EXPECT_FALSE(TemplateList::isFresh(true, now + 10, now));
    EXPECT_FALSE(TemplateList::isFresh(true, now, now));
    EXPECT_FALSE(TemplateList::isFresh(false, now - 1, now));
}

TEST(TemplateList, CategoryLabels)
{
    EXPECT_EQ(ofKind(Template::KIND_CALENDAR, 12).categoryLabel("ANY"), "12 Page Calendars");
    EXPECT_EQ(ofKind(Template::KIND_BOOKLET).categoryLabel("CHRISTMASCARDS"), "Photo Booklets");
    EXPECT_EQ(ofKind(Template::KIND_CARD).categoryLabel("CHRISTMASCARDS"), "Christmas Cards");
    EXPECT_EQ(ofKind(Template::KIND_CARD).categoryLabel("CONFIRMATION"), "Confirmation Cards");
    EXPECT_EQ(ofKind(Template::KIND_CARD).categoryLabel("MISC"), "Misc. Cards");
    EXPECT_EQ(ofKind(Template::KIND_CARD).categoryLabel("SUMMER"), "Cards (SUMMER)");
    EXPECT_EQ(ofKind(Template::KIND_UNKNOWN).categoryLabel("CHRISTMASCARDS"), "Unknown Category");
    EXPECT_EQ(Template::kindOf("SIMPLEBOOK"), 50);
    EXPECT_EQ(Template::kindOf("CALENDAR"), 1);
    EXPECT_EQ(Template::kindOf("CARD"), 2);
    EXPECT_EQ(Template::kindOf("card"), 0);
}

TEST(TemplateList, TemplatesOfProductsThePricelistLacksOrOfUnusableUuidsAreDropped)
{
    const std::string xml =
        "<templatelist>" + templateXml("cal-12", "CALENDAR", "calendar-a3", "FAMILY", 12) +
        templateXml("mug", "CARD", "mug-white", "MISC") +
        templateXml("nothing", "CARD", "", "MISC") +
        templateXml("../evil", "CARD", "card-a6", "MISC") +
        templateXml("xmas", "CARD", "card-a6", "CHRISTMASCARDS") + "</templatelist>";
    const TemplateList list = TemplateList::fromXML(xml, pricelist());
    std::vector<wxString> kept;
    for (const Template& t : list.getTemplates())
        kept.push_back(t.uuid);
    EXPECT_EQ(kept, (std::vector<wxString>{"cal-12", "xmas"}));
}

TEST(TemplateList, ReadsEveryField)
{
    const std::string xml = R"(<templatelist><template>
        <uuid>t-1</uuid><version>7</version>
        <name> Summer days <translated lang="de-DE">Sommertage</translated>
              <translated lang="nb">Sommerdager</translated></name>
        <product>card-a6</product>
        <dimensions><size><width>148</width><height>105</height></size>
                    <size><width>210</width><height>148.5</height></size></dimensions>
        <category>SUMMER</category>
        <extracategories><category>INVITATIONS</category><category>MISC</category></extracategories>
        <type>CARD</type><partcount>2</partcount><previewimage>img/preview.png</previewimage>
        <packages><small>t-1-small.zip</small><full>http://x.example/t-1.zip</full></packages>
        <unknown>ignored</unknown></template></templatelist>)";
    const TemplateList list = TemplateList::fromXML(xml, pricelist());
    ASSERT_EQ(list.getTemplates().size(), 1u);
    const Template& t = list.getTemplates()[0];
    EXPECT_EQ(t.version, 7);
    EXPECT_EQ(t.name.getDefault(), "Summer days");
    EXPECT_EQ(t.name.get("de_DE"), "Sommertage");
    EXPECT_EQ(t.name.get("nb_NO"), "Sommerdager");
    EXPECT_EQ(t.name.get("fr_FR"), "Summer days");
    EXPECT_EQ(t.sizes, (std::vector<Template::Size>{{148, 105}, {210, 148.5}}));
    EXPECT_EQ(t.extraCategories, (std::vector<wxString>{"INVITATIONS", "MISC"}));
    EXPECT_EQ(t.kind, Template::KIND_CARD);
    EXPECT_EQ(t.partCount, 2);
    EXPECT_EQ(t.previewImage, "img/preview.png");
    EXPECT_EQ(t.smallPackage, "t-1-small.zip");
    EXPECT_EQ(t.fullPackage, "http://x.example/t-1.zip");
    EXPECT_EQ(t.folderName(), "t-1-7");
    EXPECT_EQ(t.sizesText(), "Available in sizes: 148 x 105 mm, 210 x 148.5 mm");
    // The lowest price of a row that has one, whatever its quantity or type.
    EXPECT_EQ(t.priceText(list.getPricelist()), "Prices from EUR 0.95");
}

TEST(TemplateList, APricelessProductShowsNoPrice)
{
    const TemplateList list = TemplateList::fromXML(
        "<l>" + templateXml("b", "SIMPLEBOOK", "booklet-a5", "X") + "</l>", pricelist());
    ASSERT_EQ(list.getTemplates().size(), 1u);
    EXPECT_EQ(list.getTemplates()[0].priceText(list.getPricelist()), "");
    EXPECT_EQ(list.getTemplates()[0].sizesText(), "");
}

TEST(TemplateList, CategoriesGroupCalendarsByLengthAndCardsByCategory)
{
    const std::string xml =
        "<templatelist><defaultcardcategory>CHRISTMASCARDS</defaultcardcategory>" +
        templateXml("cal-13", "CALENDAR", "calendar-a3", "A", 13) +
        templateXml("summer", "CARD", "card-a6", "SUMMER", 1,
                    "<extracategories><category>INVITATIONS</category></extracategories>") +
        templateXml("cal-12", "CALENDAR", "calendar-a3", "B", 12) +
        templateXml("odd", "POSTER", "card-a6", "X") +
        templateXml("book", "SIMPLEBOOK", "booklet-a5", "X") +
        templateXml("xmas", "CARD", "card-a6", "CHRISTMASCARDS") + "</templatelist>";
    const TemplateList list = TemplateList::fromXML(xml, pricelist());
    EXPECT_EQ(list.getDefaultCardCategory(), "CHRISTMASCARDS");
    const std::vector<Category> categories = list.getCategories();
    EXPECT_EQ(labels(categories),
              (std::vector<wxString>{"All Calendars", "12 Page Calendars", "13 Page Calendars",
                                     "All Cards", "Christmas Cards", "Cards (SUMMER)",
                                     "Invitations", "Photo Booklets", "Unknown Category"}));
    EXPECT_EQ(uuids(list.templatesIn(categories[0])), (std::vector<wxString>{"cal-13", "cal-12"}));
    EXPECT_EQ(uuids(list.templatesIn(categories[1])), (std::vector<wxString>{"cal-12"}));
    EXPECT_EQ(uuids(list.templatesIn(categories[3])), (std::vector<wxString>{"summer", "xmas"}));
    // An extra category puts a card in that group too.
    EXPECT_EQ(uuids(list.templatesIn(categories[6])), (std::vector<wxString>{"summer"}));
    EXPECT_EQ(uuids(list.templatesIn(categories[8])), (std::vector<wxString>{"odd"}));
}

TEST(TemplateList, WhatIsNoListIsAnError)
{
    try {
        TemplateList::fromXML("<templatelist><template>", pricelist());
        ADD_FAILURE() << "a cut document was read";
    } catch (const Quorvel::XMLException& e) {
        EXPECT_EQ(e.getMessage(), "Error loading templatelist.xml");
    }
    ScratchDir dir;
    EXPECT_THROW(TemplateList::load(dir / "missing.xml", pricelist()), Quorvel::IOException);
}

TEST(Template, NamesOfFoldersAndPathsInsideThem)
{
    EXPECT_TRUE(Template::isSafeName("6f1c2b8e-0000-4000-8000-000000000001"));
    EXPECT_TRUE(Template::isSafeName("calendar_2027"));
    for (const wxString& name :
         std::vector<wxString>{"", "-x", "_x", ".x", "..", "a/b", "a\\b", "a b", "a.b",
                               wxString(65, 'a'), wxString::FromUTF8("\xC3\xA4")})
        EXPECT_FALSE(Template::isSafeName(name)) << name;
    EXPECT_TRUE(Template::isInsideFolder("preview.png"));
    EXPECT_TRUE(Template::isInsideFolder("img/preview.png"));
    for (const wxString path :
         {"", "/etc/passwd", "../preview.png", "img/../../x", "img\\x.png", "./x", "img//x"})
        EXPECT_FALSE(Template::isInsideFolder(path)) << path;
}

TEST(DownloadTemplateTask, PackageAddressesAreRelativeToTheList)
{
    using Brenmarle::DownloadTemplateTask;
    const wxString list = "http://shop.example:8080/files/templatelist.xml?v=2";
    EXPECT_EQ(DownloadTemplateTask::resolve("templates/a.zip", list),
              "http://shop.example:8080/files/templates/a.zip");
    EXPECT_EQ(DownloadTemplateTask::resolve("/pkg/a.zip", list),
              "http://shop.example:8080/pkg/a.zip");
    EXPECT_EQ(DownloadTemplateTask::resolve("https://cdn.example/a.zip", list),
              "https://cdn.example/a.zip");
    EXPECT_EQ(DownloadTemplateTask::resolve("a.zip", "http://shop.example"),
              "http://shop.example/a.zip");
    EXPECT_EQ(DownloadTemplateTask::resolve("a.zip", ""), "");
    EXPECT_EQ(DownloadTemplateTask::resolve("", list), "");
}

// The example shop the provider serves out of the box: every template names a product of its
// price list, and every package unpacks with its preview picture where the list says.
TEST(TemplateList, TheExampleShopsTemplatesAllShowAndUnpack)
{
    const wxString source = VISTRELLE_PROVIDER_SOURCE_DIR "/";
    const TemplateList list = TemplateList::load(
        source + "files/templatelist.xml", Brenmarle::Pricelist::load(source + "pricelist.xml"));
    ASSERT_EQ(list.getTemplates().size(), 5u);
    const std::vector<wxString> expected = {
        "All Calendars",   "12 Page Calendars", "13 Page Calendars", "All Cards",
        "Christmas Cards", "Invitations",       "Cards (SUMMER)",    "Photo Booklets"};
    EXPECT_EQ(labels(list.getCategories()), expected);
    ScratchDir dir;
    for (const Template& t : list.getTemplates()) {
        SCOPED_TRACE(t.uuid);
        EXPECT_FALSE(t.priceText(list.getPricelist()).empty());
        EXPECT_FALSE(t.sizesText().empty());
        const wxString zip = Brenmarle::DownloadTemplateTask::resolve(
            t.smallPackage, "file://" + source + "files/templatelist.xml");
        ASSERT_TRUE(zip.StartsWith("file://"));
        const wxString folder = dir / t.folderName();
        ASSERT_TRUE(wxFileName::Mkdir(folder, 0755));
        Brenmarle::TemplateArchive::unpack(zip.Mid(7), folder, {});
        EXPECT_TRUE(Template::isInsideFolder(t.previewImage));
        EXPECT_TRUE(wxFileExists(folder + "/" + t.previewImage));
    }
}

#include <gtest/gtest.h>

#include "PricelistCheck.h"
#include "ProviderConfig.h"

using Provider::ConfigError;
using Provider::PricelistCheck;
using Provider::ProviderConfig;

namespace {

std::string errorOf(const std::string& text)
{
    try {
        ProviderConfig::parse(text, ".");
    } catch (const ConfigError& e) {
        return e.what();
    }
    return "nothing thrown";
}

} // namespace

TEST(ProviderConfig, ReadsSectionsListsAndRepeatedKeys)
{
    const ProviderConfig config =
        ProviderConfig::parse("# comment\n"
                              "[provider]\n  name =  My shop  \nsmsprice = 2.5\n"
                              "; another comment\n"
                              "[directory /]\nportal = a | A | Here\nportal = b|B|There\n"
                              "redirect = /x | other.example\n"
                              "[portal a]\naccount = a@example.com | p=w\n",
                              "/etc/shop");
    EXPECT_EQ(config.name, "My shop");
    EXPECT_DOUBLE_EQ(config.smsPrice, 2.5);
    const auto& root = config.directories.at("/");
    ASSERT_EQ(root.portals.size(), 2u);
    EXPECT_EQ(root.portals[1].path, "b");
    EXPECT_EQ(root.portals[1].location, "There");
    EXPECT_EQ(root.redirectHost, "other.example");
    // Only the first "=" ends the key.
    ASSERT_EQ(config.findPortal("a")->accounts.size(), 1u);
    EXPECT_EQ(config.findPortal("a")->accounts[0].password, "p=w");
    // Without a [portal] section of its own, the defaults' portal is gone too.
    EXPECT_EQ(config.findPortal("demo"), nullptr);
}

TEST(ProviderConfig, MalformedLinesNameTheirLine)
{
    EXPECT_EQ(errorOf("[provider\nname = x\n"), "line 1: section without closing bracket");
    EXPECT_EQ(errorOf("name = x\n"), "line 1: expected \"key = value\" inside a section");
    EXPECT_EQ(errorOf("[provider]\n\njust words\n"),
              "line 3: expected \"key = value\" inside a section");
    EXPECT_EQ(errorOf("[shop x]\n"), "line 1: unknown section [shop x]");
    EXPECT_EQ(errorOf("[portal]\n"), "line 1: section [portal] needs a name");
    for (const std::string& id :
         std::vector<std::string>{"../x", "a.b", "-a", "a-", "a b", "a/b", std::string(64, 'a')})
        EXPECT_EQ(errorOf("[portal " + id + "]\n"),
                  "line 1: a portal id is one host name label (letters, digits and inner "
                  "hyphens, at most 63): " +
                      id);
    EXPECT_EQ(errorOf("[portal " + std::string(63, 'a') + "]\n[portal x-1]\n"), "nothing thrown");
    EXPECT_EQ(errorOf("[provider]\nsmsprice = 2,5\n"), "line 2: not a number: 2,5");
    EXPECT_EQ(errorOf("[directory /]\nportal = a | A\n"),
              "line 2: unknown key or wrong number of fields: portal");
    for (const std::string key : {"sessionidle", "tokenlifetime", "paymenthold"})
        for (const std::string seconds : {"0", "-5", "1.5", "1e12", "soon"})
            EXPECT_NE(errorOf("[provider]\n" + key + " = " + seconds + "\n"), "nothing thrown")
                << key << " = " << seconds;
    const auto times =
        ProviderConfig::parse("[provider]\nsessionidle = 90\ntokenlifetime = 120\n", ".");
    EXPECT_EQ(times.sessionIdleSeconds, 90);
    EXPECT_EQ(times.tokenLifetimeSeconds, 120);

    // The payment host is handed to programs as part of "host:port": a host name only.
    for (const std::string host : {"pay.example.com:443", "https://pay.example.com", "pay example",
                                   "-pay.example", "pay..example", "pay/x"})
        EXPECT_EQ(errorOf("[provider]\npaymenthost = " + host + "\n"),
                  "line 2: not a host name: " + host);
    const auto payment = ProviderConfig::parse(
        "[provider]\npaymenthost = pay.example.com\nmerchantid = shop-1\npaymenthold = 60\n", ".");
    EXPECT_EQ(payment.paymentHost, "pay.example.com");
    EXPECT_EQ(payment.merchantId, "shop-1");
    EXPECT_EQ(payment.paymentHoldSeconds, 60);
}

TEST(ProviderConfig, MissingFilesAreConfigErrors)
{
    EXPECT_THROW(ProviderConfig::load("/nonexistent/provider.conf"), ConfigError);
    EXPECT_THROW(ProviderConfig().readFile("/nonexistent/pricelist.xml"), ConfigError);
}

TEST(ProviderConfig, ExampleConfigurationIsValid)
{
    const auto config = ProviderConfig::load(PROVIDER_SOURCE_DIR "/provider.conf.example");
    EXPECT_EQ(config.name, "My photo shop");
    EXPECT_EQ(config.sessionIdleSeconds, 3600);
    EXPECT_EQ(config.newsResources.size(), 1u);
    ASSERT_NE(config.findPortal("myshop"), nullptr);
    // The shop's price list ships beside it, under the uuid the configuration gives it.
    const std::string pricelist = config.readFile(config.findPortal("myshop")->priceListFile);
    ASSERT_EQ(config.priceLists.count("standard"), 1u);
    EXPECT_NE(pricelist.find("<uuid>" + config.priceLists.at("standard").uuid + "</uuid>"),
              std::string::npos);
    EXPECT_EQ(config.readFile(config.priceLists.at("standard").file), pricelist);
    // Its fault rules are examples only, left commented out.
    EXPECT_TRUE(config.faultRules.empty());
    // The example template list and its packages ship in a folder beside it.
    EXPECT_EQ(config.filesDir, PROVIDER_SOURCE_DIR "/files");
    EXPECT_NE(config.readFile("files/templatelist.xml").find("<templatelist>"), std::string::npos);
}

TEST(ProviderConfig, FaultsSectionHoldsRules)
{
    const auto config = ProviderConfig::parse(
        "[faults]\nrule = portal/* | delay 5 | 2\nrule = GET /files/* | wrong-md5\n", ".");
    ASSERT_EQ(config.faultRules.size(), 2u);
    EXPECT_EQ(config.faultRules[0].times, 2u);
    EXPECT_EQ(errorOf("[faults]\nrule = portal/* | truncate 5\n"),
              "line 2: truncate 5 applies to GETs of files, not to SOAP calls");
    EXPECT_EQ(errorOf("[faults]\nfault = portal/* | close\n"), "line 2: unknown key fault");
}

TEST(PricelistCheck, TheExampleShopPassesAndAListNoClientCouldUseIsRefusedWithItsReason)
{
    EXPECT_NO_THROW(PricelistCheck::checkAll(
        ProviderConfig::load(PROVIDER_SOURCE_DIR "/provider.conf.example")));

    const auto reason = [](const std::string& xml) -> std::string {
        try {
            PricelistCheck::check("shop.xml", xml);
        } catch (const ConfigError& e) {
            return e.what();
        }
        return "accepted";
    };
    EXPECT_EQ(reason("<pricelist><products/></pricelist>"), "accepted");
    EXPECT_EQ(reason("<html><body>price list</body></html>"),
              "price list shop.xml: Could not initialize price list from XML document");
    // Its only row marks the product as having no price: every order of it would fail.
    EXPECT_EQ(reason("<pricelist><products><product><uuid>p1</uuid><productprices><productprice>"
                     "<quantity>1</quantity><price>-1</price></productprice></productprices>"
                     "</product></products></pricelist>"),
              "price list shop.xml: one copy of product p1 cannot be priced");
    EXPECT_EQ(reason("<pricelist><products><product><uuid>p1</uuid></product></products>"
                     "</pricelist>"),
              "price list shop.xml: one copy of product p1 cannot be priced");
    EXPECT_EQ(reason("<pricelist><defaultproduct>gone</defaultproduct></pricelist>"),
              "price list shop.xml: the default product is not in the list: gone");
    EXPECT_EQ(reason("<pricelist><currencyformatstring>%s EUR</currencyformatstring>"
                     "</pricelist>"),
              "price list shop.xml: the currency format needs exactly one %f conversion: %s EUR");
}

TEST(ProviderConfig, PluginsAndLatestVersion)
{
    const ProviderConfig config = ProviderConfig::parse(
        "[provider]\nlatestversion = 2.4.17\ndownloadpage = https://example.com/get\n"
        "[plugin org.example.frames]\nlist = requpdate\nversion = 1.10.2\n"
        "repository = http://plugins.example/\ntitle = Frames\nbody = Twelve new frames\n"
        "portals = a | | b\n"
        "[plugin org.example.books]\nversion = 3\n",
        ".");
    EXPECT_EQ(config.latestVersion, "2.4.17");
    EXPECT_EQ(config.downloadPage, "https://example.com/get");
    ASSERT_EQ(config.plugins.size(), 2u);
    const auto& frames = config.plugins.at("org.example.frames");
    EXPECT_EQ(frames.packageId, "org.example.frames");
    EXPECT_EQ(frames.list, ProviderConfig::Plugin::RequiredUpdate);
    EXPECT_EQ(frames.version, "1.10.2");
    EXPECT_EQ(frames.repository, "http://plugins.example/");
    EXPECT_EQ(frames.title, "Frames");
    EXPECT_EQ(frames.body, "Twelve new frames");
    EXPECT_EQ(frames.portals, (std::vector<std::string>{"a", "b"}));
    // Recommended for installation unless told otherwise, to every program.
    EXPECT_EQ(config.plugins.at("org.example.books").list,
              ProviderConfig::Plugin::RecommendedInstall);
    EXPECT_TRUE(config.plugins.at("org.example.books").portals.empty());

    EXPECT_EQ(errorOf("[plugin x]\nlist = install\nversion = 1\n"),
              "line 2: list is recinstall, recupdate or requpdate: install");
    EXPECT_EQ(errorOf("[plugin x]\nlist = recupdate\n"), "plug-in x needs a version");
    for (const std::string& version :
         std::vector<std::string>{"v2", "2..4", ".2", "2.", "2.4 beta", std::string(33, '1')}) {
        EXPECT_EQ(errorOf("[plugin x]\nversion = " + version + "\n"),
                  "line 2: not a version of dotted numbers: " + version);
        EXPECT_EQ(errorOf("[provider]\nlatestversion = " + version + "\n"),
                  "line 2: not a version of dotted numbers: " + version);
    }
    for (const std::string page :
         {"ftp://example.com/", "javascript:alert(1)", "example.com", "https://example.com/a b"})
        EXPECT_EQ(errorOf("[provider]\ndownloadpage = " + page + "\n"),
                  "line 2: not an http or https address: " + page);
    EXPECT_EQ(errorOf("[plugin x]\nversion = 1\nurl = y\n"), "line 3: unknown key url");
}

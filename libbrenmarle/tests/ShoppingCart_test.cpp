#include <gtest/gtest.h>

#include <chrono>

#include <sys/stat.h>
#include <unistd.h>

#include <wx/evtloop.h>
#include <wx/filefn.h>

#include "LogCapture.h"
#include "PhotoLibraryTest.h"
#include "PricelistBuilder.h"
#include "core/Exceptions.h"
#include "ordering/CartSummary.h"
#include "ordering/ExternalOrderItem.h"
#include "ordering/ShoppingCart.h"
#include "ordering/ShoppingCartEvent.h"
#include "util/XMLDocument.h"

using namespace Brenmarle;

namespace {

class ShoppingCartTest : public PhotoLibraryTest {
protected:
    ShoppingCartTest()
    {
        auto list = std::make_shared<Pricelist>();
        list->addProduct(makeProduct("print", {{1, "0.5"}, {100, "0.4"}}));
        pricelist = list;
    }

    std::unique_ptr<ShoppingCart> openCart(int saveDelayMs = ShoppingCart::SAVE_DELAY_MS)
    {
        auto cart = std::make_unique<ShoppingCart>(dataDir, pricelist, saveDelayMs);
        cartEvents.record(SHOPPING_CART_CHANGED);
        cart->addListener(&cartEvents, 1);
        return cart;
    }

    // Lets the cart handle what the file manager posted to it.
    void deliverFileEvents(ShoppingCart& cart) { cart.ProcessPendingEvents(); }

    std::shared_ptr<const Pricelist> pricelist;
    EventRecorder cartEvents;
};

struct FileTimes {
    std::string bytes;
    timespec modified{};
};

FileTimes snapshot(const wxString& path)
{
    struct stat info {};
    ::stat(path.utf8_str(), &info);
    return {readFile(path), info.st_mtim};
}

} // namespace

// ---- Persistence
// ----------------------------------------------------------------------------------

TEST_F(ShoppingCartTest, ThreePrintsSurviveTwoRestartsUntouched)
{
    {
        auto cart = openCart();
        for (int i = 1; i <= 3; ++i)
            cart->addPart(makePart("print", i, wxString::Format("file:///pictures/%d.jpg", i)));
        EXPECT_EQ(cart->getOrder().getPricedTotal(), money("3"));
    }
    const FileTimes saved = snapshot(dataDir + "order.xml");
    for (int run = 0; run < 2; ++run) {
        auto cart = openCart();
        ASSERT_EQ(cart->getPartCount(), 3u);
        EXPECT_EQ(cart->getPart(2).quantity, 3);
        EXPECT_EQ(cart->getPart(2).getFirstFileUri(), "file:///pictures/3.jpg");
        EXPECT_EQ(cart->getOrder().getPricedTotal(), money("3"));
    }
    // Opening and closing the cart wrote nothing.
    const FileTimes after = snapshot(dataDir + "order.xml");
    EXPECT_EQ(after.bytes, saved.bytes);
    EXPECT_EQ(after.modified.tv_nsec, saved.modified.tv_nsec);
    EXPECT_EQ(after.modified.tv_sec, saved.modified.tv_sec);
}

TEST_F(ShoppingCartTest, ASavedEmptyOrderStartsANewOne)
{
    home.writeFile(dataDir.Mid(home.path().length()) + "order.xml",
                   "<order><uuid>old</uuid><orderparts/></order>");
    auto cart = openCart();
    EXPECT_EQ(cart->getPartCount(), 0u);
    EXPECT_EQ(cart->getOrder().uuid, "");
}

TEST_F(ShoppingCartTest, UnreadableOrderIsMovedAsideBeforeAnythingIsWritten)
{
    const std::string garbage = "<order><orderparts><orderpart>truncat";
    writeFile(dataDir + "order.xml", garbage);
    LogCapture log;
    auto cart = openCart();
    EXPECT_EQ(cart->getPartCount(), 0u);
    EXPECT_FALSE(wxFileExists(dataDir + "order.xml"));
    EXPECT_EQ(readFile(dataDir + "order.xml.bad"), garbage);
    EXPECT_TRUE(log.contains("order.xml.bad"));

    cart->addPart(makePart("print", 1, "file:///a.jpg"));
    cart->saveNow();
    cart->waitUntilSaved();
    EXPECT_EQ(readFile(dataDir + "order.xml.bad"), garbage);
    EXPECT_EQ(Order::fromXML(readFile(dataDir + "order.xml"))->getPartCount(), 1u);
}

TEST_F(ShoppingCartTest, UnreadableOrderThatCannotBeMovedIsNeverOverwritten)
{
    const std::string garbage = "not xml";
    writeFile(dataDir + "order.xml", garbage);
    // A folder in the way of the .bad name.
    writeFile(dataDir + "order.xml.bad/keep", "x");
    LogCapture log;
    auto cart = openCart();
    cart->addPart(makePart("print", 1, "file:///a.jpg"));
    cart->saveNow();
    cart->waitUntilSaved();
    wxLog::FlushActive();
    EXPECT_TRUE(log.contains("Could not save the shopping cart"));
    EXPECT_EQ(readFile(dataDir + "order.xml"), garbage);
}

TEST_F(ShoppingCartTest, AChangeIsSavedShortlyWithoutWaitingForExit)
{
    auto cart = openCart(50);
    wxEventLoop loop;
    wxEventLoopActivator active(&loop);
    bool saved = false;
    cart->setSavedHook([&] { saved = true; });
    cart->addPart(makePart("print", 2, "file:///a.jpg"));
    EXPECT_TRUE(cart->isSavePending());
    // The loop may return early; a generous bound keeps a broken timer from hanging the run.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!saved && std::chrono::steady_clock::now() < deadline)
        loop.DispatchTimeout(100);
    ASSERT_TRUE(saved);
    EXPECT_FALSE(cart->isSavePending());
    cart->waitUntilSaved();
    // On disk while the cart is still open: a kill now loses nothing.
    const auto onDisk = Order::fromXML(readFile(dataDir + "order.xml"));
    ASSERT_EQ(onDisk->getPartCount(), 1u);
    EXPECT_EQ(onDisk->getPart(0).quantity, 2);
}

TEST_F(ShoppingCartTest, EveryChangeIsAnnouncedOnce)
{
    auto cart = openCart();
    std::vector<std::unique_ptr<OrderPart>> album;
    for (int i = 0; i < 500; ++i)
        album.push_back(makePart("print", 1, wxString::Format("file:///p/%d.jpg", i)));
    cart->addParts(std::move(album));
    EXPECT_EQ(cartEvents.count(), 1u);
    EXPECT_EQ(cart->getOrder().getPricedTotal(), money("200"));
    cart->deleteParts({&cart->getPart(0), &cart->getPart(1)});
    EXPECT_EQ(cartEvents.count(), 2u);
    EXPECT_EQ(cart->getPartCount(), 498u);
    EXPECT_THROW(cart->addPart(nullptr), Quorvel::NullPointerException);
    EXPECT_THROW(cart->getPart(498), Quorvel::LogicException);
}

TEST_F(ShoppingCartTest, NewPriceListWithoutTheProductBlocksCheckout)
{
    auto cart = openCart();
    cart->addPart(makePart("print", 1, "file:///a.jpg"));
    EXPECT_TRUE(cart->getOrder().canCheckout());
    cart->setPricelist(std::make_shared<Pricelist>());
    EXPECT_EQ(cart->getOrder().getPricingState(), Order::PricingState::Failed);
    EXPECT_FALSE(cart->getOrder().canCheckout());
    EXPECT_EQ(cart->getPart(0).getName(*cart->getPricelist()), "uuid:print");
    cart->setPricelist(pricelist);
    EXPECT_TRUE(cart->getOrder().canCheckout());
}

// ---- Following the pictures
// -----------------------------------------------------------------------

TEST_F(ShoppingCartTest, DeletingAPictureUsedByTwoItemsRemovesBothAndAnnouncesOnce)
{
    auto album = makeAlbum("Holiday");
    auto sources = computerPictures(2);
    auto picture = album->copyFileIn(*sources[0]);
    auto other = album->copyFileIn(*sources[1]);
    auto cart = openCart();
    cart->followFiles(*manager);
    cart->addPart(makePart("print", 1, picture->getURI()));
    cart->addPart(makePart("print", 5, other->getURI()));
    cart->addPart(makePart("print", 2, picture->getURI()));
    const size_t before = cartEvents.count();

    album->deleteFile(*picture);
    deliverFileEvents(*cart);

    ASSERT_EQ(cart->getPartCount(), 1u);
    EXPECT_EQ(cart->getPart(0).getFirstFileUri(), other->getURI());
    EXPECT_EQ(cartEvents.count(), before + 1);
}

TEST_F(ShoppingCartTest, MovedPictureKeepsItsItemUnderTheNewUri)
{
    auto from = makeAlbum("Inbox pictures");
    auto to = makeAlbum("Keepers");
    auto picture = from->copyFileIn(*computerPictures(1)[0]);
    const wxString oldUri = picture->getURI();
    auto cart = openCart();
    cart->followFiles(*manager);
    cart->addPart(makePart("print", 1, oldUri));

    to->moveFileIn(*picture);
    deliverFileEvents(*cart);

    ASSERT_EQ(cart->getPartCount(), 1u);
    EXPECT_EQ(cart->getPart(0).getFirstFileUri(), picture->getURI());
    EXPECT_NE(picture->getURI(), oldUri);
    EXPECT_EQ(cart->getPart(0).files[0].id, picture->getURI().AfterLast('/'));
}

// ---- Emptying, and items from other programs ----------------------------------------------------

TEST_F(ShoppingCartTest, EmptyingNeverFollowsASymbolicLink)
{
    writeFile(home / "precious/photo.jpg", "keep me");
    writeFile(home / "precious/sub/deep.jpg", "keep me too");
    writeFile(dataDir + "order/item1/orderpart.xml", "<orderpart/>");
    ASSERT_EQ(::symlink((home / "precious").utf8_str(), (dataDir + "order/item1/files").utf8_str()),
              0);
    ASSERT_EQ(::symlink((home / "precious/photo.jpg").utf8_str(),
                        (dataDir + "order/link.jpg").utf8_str()),
              0);
    auto cart = openCart();
    cart->addPart(makePart("print", 1, "file:///a.jpg"));
    cart->empty();
    EXPECT_EQ(cart->getPartCount(), 0u);
    EXPECT_TRUE(wxDirExists(dataDir + "order"));
    EXPECT_EQ(filesUnder(dataDir + "order"), 0u);
    EXPECT_EQ(readFile(home / "precious/photo.jpg"), "keep me");
    EXPECT_EQ(readFile(home / "precious/sub/deep.jpg"), "keep me too");

    // The order folder itself a link: the link goes, not what it points to.
    ASSERT_TRUE(wxRmdir(dataDir + "order"));
    ASSERT_EQ(::symlink((home / "precious").utf8_str(), (dataDir + "order").utf8_str()), 0);
    cart->empty();
    struct stat info {};
    ASSERT_EQ(::lstat((dataDir + "order").utf8_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(readFile(home / "precious/sub/deep.jpg"), "keep me too");
}

class ExternalItemTest : public ShoppingCartTest {
protected:
    void writeItem(const wxString& id, int productType, const std::vector<std::string>& files)
    {
        std::string xml = "<orderpart><productuuid>book</productuuid><producttype>" +
                          std::to_string(productType) +
                          "</producttype><quantity>2</quantity>"
                          "<files>";
        for (const std::string& file : files)
            xml += "<file><uri>" + file + "</uri><data>page</data></file>";
        xml += "</files></orderpart>";
        writeFile(dataDir + "order/" + id + "/orderpart.xml", xml);
        for (const std::string& file : files)
            if (ExternalOrderItem::isSinglePathComponent(wxString::FromUTF8(file)))
                writeFile(dataDir + "order/" + id + "/files/" + wxString::FromUTF8(file), "JPEG");
    }
};

TEST_F(ExternalItemTest, PhotoBookIsAddedWithItsPicturesInTheItemsFolder)
{
    writeItem("book-1", OrderPart::EXTERNAL_BOOK, {"cover.jpg", "page 1.jpg"});
    auto cart = openCart();
    cart->addExternalItem("book-1");
    ASSERT_EQ(cart->getPartCount(), 1u);
    const OrderPart& part = cart->getPart(0);
    EXPECT_EQ(part.quantity, 2);
    EXPECT_EQ(part.externItemId, "book-1");
    ASSERT_EQ(part.files.size(), 2u);
    EXPECT_EQ(part.files[1].uri, "file://" + dataDir + "order/book-1/files/page 1.jpg");
    EXPECT_EQ(part.files[1].data, "page");
}

TEST_F(ExternalItemTest, RefusedProductTypeGivesItsMessage)
{
    writeItem("prints", 7, {"a.jpg"});
    auto cart = openCart();
    try {
        cart->addExternalItem("prints");
        ADD_FAILURE() << "added";
    } catch (const ProductException& e) {
        EXPECT_EQ(e.getMessage(), "Cannot add external orderpart with product type 7");
    }
    EXPECT_EQ(cart->getPartCount(), 0u);
}

TEST_F(ExternalItemTest, IdsAndFileNamesMustStayInTheItemsFolder)
{
    writeFile(dataDir + "x/orderpart.xml", "<orderpart><producttype>51</producttype></orderpart>");
    auto cart = openCart();
    for (const char* id : {"../x", "..", ".", "", "a/b", "a\\b"})
        EXPECT_THROW(cart->addExternalItem(wxString::FromUTF8(id)), ProductException) << id;
    EXPECT_THROW(cart->addExternalItem("absent"), ProductException);

    writeItem("escape", OrderPart::EXTERNAL_CARD, {"../../../etc/passwd"});
    EXPECT_THROW(cart->addExternalItem("escape"), ProductException);
    writeItem("dots", OrderPart::EXTERNAL_CARD, {".."});
    EXPECT_THROW(cart->addExternalItem("dots"), ProductException);
    writeItem("missing", OrderPart::EXTERNAL_CARD, {});
    writeFile(dataDir + "order/missing/orderpart.xml",
              "<orderpart><producttype>52</producttype><files><file><uri>gone.jpg</uri></file>"
              "</files></orderpart>");
    EXPECT_THROW(cart->addExternalItem("missing"), ProductException);

    // A picture that is a link to a file elsewhere is not sent anywhere.
    writeItem("linked", OrderPart::EXTERNAL_CARD, {"card.jpg"});
    ASSERT_EQ(::unlink((dataDir + "order/linked/files/card.jpg").utf8_str()), 0);
    writeFile(home / "secret.txt", "secret");
    ASSERT_EQ(::symlink((home / "secret.txt").utf8_str(),
                        (dataDir + "order/linked/files/card.jpg").utf8_str()),
              0);
    EXPECT_THROW(cart->addExternalItem("linked"), ProductException);
    EXPECT_EQ(cart->getPartCount(), 0u);
}

TEST_F(ExternalItemTest, BrokenItemDocumentsAreRefused)
{
    auto cart = openCart();
    for (const std::string& text :
         {std::string("<orderpart><producttype>51"), std::string("<order/>"), std::string(""),
          std::string(ExternalOrderItem::MAX_BYTES + 1, ' ')}) {
        writeFile(dataDir + "order/bad/orderpart.xml", text);
        EXPECT_THROW(cart->addExternalItem("bad"), Quorvel::XMLException);
    }
}

// ---- What the sidebar shows
// -----------------------------------------------------------------------

TEST_F(ShoppingCartTest, SummaryShowsPricedRowsAndTheOrderSum)
{
    auto list = std::make_shared<Pricelist>(*pricelist);
    list->currencyFormatString = "%0.2f kr";
    auto cart = openCart();
    cart->setPricelist(list);
    cart->addPart(makePart("print", 1, "file:///a.jpg"));
    cart->addPart(makePart("print", 3, "file:///b.jpg"));
    const CartSummary summary(*cart);
    ASSERT_EQ(summary.getRows().size(), 2u);
    EXPECT_EQ(summary.getRows()[0].name, "Product print");
    EXPECT_EQ(summary.getRows()[0].copies, "1 copy");
    EXPECT_EQ(summary.getRows()[1].copies, "3 copies");
    EXPECT_EQ(summary.getRows()[1].price, "1.50 kr");
    EXPECT_EQ(summary.getTotal(), "2.00 kr");
    EXPECT_TRUE(summary.canCheckout());
}

TEST_F(ShoppingCartTest, SummaryNeverShowsASumThatIsNotOne)
{
    auto cart = openCart();
    cart->addPart(makePart("print", 2, "file:///a.jpg"));
    cart->addPart(makePart("poster", 1, "file:///b.jpg"));
    CartSummary summary(*cart);
    EXPECT_EQ(summary.getRows()[1].name, "Missing product");
    EXPECT_TRUE(summary.getRows()[1].missing);
    EXPECT_EQ(summary.getRows()[0].price, CartSummary::UNKNOWN);
    EXPECT_EQ(summary.getTotal(), "???");
    EXPECT_FALSE(summary.canCheckout());

    // A price row without a price: failed, not the sum of the rest.
    auto noPrice = std::make_shared<Pricelist>();
    noPrice->addProduct(makeProduct("print", {{1, "0.5"}}));
    noPrice->addProduct(makeProduct("poster", {{1, "-1"}}));
    cart->setPricelist(noPrice);
    EXPECT_EQ(CartSummary(*cart).getTotal(), "???");
    cart->setPricelist(nullptr);
    EXPECT_EQ(CartSummary(*cart).getTotal(), "???");
    EXPECT_TRUE(CartSummary(*cart).getRows()[0].missing);
}

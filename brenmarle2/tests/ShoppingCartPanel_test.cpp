#include <cstdlib>

#include <wx/button.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/frame.h>
#include <wx/listctrl.h>
#include <wx/msgdlg.h>
#include <wx/testing.h>

#include "ExpectMessageBox.h"
#include "PhotoLibraryTest.h"
#include "PressButton.h"
#include "PricelistBuilder.h"
#include "WaitUntil.h"
#include "ordering/OrderPart.h"
#include "ordering/ShoppingCart.h"
#include "ordering/ShoppingCartPanel.h"
#include "ui/Accessibility.h"

using namespace Brenmarle;

namespace {

class ShoppingCartPanelTest : public PhotoLibraryTest {
protected:
    ShoppingCartPanelTest()
    {
        auto list = std::make_shared<Pricelist>();
        list->addProduct(makeProduct("print", {{1, "0.5"}, {100, "0.4"}}));
        list->currencyFormatString = "%0.2f kr";
        pricelist = list;
        cart = std::make_unique<ShoppingCart>(dataDir, pricelist);
    }
    ~ShoppingCartPanelTest() override
    {
        if (frame) {
            frame->Destroy();
            waitUntil([] { return wxTopLevelWindows.IsEmpty(); });
        }
    }

    ShoppingCartPanel& openPanel()
    {
        frame =
            new wxFrame(nullptr, wxID_ANY, "Shopping cart", wxDefaultPosition, wxSize(360, 320));
        panel = new ShoppingCartPanel(frame, *cart);
        frame->Show();
        waitUntil([this] { return panel->IsShownOnScreen(); });
        return *panel;
    }

    // With VISTRELLE_SCREENSHOTS set to a folder, the window as shown is saved there. Run one
    // test at a time for pictures: without a window manager a second frame at the same place
    // may be grabbed before the X server has drawn it.
    void screenshot(const wxString& name)
    {
        const char* folder = std::getenv("VISTRELLE_SCREENSHOTS");
        if (!folder)
            return;
        // Taken once the list has painted what it holds now.
        bool painted = false;
        panel->Bind(wxEVT_PAINT, [&](wxPaintEvent& event) {
            painted = true;
            event.Skip();
        });
        frame->Raise();
        frame->Refresh();
        waitUntil([&] { return painted; });
        wxYield();
        const wxRect rect = frame->GetScreenRect();
        wxBitmap bitmap(rect.GetSize());
        wxMemoryDC memory(bitmap);
        wxScreenDC screen;
        memory.Blit(0, 0, rect.width, rect.height, &screen, rect.x, rect.y);
        memory.SelectObject(wxNullBitmap);
        bitmap.SaveFile(wxString::FromUTF8(folder) + "/" + name + ".png", wxBITMAP_TYPE_PNG);
    }

    std::shared_ptr<const Pricelist> pricelist;
    std::unique_ptr<ShoppingCart> cart;
    wxFrame* frame = nullptr;
    ShoppingCartPanel* panel = nullptr;
};

} // namespace

// What each row and the sum say is the cart summary's test; the panel shows it as the cart
// changes.
TEST_F(ShoppingCartPanelTest, ShowsTheCartsSummaryAsTheCartChanges)
{
    ShoppingCartPanel& shown = openPanel();
    EXPECT_EQ(shown.getList()->GetItemCount(), 0);
    EXPECT_EQ(shown.getTotal(), "0.00 kr");

    cart->addPart(makePart("print", 4, "file:///a.jpg"));
    cart->addPart(makePart("poster", 1, "file:///b.jpg"));
    ASSERT_EQ(shown.getList()->GetItemCount(), 2);
    EXPECT_EQ(shown.getCell(0, 0), "Product print");
    EXPECT_EQ(shown.getCell(0, 1), "4 copies");
    EXPECT_EQ(shown.getCell(1, 0), "Missing product");
    EXPECT_EQ(shown.getTotal(), "???");
    EXPECT_TRUE(Quorvel::findUnnamedControls(*frame).empty());
    screenshot("cart-missing");

    cart->deleteParts({&cart->getPart(1)});
    ASSERT_EQ(shown.getList()->GetItemCount(), 1);
    EXPECT_EQ(shown.getCell(0, 2), "2.00 kr");
    EXPECT_EQ(shown.getTotal(), "2.00 kr");
    screenshot("cart-priced");
}

TEST_F(ShoppingCartPanelTest, SelectedItemsAndAllItemsAreRemovedOnlyWhenTheUserSaysSo)
{
    ShoppingCartPanel& shown = openPanel();
    EXPECT_FALSE(shown.getRemoveAllButton()->IsEnabled());
    cart->addPart(makePart("print", 1, "file:///a.jpg"));
    cart->addPart(makePart("print", 2, "file:///b.jpg"));
    cart->addPart(makePart("print", 3, "file:///c.jpg"));
    EXPECT_FALSE(shown.getRemoveButton()->IsEnabled());
    EXPECT_TRUE(shown.getRemoveAllButton()->IsEnabled());
    shown.getList()->SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    shown.getList()->SetItemState(2, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    EXPECT_TRUE(shown.getRemoveButton()->IsEnabled());

    wxString title;
    wxString message;
    {
        wxTEST_DIALOG(EXPECT_FALSE(shown.removeSelected(true)),
                      ExpectMessageBox(title, message, wxID_NO));
    }
    EXPECT_EQ(title, "Remove selected items?");
    EXPECT_EQ(message, "Do you wish to remove the selected 2 items from the shopping basket?");
    EXPECT_EQ(cart->getPartCount(), 3u);
    {
        wxTEST_DIALOG(EXPECT_TRUE(shown.removeSelected(true)),
                      ExpectMessageBox(title, message, wxID_YES));
    }
    ASSERT_EQ(cart->getPartCount(), 1u);
    EXPECT_EQ(cart->getPart(0).getFirstFileUri(), "file:///b.jpg");
    EXPECT_EQ(shown.getCell(0, 1), "2 copies");

    shown.getList()->SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    {
        wxTEST_DIALOG(shown.removeSelected(true), ExpectMessageBox(title, message, wxID_NO));
    }
    EXPECT_EQ(title, "Remove selected item?");
    {
        wxTEST_DIALOG(EXPECT_TRUE(shown.removeAll(true)),
                      ExpectMessageBox(title, message, wxID_YES));
    }
    EXPECT_EQ(title, "Remove all items?");
    EXPECT_EQ(cart->getPartCount(), 0u);
    EXPECT_EQ(shown.getList()->GetItemCount(), 0);
    EXPECT_FALSE(shown.getRemoveAllButton()->IsEnabled());

    // Pictures dropped on the cart, from the catalogue or the desktop, become prints.
    EXPECT_TRUE(shown.addPictures({"album://x/IMG_1.JPG"}, {"/home/me/Desktop/d.jpg"}));
    ASSERT_EQ(cart->getPartCount(), 2u);
    EXPECT_EQ(cart->getPart(1).getFirstFileUri(), "file:///home/me/Desktop/d.jpg");
    EXPECT_EQ(cart->getPart(1).productUuid, "print");
    EXPECT_EQ(shown.getTotal(), "1.00 kr");
}

TEST_F(ShoppingCartPanelTest, CheckoutOnlyForAPricedOrderWithItems)
{
    ShoppingCartPanel& shown = openPanel();
    int checkouts = 0;
    wxWindow* parent = nullptr;
    // Without a handler there is nothing to check out with, whatever the cart holds.
    cart->addPart(makePart("print", 2, "file:///a.jpg"));
    EXPECT_FALSE(shown.getCheckoutButton()->IsEnabled());
    shown.setCheckoutHandler([&](wxWindow* window) {
        ++checkouts;
        parent = window;
    });
    EXPECT_TRUE(shown.getCheckoutButton()->IsEnabled());
    EXPECT_EQ(shown.getCheckoutButton()->GetLabel(), "Order Checkout");
    screenshot("cart-checkout");

    // A sum of "???" never goes to the checkout: a missing product, then no price list.
    cart->addPart(makePart("poster", 1, "file:///b.jpg"));
    ASSERT_EQ(shown.getTotal(), "???");
    EXPECT_FALSE(shown.getCheckoutButton()->IsEnabled());
    cart->deleteParts({&cart->getPart(1)});
    EXPECT_TRUE(shown.getCheckoutButton()->IsEnabled());
    cart->setPricelist(nullptr);
    EXPECT_FALSE(shown.getCheckoutButton()->IsEnabled());
    cart->setPricelist(pricelist);

    // Pressed, the handler is called once with the panel to open its window on.
    pressButton(shown.getCheckoutButton());
    EXPECT_EQ(checkouts, 1);
    EXPECT_EQ(parent, &shown);

    // An empty cart, although its sum of 0.00 is a real one, has nothing to send.
    cart->deleteParts({&cart->getPart(0)});
    EXPECT_EQ(shown.getTotal(), "0.00 kr");
    EXPECT_FALSE(shown.getCheckoutButton()->IsEnabled());
    pressButton(shown.getCheckoutButton());
    EXPECT_EQ(checkouts, 1);
}

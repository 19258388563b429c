#include <cstdlib>

#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/frame.h>
#include <wx/listctrl.h>

#include "PhotoLibraryTest.h"
#include "PricelistBuilder.h"
#include "WaitUntil.h"
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

TEST_F(ShoppingCartPanelTest, ShowsPricedItemsAndTheOrderSum)
{
    ShoppingCartPanel& shown = openPanel();
    EXPECT_EQ(shown.getList()->GetItemCount(), 0);
    EXPECT_EQ(shown.getTotal(), "0.00 kr");

    cart->addPart(makePart("print", 1, "file:///a.jpg"));
    cart->addPart(makePart("print", 4, "file:///b.jpg"));
    ASSERT_EQ(shown.getList()->GetItemCount(), 2);
    EXPECT_EQ(shown.getCell(0, 0), "Product print");
    EXPECT_EQ(shown.getCell(0, 1), "1 copy");
    EXPECT_EQ(shown.getCell(1, 1), "4 copies");
    EXPECT_EQ(shown.getCell(1, 2), "2.00 kr");
    EXPECT_EQ(shown.getTotal(), "2.50 kr");
    EXPECT_TRUE(Quorvel::findUnnamedControls(*frame).empty());
    screenshot("cart-priced");
}

TEST_F(ShoppingCartPanelTest, MissingProductAndAFailedSumShowAsSuch)
{
    ShoppingCartPanel& shown = openPanel();
    cart->addPart(makePart("print", 2, "file:///a.jpg"));
    cart->addPart(makePart("poster", 1, "file:///b.jpg"));
    ASSERT_EQ(shown.getList()->GetItemCount(), 2);
    EXPECT_EQ(shown.getCell(1, 0), "Missing product");
    EXPECT_EQ(shown.getCell(0, 2), "???");
    EXPECT_EQ(shown.getTotal(), "???");
    screenshot("cart-missing");

    // The product gone from the list is deleted: the sum is a real one again.
    cart->deleteParts({&cart->getPart(1)});
    EXPECT_EQ(shown.getTotal(), "1.00 kr");
    cart->setPricelist(nullptr);
    EXPECT_EQ(shown.getTotal(), "???");
}

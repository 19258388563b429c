#include "ordering/ShoppingCartPanel.h"

#include <set>

#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "ordering/CartSummary.h"
#include "ordering/OrderPart.h"
#include "ordering/PrintParts.h"
#include "ordering/ShoppingCart.h"
#include "ordering/ShoppingCartEvent.h"
#include "system/Exceptions.h"
#include "ui/Accessibility.h"
#include "widgets/PictureDropTarget.h"

ShoppingCartPanel::ShoppingCartPanel(wxWindow* parent, Brenmarle::ShoppingCart& cart)
    : wxPanel(parent, wxID_ANY), m_cart(cart)
{
    SetName("ShoppingCartPanel");
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* title = new wxStaticText(this, wxID_ANY, _("Shopping Cart"));
    title->SetFont(title->GetFont().Bold());
    sizer->Add(title, 0, wxALL, 6);

    m_list = new wxListCtrl(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxLC_REPORT);
    m_list->SetName("ShoppingCartItems");
    Quorvel::setAccessibleName(*m_list, _("Shopping cart items"));
    m_list->AppendColumn(_("Product"));
    m_list->AppendColumn(_("Copies"));
    m_list->AppendColumn(_("Price"), wxLIST_FORMAT_RIGHT);
    sizer->Add(m_list, 1, wxEXPAND | wxLEFT | wxRIGHT, 6);

    auto* totalLine = new wxBoxSizer(wxHORIZONTAL);
    auto* label = new wxStaticText(this, wxID_ANY, _("Ordersum:"));
    label->SetFont(label->GetFont().Bold());
    m_total = new wxStaticText(this, wxID_ANY, wxString());
    m_total->SetName("OrderSum");
    m_total->SetFont(m_total->GetFont().Bold());
    totalLine->Add(label, 0, wxRIGHT, 6);
    totalLine->AddStretchSpacer();
    totalLine->Add(m_total, 0);
    sizer->Add(totalLine, 0, wxEXPAND | wxALL, 6);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    m_remove = new wxButton(this, wxID_ANY, _("Remove"));
    m_remove->SetName("RemoveSelectedItems");
    m_removeAll = new wxButton(this, wxID_ANY, _("Remove All"));
    m_removeAll->SetName("RemoveAllItems");
    buttons->Add(m_remove, 0, wxRIGHT, 6);
    buttons->Add(m_removeAll, 0);
    sizer->Add(buttons, 0, wxALL, 6);
    m_checkout = new wxButton(this, wxID_ANY, _("Order Checkout"));
    m_checkout->SetName("OrderCheckout");
    sizer->Add(m_checkout, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 6);
    SetSizer(sizer);
    m_remove->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { removeSelected(true); });
    m_removeAll->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { removeAll(true); });
    m_checkout->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { checkout(); });
    m_list->Bind(wxEVT_LIST_ITEM_SELECTED, [this](wxListEvent&) { updateButtons(); });
    m_list->Bind(wxEVT_LIST_ITEM_DESELECTED, [this](wxListEvent&) { updateButtons(); });
    m_list->SetDropTarget(new PictureDropTarget([this](const std::vector<wxString>& uris,
                                                       const std::vector<wxString>& paths,
                                                       bool) { return addPictures(uris, paths); }));

    Bind(Brenmarle::SHOPPING_CART_CHANGED, &ShoppingCartPanel::onCartChanged, this);
    m_cart.addListener(this, GetId());
    refresh();
}

ShoppingCartPanel::~ShoppingCartPanel()
{
    m_cart.removeListener(this);
}

void ShoppingCartPanel::onCartChanged(Brenmarle::ShoppingCartEvent&)
{
    refresh();
}

void ShoppingCartPanel::refresh()
{
    const Brenmarle::CartSummary summary(m_cart);
    m_list->Freeze();
    m_list->DeleteAllItems();
    long row = 0;
    for (const Brenmarle::CartSummary::Row& item : summary.getRows()) {
        m_list->InsertItem(row, item.name);
        m_list->SetItem(row, 1, item.copies);
        m_list->SetItem(row, 2, item.price);
        if (item.missing)
            m_list->SetItemTextColour(row, wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT));
        ++row;
    }
    for (int column = 0; column < 3; ++column)
        m_list->SetColumnWidth(column, wxLIST_AUTOSIZE_USEHEADER);
    m_list->Thaw();
    m_total->SetLabel(summary.getTotal());
    m_canCheckout = summary.canCheckout();
    updateButtons();
    Layout();
}

void ShoppingCartPanel::updateButtons()
{
    m_remove->Enable(m_list->GetSelectedItemCount() > 0);
    m_removeAll->Enable(m_cart.getPartCount() > 0);
    m_checkout->Enable(m_canCheckout && m_checkoutHandler);
}

bool ShoppingCartPanel::checkout()
{
    if (!m_checkoutHandler || !m_canCheckout)
        return false;
    m_checkoutHandler(this);
    return true;
}

void ShoppingCartPanel::setCheckoutHandler(CheckoutHandler handler)
{
    m_checkoutHandler = std::move(handler);
    updateButtons();
}

bool ShoppingCartPanel::removeSelected(bool ask)
{
    std::set<const Brenmarle::OrderPart*> parts;
    for (long row = m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); row != -1;
         row = m_list->GetNextItem(row, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
        if (static_cast<size_t>(row) < m_cart.getPartCount())
            parts.insert(&m_cart.getPart(static_cast<size_t>(row)));
    }
    if (parts.empty())
        return false;
    if (ask) {
        const bool one = parts.size() == 1;
        const wxString question =
            one ? _("Do you wish to remove the selected item from the shopping basket?")
                : wxString::Format(
                      _("Do you wish to remove the selected %d items from the shopping basket?"),
                      static_cast<int>(parts.size()));
        wxMessageDialog confirm(this, question,
                                one ? _("Remove selected item?") : _("Remove selected items?"),
                                wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION);
        confirm.SetName("SHOPPING_CART_REMOVE_SELECTED_ITEMS");
        confirm.SetYesNoLabels(_("Remove"), _("Cancel"));
        if (confirm.ShowModal() != wxID_YES)
            return false;
    }
    m_cart.deleteParts(parts);
    return true;
}

bool ShoppingCartPanel::removeAll(bool ask)
{
    if (m_cart.getPartCount() == 0)
        return false;
    if (ask) {
        wxMessageDialog confirm(this, _("Do you want to remove all items from the shopping cart?"),
                                _("Remove all items?"), wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION);
        confirm.SetName("SHOPPING_CART_REMOVE_ALL_ITEMS");
        confirm.SetYesNoLabels(_("Remove"), _("Cancel"));
        if (confirm.ShowModal() != wxID_YES)
            return false;
    }
    try {
        m_cart.empty();
    } catch (const Quorvel::Exception& e) {
        // The items are gone; only the folder of other programs' items could not be made anew.
        wxLogError("%s", e.getMessage());
    }
    return true;
}

bool ShoppingCartPanel::addPictures(const std::vector<wxString>& uris,
                                    const std::vector<wxString>& paths)
{
    std::vector<Brenmarle::PrintParts::Picture> pictures;
    for (const wxString& uri : uris)
        pictures.push_back({uri, 0, 0});
    for (const wxString& path : paths)
        pictures.push_back({"file://" + path, 0, 0});
    if (pictures.empty())
        return false;
    m_cart.addParts(Brenmarle::PrintParts::make(pictures, m_cart.getPricelist().get()));
    return true;
}

wxString ShoppingCartPanel::getTotal() const
{
    return m_total->GetLabel();
}

wxString ShoppingCartPanel::getCell(long row, int column) const
{
    return m_list->GetItemText(row, column);
}

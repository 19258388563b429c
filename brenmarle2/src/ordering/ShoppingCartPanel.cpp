#include "ordering/ShoppingCartPanel.h"

#include <wx/listctrl.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "ordering/CartSummary.h"
#include "ordering/ShoppingCart.h"
#include "ordering/ShoppingCartEvent.h"
#include "ui/Accessibility.h"

ShoppingCartPanel::ShoppingCartPanel(wxWindow* parent, Brenmarle::ShoppingCart& cart)
    : wxPanel(parent, wxID_ANY), m_cart(cart)
{
    SetName("ShoppingCartPanel");
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* title = new wxStaticText(this, wxID_ANY, _("Shopping Cart"));
    title->SetFont(title->GetFont().Bold());
    sizer->Add(title, 0, wxALL, 6);

    m_list = new wxListCtrl(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                            wxLC_REPORT | wxLC_SINGLE_SEL);
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
    SetSizer(sizer);

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
    Layout();
}

wxString ShoppingCartPanel::getTotal() const
{
    return m_total->GetLabel();
}

wxString ShoppingCartPanel::getCell(long row, int column) const
{
    return m_list->GetItemText(row, column);
}

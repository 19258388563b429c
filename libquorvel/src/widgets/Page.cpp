#include "widgets/Page.h"

namespace Quorvel {

Page::Page(wxWindow* parent, wxWindowID id)
    : wxPanel(parent, id, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER)
{
    // A page is made hidden and shown only by its container.
    Hide();
}

} // namespace Quorvel

#pragma once
// The base of every page of the program's dialogs: a panel that the window holding it (a
// PageContainer) tells when it is about to be shown or hidden and when that is done. A page may
// build its controls in beforeShow(), so that nothing is made for pages the user never sees.
//
// GUI thread only.

#include <wx/panel.h>

namespace Quorvel {

class Page : public wxPanel {
public:
    Page(wxWindow* parent, wxWindowID id = wxID_ANY);

    // Called by the container around every switch of pages; all empty by default.
    virtual void beforeShow() {}
    virtual void afterShow() {}
    virtual void beforeHide() {}
    virtual void afterHide() {}
};

} // namespace Quorvel

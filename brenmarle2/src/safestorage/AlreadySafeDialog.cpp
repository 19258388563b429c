#include "safestorage/AlreadySafeDialog.h"

#include <wx/button.h>
#include <wx/intl.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "system/Log.h"

using Brenmarle::SafeStorageSelection;

AlreadySafeDialog::AlreadySafeDialog(wxWindow* parent, const SafeStorageSelection& selection)
    : wxDialog(parent, wxID_ANY, _("Already Marked for Safe Storage"))
{
    auto* top = new wxBoxSizer(wxVERTICAL);
    for (const wxString& line : lines(selection))
        top->Add(new wxStaticText(this, wxID_ANY, line), wxSizerFlags().Border(wxALL, 8));
    auto* buttons = new wxStdDialogButtonSizer;
    auto* ok = new wxButton(this, wxID_OK, _("OK"));
    ok->SetDefault();
    buttons->AddButton(ok);
    buttons->Realize();
    top->Add(buttons, wxSizerFlags().Expand().Border(wxALL, 12));
    SetSizerAndFit(top);
    CentreOnParent();
    QDEBUG("[ALREADYSAFEDIALOG] Opened");
}

std::vector<wxString> AlreadySafeDialog::lines(const SafeStorageSelection& selection)
{
    std::vector<wxString> result;
    const int stored = selection.count(SafeStorageSelection::STORED);
    const int updated = selection.count(SafeStorageSelection::TO_BE_UPDATED);
    const int waiting = selection.count(SafeStorageSelection::WAITING);
    if (stored > 0)
        result.push_back(wxString::Format(wxPLURAL("%d selected file is safely stored!",
                                                   "%d selected files are safely stored!", stored),
                                          stored));
    if (updated > 0)
        result.push_back(
            wxString::Format(wxPLURAL("%d selected file will soon be updated!",
                                      "%d selected files will soon be updated!", updated),
                             updated));
    if (waiting > 0)
        result.push_back(
            wxString::Format(wxPLURAL("%d selected file is awaiting safe storage!",
                                      "%d selected files are awating safe storage!", waiting),
                             waiting));
    return result;
}

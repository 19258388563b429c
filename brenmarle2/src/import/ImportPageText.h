#pragma once
// Small helpers the import assistant's pages share to lay out their texts.
// GUI thread only.

#include <wx/sizer.h>
#include <wx/stattext.h>

namespace ImportPageText {

constexpr int BORDER = 10;

// A wrapped line of text added to `sizer`.
inline wxStaticText* add(wxWindow* page, wxSizer* sizer, const wxString& text,
                         int flags = wxLEFT | wxRIGHT | wxTOP)
{
    auto* label = new wxStaticText(page, wxID_ANY, text);
    label->Wrap(page->GetParent()->GetMinSize().GetWidth() - 2 * BORDER);
    sizer->Add(label, wxSizerFlags().Border(flags, BORDER));
    return label;
}

inline wxStaticText* addBold(wxWindow* page, wxSizer* sizer, const wxString& text)
{
    wxStaticText* label = add(page, sizer, text);
    label->SetFont(label->GetFont().Bold());
    return label;
}

} // namespace ImportPageText

#pragma once
// "Already Marked for Safe Storage": shown when every chosen picture is in safe storage
// already. It says how many are stored, how many will soon be updated (changed since their
// last upload) and how many are waiting for their first upload, the meaning of the emblems
// on their thumbnails.
//
// GUI thread only.

#include <vector>

#include <wx/dialog.h>

#include "safestorage/SafeStorageSelection.h"

class AlreadySafeDialog : public wxDialog {
public:
    AlreadySafeDialog(wxWindow* parent, const Brenmarle::SafeStorageSelection& selection);

    // The dialog's lines for `selection`: one per state that has pictures.
    static std::vector<wxString> lines(const Brenmarle::SafeStorageSelection& selection);
};

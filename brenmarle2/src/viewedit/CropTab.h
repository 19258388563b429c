#pragma once
// "Crop Picture": while shown, the view is in selection mode; the selection may be held to a
// print ratio; "Crop" cuts the picture to it.

#include <wx/checkbox.h>
#include <wx/choice.h>

#include "viewedit/EditTab.h"

class CropTab : public EditTab {
public:
    CropTab(wxWindow* parent, ImageFrame& frame);

    void enter() override;
    void leave() override;
    void reset() override;
    void apply() override;

    wxCheckBox* getRestrict() const { return m_restrict; }
    wxChoice* getRatios() const { return m_ratios; }
    // The ratio the view holds the selection to; 0 when unrestricted.
    double getRestriction() const;

private:
    void updateRestriction();
    void selectionChanged();

    wxCheckBox* m_restrict;
    wxChoice* m_ratios;
    std::vector<long> m_millionths;
};

#pragma once
// A tab of one-click effects, each a toggle button: pressing one previews its effect on a
// fresh copy of the current image (effects never pile up within the tab); "Apply" makes that
// copy current.
//
// Threads: the GUI thread; effects run under the busy cursor.

#include <functional>
#include <vector>

#include <wx/tglbtn.h>

#include "imaging/ImageData.h"
#include "viewedit/EditTab.h"

class EffectTab : public EditTab {
public:
    struct Effect {
        wxString label;
        std::function<void(Brenmarle::ImageData&)> run;
    };

    EffectTab(wxWindow* parent, ImageFrame& frame, const wxString& name,
              std::vector<Effect> effects);

    void reset() override;
    void apply() override;

    wxToggleButton* getToggle(size_t index) const { return m_toggles.at(index); }

private:
    void onToggle(size_t index);

    std::vector<Effect> m_effects;
    std::vector<wxToggleButton*> m_toggles;
    Quorvel::Ref<Brenmarle::ImageData> m_preview;
};

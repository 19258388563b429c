#include "viewedit/EffectTab.h"

#include <wx/intl.h>
#include <wx/log.h>
#include <wx/utils.h>

#include "system/Exceptions.h"
#include "viewedit/ImageFrame.h"

EffectTab::EffectTab(wxWindow* parent, ImageFrame& frame, const wxString& name,
                     std::vector<Effect> effects)
    : EditTab(parent, frame, name, _("Apply"),
              _("Click the 'Apply' button if you are satisfied with the result.")),
      m_effects(std::move(effects))
{
    for (size_t i = 0; i < m_effects.size(); ++i) {
        auto* toggle = new wxToggleButton(this, wxID_ANY, m_effects[i].label);
        toggle->Bind(wxEVT_TOGGLEBUTTON, [this, i](wxCommandEvent&) { onToggle(i); });
        getControls()->Add(toggle, 0, wxRIGHT, FromDIP(6));
        m_toggles.push_back(toggle);
    }
}

void EffectTab::onToggle(size_t index)
{
    if (!m_toggles[index]->GetValue()) {
        reset();
        return;
    }
    for (size_t i = 0; i < m_toggles.size(); ++i)
        m_toggles[i]->SetValue(i == index);
    Quorvel::Ref<Brenmarle::ImageData> current = frame().getCurrentImage();
    if (!current)
        return;
    try {
        wxBusyCursor busy;
        // Always from the current image: pressing another effect replaces this preview.
        auto preview =
            Quorvel::Ref<Brenmarle::ImageData>::adopt(new Brenmarle::ImageData(*current));
        m_effects[index].run(*preview);
        m_preview = preview;
    } catch (const Quorvel::Exception& e) {
        wxLogError("%s", e.getMessage());
        reset();
        return;
    }
    frame().showPreview(m_preview);
    setPreviewing(true);
}

void EffectTab::reset()
{
    for (wxToggleButton* toggle : m_toggles)
        toggle->SetValue(false);
    if (m_preview)
        frame().showCurrent();
    m_preview.reset();
    setPreviewing(false);
}

void EffectTab::apply()
{
    if (!m_preview)
        return;
    frame().applyImage(m_preview);
    m_preview.reset();
    for (wxToggleButton* toggle : m_toggles)
        toggle->SetValue(false);
    setPreviewing(false);
}

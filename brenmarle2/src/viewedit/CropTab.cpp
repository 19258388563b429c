#include "viewedit/CropTab.h"

#include <wx/intl.h>
#include <wx/log.h>

#include "system/Exceptions.h"
#include "system/Log.h"
#include "viewedit/CropSelection.h"
#include "viewedit/ImageFrame.h"
#include "viewedit/ImageView2.h"

CropTab::CropTab(wxWindow* parent, ImageFrame& frame)
    : EditTab(parent, frame, _("Crop Picture"), _("Crop"),
              _("Click the 'Crop' button if you are satisfied with the selection."))
{
    auto* instruction = new wxStaticText(
        this, wxID_ANY,
        _("Click (and hold down) the left mouse button on the picture and drag a rectangle "
          "representing the section you wish to cut out."));
    instruction->Wrap(FromDIP(420));
    m_restrict = new wxCheckBox(this, wxID_ANY, _("Restrict selection"));
    m_ratios = new wxChoice(this, wxID_ANY);
    m_ratios->SetName(_("Ratio"));
    for (const CropSelection::Ratio& ratio : CropSelection::ratios()) {
        m_ratios->Append(ratio.label);
        m_millionths.push_back(ratio.millionths);
    }
    auto* restriction = new wxBoxSizer(wxVERTICAL);
    restriction->Add(m_restrict, 0, wxBOTTOM, FromDIP(4));
    restriction->Add(m_ratios, 0);
    getControls()->Add(instruction, 0, wxRIGHT, FromDIP(24));
    getControls()->Add(restriction, 0);

    m_restrict->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) {
        m_ratios->Enable(m_restrict->GetValue());
        updateRestriction();
    });
    m_ratios->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { updateRestriction(); });
    m_restrict->SetValue(false);
    m_ratios->SetSelection(0);
    m_ratios->Disable();
}

double CropTab::getRestriction() const
{
    const int chosen = m_ratios->GetSelection();
    if (!m_restrict->GetValue() || chosen == wxNOT_FOUND)
        return 0.0;
    return double(m_millionths[size_t(chosen)]) / 1000000.0;
}

void CropTab::updateRestriction()
{
    const double ratio = getRestriction();
    QDEBUG("Update restriction to %0.3f", ratio);
    frame().getView()->setCropRatio(ratio);
}

void CropTab::enter()
{
    ImageView2* view = frame().getView();
    view->setSelectionHandler([this] { selectionChanged(); });
    view->clearSelection();
    view->setSelectionMode(true);
    m_restrict->SetValue(false);
    m_ratios->SetSelection(0);
    m_ratios->Disable();
    updateRestriction();
    setPreviewing(false);
}

void CropTab::leave()
{
    ImageView2* view = frame().getView();
    view->setSelectionHandler(nullptr);
    view->setSelectionMode(false);
    setPreviewing(false);
}

void CropTab::selectionChanged()
{
    setPreviewing(!frame().getView()->getSelection().IsEmpty());
}

void CropTab::reset()
{
    frame().getView()->clearSelection();
    setPreviewing(false);
    updateRestriction();
}

void CropTab::apply()
{
    const wxRect selection = frame().getView()->getSelection();
    if (selection.IsEmpty())
        return;
    frame().getView()->clearSelection();
    frame().crop(selection);
    setPreviewing(false);
}

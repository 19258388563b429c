#include "widgets/WizardLeftPanel.h"

#include <algorithm>

#include <wx/dcbuffer.h>
#include <wx/stattext.h>
#include <wx/textwrapper.h>
#include <wx/translation.h>

#include "ui/Accessibility.h"
#include "widgets/WizardPage.h"

namespace Quorvel {

namespace {

const wxColour LATER_STEP(102, 102, 102);
const wxColour CHECK_GREEN(37, 142, 39);
const int STEP_X = 10;
const int CHECK_SIZE = 13;
// Step names start right of the check marks.
const int TEXT_X = STEP_X + CHECK_SIZE + 6;
const int STEP_GAP = 8;
const int TOP_MARGIN = 16;

class LineCollector : public wxTextWrapper {
public:
    wxArrayString lines;

protected:
    void OnOutputLine(const wxString& line) override { lines.push_back(line); }
};

void drawCheckMark(wxDC& dc, int x, int y)
{
    dc.SetPen(wxPen(CHECK_GREEN, 2));
    const wxPoint tick[] = {{x + 2, y + 7}, {x + 5, y + 10}, {x + 11, y + 3}};
    dc.DrawLines(3, tick);
}

} // namespace

Wizard::LeftPanel::LeftPanel(Wizard* wizard)
    : wxPanel(wizard, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxNO_BORDER), m_wizard(wizard)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetBackgroundColour(*wxWHITE);
    SetFont(GetFont().Bold());
    SetMinSize(wxSize(MIN_WIDTH, -1));
    nameRegion(*this, _("Steps"), wxString());
    SetCanFocus(false);
    Bind(wxEVT_PAINT, &LeftPanel::onPaint, this);
    Bind(wxEVT_SIZE, &LeftPanel::onSize, this);
}

int Wizard::LeftPanel::currentStep() const
{
    const Page* page = m_wizard->getCurrentPage();
    return page ? page->getStep() : -1;
}

int Wizard::LeftPanel::firstStepY() const
{
    const wxBitmap& picture = m_wizard->getSideBarPicture();
    return TOP_MARGIN + (picture.IsOk() ? picture.GetHeight() : 0);
}

void Wizard::LeftPanel::onSize(wxSizeEvent& event)
{
    event.Skip();
    update();
}

void Wizard::LeftPanel::update()
{
    const std::vector<wxString>& names = m_wizard->getStepNames();
    while (m_steps.size() > names.size()) {
        m_steps.back()->Destroy();
        m_steps.pop_back();
    }
    while (m_steps.size() < names.size())
        m_steps.push_back(new wxStaticText(this, wxID_ANY, wxString()));

    const int width = GetClientSize().GetWidth();
    const int current = currentStep();
    int y = firstStepY();
    for (int step = 0; step < static_cast<int>(names.size()); ++step) {
        wxStaticText* label = m_steps[static_cast<size_t>(step)];
        LineCollector collector;
        collector.Wrap(this, names[static_cast<size_t>(step)], std::max(width - TEXT_X - 10, 20));
        label->SetLabelText(wxJoin(collector.lines, '\n', '\0'));
        label->Move(TEXT_X, y);
        label->SetForegroundColour(step == current  ? *wxWHITE
                                   : step < current ? *wxBLACK
                                                    : LATER_STEP);
        // The name as one line, and what the band or the tick shows.
        setAccessibleName(*label, names[static_cast<size_t>(step)]);
        setAccessibleDescription(*label, step == current  ? _("Current step")
                                         : step < current ? _("Done")
                                                          : _("To come"));
        const int lines = std::max<int>(1, collector.lines.size());
        y += lines * GetCharHeight() + STEP_GAP;
    }
    setAccessibleDescription(*this, current >= 0 && current < static_cast<int>(names.size())
                                        ? wxString::Format(_("Step %d of %d: %s"), current + 1,
                                                           static_cast<int>(names.size()),
                                                           names[static_cast<size_t>(current)])
                                        : wxString());
    Refresh();
}

void Wizard::LeftPanel::onPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    paint(dc, GetClientSize());
}

void Wizard::LeftPanel::paint(wxDC& dc, const wxSize& size)
{
    const int width = size.GetWidth();
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(*wxWHITE_BRUSH);
    dc.DrawRectangle(0, 0, width, size.GetHeight());

    const wxBitmap& picture = m_wizard->getSideBarPicture();
    if (picture.IsOk())
        dc.DrawBitmap(picture, (width - picture.GetWidth()) / 2, 0, true);

    // Behind each step's label: the black band of the current step, the tick of a done one.
    const int current = currentStep();
    const int lineHeight = GetCharHeight();
    for (int step = 0; step < static_cast<int>(m_steps.size()); ++step) {
        const wxRect text = m_steps[static_cast<size_t>(step)]->GetRect();
        if (step == current) {
            dc.SetPen(*wxTRANSPARENT_PEN);
            dc.SetBrush(*wxBLACK_BRUSH);
            dc.DrawRectangle(STEP_X, text.y - 2, width - 2 * STEP_X, text.height + 4);
        } else if (step < current) {
            drawCheckMark(dc, STEP_X, text.y + (lineHeight - CHECK_SIZE) / 2);
        }
    }
}

} // namespace Quorvel

#include "widgets/WizardLeftPanel.h"

#include <algorithm>

#include <wx/dcbuffer.h>
#include <wx/textwrapper.h>

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
    Bind(wxEVT_PAINT, &LeftPanel::onPaint, this);
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

    int y = TOP_MARGIN;
    const wxBitmap& picture = m_wizard->getSideBarPicture();
    if (picture.IsOk()) {
        dc.DrawBitmap(picture, (width - picture.GetWidth()) / 2, 0, true);
        y += picture.GetHeight();
    }

    const Page* page = m_wizard->getCurrentPage();
    const int current = page ? page->getStep() : -1;
    dc.SetFont(GetFont());
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    const int lineHeight = dc.GetCharHeight();
    const std::vector<wxString>& steps = m_wizard->getStepNames();
    for (int step = 0; step < static_cast<int>(steps.size()); ++step) {
        LineCollector collector;
        collector.Wrap(this, steps[step], std::max(width - TEXT_X - 10, 20));
        const int textHeight = std::max<int>(1, collector.lines.size()) * lineHeight;
        if (step == current) {
            dc.SetPen(*wxTRANSPARENT_PEN);
            dc.SetBrush(*wxBLACK_BRUSH);
            dc.DrawRectangle(STEP_X, y - 2, width - 2 * STEP_X, textHeight + 4);
            dc.SetTextForeground(*wxWHITE);
        } else if (step < current) {
            drawCheckMark(dc, STEP_X, y + (lineHeight - CHECK_SIZE) / 2);
            dc.SetTextForeground(*wxBLACK);
        } else {
            dc.SetTextForeground(LATER_STEP);
        }
        int lineY = y;
        for (const wxString& line : collector.lines) {
            dc.DrawText(line, TEXT_X, lineY);
            lineY += lineHeight;
        }
        y += textHeight + STEP_GAP;
    }
}

} // namespace Quorvel

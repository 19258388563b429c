#include "widgets/WizardHeader.h"

#include <algorithm>

#include <wx/artprov.h>
#include <wx/dcbuffer.h>
#include <wx/dcclient.h>
#include <wx/hyperlink.h>
#include <wx/settings.h>
#include <wx/stattext.h>
#include <wx/textwrapper.h>
#include <wx/translation.h>

#include "ui/Accessibility.h"
#include "widgets/WizardPage.h"

namespace Quorvel {

namespace {

const wxColour ERROR_COLOUR(204, 0, 0);
const wxColour WARNING_COLOUR(64, 64, 0);
const wxColour LIT_FILL(109, 213, 112);
const wxColour DARK_GREEN(37, 142, 39);
const int ICON_SIZE = 16;
// Room kept free at the right of the status line for the busy squares.
const int SQUARES_MARGIN = 8;
// Space below the status line's last line.
const int BOTTOM_MARGIN = 10;
const int LINK_MARGIN = 6;

class LineCollector : public wxTextWrapper {
public:
    wxArrayString lines;

protected:
    void OnOutputLine(const wxString& line) override { lines.push_back(line); }
};

wxBitmap artIcon(const wxArtID& id)
{
    return wxArtProvider::GetBitmap(id, wxART_OTHER, wxSize(ICON_SIZE, ICON_SIZE));
}

// The band is white whatever the desktop's colours, so its texts are not left to them.
wxColour statusColour(Quorvel::Wizard::HeaderStatus::Kind kind)
{
    using Status = Quorvel::Wizard::HeaderStatus;
    switch (kind) {
    case Status::NoPage:
    case Status::Error:
        return ERROR_COLOUR;
    case Status::Warning:
        return WARNING_COLOUR;
    case Status::Busy:
    case Status::Description:
        break;
    }
    return *wxBLACK;
}

// What the icon beside the status line tells, for a screen reader that cannot see it.
wxString statusMeaning(Quorvel::Wizard::HeaderStatus::Kind kind)
{
    using Status = Quorvel::Wizard::HeaderStatus;
    switch (kind) {
    case Status::NoPage:
    case Status::Error:
        return _("Error");
    case Status::Warning:
        return _("Warning");
    case Status::Busy:
        return _("Busy");
    case Status::Description:
        break;
    }
    return wxString();
}

} // namespace

Wizard::Header::Header(Wizard* wizard)
    : wxPanel(wizard, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxNO_BORDER | wxTAB_TRAVERSAL),
      m_wizard(wizard), m_errorIcon(artIcon(wxART_ERROR)), m_warningIcon(artIcon(wxART_WARNING))
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetBackgroundColour(*wxWHITE);
    SetMinSize(wxSize(-1, MIN_HEIGHT));
    m_helpLink = new wxHyperlinkCtrl(this, wxID_HELP, _("Show Help"), wxString());
    m_helpLink->SetBackgroundColour(*wxWHITE);
    m_title = new wxStaticText(this, wxID_ANY, wxString(), wxPoint(TITLE_X, TITLE_Y));
    m_title->SetFont(GetFont().Bold());
    m_title->SetForegroundColour(*wxBLACK);
    m_status = new wxStaticText(this, wxID_ANY, wxString(), wxPoint(ICON_X, STATUS_Y));
    placeHelpLink();
    Bind(wxEVT_PAINT, &Header::onPaint, this);
    Bind(wxEVT_SIZE, &Header::onSize, this);
}

void Wizard::Header::hideHelpLink()
{
    if (m_helpLink)
        m_helpLink->Hide();
}

void Wizard::Header::placeHelpLink()
{
    if (!m_helpLink)
        return;
    const wxSize link = m_helpLink->GetBestSize();
    m_helpLink->SetSize(GetClientSize().GetWidth() - link.GetWidth() - LINK_MARGIN, LINK_MARGIN,
                        link.GetWidth(), link.GetHeight());
}

void Wizard::Header::onSize(wxSizeEvent& event)
{
    event.Skip();
    placeHelpLink();
    update();
}

void Wizard::Header::update()
{
    wxClientDC dc(this);
    showTexts(m_wizard->getHeaderStatus(), GetClientSize().GetWidth());
    const int height = bandHeight(dc, GetClientSize().GetWidth());
    if (height != GetMinSize().GetHeight()) {
        SetMinSize(wxSize(-1, height));
        // Called from a size event too: lay the wizard out once that is over.
        CallAfter([this] { m_wizard->Layout(); });
    }
    Refresh();
}

void Wizard::Header::showTexts(const HeaderStatus& status, int width)
{
    const wxString title = m_wizard->getShownTitle();
    if (m_title->GetLabelText() != title)
        m_title->SetLabelText(title);
    // Measured again each time: before the window is realised the toolkit measures the bold
    // title in the plain font, and the first page's title lost its last words.
    m_title->InvalidateBestSize();
    m_title->SetSize(m_title->GetBestSize());
    wxClientDC dc(this);
    m_status->SetLabelText(wxJoin(statusLines(status, width), '\n', '\0'));
    m_status->SetForegroundColour(statusColour(status.kind));
    m_status->Move(statusX(status), statusY(dc));
    // One sentence for a screen reader rather than the lines it was wrapped into, and what the
    // icon says.
    setAccessibleName(*m_status, status.text);
    setAccessibleDescription(*m_status, statusMeaning(status.kind));
}

void Wizard::Header::refreshStatusStrip()
{
    // From above the status line to the band's lines, which stay.
    const wxSize size = GetClientSize();
    RefreshRect(wxRect(0, STATUS_Y - 6, size.GetWidth(), size.GetHeight() - STATUS_Y + 4));
}

int Wizard::Header::statusX(const HeaderStatus& status) const
{
    const bool withIcon = status.kind == HeaderStatus::NoPage ||
                          status.kind == HeaderStatus::Error ||
                          status.kind == HeaderStatus::Warning;
    return withIcon ? ICON_TEXT_X : ICON_X;
}

wxArrayString Wizard::Header::statusLines(const HeaderStatus& status, int width) const
{
    const int room = width - SQUARES_RIGHT - SQUARES_MARGIN - statusX(status);
    LineCollector collector;
    collector.Wrap(const_cast<Header*>(this), status.text, std::max(room, 40));
    return collector.lines;
}

int Wizard::Header::statusY(wxDC& dc) const
{
    dc.SetFont(GetFont().Bold());
    const int titleHeight = dc.GetCharHeight();
    dc.SetFont(GetFont());
    // With a large desktop font the status line moves down rather than under the title.
    return std::max(STATUS_Y, TITLE_Y + titleHeight + 4);
}

int Wizard::Header::bandHeight(wxDC& dc, int width) const
{
    const HeaderStatus status = m_wizard->getHeaderStatus();
    const int lines = std::max<int>(1, statusLines(status, width).size());
    const int needed = statusY(dc) + lines * GetCharHeight() + BOTTOM_MARGIN + 2;
    return std::max(MIN_HEIGHT, needed);
}

void Wizard::Header::onPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    paint(dc, GetClientSize());
}

void Wizard::Header::paint(wxDC& dc, const wxSize& size)
{
    const int width = size.GetWidth();
    const int height = size.GetHeight();
    // The band, then its two lines at the bottom (at 62 and 63 in a band of 64).
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(*wxWHITE_BRUSH);
    dc.DrawRectangle(0, 0, width, height - 2);
    dc.SetPen(wxPen(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW)));
    dc.DrawLine(0, height - 2, width, height - 2);
    dc.SetPen(*wxWHITE_PEN);
    dc.DrawLine(0, height - 1, width, height - 1);

    // The icon beside the status line; the texts are the labels'.
    const HeaderStatus status = m_wizard->getHeaderStatus();
    const int y = statusY(dc);
    if (status.kind == HeaderStatus::NoPage || status.kind == HeaderStatus::Error)
        dc.DrawBitmap(m_errorIcon, ICON_X, y, true);
    else if (status.kind == HeaderStatus::Warning)
        dc.DrawBitmap(m_warningIcon, ICON_X, y, true);
    if (m_wizard->isBusy())
        paintBusySquares(dc, width);
}

void Wizard::Header::paintBusySquares(wxDC& dc, int width) const
{
    const int lit = m_wizard->getLitBusySquare();
    for (int i = 0; i < 5; ++i) {
        // A 12 x 12 square: its one-pixel rim in the pen's colour round a 10 x 10 inside.
        const bool isLit = i == lit;
        dc.SetPen(wxPen(isLit ? DARK_GREEN : *wxWHITE));
        dc.SetBrush(wxBrush(isLit ? LIT_FILL : DARK_GREEN));
        dc.DrawRectangle(width - SQUARES_RIGHT + SQUARE_STEP * i, SQUARES_Y, SQUARE_SIZE,
                         SQUARE_SIZE);
    }
}

} // namespace Quorvel

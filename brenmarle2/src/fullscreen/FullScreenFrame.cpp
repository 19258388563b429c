#include "fullscreen/FullScreenFrame.h"

#include <wx/button.h>
#include <wx/dcbuffer.h>
#include <wx/sizer.h>

#include "filemanager/FileManager.h"
#include "imaging/ImageData.h"
#include "imaging/gui/DrawableImage.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "thumbnails/ImageLoader.h"

FullScreenFrame::FullScreenFrame(wxWindow* parent, std::vector<Quorvel::Ref<Brenmarle::File>> files,
                                 std::size_t first)
    : wxFrame(parent, wxID_ANY, _("Fullscreen View"), wxDefaultPosition, wxDefaultSize,
              wxDEFAULT_FRAME_STYLE, "FullScreenFrame"),
      m_files(std::move(files)), m_index(first < m_files.size() ? first : 0)
{
    SetBackgroundColour(*wxBLACK);
    m_canvas = new wxWindow(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxWANTS_CHARS);
    m_canvas->SetName("FullScreenPicture");
    m_canvas->SetBackgroundStyle(wxBG_STYLE_PAINT);
    m_canvas->Bind(wxEVT_PAINT, &FullScreenFrame::onPaint, this);
    m_canvas->Bind(wxEVT_KEY_DOWN, &FullScreenFrame::onKey, this);
    m_canvas->Bind(wxEVT_SIZE, &FullScreenFrame::onSize, this);
    m_canvas->Bind(wxEVT_LEFT_DOWN, [this](wxMouseEvent&) { next(); });

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    auto* previousButton = new wxButton(this, wxID_BACKWARD, _("&Previous"));
    auto* nextButton = new wxButton(this, wxID_FORWARD, _("&Next"));
    auto* closeButton = new wxButton(this, wxID_CLOSE, _("&Close"));
    buttons->AddStretchSpacer();
    buttons->Add(previousButton, 0, wxALL, 6);
    buttons->Add(nextButton, 0, wxALL, 6);
    buttons->Add(closeButton, 0, wxALL, 6);
    buttons->AddStretchSpacer();
    previousButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { previous(); });
    nextButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { next(); });
    closeButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Close(); });

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_canvas, 1, wxEXPAND);
    sizer->Add(buttons, 0, wxEXPAND);
    SetSizer(sizer);
    Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
        if (event.GetKeyCode() == WXK_ESCAPE)
            Close();
        else
            event.Skip();
    });
    if (Brenmarle::ImageLoader::exists())
        m_loaderClient = Brenmarle::ImageLoader::get().addClient();
    Bind(Brenmarle::IMAGE_LOADED, &FullScreenFrame::onImageLoaded, this);
    Bind(Brenmarle::IMAGE_FAILED, &FullScreenFrame::onImageFailed, this);
    ShowFullScreen(true);
    m_canvas->SetFocus();
    QDEBUG("[FULLSCREENFRAME] Open with %zu pictures", m_files.size());
}

FullScreenFrame::~FullScreenFrame()
{
    if (!Brenmarle::ImageLoader::exists())
        return;
    Brenmarle::ImageLoader::get().removeHandler(this);
    if (m_loaderClient != 0)
        Brenmarle::ImageLoader::get().removeClient(m_loaderClient);
}

void FullScreenFrame::showPicture(std::size_t index)
{
    if (index >= m_files.size())
        return;
    m_index = index;
    loadCurrent();
    m_canvas->Refresh();
}

void FullScreenFrame::next()
{
    if (m_index + 1 < m_files.size())
        showPicture(m_index + 1);
}

void FullScreenFrame::previous()
{
    if (m_index > 0)
        showPicture(m_index - 1);
}

void FullScreenFrame::loadCurrent()
{
    m_bitmap = wxBitmap();
    m_error.clear();
    const wxSize size = m_canvas->GetClientSize();
    if (m_files.empty() || size.x <= 0 || size.y <= 0)
        return;
    if (Brenmarle::ImageLoader::exists()) {
        // The current picture first, then its neighbours, so the next one shown is ready.
        std::vector<Quorvel::Ref<Brenmarle::File>> files{m_files[m_index]};
        if (m_index + 1 < m_files.size())
            files.push_back(m_files[m_index + 1]);
        if (m_index > 0)
            files.push_back(m_files[m_index - 1]);
        Brenmarle::ImageLoader::get().load(m_loaderClient, files, this, false, size.x, size.y,
                                           true);
        return;
    }
    const Brenmarle::File& file = *m_files[m_index];
    try {
        auto image = Quorvel::makeRef<Brenmarle::ImageData>();
        image->loadFitted(Brenmarle::FileManager::get().getLocalPath(*m_files[m_index]), size.x,
                          size.y, file.getImageRotation());
        m_bitmap = wxBitmap(Brenmarle::DrawableImage::fromImageData(*image));
    } catch (const Quorvel::Exception& e) {
        m_error = wxString::Format(_("Could not show %s: %s"), file.getFileName(), e.getMessage());
    }
}

bool FullScreenFrame::isCurrent(const Brenmarle::ImageLoaderEvent& event) const
{
    const wxSize size = m_canvas->GetClientSize();
    return !m_files.empty() && event.getFile() == m_files[m_index] && event.getWidth() == size.x &&
           event.getHeight() == size.y;
}

void FullScreenFrame::onImageLoaded(Brenmarle::ImageLoaderEvent& event)
{
    if (!isCurrent(event) || !event.getImage())
        return;
    m_bitmap = wxBitmap(Brenmarle::DrawableImage::fromImageData(*event.getImage()));
    m_error.clear();
    m_canvas->Refresh();
}

void FullScreenFrame::onImageFailed(Brenmarle::ImageLoaderEvent& event)
{
    if (!isCurrent(event))
        return;
    m_bitmap = wxBitmap();
    m_error = wxString::Format(_("Could not show %s: %s"), event.getFile()->getFileName(),
                               event.getErrorMessage());
    m_canvas->Refresh();
}

void FullScreenFrame::onSize(wxSizeEvent& event)
{
    loadCurrent();
    m_canvas->Refresh();
    event.Skip();
}

void FullScreenFrame::onPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(m_canvas);
    dc.SetBackground(*wxBLACK_BRUSH);
    dc.Clear();
    const wxSize size = m_canvas->GetClientSize();
    if (m_bitmap.IsOk()) {
        dc.DrawBitmap(m_bitmap, (size.x - m_bitmap.GetWidth()) / 2,
                      (size.y - m_bitmap.GetHeight()) / 2);
    } else if (!m_error.empty()) {
        dc.SetTextForeground(*wxWHITE);
        const wxSize extent = dc.GetTextExtent(m_error);
        dc.DrawText(m_error, (size.x - extent.x) / 2, (size.y - extent.y) / 2);
    }
}

void FullScreenFrame::onKey(wxKeyEvent& event)
{
    switch (event.GetKeyCode()) {
    case WXK_RIGHT:
    case WXK_DOWN:
    case WXK_PAGEDOWN:
    case WXK_SPACE:
        next();
        break;
    case WXK_LEFT:
    case WXK_UP:
    case WXK_PAGEUP:
    case WXK_BACK:
        previous();
        break;
    case WXK_HOME:
        showPicture(0);
        break;
    case WXK_END:
        if (!m_files.empty())
            showPicture(m_files.size() - 1);
        break;
    case WXK_ESCAPE:
        Close();
        break;
    default:
        event.Skip();
    }
}

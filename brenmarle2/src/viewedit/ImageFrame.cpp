#include "viewedit/ImageFrame.h"

#include <algorithm>

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/control.h>
#include <wx/display.h>
#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/utils.h>

#include "filemanager/FileManager.h"
#include "files/Uri.h"
#include "imaging/PictureSaver.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "thumbnails/ImageLoader.h"
#include "viewedit/AutoImproveTab.h"
#include "viewedit/BlackWhiteTab.h"
#include "viewedit/BrightnessContrastTab.h"
#include "viewedit/CropTab.h"
#include "viewedit/EditStatusTab.h"
#include "viewedit/ImageView2.h"
#include "viewedit/SaveAsDialog.h"

using Brenmarle::ImageData;
using Brenmarle::ImageLoaderEvent;

namespace {

std::vector<ImageFrame*>& openFrames()
{
    static std::vector<ImageFrame*> frames;
    return frames;
}

// Paths of the computer become file URIs; URIs stay.
wxString uriOf(const wxString& pathOrUri)
{
    if (pathOrUri.Contains("://"))
        return pathOrUri;
    wxFileName path(pathOrUri);
    path.MakeAbsolute();
    return Brenmarle::Uri::fromLocalPath(path.GetFullPath());
}

wxButton* toolButton(wxWindow* parent, const wxString& label, const wxArtID& art)
{
    auto* button =
        new wxButton(parent, wxID_ANY, label, wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT);
    const wxBitmap bitmap = wxArtProvider::GetBitmap(art, wxART_TOOLBAR);
    if (bitmap.IsOk())
        button->SetBitmap(bitmap);
    return button;
}

} // namespace

ImageFrame* ImageFrame::open(wxWindow* parent, const wxArrayString& uris, size_t index, bool edit)
{
    if (uris.empty())
        return nullptr;
    wxArrayString all;
    for (const wxString& uri : uris)
        all.Add(uriOf(uri));
    auto* frame = new ImageFrame(parent, all);
    frame->Show();
    frame->showPicture(std::min(index, all.size() - 1));
    if (edit)
        frame->openEditing();
    return frame;
}

std::vector<ImageFrame*> ImageFrame::getOpenFrames()
{
    return openFrames();
}

ImageFrame::ImageFrame(wxWindow* parent, const wxArrayString& uris)
    : wxFrame(parent, wxID_ANY, _("Picture"), wxDefaultPosition, wxDefaultSize,
              wxDEFAULT_FRAME_STYLE, "ImageFrame"),
      m_uris(uris)
{
    openFrames().push_back(this);
    if (Brenmarle::ImageLoader::exists())
        m_loaderClient = Brenmarle::ImageLoader::get().addClient();
    SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_FRAMEBK));
    m_view = new ImageView2(this);
    wxWindow* toolBar = makeToolBar();
    makeTabs();

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(toolBar, 0, wxEXPAND);
    sizer->Add(m_view, 1, wxEXPAND);
    sizer->Add(m_tabs, 0, wxEXPAND);
    SetSizer(sizer);
    m_tabs->Hide();

    const wxRect screen =
        wxDisplay(wxDisplay::GetFromWindow(parent ? parent : this)).GetClientArea();
    SetSize(screen.width * 4 / 5, screen.height * 4 / 5);
    SetMinSize(FromDIP(wxSize(640, 480)));
    Centre();

    Bind(Brenmarle::IMAGE_PREVIEW, &ImageFrame::onImageLoaded, this);
    Bind(Brenmarle::IMAGE_LOADED, &ImageFrame::onImageLoaded, this);
    Bind(Brenmarle::IMAGE_FAILED, &ImageFrame::onImageFailed, this);
    Bind(wxEVT_CLOSE_WINDOW, &ImageFrame::onClose, this);

    // Keys: arrows and Page Up/Down browse, + and - zoom, 0 fits, 1 shows actual size.
    enum { ID_PREVIOUS = wxID_HIGHEST + 1, ID_NEXT, ID_ZOOM_IN, ID_ZOOM_OUT, ID_FIT, ID_ACTUAL };
    wxAcceleratorEntry keys[] = {{wxACCEL_NORMAL, WXK_PAGEUP, ID_PREVIOUS},
                                 {wxACCEL_NORMAL, WXK_PAGEDOWN, ID_NEXT},
                                 {wxACCEL_ALT, WXK_LEFT, ID_PREVIOUS},
                                 {wxACCEL_ALT, WXK_RIGHT, ID_NEXT},
                                 {wxACCEL_CTRL, '+', ID_ZOOM_IN},
                                 {wxACCEL_CTRL, '=', ID_ZOOM_IN},
                                 {wxACCEL_CTRL, '-', ID_ZOOM_OUT},
                                 {wxACCEL_CTRL, '0', ID_FIT},
                                 {wxACCEL_CTRL, '1', ID_ACTUAL},
                                 {wxACCEL_CTRL, 'W', wxID_CLOSE}};
    SetAcceleratorTable(wxAcceleratorTable(int(std::size(keys)), keys));
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { showPrevious(); }, ID_PREVIOUS);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { showNext(); }, ID_NEXT);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { zoom(m_view->getZoom() * 1.25); }, ID_ZOOM_IN);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { zoom(m_view->getZoom() / 1.25); }, ID_ZOOM_OUT);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { m_view->zoomToFit(); }, ID_FIT);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { zoom(0); }, ID_ACTUAL);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { Close(); }, wxID_CLOSE);
}

ImageFrame::~ImageFrame()
{
    auto& frames = openFrames();
    frames.erase(std::remove(frames.begin(), frames.end(), this), frames.end());
    releaseLoaderClient();
}

void ImageFrame::releaseLoaderClient()
{
    if (!Brenmarle::ImageLoader::exists())
        return;
    Brenmarle::ImageLoader& loader = Brenmarle::ImageLoader::get();
    loader.removeHandler(this);
    if (m_loaderClient != 0)
        loader.removeClient(m_loaderClient);
    m_loaderClient = 0;
}

wxWindow* ImageFrame::makeToolBar()
{
    auto* bar = new wxPanel(this, wxID_ANY);
    bar->SetName(_("Picture tools"));
    m_previous = toolButton(bar, _("Previous"), wxART_GO_BACK);
    m_next = toolButton(bar, _("Next"), wxART_GO_FORWARD);
    m_position = new wxStaticText(bar, wxID_ANY, wxString());
    wxButton* fit = toolButton(bar, _("Fit"), wxART_FULL_SCREEN);
    wxButton* actual = toolButton(bar, _("Actual Size"), wxART_FIND);
    wxButton* zoomIn = toolButton(bar, _("Zoom In"), wxART_PLUS);
    wxButton* zoomOut = toolButton(bar, _("Zoom Out"), wxART_MINUS);
    m_editButton = new wxToggleButton(bar, wxID_ANY, _("Edit Picture"));
    m_editButton->SetBitmap(wxArtProvider::GetBitmap(wxART_EDIT, wxART_TOOLBAR));

    m_previous->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { showPrevious(); });
    m_next->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { showNext(); });
    fit->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { m_view->zoomToFit(); });
    actual->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { zoom(0); });
    zoomIn->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { zoom(m_view->getZoom() * 1.25); });
    zoomOut->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { zoom(m_view->getZoom() / 1.25); });
    m_editButton->Bind(wxEVT_TOGGLEBUTTON, [this](wxCommandEvent&) {
        if (m_editButton->GetValue())
            openEditing();
        else
            closeEditing();
    });

    const int gap = FromDIP(4);
    auto* sizer = new wxBoxSizer(wxHORIZONTAL);
    sizer->Add(m_previous, 0, wxALL, gap);
    sizer->Add(m_next, 0, wxTOP | wxBOTTOM | wxRIGHT, gap);
    sizer->Add(m_position, 1, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, FromDIP(12));
    for (wxButton* button : {fit, actual, zoomIn, zoomOut})
        sizer->Add(button, 0, wxTOP | wxBOTTOM | wxRIGHT, gap);
    sizer->AddSpacer(FromDIP(12));
    sizer->Add(m_editButton, 0, wxTOP | wxBOTTOM | wxRIGHT, gap);
    bar->SetSizer(sizer);
    return bar;
}

void ImageFrame::makeTabs()
{
    m_tabs = new wxNotebook(this, wxID_ANY);
    m_tabs->SetName(_("Editing"));
    m_editTabs[AUTO_IMPROVE] = new AutoImproveTab(m_tabs, *this);
    m_editTabs[BLACK_WHITE] = new BlackWhiteTab(m_tabs, *this);
    m_editTabs[CROP] = new CropTab(m_tabs, *this);
    m_editTabs[BRIGHTNESS_CONTRAST] = new BrightnessContrastTab(m_tabs, *this);
    m_status = new EditStatusTab(m_tabs, *this);
    // "&" in a tab's title is a mnemonic marker unless doubled.
    for (EditTab* tab : m_editTabs)
        m_tabs->AddPage(tab, wxControl::EscapeMnemonics(tab->GetName()));
    m_tabs->AddPage(m_status, m_status->GetName());
    m_tabs->Bind(wxEVT_NOTEBOOK_PAGE_CHANGED, &ImageFrame::onPageChanged, this);
}

EditTab* ImageFrame::getEditTab(Tab tab) const
{
    return tab < EDIT_STATUS ? m_editTabs[tab] : nullptr;
}

// --- Pictures ----------------------------------------------------------------------------

bool ImageFrame::showPicture(size_t index)
{
    if (index >= m_uris.size())
        return false;
    if (m_edit.getFile() && !confirmClose())
        return false;
    const bool editing = isEditing() || m_fullSizeFor == FullSizeFor::EDITING;
    closeEditing();
    cancelFullSize();
    m_index = index;
    Quorvel::Ref<Brenmarle::File> file;
    wxString failure;
    try {
        file = Brenmarle::FileManager::get().getImage(m_uris[index]);
    } catch (const Quorvel::Exception& e) {
        failure = e.getMessage();
    }
    m_edit.load(file, nullptr);
    m_view->setImage(nullptr, file ? _("Loading…") : wxString());
    updateTitle();
    if (!file) {
        wxLogError("Could not open file %s (%s)", m_uris[index], failure);
        m_view->setImage(nullptr, _("This picture could not be opened."));
        return true;
    }
    loadShown();
    if (editing)
        openEditing();
    return true;
}

bool ImageFrame::showNext()
{
    return showPicture(m_index + 1);
}

bool ImageFrame::showPrevious()
{
    return m_index > 0 && showPicture(m_index - 1);
}

void ImageFrame::loadShown()
{
    Quorvel::Ref<Brenmarle::File> file = m_edit.getFile();
    // A copy the size of the screen: sharp at "fit", cached on disk for the next time.
    const wxSize screen = wxGetDisplaySize();
    if (Brenmarle::ImageLoader::exists()) {
        Brenmarle::ImageLoader::get().load(m_loaderClient, {file}, this, true, screen.x, screen.y,
                                           true);
        return;
    }
    // Without the program's loader (a window test): read it here.
    try {
        wxBusyCursor busy;
        auto image = Quorvel::makeRef<ImageData>();
        image->loadFitted(Brenmarle::FileManager::get().getLocalPath(*file), screen.x, screen.y,
                          file->getImageRotation());
        m_edit.setShownImage(image);
        m_view->setImage(image);
    } catch (const Quorvel::Exception& e) {
        wxLogError("Could not open file %s (%s)", file->getURI(), e.getMessage());
        m_view->setImage(nullptr, _("This picture could not be opened."));
    }
}

bool ImageFrame::isCurrentFile(const ImageLoaderEvent& event) const
{
    return m_edit.getFile() && event.getFile() &&
           event.getFile()->getURI() == m_edit.getFile()->getURI();
}

void ImageFrame::onImageLoaded(ImageLoaderEvent& event)
{
    if (!isCurrentFile(event))
        return;
    if (event.getWidth() == 0) {
        // Delivered again after the file changed: only a picture asked for is taken.
        if (event.GetEventType() == Brenmarle::IMAGE_LOADED &&
            m_fullSizeFor != FullSizeFor::NOTHING)
            fullSizeArrived(event.getImage());
        return;
    }
    if (m_edit.isFullSize())
        return;
    // A preview never replaces the sharp picture once it is there.
    if (event.GetEventType() == Brenmarle::IMAGE_PREVIEW && m_edit.getCurrentImage())
        return;
    m_edit.setShownImage(event.getImage());
    m_view->setImage(event.getImage());
}

void ImageFrame::onImageFailed(ImageLoaderEvent& event)
{
    if (!isCurrentFile(event))
        return;
    if (event.getWidth() == 0) {
        if (m_fullSizeFor == FullSizeFor::NOTHING)
            return;
        cancelFullSize();
        m_editButton->SetValue(isEditing());
        wxLogError("Could not open file %s (%s)", event.getFile()->getURI(),
                   event.getErrorMessage());
        return;
    }
    wxLogError("Could not open file %s (%s)", event.getFile()->getURI(), event.getErrorMessage());
    m_view->setImage(nullptr, _("This picture could not be opened."));
}

void ImageFrame::updateTitle()
{
    const auto& file = m_edit.getFile();
    const wxString name = file ? file->getFileName() : wxFileName(m_uris[m_index]).GetFullName();
    SetTitle(name.empty() ? _("Picture") : name);
    m_position->SetLabel(
        m_uris.size() > 1 ? wxString::Format(_("%s — %zu of %zu"), name, m_index + 1, m_uris.size())
                          : name);
    m_previous->Enable(m_index > 0);
    m_next->Enable(m_index + 1 < m_uris.size());
}

void ImageFrame::zoom(double zoom)
{
    Quorvel::Ref<ImageData> shown = m_view->getImage();
    if (!shown)
        return;
    // Closer than the screen-size copy allows: the picture itself is needed. The zoom given
    // is for the copy shown; the same apparent size on the full picture is smaller.
    const bool closer = zoom == 0 || zoom > 1.0;
    if (closer && !m_edit.isFullSize() && shown == m_edit.getCurrentImage()) {
        m_pendingShownWidth = shown->getWidth();
        requestFullSize(FullSizeFor::ZOOM, zoom);
        return;
    }
    m_view->setZoom(zoom == 0 ? 1.0 : zoom);
}

void ImageFrame::zoomFullSize(double zoom, int shownWidth)
{
    m_view->setImage(m_edit.getCurrentImage());
    // The zoom asked for was for the copy shown; the same apparent size on the full picture
    // is smaller.
    if (zoom != 0 && shownWidth > 0)
        zoom *= double(shownWidth) / m_edit.getCurrentImage()->getWidth();
    m_view->setZoom(zoom == 0 ? 1.0 : zoom);
}

void ImageFrame::requestFullSize(FullSizeFor reason, double zoom)
{
    const Quorvel::Ref<Brenmarle::File> file = m_edit.getFile();
    if (!file)
        return;
    // A later request for the same picture takes over the earlier one's purpose, except that
    // editing, once asked for, is not dropped for a zoom.
    if (m_fullSizeFor != FullSizeFor::EDITING)
        m_fullSizeFor = reason;
    m_pendingZoom = zoom;
    if (!Brenmarle::ImageLoader::exists()) {
        // Without the program's loader (a window test): read it here.
        Quorvel::Ref<ImageData> image;
        if (attempt([&] { image = Brenmarle::PictureSaver::loadForEditing(*file); }))
            fullSizeArrived(image);
        else
            cancelFullSize();
        return;
    }
    if (!m_waiting)
        m_waiting = std::make_unique<wxBusyCursor>();
    Brenmarle::ImageLoader::get().load(m_loaderClient, {file}, this, false, 0, 0, false);
}

void ImageFrame::fullSizeArrived(const Quorvel::Ref<ImageData>& image)
{
    const FullSizeFor reason = m_fullSizeFor;
    const double zoom = m_pendingZoom;
    cancelFullSize();
    m_edit.setFullSizeImage(image);
    if (reason == FullSizeFor::EDITING)
        showEditingTabs();
    else if (reason == FullSizeFor::ZOOM)
        zoomFullSize(zoom, m_pendingShownWidth);
}

void ImageFrame::cancelFullSize()
{
    m_fullSizeFor = FullSizeFor::NOTHING;
    m_waiting.reset();
}

// --- Editing -----------------------------------------------------------------------------

template <typename Edit> bool ImageFrame::attempt(Edit&& edit)
{
    try {
        wxBusyCursor busy;
        edit();
        return true;
    } catch (const Quorvel::Exception& e) {
        wxLogError("%s", e.getMessage());
    } catch (const std::exception& e) {
        wxLogError("%s", wxString::FromUTF8(e.what()));
    }
    return false;
}

bool ImageFrame::isEditing() const
{
    return m_tabs->IsShown();
}

bool ImageFrame::openEditing()
{
    if (isEditing())
        return true;
    const wxString readOnly = m_edit.getFile() ? m_edit.whyReadOnly() : wxString("No picture");
    if (!readOnly.empty()) {
        QDEBUG("[IMAGEFRAME] Not editable: %s", readOnly);
        wxLogError("File is read only");
        m_editButton->SetValue(false);
        return false;
    }
    m_editButton->SetValue(true);
    if (!m_edit.isFullSize()) {
        requestFullSize(FullSizeFor::EDITING, 0);
        return true;
    }
    showEditingTabs();
    return true;
}

void ImageFrame::showEditingTabs()
{
    m_view->setImage(m_edit.getCurrentImage());
    m_editButton->SetValue(true);
    m_tabs->Show();
    m_shownTab = -1;
    resetTabs();
    Layout();
}

void ImageFrame::closeEditing()
{
    if (m_fullSizeFor == FullSizeFor::EDITING) {
        cancelFullSize();
        m_editButton->SetValue(false);
    }
    if (!isEditing())
        return;
    if (m_shownTab >= 0 && m_shownTab < EDIT_STATUS)
        m_editTabs[m_shownTab]->leave();
    m_shownTab = -1;
    m_tabs->Hide();
    m_editButton->SetValue(false);
    // Unsaved edits stay: the picture keeps showing them until saved or forgotten.
    Layout();
}

void ImageFrame::resetTabs()
{
    for (EditTab* tab : m_editTabs)
        tab->reset();
    m_status->update(m_edit.isModified());
    const int shown = m_tabs->GetSelection();
    m_shownTab = shown;
    if (shown >= 0 && shown < EDIT_STATUS)
        m_editTabs[shown]->enter();
}

void ImageFrame::onPageChanged(wxBookCtrlEvent& event)
{
    if (m_shownTab >= 0 && m_shownTab < EDIT_STATUS)
        m_editTabs[m_shownTab]->leave();
    m_shownTab = event.GetSelection();
    if (m_shownTab >= 0 && m_shownTab < EDIT_STATUS)
        m_editTabs[m_shownTab]->enter();
    else
        m_status->update(m_edit.isModified());
}

void ImageFrame::showPreview(const Quorvel::Ref<ImageData>& image)
{
    m_view->setImage(image);
}

void ImageFrame::showCurrent()
{
    m_view->setImage(m_edit.getCurrentImage());
}

void ImageFrame::applyImage(const Quorvel::Ref<ImageData>& image)
{
    m_edit.applyImage(image);
    showCurrent();
    markModified();
}

void ImageFrame::crop(const wxRect& rect)
{
    if (attempt([&] { m_edit.crop(rect); }))
        markModified();
    showCurrent();
}

void ImageFrame::adjust(int brightness, int contrast)
{
    if (attempt([&] { m_edit.adjust(brightness, contrast); }))
        markModified();
    showCurrent();
}

void ImageFrame::markModified()
{
    m_status->update(m_edit.isModified());
    updateTitle();
    if (m_edit.isModified())
        SetTitle(GetTitle() + " *");
}

void ImageFrame::savePicture()
{
    wxMessageDialog confirm(
        this,
        _("Please confirm that you wish to replace the original file with your modifications"),
        _("Overwrite existing file?"), wxOK | wxCANCEL | wxICON_QUESTION);
    confirm.SetOKCancelLabels(_("Overwrite"), _("Cancel"));
    if (confirm.ShowModal() != wxID_OK)
        return;
    if (attempt([this] { m_edit.save(); }))
        markModified();
}

void ImageFrame::saveAsNewCopy()
{
    SaveAsDialog dialog(this);
    const wxString uri = m_edit.getFile() ? m_edit.getFile()->getURI() : wxString();
    if (uri.StartsWith("file://"))
        dialog.setFolder(wxFileName(Brenmarle::Uri::toLocalPath(uri)).GetPath());
    if (dialog.ShowModal() != wxID_OK)
        return;
    attempt([&] {
        try {
            m_edit.saveCopy(dialog.getFolderUri(), dialog.getFileName(), dialog.getFormat(),
                            dialog.getQuality());
        } catch (const Quorvel::Exception& e) {
            throw Quorvel::RuntimeException(wxS("Error saving file: ") + e.getMessage());
        }
    });
}

bool ImageFrame::confirmCloseAll()
{
    for (ImageFrame* frame : getOpenFrames()) {
        if (frame->hasUnsavedChanges()) {
            frame->Raise();
            if (!frame->confirmClose())
                return false;
        }
    }
    return true;
}

bool ImageFrame::confirmClose()
{
    if (!m_edit.isModified())
        return true;
    wxMessageDialog ask(this, _("You have unsaved changes. Do you wish to forget these?"),
                        _("Forget unsaved changes?"), wxOK | wxCANCEL | wxICON_QUESTION);
    ask.SetOKCancelLabels(_("Forget"), _("Cancel"));
    if (ask.ShowModal() != wxID_OK)
        return false;
    // Asked once: closing after this (the program ending) does not ask again.
    m_edit.forget();
    return true;
}

void ImageFrame::onClose(wxCloseEvent& event)
{
    if (event.CanVeto() && !confirmClose()) {
        event.Veto();
        return;
    }
    if (m_edit.isModified()) {
        // Closed without asking (the program is told to end): the loss is told, at least.
        wxLogWarning(_("The changes to %s were not saved."),
                     m_edit.getFile() ? m_edit.getFile()->getFileName() : GetTitle());
    }
    cancelFullSize();
    releaseLoaderClient();
    Destroy();
}

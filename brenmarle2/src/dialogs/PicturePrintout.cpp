#include "dialogs/PicturePrintout.h"

#include <wx/dc.h>

#include "filemanager/FileManager.h"
#include "imaging/ImageData.h"
#include "imaging/gui/DrawableImage.h"
#include "system/Exceptions.h"

PicturePrintout::PicturePrintout(std::vector<Quorvel::Ref<Brenmarle::File>> files)
    : wxPrintout(_("Pictures")), m_files(std::move(files))
{
}

bool PicturePrintout::HasPage(int page)
{
    return page >= 1 && page <= static_cast<int>(m_files.size());
}

void PicturePrintout::GetPageInfo(int* minPage, int* maxPage, int* fromPage, int* toPage)
{
    *minPage = *fromPage = 1;
    *maxPage = *toPage = static_cast<int>(m_files.size());
}

bool PicturePrintout::OnPrintPage(int page)
{
    wxDC* dc = GetDC();
    if (!dc || !HasPage(page))
        return false;
    const Brenmarle::File& file = *m_files[page - 1];
    const wxRect area = GetLogicalPageMarginsRect(wxPageSetupDialogData());
    const wxString label = file.getCaption().empty() ? file.getFileName() : file.getCaption();
    const int labelHeight = dc->GetTextExtent(label).y * 2;
    try {
        auto image = Quorvel::makeRef<Brenmarle::ImageData>();
        image->loadFitted(Brenmarle::FileManager::get().getLocalPath(*m_files[page - 1]),
                          area.width, area.height - labelHeight, file.getImageRotation());
        const wxBitmap bitmap(Brenmarle::DrawableImage::fromImageData(*image));
        dc->DrawBitmap(bitmap, area.x + (area.width - bitmap.GetWidth()) / 2, area.y);
        dc->DrawText(label, area.x, area.y + bitmap.GetHeight() + labelHeight / 4);
    } catch (const Quorvel::Exception& e) {
        dc->DrawText(wxString::Format(_("Could not print %s: %s"), label, e.getMessage()), area.x,
                     area.y);
    }
    return true;
}

#include "dialogs/PicturePropertiesDialog.h"

#include <wx/filename.h>
#include <wx/listctrl.h>
#include <wx/notebook.h>
#include <wx/sizer.h>

#include "exif/EXIFProfile.h"
#include "filemanager/FileManager.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "ui/Accessibility.h"

namespace {

wxListCtrl* makeTable(wxWindow* parent, const wxString& name, const wxString& label)
{
    auto* table = new wxListCtrl(parent, wxID_ANY, wxDefaultPosition, wxSize(480, 320),
                                 wxLC_REPORT | wxLC_SINGLE_SEL);
    table->SetName(name);
    Quorvel::setAccessibleName(*table, label);
    table->AppendColumn(_("Field"), wxLIST_FORMAT_LEFT, 170);
    table->AppendColumn(_("Value"), wxLIST_FORMAT_LEFT, 290);
    return table;
}

void addRow(wxListCtrl* table, const wxString& field, const wxString& value)
{
    const long row = table->InsertItem(table->GetItemCount(), field);
    table->SetItem(row, 1, value);
}

} // namespace

PicturePropertiesDialog::PicturePropertiesDialog(wxWindow* parent,
                                                 const Quorvel::Ref<Brenmarle::File>& file)
    : wxDialog(parent, wxID_ANY, wxString::Format(_("Properties of %s"), file->getFileName()),
               wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER)
{
    auto* book = new wxNotebook(this, wxID_ANY);
    Quorvel::setAccessibleName(*book, _("Properties"));
    m_fields = makeTable(book, "FileFields", _("File"));
    m_exif = makeTable(book, "ExifEntries", _("Camera (EXIF)"));
    book->AddPage(m_fields, _("File"));
    book->AddPage(m_exif, _("Camera (EXIF)"));

    wxString keywords;
    for (const wxString& keyword : file->getKeywords())
        keywords << (keywords.empty() ? "" : ", ") << keyword;
    addRow(m_fields, _("File name"), file->getFileName());
    addRow(m_fields, _("Type"), Brenmarle::File::getTypeDescription(file->getContentType(), false));
    addRow(m_fields, _("Size"),
           wxFileName::GetHumanReadableSize(
               wxULongLong(static_cast<unsigned long>(std::max(0, file->getFileSize())))));
    if (file->getImageWidth() > 0)
        addRow(m_fields, _("Dimensions"),
               wxString::Format("%d \u00d7 %d", file->getImageWidth(), file->getImageHeight()));
    addRow(m_fields, _("Date"), file->getTime() != 0 ? file->getDateText() : wxString());
    addRow(m_fields, _("Caption"), file->getCaption());
    addRow(m_fields, _("Favorite"), file->isFavorite() ? _("Yes") : _("No"));
    addRow(m_fields, _("Rotation"), wxString::Format("%d\u00b0", file->getImageRotation()));
    addRow(m_fields, _("Keywords"), keywords);
    addRow(m_fields, _("Creator"), file->getCreator());
    addRow(m_fields, _("Copyright"), file->getCopyright());
    addRow(m_fields, _("Place"), file->getCity());
    addRow(m_fields, _("Country"), file->getCountryCode());

    wxString path;
    try {
        path = Brenmarle::FileManager::get().getLocalPath(*file);
        addRow(m_fields, _("Location"), path);
        Brenmarle::EXIFProfile exif(path);
        for (const auto& [name, value] : exif.getEntries())
            addRow(m_exif, name, value);
    } catch (const Quorvel::Exception& e) {
        QDEBUG("[PICTUREPROPERTIES] %s", e.getMessage());
    }
    if (m_exif->GetItemCount() == 0)
        addRow(m_exif, _("No camera information in this picture."), wxString());

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(book, 1, wxEXPAND | wxALL, 12);
    if (wxSizer* buttons = CreateSeparatedButtonSizer(wxCLOSE))
        sizer->Add(buttons, 0, wxEXPAND | wxALL, 12);
    SetEscapeId(wxID_CLOSE);
    SetAffirmativeId(wxID_CLOSE);
    SetSizerAndFit(sizer);
}

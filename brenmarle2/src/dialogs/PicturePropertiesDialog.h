#pragma once
// The properties of one picture: its file's fields (name, type, size, dimensions, date,
// caption, place, keywords) and every EXIF entry the picture carries.
//
// GUI thread only.

#include <wx/dialog.h>

#include "files/File.h"

class wxListCtrl;

class PicturePropertiesDialog : public wxDialog {
public:
    PicturePropertiesDialog(wxWindow* parent, const Quorvel::Ref<Brenmarle::File>& file);

    wxListCtrl* getFields() const { return m_fields; }
    wxListCtrl* getExif() const { return m_exif; }

private:
    wxListCtrl* m_fields;
    wxListCtrl* m_exif;
};

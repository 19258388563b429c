#pragma once
// "Edit Status": says whether the picture has unsaved changes and offers to save them, over
// the original or as a new copy.

#include <wx/button.h>
#include <wx/panel.h>
#include <wx/stattext.h>

class ImageFrame;

class EditStatusTab : public wxPanel {
public:
    EditStatusTab(wxWindow* parent, ImageFrame& frame);

    // Shows the text and links for a picture with or without unsaved changes.
    void update(bool modified);

    wxButton* getSaveButton() const { return m_save; }
    wxButton* getSaveAsButton() const { return m_saveAs; }
    wxString getText() const;

private:
    wxStaticText* m_clean;
    wxStaticText* m_unsaved;
    wxStaticText* m_mustSave;
    wxButton* m_save;
    wxButton* m_saveAs;
};

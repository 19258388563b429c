#pragma once
// One editing tab of the picture window: its own controls, a "Reset" button, an apply button
// ("Apply", or "Crop") and a hint shown only while a preview differs from the current image.
// Nothing a tab does reaches the disk; it works through the window's current image.
//
// Threads: the GUI thread.

#include <wx/button.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

class ImageFrame;

class EditTab : public wxPanel {
public:
    EditTab(wxWindow* parent, ImageFrame& frame, const wxString& name, const wxString& applyLabel,
            const wxString& hint);

    // The tab became the shown one, or stopped being it (its preview is dropped).
    virtual void enter() {}
    virtual void leave() { reset(); }
    // Drops the preview: the current image is shown again.
    virtual void reset() = 0;
    // Makes the preview part of the current image.
    virtual void apply() = 0;

    wxButton* getResetButton() const { return m_reset; }
    wxButton* getApplyButton() const { return m_apply; }
    wxStaticText* getHint() const { return m_hint; }

protected:
    // Where a tab puts its own controls, left of the hint and the buttons.
    wxBoxSizer* getControls() const { return m_controls; }
    // Enables "Reset" and the apply button and shows the hint, or the reverse.
    void setPreviewing(bool previewing);
    ImageFrame& frame() const { return m_frame; }

private:
    ImageFrame& m_frame;
    wxBoxSizer* m_controls;
    wxStaticText* m_hint;
    wxButton* m_reset;
    wxButton* m_apply;
};

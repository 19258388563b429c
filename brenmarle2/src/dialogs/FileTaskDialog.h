#pragma once
// The progress window of a file copy, move or delete: a "Current Operation:" heading, the
// progress text and gauge, and one button. While the operation runs the button reads "Stop";
// stopping (the button or closing the window) hides the window at once and asks the operation
// to stop after the file in hand. After a failure it shows "File operation failed", the reason
// and "Close", which closes and destroys the window. The progress text is one line, cut in the
// middle when too long; the reason may be long and hold paragraphs, so it is shown whole in a
// read-only box that wraps and scrolls (and whose text can be copied).
//
// Threads: GUI thread only. Lifetime: a top-level window owned by the toolkit (and its parent,
// if any); FileTaskRunner opens and updates it, and destroys it unless it shows a failure that
// the user has still to read.

#include <functional>

#include <wx/dialog.h>

class wxButton;
class wxGauge;
class wxStaticText;
class wxTextCtrl;

class FileTaskDialog : public wxDialog {
public:
    FileTaskDialog(wxWindow* parent, const wxString& title);

    // Called once when the user stops the operation; may be empty.
    void setStopHandler(std::function<void()> handler);

    // `done` of `count` files handled; the text is indented as all texts of the window.
    void showProgress(const wxString& text, int done, int count);
    // The operation ended with `reason`; shown whether the window is visible or not, whole,
    // each of its lines indented.
    void showFailure(const wxString& reason);

    // The user stopped the operation and the window went away.
    bool isStopping() const { return m_stopping; }

    // What the user sees: the progress text, or the reason after a failure.
    wxString getHeading() const;
    wxString getText() const;
    wxButton* getButton() const { return m_button; }
    wxGauge* getGauge() const { return m_gauge; }

private:
    void onButton(wxCommandEvent& event);
    void onClose(wxCloseEvent& event);
    void onShow(wxShowEvent& event);
    void setText(const wxString& text);

    wxStaticText* m_heading;
    wxStaticText* m_text;
    wxTextCtrl* m_reason;
    wxGauge* m_gauge;
    wxButton* m_button;
    std::function<void()> m_onStop;
    bool m_stopping = false;
    bool m_failed = false;
};

#pragma once
// My Computer: a tree of the disk's folders (starting at the user's home) and the chosen
// folder's pictures, shown in place. It opens on the user's Pictures folder.
//
// GUI thread only.

#include <wx/panel.h>

class ThumbnailView;
class wxGenericDirCtrl;

class MyComputerPage : public wxPanel {
public:
    explicit MyComputerPage(wxWindow* parent);

    // The first time the page is shown: the user's Pictures folder, when there is one.
    void showFirst();
    // Shows the pictures of the directory `path`.
    void showDirectory(const wxString& path);
    ThumbnailView* getView() const { return m_view; }

private:
    wxGenericDirCtrl* m_tree;
    ThumbnailView* m_view;
    wxString m_startDirectory;
};

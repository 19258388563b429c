#pragma once
// My Albums: the list of albums (name and picture count, sorted by name as
// "AlbumListView/SortAscending" says; a click on the column heading turns the order) and the
// chosen album's pictures. The list follows the file manager's folder news, so albums made,
// renamed, shown or deleted anywhere appear at once, and the counts follow its file news
// (imports, spool items, moves and deletions). Pictures dropped on an album, or on the chosen
// album's pictures, go into that album.
//
// GUI thread only.

#include <functional>

#include <wx/panel.h>

#include "folders/AlbumFolder.h"

class ThumbnailView;
class wxListCtrl;
class wxListEvent;
class wxStaticText;
namespace Brenmarle {
class FileEvent;
class FolderEvent;
} // namespace Brenmarle

class MyAlbumsPage : public wxPanel {
public:
    explicit MyAlbumsPage(wxWindow* parent);
    ~MyAlbumsPage() override;

    // Reads the album lists again, keeping the chosen album when it is still there; with
    // `chooseFirst`, the first album is chosen when none is.
    void refreshAlbums(bool chooseFirst = true);
    Quorvel::Ref<Brenmarle::AlbumFolder> getChosenAlbum() const;
    // Chooses the album (null: none) and shows its pictures.
    void chooseAlbum(const wxString& uri);
    std::vector<wxString> getListedNames() const;
    // The line above the pictures: the album's name, picture count and date range.
    wxString getHeader() const;
    // The line below it while the album asks to be warned and a picture is not in safe
    // storage; empty otherwise.
    wxString getSafeStorageWarning() const;

    ThumbnailView* getView() const { return m_view; }
    wxListCtrl* getAlbumList() const { return m_list; }

    // Called on a right click on an album (the main window pops up the album menu).
    void setAlbumMenuHandler(std::function<void()> handler) { m_onAlbumMenu = std::move(handler); }
    // Pictures dropped on an album: the URIs (from the program) or paths (from the desktop),
    // and whether the user asked for a move. Returns whether they were taken.
    using DropHandler = std::function<bool(const Quorvel::Ref<Brenmarle::AlbumFolder>& album,
                                           const std::vector<wxString>& uris,
                                           const std::vector<wxString>& paths, bool move)>;
    void setDropHandler(DropHandler handler) { m_onDrop = std::move(handler); }
    // Called when the chosen album changes.
    void setChosenHandler(std::function<void()> handler) { m_onChosen = std::move(handler); }

private:
    void onSelected(wxListEvent& event);
    void onRightClick(wxListEvent& event);
    void onColumnClick(wxListEvent& event);
    void onFolderEvent(Brenmarle::FolderEvent& event);
    void onFileEvent(Brenmarle::FileEvent& event);
    // Sets the picture count of every listed album from the album.
    void updateCounts();
    void updateHeader();

    wxListCtrl* m_list;
    wxStaticText* m_header;
    wxStaticText* m_warning;
    ThumbnailView* m_view;
    std::vector<Quorvel::Ref<Brenmarle::AlbumFolder>> m_albums;
    wxString m_chosen;
    bool m_ascending = true;
    // File news came; the counts are read again once the news already queued is handled.
    bool m_countsDue = false;
    // A picture changed; the header is read again once the news already queued is handled.
    bool m_headerDue = false;
    std::function<void()> m_onAlbumMenu;
    std::function<void()> m_onChosen;
    DropHandler m_onDrop;
};

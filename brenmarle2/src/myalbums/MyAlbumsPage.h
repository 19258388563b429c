#pragma once
// My Albums: the list of albums (name and picture count, sorted by name as
// "AlbumListView/SortAscending" says; a click on the column heading turns the order) and the
// chosen album's pictures. The list follows the file manager's folder news, so albums made,
// renamed, shown or deleted anywhere appear at once, and the counts follow its file news
// (imports, spool items, moves and deletions). Pictures dropped on an album, or on the chosen
// album's pictures, go into that album.
//
// An album that asks to be warned shows a line while any of its pictures is not in safe
// storage under the current account. Whether one is, is counted in the catalogue on a runner
// of the page's own, when the album is chosen and after each burst of file news: a large
// album's files are not made for it, and the line follows when the answer arrives.
//
// GUI thread only.

#include <functional>
#include <memory>

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
namespace Quorvel {
class TaskEvent;
class TaskRunnerThread;
} // namespace Quorvel

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
    // storage; empty otherwise (also until the first count for the album arrived).
    wxString getSafeStorageWarning() const;
    // A count of the chosen album's pictures not in safe storage is under way.
    bool isCountingUnsafe() const { return m_unsafeCounting; }

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
    class UnsafeCountTask;

    void onSelected(wxListEvent& event);
    void onRightClick(wxListEvent& event);
    void onColumnClick(wxListEvent& event);
    void onFolderEvent(Brenmarle::FolderEvent& event);
    void onFileEvent(Brenmarle::FileEvent& event);
    // Sets the picture count of every listed album from the album.
    void updateCounts();
    void updateHeader();
    // Counts again, in the background, the chosen album's pictures not in safe storage; hides
    // the warning at once for an album that does not ask for it.
    void requestUnsafeCount();
    void onUnsafeCounted(Quorvel::TaskEvent& event);
    void onUnsafeCountFailed(Quorvel::TaskEvent& event);
    void unsafeCountEnded();
    void showWarning(bool warn, const wxString& accountId);

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
    // Made at the first count.
    std::unique_ptr<Quorvel::TaskRunnerThread> m_runner;
    bool m_unsafeCounting = false;
    // News came or the album changed while a count ran: one more follows it.
    bool m_unsafeCountAgain = false;
    std::function<void()> m_onAlbumMenu;
    std::function<void()> m_onChosen;
    DropHandler m_onDrop;
};

#pragma once
// The thumbnail view every section shows: the pictures of one folder (or any list of files) as
// a virtual grid. Only the rows on screen are drawn, their thumbnails asked of the
// ThumbnailManager; what scrolls away before it arrived is cancelled. Pictures whose thumbnail
// is on its way show the loading placeholder. The view follows the file manager's news: files
// added to, removed from or changed in its folder appear, go or are drawn again. News is
// gathered and applied together a moment later (NEWS_DELAY_MS), so that deleting 10,000
// pictures of a 100,000-picture album walks the list a few times instead of 10,000 times, and
// the owner hears of the selection once per batch instead of once per picture.
//
// A folder of the catalogue with more than getBackgroundListing() pictures is read in the
// background (FolderListReader): the first screenful comes at once and the rest in batches,
// each added in a moment, so that the window answers while a 100,000-picture album arrives.
// isListing() holds until the last batch came; THUMBNAIL_LIST_CHANGED follows the first and
// the last batch, and news about files waits for the last. Such a folder is shown as rows, as
// search matches are (below): the reader lists its rowids and then its earliest and latest
// picture time (getTimeRange), and makes no file. News of a file added to the folder finds
// its row by URI, so a file the list already holds is not shown twice; news that removes a
// file the view has not made has the folder listed again in the background, and the rows
// that left it go. Each removal or addition also brings the time range up to date.
//
// Search matches come as catalogue rowids (setRows, appendRows): the view makes the files of
// the rows it draws, a screenful at a time, so 10,000 matches cost their rowids and one
// screenful of files; files made for rows far from the screen are let go again, so scrolling
// through them all keeps about a few screenfuls of files. Whatever needs every file (getFiles: a
// slide show, opening a picture among them; the favourites filter) makes the rest then. News that
// removes a file the view has not made yet may concern one of its rows: THUMBNAIL_ROWS_TO_CHECK
// asks the owner to find which rows have gone (in the background) and hand them to removeRows().
//
// Selected pictures are dragged to albums or to the desktop (PictureDrag). A rubber band
// dragged above or below the view scrolls it, faster the further out the pointer is, and takes
// in the rows that come into view.
//
// Thumbnails are drawn into a square of the view's thumbnail size (setThumbnailSize), scaled
// down when they are larger and centred at their own size when they are smaller: the thumbnail
// files have one size, and enlarging them would only blur them.
//
// Selection and keyboard as ThumbnailGrid; it tells its parent through THUMBNAIL_SELECTION
// (the selection changed; GetExtraLong() is 1 when the user changed it, 0 when the list changed
// under it) and THUMBNAIL_ACTIVATE (double click or Enter) command events, and
// THUMBNAIL_LIST_CHANGED when news about files added or removed pictures (the owner's counts
// follow), THUMBNAIL_CONTEXT_MENU on a right click, THUMBNAIL_DELETE when Delete is pressed,
// THUMBNAIL_ZOOM when the user asks for larger (GetInt() > 0, in steps) or smaller thumbnails
// with Ctrl and the mouse wheel or Ctrl with plus or minus; the view's owner decides the size.
//
// GUI thread only. The view removes itself from the managers before it is destroyed.

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <wx/bitmap.h>
#include <wx/timer.h>
#include <wx/vscroll.h>

#include "filemanager/FileNewsBatch.h"
#include "files/File.h"
#include "folders/Folder2.h"
#include "widgets/ThumbnailGrid.h"

namespace Brenmarle {
class FileEvent;
class FolderListEvent;
class FolderListReader;
class ThumbnailUpdateEvent;
} // namespace Brenmarle

wxDECLARE_EVENT(THUMBNAIL_SELECTION, wxCommandEvent);
wxDECLARE_EVENT(THUMBNAIL_ACTIVATE, wxCommandEvent);
wxDECLARE_EVENT(THUMBNAIL_LIST_CHANGED, wxCommandEvent);
wxDECLARE_EVENT(THUMBNAIL_CONTEXT_MENU, wxCommandEvent);
wxDECLARE_EVENT(THUMBNAIL_DELETE, wxCommandEvent);
wxDECLARE_EVENT(THUMBNAIL_ZOOM, wxCommandEvent);
wxDECLARE_EVENT(THUMBNAIL_ROWS_TO_CHECK, wxCommandEvent);

class ThumbnailView : public wxVScrolledWindow {
public:
    using Files = std::vector<Quorvel::Ref<Brenmarle::File>>;

    // The square thumbnails are drawn into, in pixels.
    static constexpr int MIN_THUMBNAIL_SIZE = 64;
    static constexpr int MAX_THUMBNAIL_SIZE = 256;
    static constexpr int DEFAULT_THUMBNAIL_SIZE = 160;
    // News about files waits this long for more before the view applies it.
    static constexpr int NEWS_DELAY_MS = 40;

    ThumbnailView(wxWindow* parent, wxWindowID id = wxID_ANY);
    ~ThumbnailView() override;

    // Shows the pictures of `folder` (null: nothing) in the folder's order. Throws what
    // reading the folder throws; the view is then empty.
    void setFolder(const Brenmarle::FolderRef& folder);
    // Shows `files`, following no folder (a calendar day).
    void setFiles(Files files);
    // Shows the catalogue rows `rowids` (search matches) in that order, following no folder;
    // their files are made as they are drawn. appendRows() adds the next ones.
    void setRows(std::vector<int64_t> rowids);
    void appendRows(const std::vector<int64_t>& rowids);
    // Takes the rows `rowids` out (matches deleted since they were found), wherever they are.
    void removeRows(const std::vector<int64_t>& rowids);
    // The rows shown, in order; empty unless the view shows rows.
    const std::vector<int64_t>& getRows() const { return m_shownRows; }
    // The number of pictures shown, without making any file.
    std::size_t getCount() const { return m_shown.size(); }
    // Files made for rows (search matches, a large folder), for tests and the memory figures.
    std::size_t getMadeCount() const;
    // The earliest and latest picture time (seconds, UTC) of what the view shows, 0 and 0 when
    // no picture is dated or, for a large folder, while its times are still being read (the
    // view sends THUMBNAIL_LIST_CHANGED when they come or change). For a large folder they are
    // the folder's times, whatever the favourites filter leaves out; for search matches 0 and
    // 0.
    void getTimeRange(int32_t& first, int32_t& last) const;
    // Whether a folder's pictures are still arriving in the background.
    bool isListing() const { return m_reader != nullptr; }
    // Catalogue folders with more pictures than this are read in the background.
    void setBackgroundListing(std::size_t threshold) { m_backgroundListing = threshold; }
    std::size_t getBackgroundListing() const { return m_backgroundListing; }
    static constexpr std::size_t DEFAULT_BACKGROUND_LISTING = 1000;
    const Brenmarle::FolderRef& getFolder() const { return m_folder; }
    // Shown when there are no pictures.
    void setEmptyText(const wxString& text);
    // What a screen reader calls the view ("Pictures of the album"); it adds the picture in
    // focus and its place ("…: IMG_0001.jpg, picture 2 of 40") as the focus moves.
    void setAccessibleLabel(const wxString& label);

    // Sets the thumbnail size (clamped to the limits above); the cells follow, and the picture
    // at the top of the view stays in view.
    void setThumbnailSize(int size);
    int getThumbnailSize() const { return m_thumbnailSize; }

    // Frames in red the pictures not in safe storage under `accountId` (an album that asks to
    // be warned): never stored, or stored under another account.
    void setMarkNotSafelyStored(bool mark, const wxString& accountId = wxString());
    bool isMarkingNotSafelyStored() const { return m_markNotSafelyStored; }
    void setFavoritesOnly(bool only);
    bool isFavoritesOnly() const { return m_favoritesOnly; }

    // The files shown, and the selected ones in their order. Files of rows not drawn yet are
    // made first (on this thread: for a whole list of rows, as long as reading them takes).
    const Files& getFiles();
    Files getSelectedFiles();
    // The URIs of the files shown, in order: for rows, read from the catalogue without making
    // their files (rows found gone leave the view first). On this thread, as long as reading
    // the URIs takes: a 100,000-picture album costs a tenth of what making its files would.
    std::vector<wxString> getUris();
    std::size_t getSelectedCount() const { return m_grid.getSelectedCount(); }
    ThumbnailGrid& getGrid() { return m_grid; }
    const ThumbnailGrid& getGrid() const { return m_grid; }

    void selectAll();
    void selectNone();
    void invertSelection();
    // Mouse and keys as the user gives them, also for tests.
    void clickItem(long index, bool ctrl, bool shift);
    void pressKey(int keyCode, bool shift, bool ctrl);

    // Forgets the drawn thumbnail of `file` and asks for it again (after a rotation).
    void reloadThumbnail(const Brenmarle::File& file);

    // Starts the stopwatch of the first-screen timing again (the view has just been shown).
    void restartTiming();

    // One step of the rubber band's scrolling while the pointer is above or below the view,
    // run by a timer (and by tests); stops the timer once the pointer is back or the band ends.
    void scrollBand();
    bool isBandScrolling() const { return m_bandTimer.IsRunning(); }

    // Thumbnails asked for and not yet arrived (for tests and the timing log).
    std::size_t getPendingCount() const { return m_requested.size(); }
    // Thumbnails kept as drawn, near the screen.
    std::size_t getDrawnCount() const { return m_bitmaps.size(); }
    // Whether news about files waits to be applied.
    bool hasPendingNews() const { return !m_news.empty(); }
    // Applies the news gathered so far now (the news timer does it a moment after it came);
    // while a list arrives, the last batch does it.
    void applyNews();

private:
    wxCoord OnGetRowHeight(size_t row) const override;
    void onPaint(wxPaintEvent& event);
    void paint();
    void onSize(wxSizeEvent& event);
    void onLeftDown(wxMouseEvent& event);
    void onLeftUp(wxMouseEvent& event);
    void onMotion(wxMouseEvent& event);
    void onLeftDouble(wxMouseEvent& event);
    void onCaptureLost(wxMouseCaptureLostEvent& event);
    void onRightDown(wxMouseEvent& event);
    void onKey(wxKeyEvent& event);
    void onWheel(wxMouseEvent& event);
    void askZoom(int steps);
    void onThumbnail(Brenmarle::ThumbnailUpdateEvent& event);
    void onFileAdded(Brenmarle::FileEvent& event);
    void onFileRemoved(Brenmarle::FileEvent& event);
    void onFileChanged(Brenmarle::FileEvent& event);
    // Whether `folder` is one to read in the background (a large catalogue folder).
    bool listsInBackground(const Brenmarle::Folder2& folder) const;
    void onFolderBatch(Brenmarle::FolderListEvent& event);
    void onFolderRows(Brenmarle::FolderListEvent& event);
    // The folder listed again after news removed rows not made: what left it goes.
    void onRecheck(Brenmarle::FolderListEvent& event);
    void startRecheck();
    void stopListing();
    // The rows of the files `news` adds, found by URI (0: not in the catalogue).
    std::unordered_map<const Brenmarle::File*, int64_t>
    findAddedRows(const Brenmarle::FileNewsBatch& news) const;
    // Appends the rows of the last `appended` items of `files` to `rows`.
    static void appendRowsOf(const Files& files, std::size_t appended,
                             const std::unordered_map<const Brenmarle::File*, int64_t>& addedRows,
                             std::vector<int64_t>& rows);
    // Lets go of made files far from the screen once enough were made since the last time.
    void trimMade();
    void newsArrived();
    void tellListChanged();
    // Forgets the drawn and asked-for thumbnails of `file`.
    void forgetThumbnail(const Brenmarle::File& file);

    void startDrag();
    // The band from where it started to the pointer, and the selection it makes.
    void updateBand();
    void endBand();
    void rebuild();
    // Logs the time from showing the list until every thumbnail on screen was drawn, once.
    void logScreenComplete();
    void updateLayout();
    void cancelRequests();
    // Cancels what scrolled away.
    void checkVisible();
    wxBitmap thumbnailFor(std::size_t index);
    // `thumbnail` as drawn into the current thumbnail square.
    wxBitmap fitted(const wxBitmap& thumbnail) const;
    void drawItem(wxDC& dc, std::size_t index, const wxRect& cell);
    void ensureVisible(long index);
    void refreshItem(std::size_t index);
    void selectionChanged(bool byUser = true);
    void updateAccessibleName();
    long indexOf(const wxString& uri) const;
    // Makes the files of `files` at `indices` not made yet, from their `rows`; returns the
    // rows found gone, whose items stay null (for removeRows).
    std::vector<int64_t> makeFiles(Files& files, const std::vector<int64_t>& rows,
                                   const std::vector<std::size_t>& indices);
    // The same for the items in [begin, end) of m_shown; nothing unless the view shows rows.
    std::vector<int64_t> makeShown(std::size_t begin, std::size_t end);
    // Takes out the rows found gone while drawing.
    void dropGoneRows();
    bool keeps(const Brenmarle::File& file) const;

    Brenmarle::FolderRef m_folder;
    // Reads a large folder's list while it arrives; null otherwise.
    std::unique_ptr<Brenmarle::FolderListReader> m_reader;
    int m_listSerial = 0;
    long m_listStart = 0;
    std::size_t m_batches = 0;
    std::size_t m_backgroundListing = DEFAULT_BACKGROUND_LISTING;
    Files m_all;
    Files m_shown;
    // When the view shows rows: the rowid of each item of m_all and m_shown, whose files are
    // null until made. Empty otherwise.
    bool m_rowMode = false;
    std::vector<int64_t> m_allRows;
    std::vector<int64_t> m_shownRows;
    // Rows found gone while drawing, taken out after the paint.
    std::vector<int64_t> m_goneRows;
    // Files made since trimMade() last let go of the far ones.
    std::size_t m_madeSinceTrim = 0;
    // A large folder's times, as its reader last found them.
    int32_t m_firstTime = 0;
    int32_t m_lastTime = 0;
    // Lists the folder again after news removed rows not made; null otherwise. While it runs,
    // rows appended since it started are kept whatever it finds, and a second removal only
    // asks for another listing after it.
    std::unique_ptr<Brenmarle::FolderListReader> m_recheck;
    std::unordered_set<int64_t> m_rowsSinceRecheck;
    bool m_recheckDue = false;
    bool m_favoritesOnly = false;
    bool m_markNotSafelyStored = false;
    wxString m_markAccountId;
    wxString m_emptyText;
    ThumbnailGrid m_grid;
    wxString m_accessibleLabel;
    // A thumbnail as it arrived, and as drawn at the current size (made when first drawn).
    struct Drawn {
        wxBitmap thumbnail;
        wxBitmap fitted;
    };
    // Drawn thumbnails by URI; trimmed to what is near the screen when it grows.
    std::map<wxString, Drawn> m_bitmaps;
    std::set<wxString> m_requested;
    wxBitmap m_loadingBitmap;
    wxBitmap m_loadingFitted;
    int m_thumbnailSize = DEFAULT_THUMBNAIL_SIZE;
    // Wheel rotation with Ctrl not yet a whole notch.
    int m_wheelRotation = 0;
    long m_shownAt = 0;
    bool m_screenComplete = true;
    // Bumped whenever the list changes; thumbnails asked for an older list are matched by URI.
    int m_generation = 0;
    std::size_t m_firstVisible = 0;
    std::size_t m_endVisible = 0;
    // Rubber band, in content coordinates.
    bool m_dragging = false;
    wxPoint m_dragStart;
    wxRect m_band;
    std::vector<bool> m_bandBase;
    bool m_bandAdd = false;
    // Where the pointer is, in window coordinates, while the band is dragged.
    wxPoint m_bandPointer;
    wxTimer m_bandTimer;
    // News about files not yet applied, and the timer that applies it.
    Brenmarle::FileNewsBatch m_news;
    wxTimer m_newsTimer;
    // Pixels scrolled toward the next row (the view scrolls by rows).
    int m_bandScrolled = 0;
    // The item the button went down on, and whether its click waits for the button to come up.
    wxPoint m_pressPoint;
    long m_pressIndex = ThumbnailGrid::NONE;
    bool m_pendingClick = false;
};

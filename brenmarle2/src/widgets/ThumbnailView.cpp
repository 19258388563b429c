#include "widgets/ThumbnailView.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include <wx/dcbuffer.h>
#include <wx/dnd.h>
#include <wx/settings.h>

#include "core/LibraryLock.h"
#include "database/Database.h"
#include "filemanager/FileEvent.h"
#include "filemanager/FileManager.h"
#include "files/Uri.h"
#include "folders/FolderListEvent.h"
#include "folders/FolderListReader.h"
#include "folders/ManagedFolder.h"
#include "imaging/gui/DrawableImage.h"
#include "search/SearchManager.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "thumbnails/ThumbnailManager.h"
#include "ui/Accessibility.h"
#include "ui/NestedLoops.h"
#include "widgets/PictureDrag.h"

wxDEFINE_EVENT(THUMBNAIL_SELECTION, wxCommandEvent);
wxDEFINE_EVENT(THUMBNAIL_ACTIVATE, wxCommandEvent);
wxDEFINE_EVENT(THUMBNAIL_LIST_CHANGED, wxCommandEvent);
wxDEFINE_EVENT(THUMBNAIL_CONTEXT_MENU, wxCommandEvent);
wxDEFINE_EVENT(THUMBNAIL_DELETE, wxCommandEvent);
wxDEFINE_EVENT(THUMBNAIL_ZOOM, wxCommandEvent);
wxDEFINE_EVENT(THUMBNAIL_ROWS_TO_CHECK, wxCommandEvent);

using Brenmarle::File;
using Brenmarle::ThumbnailManager;

namespace {

// Around the thumbnail square: the cell's padding and, below it, the caption line.
constexpr int CELL_EXTRA_WIDTH = 16;
constexpr int CELL_EXTRA_HEIGHT = 46;
// Drawn thumbnails kept beyond those on screen before the far ones are dropped.
constexpr std::size_t BITMAP_SLACK = 120;
// Files made for rows kept on either side of the screen, and made since the last trim before
// the far ones are let go: a few screenfuls of files whatever the length of the list.
constexpr std::size_t MADE_SLACK = 200;
constexpr long SLOW_FRAME_MS = 50;
// The rubber band's scrolling steps this often while the pointer is outside.
constexpr int BAND_SCROLL_MS = 40;

bool sameFolder(const File& file, const Brenmarle::FolderRef& folder)
{
    return folder && Brenmarle::Uri::folderOf(file.getURI()) == folder->getURI();
}

// Takes the items at `positions` (ascending) out of `rows`, which runs beside a list of files.
void eraseRowsAt(std::vector<int64_t>& rows, const std::vector<std::size_t>& positions)
{
    std::size_t next = 0;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (next < positions.size() && positions[next] == i) {
            ++next;
            continue;
        }
        rows[kept++] = rows[i];
    }
    rows.resize(kept);
}

// Takes the items whose row is in `gone` out of `files` and `rows`; returns their positions.
std::vector<std::size_t> eraseRows(ThumbnailView::Files& files, std::vector<int64_t>& rows,
                                   const std::unordered_set<int64_t>& gone)
{
    std::vector<std::size_t> positions;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (gone.count(rows[i])) {
            positions.push_back(i);
            continue;
        }
        if (kept != i) {
            rows[kept] = rows[i];
            files[kept] = std::move(files[i]);
        }
        ++kept;
    }
    rows.resize(kept);
    files.resize(kept);
    return positions;
}

} // namespace

ThumbnailView::ThumbnailView(wxWindow* parent, wxWindowID id)
    : wxVScrolledWindow(parent, id, wxDefaultPosition, wxDefaultSize,
                        wxWANTS_CHARS | wxFULL_REPAINT_ON_RESIZE),
      m_grid(DEFAULT_THUMBNAIL_SIZE + CELL_EXTRA_WIDTH, DEFAULT_THUMBNAIL_SIZE + CELL_EXTRA_HEIGHT)
{
    SetName("ThumbnailView");
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetRowCount(0);
    Bind(wxEVT_PAINT, &ThumbnailView::onPaint, this);
    Bind(wxEVT_SIZE, &ThumbnailView::onSize, this);
    Bind(wxEVT_LEFT_DOWN, &ThumbnailView::onLeftDown, this);
    Bind(wxEVT_LEFT_UP, &ThumbnailView::onLeftUp, this);
    Bind(wxEVT_MOTION, &ThumbnailView::onMotion, this);
    Bind(wxEVT_LEFT_DCLICK, &ThumbnailView::onLeftDouble, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &ThumbnailView::onCaptureLost, this);
    m_bandTimer.SetOwner(this);
    Bind(
        wxEVT_TIMER, [this](wxTimerEvent&) { scrollBand(); }, m_bandTimer.GetId());
    m_newsTimer.SetOwner(this);
    Bind(
        wxEVT_TIMER, [this](wxTimerEvent&) { applyNews(); }, m_newsTimer.GetId());
    Bind(wxEVT_RIGHT_DOWN, &ThumbnailView::onRightDown, this);
    Bind(wxEVT_KEY_DOWN, &ThumbnailView::onKey, this);
    Bind(wxEVT_MOUSEWHEEL, &ThumbnailView::onWheel, this);
    Bind(Brenmarle::THUMBNAIL_UPDATE, &ThumbnailView::onThumbnail, this);
    Bind(Brenmarle::FILE_ADDED, &ThumbnailView::onFileAdded, this);
    Bind(Brenmarle::FILE_REMOVED, &ThumbnailView::onFileRemoved, this);
    Bind(Brenmarle::FILE_CHANGED, &ThumbnailView::onFileChanged, this);
    Bind(Brenmarle::FOLDER_LIST_FILES, &ThumbnailView::onFolderBatch, this);
    if (Brenmarle::FileManager::exists())
        Brenmarle::FileManager::get().addListener(this, GetId());
}

ThumbnailView::~ThumbnailView()
{
    stopListing();
    m_recheck.reset();
    m_newsTimer.Stop();
    if (Brenmarle::FileManager::exists())
        Brenmarle::FileManager::get().removeListener(this);
    if (ThumbnailManager::exists())
        ThumbnailManager::get().cancel(this);
}

void ThumbnailView::setFolder(const Brenmarle::FolderRef& folder)
{
    const long start = Quorvel::elapsedMs();
    stopListing();
    m_folder = nullptr;
    m_news.clear();
    m_newsTimer.Stop();
    if (folder && listsInBackground(*folder)) {
        // Its rows, and files only for what is drawn: 100,000 files would cost 100 MB.
        setRows({});
        m_folder = folder;
        m_listStart = start;
        m_batches = 0;
        m_reader = std::make_unique<Brenmarle::FolderListReader>(
            Brenmarle::Database::getInstance(), folder->getURI(), this, ++m_listSerial,
            Brenmarle::FolderListReader::Mode::Rows);
        return;
    }
    Files files;
    if (folder)
        files = folder->loadFileList();
    const std::size_t count = files.size();
    setFiles(std::move(files));
    m_folder = folder;
    Quorvel::logTiming(start, wxString::Format("Thumbnail view: %zu files of %s", count,
                                               folder ? folder->getURI() : wxString("nothing")));
}

bool ThumbnailView::listsInBackground(const Brenmarle::Folder2& folder) const
{
    if (!dynamic_cast<const Brenmarle::ManagedFolder*>(&folder) ||
        !Brenmarle::FileManager::exists() || !Brenmarle::Database::getInstance().isOpen())
        return false;
    // One short step along the catalogue's key tells a large folder from a small one.
    const wxString uri = folder.getURI();
    const int limit = static_cast<int>(std::min<std::size_t>(m_backgroundListing, 1000000)) + 1;
    return Brenmarle::Database::getInstance().getFolderRowIds(uri, uri, limit).rowids.size() >
           m_backgroundListing;
}

void ThumbnailView::stopListing()
{
    m_reader.reset();
}

void ThumbnailView::onFolderBatch(Brenmarle::FolderListEvent& event)
{
    if (m_recheck && event.getSerial() == m_recheck->getSerial()) {
        onRecheck(event);
        return;
    }
    if (!m_reader || event.getSerial() != m_reader->getSerial())
        return;
    if (m_rowMode) {
        onFolderRows(event);
        return;
    }
    const long start = Quorvel::elapsedMs();
    const std::size_t before = m_shown.size();
    {
        // Asking each file whether it is a favourite takes the library lock, which the reader
        // takes for each of its steps: taken once here, the batch waits for one step at most.
        std::optional<Brenmarle::LibraryLock> lock;
        if (m_favoritesOnly)
            lock.emplace();
        for (Quorvel::Ref<File>& file : event.takeFiles()) {
            if (keeps(*file))
                m_shown.push_back(file);
            m_all.push_back(std::move(file));
        }
    }
    const std::size_t added = m_shown.size() - before;
    if (added > 0) {
        m_grid.append(added);
        updateLayout();
        // Items beyond the screen need no drawing; the scroll bar follows the row count.
        if (before <= m_endVisible)
            Refresh();
    }
    const bool first = m_batches++ == 0;
    const wxString uri = m_folder ? m_folder->getURI() : wxString();
    if (first)
        Quorvel::logTiming(m_listStart, wxString::Format("Thumbnail view: first %zu files of %s",
                                                         m_all.size(), uri));
    if (event.isLast()) {
        stopListing();
        if (!event.getError().empty())
            wxLogError(_("Could not read all pictures of the folder: %s"), event.getError());
        Quorvel::logTiming(m_listStart,
                           wxString::Format("Thumbnail view: %zu files of %s", m_all.size(), uri));
    }
    if (first || event.isLast())
        tellListChanged();
    if (event.isLast())
        applyNews();
    if (Quorvel::elapsedMs() - start > SLOW_FRAME_MS)
        Quorvel::logTiming(start, wxString::Format("Thumbnail view: batch of %zu", added));
}

void ThumbnailView::onFolderRows(Brenmarle::FolderListEvent& event)
{
    const wxString uri = m_folder ? m_folder->getURI() : wxString();
    if (!event.isLast()) {
        appendRows(event.takeRowIds());
        Quorvel::logTiming(m_listStart, wxString::Format("Thumbnail view: first %zu files of %s",
                                                         m_allRows.size(), uri));
        tellListChanged();
        return;
    }
    stopListing();
    if (!event.getError().empty())
        wxLogError(_("Could not read all pictures of the folder: %s"), event.getError());
    m_firstTime = event.getFirstTime();
    m_lastTime = event.getLastTime();
    Quorvel::logTiming(m_listStart,
                       wxString::Format("Thumbnail view: %zu files of %s", m_allRows.size(), uri));
    tellListChanged();
    applyNews();
}

void ThumbnailView::startRecheck()
{
    if (!m_folder || !m_rowMode || m_reader)
        return;
    if (m_recheck) {
        m_recheckDue = true;
        return;
    }
    m_recheckDue = false;
    m_rowsSinceRecheck.clear();
    try {
        m_recheck = std::make_unique<Brenmarle::FolderListReader>(
            Brenmarle::Database::getInstance(), m_folder->getURI(), this, ++m_listSerial,
            Brenmarle::FolderListReader::Mode::Rows);
    } catch (const Quorvel::Exception& e) {
        // The rows stay until the next news tries again; drawing leaves out those gone.
        QDEBUG("[THUMBNAILVIEW] Could not list %s again: %s", m_folder->getURI(), e.getMessage());
    }
}

void ThumbnailView::onRecheck(Brenmarle::FolderListEvent& event)
{
    if (!event.isLast()) {
        const std::vector<int64_t> listed = event.takeRowIds();
        const std::unordered_set<int64_t> present(listed.begin(), listed.end());
        std::vector<int64_t> gone;
        for (const int64_t row : m_allRows) {
            // Rows that came after the listing started may be missing from it.
            if (row != 0 && !present.count(row) && !m_rowsSinceRecheck.count(row))
                gone.push_back(row);
        }
        removeRows(gone);
        return;
    }
    m_recheck.reset();
    m_rowsSinceRecheck.clear();
    if (event.getError().empty() &&
        (event.getFirstTime() != m_firstTime || event.getLastTime() != m_lastTime)) {
        m_firstTime = event.getFirstTime();
        m_lastTime = event.getLastTime();
        tellListChanged();
    }
    if (m_recheckDue)
        startRecheck();
}

std::size_t ThumbnailView::getMadeCount() const
{
    return static_cast<std::size_t>(
        std::count_if(m_all.begin(), m_all.end(), [](const auto& file) { return bool(file); }));
}

void ThumbnailView::getTimeRange(int32_t& first, int32_t& last) const
{
    first = 0;
    last = 0;
    if (m_rowMode) {
        if (m_folder) {
            first = m_firstTime;
            last = m_lastTime;
        }
        return;
    }
    for (const auto& file : m_shown) {
        const int32_t time = file->getTime();
        if (time == 0)
            continue;
        first = first == 0 ? time : std::min(first, time);
        last = std::max(last, time);
    }
}

void ThumbnailView::trimMade()
{
    // With the favourites filter every file is made: only a made file tells whether it is one.
    if (!m_rowMode || m_favoritesOnly || m_madeSinceTrim < MADE_SLACK)
        return;
    m_madeSinceTrim = 0;
    const std::size_t begin = m_firstVisible > MADE_SLACK ? m_firstVisible - MADE_SLACK : 0;
    const std::size_t end = m_endVisible + MADE_SLACK;
    for (std::size_t i = 0; i < m_shown.size(); ++i) {
        if (i == begin) {
            i = end - 1;
            continue;
        }
        // A file without a row (added while shown, not in the catalogue) cannot be made again.
        if (m_shown[i] && m_shownRows[i] != 0) {
            m_shown[i] = nullptr;
            m_all[i] = nullptr;
        }
    }
}

void ThumbnailView::setFiles(Files files)
{
    stopListing();
    m_folder = nullptr;
    // News about the old list is void; the new one is read as it is now.
    m_news.clear();
    m_newsTimer.Stop();
    m_rowMode = false;
    m_allRows.clear();
    m_goneRows.clear();
    m_recheck.reset();
    m_rowsSinceRecheck.clear();
    m_recheckDue = false;
    m_madeSinceTrim = 0;
    m_firstTime = 0;
    m_lastTime = 0;
    m_all = std::move(files);
    rebuild();
}

void ThumbnailView::setRows(std::vector<int64_t> rowids)
{
    setFiles(Files(rowids.size()));
    m_rowMode = true;
    m_allRows = std::move(rowids);
    rebuild();
}

void ThumbnailView::appendRows(const std::vector<int64_t>& rowids)
{
    if (!m_rowMode) {
        setRows(rowids);
        return;
    }
    const std::size_t before = m_all.size();
    const std::size_t shownBefore = m_shown.size();
    m_allRows.insert(m_allRows.end(), rowids.begin(), rowids.end());
    m_all.resize(m_allRows.size());
    if (m_favoritesOnly) {
        // Only a made file tells whether it is a favourite.
        std::vector<std::size_t> indices;
        for (std::size_t i = before; i < m_all.size(); ++i)
            indices.push_back(i);
        const std::vector<int64_t> gone = makeFiles(m_all, m_allRows, indices);
        for (std::size_t i = before; i < m_all.size(); ++i) {
            if (m_all[i] && keeps(*m_all[i])) {
                m_shown.push_back(m_all[i]);
                m_shownRows.push_back(m_allRows[i]);
            }
        }
        eraseRows(m_all, m_allRows, std::unordered_set<int64_t>(gone.begin(), gone.end()));
    } else {
        m_shownRows.insert(m_shownRows.end(), rowids.begin(), rowids.end());
        m_shown.resize(m_shownRows.size());
    }
    const std::size_t added = m_shown.size() - shownBefore;
    if (added == 0)
        return;
    m_grid.append(added);
    updateLayout();
    if (shownBefore <= m_endVisible)
        Refresh();
}

void ThumbnailView::removeRows(const std::vector<int64_t>& rowids)
{
    if (!m_rowMode || rowids.empty())
        return;
    const std::unordered_set<int64_t> gone(rowids.begin(), rowids.end());
    eraseRows(m_all, m_allRows, gone);
    Files before = m_shown;
    const std::vector<std::size_t> positions = eraseRows(m_shown, m_shownRows, gone);
    if (positions.empty())
        return;
    for (const std::size_t position : positions) {
        if (before[position])
            forgetThumbnail(*before[position]);
    }
    const std::size_t selectedGone = m_grid.eraseMany(positions);
    updateLayout();
    Refresh();
    if (selectedGone > 0)
        selectionChanged(false);
    tellListChanged();
}

std::vector<int64_t> ThumbnailView::makeFiles(Files& files, const std::vector<int64_t>& rows,
                                              const std::vector<std::size_t>& indices)
{
    std::vector<std::size_t> missing;
    for (const std::size_t i : indices) {
        if (i < files.size() && !files[i])
            missing.push_back(i);
    }
    std::vector<int64_t> gone;
    if (missing.empty() || !Brenmarle::FileManager::exists())
        return gone;
    // In steps, each holding the library lock a moment.
    for (std::size_t first = 0; first < missing.size();
         first += Brenmarle::FolderListReader::STEP) {
        const std::size_t end = std::min(missing.size(), first + Brenmarle::FolderListReader::STEP);
        std::vector<int64_t> step;
        for (std::size_t k = first; k < end; ++k)
            step.push_back(rows[missing[k]]);
        Files made;
        try {
            made = Brenmarle::SearchManager::loadFiles(Brenmarle::Database::getInstance(), step);
        } catch (const Quorvel::Exception& e) {
            // Rows that cannot be read cannot be shown: they leave the list as gone ones do.
            QDEBUG("[THUMBNAILVIEW] Could not read %zu rows: %s", step.size(), e.getMessage());
            made.resize(step.size());
        }
        for (std::size_t k = first; k < end; ++k) {
            const std::size_t index = missing[k];
            Quorvel::Ref<File>& file = made[k - first];
            if (!file) {
                gone.push_back(rows[index]);
                continue;
            }
            // The same item of both lists while no filter stands between them.
            if (&files == &m_shown && !m_favoritesOnly && index < m_all.size())
                m_all[index] = file;
            files[index] = std::move(file);
            ++m_madeSinceTrim;
        }
    }
    return gone;
}

std::vector<int64_t> ThumbnailView::makeShown(std::size_t begin, std::size_t end)
{
    if (!m_rowMode)
        return {};
    std::vector<std::size_t> indices;
    for (std::size_t i = begin; i < end && i < m_shown.size(); ++i)
        indices.push_back(i);
    return makeFiles(m_shown, m_shownRows, indices);
}

void ThumbnailView::dropGoneRows()
{
    removeRows(std::exchange(m_goneRows, {}));
}

const ThumbnailView::Files& ThumbnailView::getFiles()
{
    if (m_rowMode)
        removeRows(makeShown(0, m_shown.size()));
    return m_shown;
}

std::vector<wxString> ThumbnailView::getUris()
{
    std::vector<int64_t> missing;
    for (std::size_t i = 0; i < m_shown.size(); ++i) {
        if (!m_shown[i])
            missing.push_back(m_shownRows[i]);
    }
    std::vector<wxString> found;
    if (!missing.empty()) {
        try {
            found = Brenmarle::Database::getInstance().getFileUris(missing);
        } catch (const Quorvel::Exception& e) {
            // As when drawing: rows that cannot be read cannot be shown.
            QDEBUG("[THUMBNAILVIEW] Could not read %zu URIs: %s", missing.size(), e.getMessage());
            found.assign(missing.size(), wxString());
        }
        std::vector<int64_t> gone;
        for (std::size_t k = 0; k < missing.size(); ++k) {
            if (found[k].empty())
                gone.push_back(missing[k]);
        }
        if (!gone.empty()) {
            // Taken out, the others are read again: their places have moved.
            removeRows(gone);
            return getUris();
        }
    }
    std::vector<wxString> uris;
    uris.reserve(m_shown.size());
    std::size_t next = 0;
    for (const auto& file : m_shown)
        uris.push_back(file ? file->getURI() : found[next++]);
    return uris;
}

void ThumbnailView::setEmptyText(const wxString& text)
{
    m_emptyText = text;
    Refresh();
}

void ThumbnailView::setMarkNotSafelyStored(bool mark, const wxString& accountId)
{
    if (m_markNotSafelyStored == mark && m_markAccountId == accountId)
        return;
    m_markNotSafelyStored = mark;
    m_markAccountId = accountId;
    Refresh();
}

void ThumbnailView::setFavoritesOnly(bool only)
{
    if (m_favoritesOnly == only)
        return;
    m_favoritesOnly = only;
    rebuild();
}

void ThumbnailView::setThumbnailSize(int size)
{
    size = std::clamp(size, MIN_THUMBNAIL_SIZE, MAX_THUMBNAIL_SIZE);
    if (size == m_thumbnailSize)
        return;
    // The picture at the top now stays at the top.
    std::size_t top = 0;
    std::size_t end = 0;
    const int firstRow = static_cast<int>(GetVisibleRowsBegin());
    m_grid.getItemsOfRows(firstRow, firstRow, top, end);
    m_thumbnailSize = size;
    m_grid.setCellSize(size + CELL_EXTRA_WIDTH, size + CELL_EXTRA_HEIGHT);
    for (auto& [uri, drawn] : m_bitmaps)
        drawn.fitted = wxBitmap();
    m_loadingFitted = wxBitmap();
    updateLayout();
    ScrollToRow(top < m_shown.size() ? static_cast<std::size_t>(m_grid.getRowOf(top)) : 0);
    Refresh();
}

bool ThumbnailView::keeps(const File& file) const
{
    return !m_favoritesOnly || file.isFavorite();
}

void ThumbnailView::rebuild()
{
    cancelRequests();
    ++m_generation;
    m_shown.clear();
    m_shownRows.clear();
    if (m_rowMode && !m_favoritesOnly) {
        m_shown = m_all;
        m_shownRows = m_allRows;
    } else if (m_rowMode) {
        // Only a made file tells whether it is a favourite.
        std::vector<std::size_t> indices(m_all.size());
        for (std::size_t i = 0; i < indices.size(); ++i)
            indices[i] = i;
        const std::vector<int64_t> gone = makeFiles(m_all, m_allRows, indices);
        eraseRows(m_all, m_allRows, std::unordered_set<int64_t>(gone.begin(), gone.end()));
        for (std::size_t i = 0; i < m_all.size(); ++i) {
            if (keeps(*m_all[i])) {
                m_shown.push_back(m_all[i]);
                m_shownRows.push_back(m_allRows[i]);
            }
        }
    } else {
        m_shown.reserve(m_all.size());
        for (const auto& file : m_all) {
            if (keeps(*file))
                m_shown.push_back(file);
        }
    }
    m_grid.reset(m_shown.size());
    m_bitmaps.clear();
    m_shownAt = Quorvel::elapsedMs();
    m_screenComplete = m_shown.empty();
    updateLayout();
    ScrollToRow(0);
    Refresh();
    selectionChanged(false);
}

void ThumbnailView::updateLayout()
{
    m_grid.setViewWidth(GetClientSize().GetWidth());
    const int rows = m_grid.getRows();
    // One more row holds the margins above and below the grid.
    SetRowCount(rows > 0 ? rows + 1 : 0);
}

wxCoord ThumbnailView::OnGetRowHeight(size_t) const
{
    return m_grid.getCellHeight();
}

void ThumbnailView::onSize(wxSizeEvent& event)
{
    const int columns = m_grid.getColumns();
    m_grid.setViewWidth(GetClientSize().GetWidth());
    if (columns != m_grid.getColumns())
        updateLayout();
    Refresh();
    event.Skip();
}

void ThumbnailView::cancelRequests()
{
    if (!m_requested.empty() && ThumbnailManager::exists())
        ThumbnailManager::get().cancel(this);
    m_requested.clear();
}

void ThumbnailView::checkVisible()
{
    // A request for a picture that left the screen is dropped with all the others; those
    // still visible are asked for again as they are drawn (cached ones come back at once).
    for (const wxString& uri : m_requested) {
        const long index = indexOf(uri);
        if (index < 0 || static_cast<std::size_t>(index) < m_firstVisible ||
            static_cast<std::size_t>(index) >= m_endVisible) {
            cancelRequests();
            break;
        }
    }
    if (m_bitmaps.size() > (m_endVisible - m_firstVisible) + BITMAP_SLACK) {
        std::map<wxString, Drawn> kept;
        for (std::size_t i = m_firstVisible; i < m_endVisible; ++i) {
            if (!m_shown[i])
                continue;
            auto found = m_bitmaps.find(m_shown[i]->getURI());
            if (found != m_bitmaps.end())
                kept.insert(*found);
        }
        m_bitmaps.swap(kept);
    }
}

long ThumbnailView::indexOf(const wxString& uri) const
{
    const Quorvel::CompactString wanted(uri);
    // The items near the screen first: that is where news usually concerns.
    for (std::size_t i = m_firstVisible; i < m_endVisible && i < m_shown.size(); ++i) {
        if (m_shown[i] && m_shown[i]->hasURI(wanted))
            return static_cast<long>(i);
    }
    // Rows not made yet are not the file asked for: a file the view draws is made.
    for (std::size_t i = 0; i < m_shown.size(); ++i) {
        if (m_shown[i] && m_shown[i]->hasURI(wanted))
            return static_cast<long>(i);
    }
    return -1;
}

wxBitmap ThumbnailView::thumbnailFor(std::size_t index)
{
    const Quorvel::Ref<File>& file = m_shown[index];
    const wxString uri = file->getURI();
    if (auto found = m_bitmaps.find(uri); found != m_bitmaps.end()) {
        Drawn& drawn = found->second;
        if (!drawn.fitted.IsOk() && drawn.thumbnail.IsOk())
            drawn.fitted = fitted(drawn.thumbnail);
        return drawn.fitted;
    }
    if (!ThumbnailManager::exists())
        return wxBitmap();
    ThumbnailManager& thumbnails = ThumbnailManager::get();
    try {
        const bool asked = m_requested.count(uri) > 0;
        Quorvel::Ref<Brenmarle::ImageData> image = thumbnails.getThumbnail(
            file, asked ? nullptr : this, static_cast<int>(index), m_generation, 0, 0, false);
        const Quorvel::Ref<Brenmarle::ImageData> loading =
            thumbnails.getPlaceholder(Brenmarle::ThumbnailPlaceholders::LOADING);
        if (image.get() == loading.get()) {
            m_requested.insert(uri);
            // Converted once: a screenful of pictures may wait at the same time.
            if (!m_loadingBitmap.IsOk())
                m_loadingBitmap = wxBitmap(Brenmarle::DrawableImage::fromImageData(*image));
            if (!m_loadingFitted.IsOk())
                m_loadingFitted = fitted(m_loadingBitmap);
            return m_loadingFitted;
        }
        Drawn& drawn = m_bitmaps[uri];
        drawn.thumbnail = wxBitmap(Brenmarle::DrawableImage::fromImageData(*image));
        drawn.fitted = fitted(drawn.thumbnail);
        return drawn.fitted;
    } catch (const Quorvel::Exception& e) {
        QDEBUG("[THUMBNAILVIEW] No thumbnail for %s: %s", uri, e.getMessage());
        m_bitmaps[uri] = Drawn();
        return wxBitmap();
    }
}

wxBitmap ThumbnailView::fitted(const wxBitmap& thumbnail) const
{
    const int width = thumbnail.GetWidth();
    const int height = thumbnail.GetHeight();
    if (!thumbnail.IsOk() || (width <= m_thumbnailSize && height <= m_thumbnailSize))
        return thumbnail;
    const double scale =
        std::min(double(m_thumbnailSize) / width, double(m_thumbnailSize) / height);
    return wxBitmap(thumbnail.ConvertToImage().Scale(
        std::max(1, int(width * scale)), std::max(1, int(height * scale)), wxIMAGE_QUALITY_HIGH));
}

void ThumbnailView::onThumbnail(Brenmarle::ThumbnailUpdateEvent& event)
{
    const wxString uri = event.getFile()->getURI();
    m_requested.erase(uri);
    const long index = indexOf(uri);
    if (index < 0)
        return;
    try {
        m_bitmaps[uri] = {wxBitmap(Brenmarle::DrawableImage::fromImageData(*event.getImage())),
                          wxBitmap()};
    } catch (const Quorvel::Exception&) {
        m_bitmaps[uri] = Drawn();
    }
    refreshItem(static_cast<std::size_t>(index));
    logScreenComplete();
}

void ThumbnailView::restartTiming()
{
    m_shownAt = Quorvel::elapsedMs();
    m_screenComplete = m_shown.empty();
}

void ThumbnailView::logScreenComplete()
{
    if (m_screenComplete || !m_requested.empty() || m_endVisible == 0)
        return;
    m_screenComplete = true;
    Quorvel::logTiming(m_shownAt, wxString::Format("Thumbnail view: first screen of %zu complete",
                                                   m_endVisible - m_firstVisible));
}

void ThumbnailView::refreshItem(std::size_t index)
{
    wxRect rect = m_grid.getItemRect(index);
    rect.y -= static_cast<int>(GetVisibleRowsBegin()) * m_grid.getCellHeight();
    RefreshRect(rect, false);
}

void ThumbnailView::onPaint(wxPaintEvent&)
{
    const long start = Quorvel::elapsedMs();
    paint();
    // A frame this slow is felt while scrolling: the timing log names it.
    if (Quorvel::elapsedMs() - start > SLOW_FRAME_MS)
        Quorvel::logTiming(start, "Thumbnail view: slow frame");
}

void ThumbnailView::paint()
{
    wxAutoBufferedPaintDC dc(this);
    const wxSize client = GetClientSize();
    dc.SetBackground(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_LISTBOX)));
    dc.Clear();
    if (m_shown.empty()) {
        m_firstVisible = m_endVisible = 0;
        const wxString text = m_emptyText.empty() ? _("No pictures here.") : m_emptyText;
        dc.SetFont(GetFont().Larger());
        dc.SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT));
        const wxSize extent = dc.GetMultiLineTextExtent(text);
        dc.DrawText(text, (client.x - extent.x) / 2, std::max(20, (client.y - extent.y) / 3));
        return;
    }
    const int firstRow = static_cast<int>(GetVisibleRowsBegin());
    const int lastRow = firstRow + client.y / m_grid.getCellHeight() + 1;
    m_grid.getItemsOfRows(firstRow, lastRow, m_firstVisible, m_endVisible);
    const std::vector<int64_t> gone = makeShown(m_firstVisible, m_endVisible);
    if (!gone.empty()) {
        // Drawn as empty cells now; the list changes after this paint.
        if (m_goneRows.empty())
            CallAfter(&ThumbnailView::dropGoneRows);
        m_goneRows.insert(m_goneRows.end(), gone.begin(), gone.end());
    }
    checkVisible();
    trimMade();
    const int offset = firstRow * m_grid.getCellHeight();
    for (std::size_t i = m_firstVisible; i < m_endVisible; ++i) {
        wxRect cell = m_grid.getItemRect(i);
        cell.y -= offset;
        drawItem(dc, i, cell);
    }
    logScreenComplete();
    if (m_dragging && !m_band.IsEmpty()) {
        wxRect band = m_band;
        band.y -= offset;
        wxColour highlight = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
        dc.SetPen(wxPen(highlight));
        dc.SetBrush(wxBrush(highlight, wxBRUSHSTYLE_CROSSDIAG_HATCH));
        dc.DrawRectangle(band);
    }
}

void ThumbnailView::drawItem(wxDC& dc, std::size_t index, const wxRect& cell)
{
    if (!m_shown[index])
        return;
    const File& file = *m_shown[index];
    const bool selected = m_grid.isSelected(index);
    const wxRect inner = wxRect(cell).Deflate(4);
    if (selected) {
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT)));
        dc.DrawRoundedRectangle(inner, 4);
    }
    if (static_cast<long>(index) == m_grid.getFocus() && HasFocus()) {
        dc.SetPen(wxPen(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT), 1, wxPENSTYLE_DOT));
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.DrawRectangle(inner);
    }
    const wxRect box(inner.x + (inner.width - m_thumbnailSize) / 2, inner.y + 4, m_thumbnailSize,
                     m_thumbnailSize);
    const wxBitmap bitmap = thumbnailFor(index);
    // Where the picture lies in its square: the marks sit on its corner.
    wxRect picture = box;
    if (bitmap.IsOk()) {
        picture = wxRect(box.x + (box.width - bitmap.GetWidth()) / 2,
                         box.y + (box.height - bitmap.GetHeight()) / 2, bitmap.GetWidth(),
                         bitmap.GetHeight());
        dc.DrawBitmap(bitmap, picture.GetPosition(), true);
    }
    if (m_markNotSafelyStored && (file.getSafeStorageType() == 0 || m_markAccountId.empty() ||
                                  file.getSafeStorageAccountId() != m_markAccountId)) {
        dc.SetPen(wxPen(*wxRED, 2));
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.DrawRectangle(wxRect(picture).Inflate(2));
    }
    const wxColour text = wxSystemSettings::GetColour(selected ? wxSYS_COLOUR_HIGHLIGHTTEXT
                                                               : wxSYS_COLOUR_LISTBOXTEXT);
    dc.SetTextForeground(text);
    dc.SetFont(GetFont());
    wxString label = file.getCaption().empty() ? file.getFileName() : file.getCaption();
    const int available = inner.width - 8;
    if (dc.GetTextExtent(label).x > available) {
        while (!label.empty() && dc.GetTextExtent(label + "...").x > available)
            label.RemoveLast();
        label += "...";
    }
    const wxSize extent = dc.GetTextExtent(label);
    dc.DrawText(label, inner.x + (inner.width - extent.x) / 2, box.GetBottom() + 8);
    if (file.isFavorite() || file.isVideo()) {
        // Small marks in the corner of the picture: a star for favourites, a film for videos.
        const wxString mark = wxString::FromUTF8(file.isFavorite() ? "\u2605" : "\u25B6");
        dc.SetTextForeground(file.isFavorite() ? wxColour(230, 170, 0) : text);
        dc.DrawText(mark, picture.x + 2, picture.y + 2);
    }
}

void ThumbnailView::ensureVisible(long index)
{
    if (index < 0)
        return;
    const int row = m_grid.getRowOf(static_cast<std::size_t>(index));
    const int first = static_cast<int>(GetVisibleRowsBegin());
    const int rowsOnScreen = std::max(1, GetClientSize().y / m_grid.getCellHeight());
    if (row < first)
        ScrollToRow(row);
    else if (row >= first + rowsOnScreen)
        ScrollToRow(row - rowsOnScreen + 1);
}

void ThumbnailView::setAccessibleLabel(const wxString& label)
{
    m_accessibleLabel = label;
    updateAccessibleName();
}

void ThumbnailView::updateAccessibleName()
{
    if (m_accessibleLabel.empty())
        return;
    const long focus = m_grid.getFocus();
    wxString name = m_accessibleLabel;
    if (focus >= 0 && static_cast<std::size_t>(focus) < m_shown.size())
        makeShown(static_cast<std::size_t>(focus), static_cast<std::size_t>(focus) + 1);
    if (focus >= 0 && static_cast<std::size_t>(focus) < m_shown.size() &&
        m_shown[static_cast<std::size_t>(focus)]) {
        const Brenmarle::File& file = *m_shown[static_cast<std::size_t>(focus)];
        name = wxString::Format(_("%s: %s, picture %ld of %zu"), m_accessibleLabel,
                                file.getCaption().empty() ? file.getFileName() : file.getCaption(),
                                focus + 1, m_shown.size());
    }
    Quorvel::setAccessibleName(*this, name);
}

void ThumbnailView::selectionChanged(bool byUser)
{
    updateAccessibleName();
    wxCommandEvent event(THUMBNAIL_SELECTION, GetId());
    event.SetEventObject(this);
    event.SetExtraLong(byUser ? 1 : 0);
    event.SetInt(static_cast<int>(m_grid.getSelectedCount()));
    ProcessWindowEvent(event);
}

ThumbnailView::Files ThumbnailView::getSelectedFiles()
{
    if (m_rowMode)
        removeRows(makeFiles(m_shown, m_shownRows, m_grid.getSelection()));
    Files files;
    for (std::size_t index : m_grid.getSelection())
        files.push_back(m_shown[index]);
    return files;
}

void ThumbnailView::selectAll()
{
    m_grid.selectAll();
    Refresh();
    selectionChanged();
}

void ThumbnailView::selectNone()
{
    m_grid.selectNone();
    Refresh();
    selectionChanged();
}

void ThumbnailView::invertSelection()
{
    m_grid.invert();
    Refresh();
    selectionChanged();
}

void ThumbnailView::clickItem(long index, bool ctrl, bool shift)
{
    m_grid.click(index, ctrl, shift);
    Refresh();
    selectionChanged();
}

void ThumbnailView::pressKey(int keyCode, bool shift, bool ctrl)
{
    const int page = std::max(1, GetClientSize().y / m_grid.getCellHeight());
    using Move = ThumbnailGrid::Move;
    Move move;
    switch (keyCode) {
    case WXK_LEFT:
        move = Move::Left;
        break;
    case WXK_RIGHT:
        move = Move::Right;
        break;
    case WXK_UP:
        move = Move::Up;
        break;
    case WXK_DOWN:
        move = Move::Down;
        break;
    case WXK_PAGEUP:
        move = Move::PageUp;
        break;
    case WXK_PAGEDOWN:
        move = Move::PageDown;
        break;
    case WXK_HOME:
        move = Move::Home;
        break;
    case WXK_END:
        move = Move::End;
        break;
    case WXK_SPACE:
        m_grid.toggleFocus();
        Refresh();
        selectionChanged();
        return;
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER: {
        wxCommandEvent event(THUMBNAIL_ACTIVATE, GetId());
        event.SetEventObject(this);
        ProcessWindowEvent(event);
        return;
    }
    case WXK_ESCAPE:
        selectNone();
        return;
    case WXK_DELETE:
    case WXK_NUMPAD_DELETE: {
        wxCommandEvent event(THUMBNAIL_DELETE, GetId());
        event.SetEventObject(this);
        ProcessWindowEvent(event);
        return;
    }
    default:
        return;
    }
    ensureVisible(m_grid.move(move, page, shift, ctrl));
    Refresh();
    selectionChanged();
}

void ThumbnailView::askZoom(int steps)
{
    wxCommandEvent zoom(THUMBNAIL_ZOOM, GetId());
    zoom.SetEventObject(this);
    zoom.SetInt(steps);
    ProcessWindowEvent(zoom);
}

void ThumbnailView::onWheel(wxMouseEvent& event)
{
    if (!event.ControlDown() || event.GetWheelAxis() != wxMOUSE_WHEEL_VERTICAL) {
        event.Skip();
        return;
    }
    // Some wheels and touch pads send fractions of a notch: a whole notch zooms one step.
    const int delta = std::max(1, event.GetWheelDelta());
    m_wheelRotation += event.GetWheelRotation();
    const int steps = m_wheelRotation / delta;
    m_wheelRotation -= steps * delta;
    if (steps != 0)
        askZoom(steps);
}

void ThumbnailView::onKey(wxKeyEvent& event)
{
    const int key = event.GetKeyCode();
    if (event.ControlDown()) {
        // Where the window's menu does not see them first.
        if (key == '+' || key == '=' || key == WXK_NUMPAD_ADD) {
            askZoom(1);
            return;
        }
        if (key == '-' || key == WXK_NUMPAD_SUBTRACT) {
            askZoom(-1);
            return;
        }
    }
    switch (key) {
    case WXK_LEFT:
    case WXK_RIGHT:
    case WXK_UP:
    case WXK_DOWN:
    case WXK_PAGEUP:
    case WXK_PAGEDOWN:
    case WXK_HOME:
    case WXK_END:
    case WXK_SPACE:
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER:
    case WXK_ESCAPE:
    case WXK_DELETE:
    case WXK_NUMPAD_DELETE:
        pressKey(key, event.ShiftDown(), event.ControlDown());
        break;
    default:
        event.Skip();
    }
}

void ThumbnailView::onLeftDown(wxMouseEvent& event)
{
    SetFocus();
    const wxPoint content(event.GetX(), event.GetY() + static_cast<int>(GetVisibleRowsBegin()) *
                                                           m_grid.getCellHeight());
    const long index = m_grid.hitTest(content);
    m_pressPoint = event.GetPosition();
    m_pressIndex = index;
    if (index == ThumbnailGrid::NONE) {
        // Empty space: a rubber band starts.
        m_dragging = true;
        m_dragStart = content;
        m_band = wxRect();
        m_bandAdd = event.ControlDown() || event.ShiftDown();
        m_bandBase = m_grid.getSelectionFlags();
        m_bandPointer = event.GetPosition();
        m_bandScrolled = 0;
        CaptureMouse();
    } else if (m_grid.isSelected(static_cast<std::size_t>(index)) && !event.ControlDown() &&
               !event.ShiftDown()) {
        // The selection may be about to be dragged: a plain click on it takes effect when the
        // button comes up without a drag.
        m_pendingClick = true;
        return;
    }
    clickItem(index, event.ControlDown(), event.ShiftDown());
}

void ThumbnailView::onMotion(wxMouseEvent& event)
{
    if (!event.LeftIsDown())
        return;
    if (!m_dragging) {
        const wxPoint moved = event.GetPosition() - m_pressPoint;
        if (m_pressIndex != ThumbnailGrid::NONE && std::abs(moved.x) + std::abs(moved.y) > 6 &&
            m_grid.isSelected(static_cast<std::size_t>(m_pressIndex))) {
            m_pendingClick = false;
            m_pressIndex = ThumbnailGrid::NONE;
            startDrag();
        }
        return;
    }
    m_bandPointer = event.GetPosition();
    updateBand();
    const bool outside = m_bandPointer.y < 0 || m_bandPointer.y >= GetClientSize().y;
    if (outside && !m_bandTimer.IsRunning()) {
        m_bandScrolled = 0;
        m_bandTimer.Start(BAND_SCROLL_MS);
    } else if (!outside) {
        m_bandTimer.Stop();
    }
}

void ThumbnailView::updateBand()
{
    const wxPoint content(m_bandPointer.x,
                          m_bandPointer.y +
                              static_cast<int>(GetVisibleRowsBegin()) * m_grid.getCellHeight());
    m_band = wxRect(m_dragStart, content);
    m_grid.selectRect(m_band, m_bandAdd, m_bandBase);
    Refresh();
}

void ThumbnailView::scrollBand()
{
    const int height = GetClientSize().y;
    const int distance = m_bandPointer.y < 0         ? m_bandPointer.y
                         : m_bandPointer.y >= height ? m_bandPointer.y - height + 1
                                                     : 0;
    if (!m_dragging || distance == 0) {
        m_bandTimer.Stop();
        return;
    }
    const int step = m_grid.getBandScrollStep(std::abs(distance));
    m_bandScrolled += distance < 0 ? -step : step;
    const int rows = m_bandScrolled / m_grid.getCellHeight();
    if (rows != 0) {
        m_bandScrolled -= rows * m_grid.getCellHeight();
        ScrollRows(rows);
        // The band reaches as far as the pointer now lies in the scrolled list.
        updateBand();
    }
}

void ThumbnailView::endBand()
{
    m_bandTimer.Stop();
    m_dragging = false;
    m_bandBase.clear();
    Refresh();
    selectionChanged();
}

void ThumbnailView::onCaptureLost(wxMouseCaptureLostEvent&)
{
    // Another window took the mouse (a dialog, the desktop): the band ends where it is.
    m_pendingClick = false;
    m_pressIndex = ThumbnailGrid::NONE;
    if (m_dragging)
        endBand();
}

void ThumbnailView::startDrag()
{
    std::vector<wxString> uris;
    std::vector<wxString> paths;
    for (const auto& file : getSelectedFiles()) {
        uris.push_back(file->getURI());
        try {
            paths.push_back(Brenmarle::FileManager::get().getLocalPath(*file));
        } catch (const Quorvel::Exception&) {
            // Pictures without a local file travel inside the program only.
        }
    }
    std::unique_ptr<wxDataObject> data(PictureDrag::makeDataObject(uris, paths));
    wxDropSource source(*data, this);
    // Between albums a drag moves, as in a file manager on one disk; Ctrl copies.
    Quorvel::NestedLoops::dragAndDrop(source, wxDrag_DefaultMove);
}

void ThumbnailView::onLeftUp(wxMouseEvent&)
{
    if (m_pendingClick) {
        m_pendingClick = false;
        clickItem(m_pressIndex, false, false);
    }
    m_pressIndex = ThumbnailGrid::NONE;
    if (!m_dragging)
        return;
    if (HasCapture())
        ReleaseMouse();
    endBand();
}

void ThumbnailView::onLeftDouble(wxMouseEvent& event)
{
    const wxPoint content(event.GetX(), event.GetY() + static_cast<int>(GetVisibleRowsBegin()) *
                                                           m_grid.getCellHeight());
    if (m_grid.hitTest(content) == ThumbnailGrid::NONE)
        return;
    wxCommandEvent activate(THUMBNAIL_ACTIVATE, GetId());
    activate.SetEventObject(this);
    ProcessWindowEvent(activate);
}

void ThumbnailView::onRightDown(wxMouseEvent& event)
{
    const wxPoint content(event.GetX(), event.GetY() + static_cast<int>(GetVisibleRowsBegin()) *
                                                           m_grid.getCellHeight());
    const long index = m_grid.hitTest(content);
    if (index != ThumbnailGrid::NONE && !m_grid.isSelected(static_cast<std::size_t>(index)))
        clickItem(index, false, false);
    wxCommandEvent menu(THUMBNAIL_CONTEXT_MENU, GetId());
    menu.SetEventObject(this);
    ProcessWindowEvent(menu);
}

void ThumbnailView::forgetThumbnail(const File& file)
{
    const wxString uri = file.getURI();
    m_bitmaps.erase(uri);
    m_requested.erase(uri);
}

void ThumbnailView::reloadThumbnail(const File& file)
{
    forgetThumbnail(file);
    const long index = indexOf(file.getURI());
    if (index >= 0)
        refreshItem(static_cast<std::size_t>(index));
}

// Each piece of news costs a look-up when it comes; the list is walked once per batch.

void ThumbnailView::newsArrived()
{
    // While a list arrives its news waits for the last batch: news sent before the list was
    // read may concern files of a later batch.
    if (!m_newsTimer.IsRunning() && !m_reader)
        m_newsTimer.StartOnce(NEWS_DELAY_MS);
}

void ThumbnailView::onFileAdded(Brenmarle::FileEvent& event)
{
    const Quorvel::Ref<File>& file = event.getFile();
    if (!sameFolder(*file, m_folder))
        return;
    m_news.added(file);
    newsArrived();
}

void ThumbnailView::onFileRemoved(Brenmarle::FileEvent& event)
{
    // The file is known by its object, which a move keeps under its new URI.
    m_news.removed(event.getFile());
    newsArrived();
}

void ThumbnailView::onFileChanged(Brenmarle::FileEvent& event)
{
    m_news.changed(event.getFile());
    newsArrived();
}

std::unordered_map<const File*, int64_t>
ThumbnailView::findAddedRows(const Brenmarle::FileNewsBatch& news) const
{
    std::unordered_map<const File*, int64_t> rows;
    const Files added = news.addedFiles();
    if (added.empty())
        return rows;
    std::vector<wxString> uris;
    uris.reserve(added.size());
    for (const Quorvel::Ref<File>& file : added)
        uris.push_back(file->getURI());
    std::vector<int64_t> found(uris.size(), 0);
    try {
        found = Brenmarle::Database::getInstance().getRowIdsOfUris(uris);
    } catch (const Quorvel::Exception& e) {
        // Shown without a row, the files stay made; a later listing finds them.
        QDEBUG("[THUMBNAILVIEW] Could not find the rows of %zu files: %s", uris.size(),
               e.getMessage());
    }
    for (std::size_t i = 0; i < added.size(); ++i)
        rows[added[i].get()] = found[i];
    return rows;
}

void ThumbnailView::appendRowsOf(const Files& files, std::size_t appended,
                                 const std::unordered_map<const File*, int64_t>& addedRows,
                                 std::vector<int64_t>& rows)
{
    for (std::size_t i = files.size() - appended; i < files.size(); ++i) {
        const auto found = addedRows.find(files[i].get());
        rows.push_back(found == addedRows.end() ? 0 : found->second);
    }
}

void ThumbnailView::tellListChanged()
{
    wxCommandEvent changed(THUMBNAIL_LIST_CHANGED, GetId());
    changed.SetEventObject(this);
    changed.SetInt(static_cast<int>(m_shown.size()));
    ProcessWindowEvent(changed);
}

void ThumbnailView::applyNews()
{
    m_newsTimer.Stop();
    if (m_news.empty() || m_reader)
        return;
    const long start = Quorvel::elapsedMs();
    Brenmarle::FileNewsBatch news;
    std::swap(news, m_news);
    // In row mode each file added needs its row; one the list holds already as a row not made
    // yet is that row, not a new picture.
    const std::unordered_map<const File*, int64_t> addedRows =
        m_rowMode ? findAddedRows(news) : std::unordered_map<const File*, int64_t>();
    std::unordered_set<int64_t> unmade;
    if (!addedRows.empty()) {
        for (std::size_t i = 0; i < m_all.size(); ++i) {
            if (!m_all[i])
                unmade.insert(m_allRows[i]);
        }
    }
    const auto fresh = [&addedRows, &unmade](const File& file) {
        const auto found = addedRows.find(&file);
        return found == addedRows.end() || found->second == 0 || !unmade.count(found->second);
    };
    std::size_t appendedToAll = 0;
    const std::vector<std::size_t> removedFromAll = news.apply(m_all, fresh, &appendedToAll);
    if (m_rowMode) {
        eraseRowsAt(m_allRows, removedFromAll);
        appendRowsOf(m_all, appendedToAll, addedRows, m_allRows);
        for (std::size_t i = m_all.size() - appendedToAll; i < m_all.size(); ++i) {
            if (m_recheck)
                m_rowsSinceRecheck.insert(m_allRows[i]);
            const int32_t time = m_all[i]->getTime();
            if (time > 0 && m_folder) {
                m_firstTime = m_firstTime == 0 ? time : std::min(m_firstTime, time);
                m_lastTime = std::max(m_lastTime, time);
            }
        }
        if (m_folder && !news.removedFiles().empty()) {
            // A removed file not made may be one of the rows, and the times may have shrunk:
            // the folder is listed again in the background.
            startRecheck();
        } else if (removedFromAll.size() < news.removedFiles().size() &&
                   std::find(m_all.begin(), m_all.end(), Quorvel::Ref<File>()) != m_all.end()) {
            // A removed file the view never made may be one of its rows: the owner finds out.
            wxCommandEvent check(THUMBNAIL_ROWS_TO_CHECK, GetId());
            check.SetEventObject(this);
            ProcessWindowEvent(check);
        }
    }
    if (m_favoritesOnly && news.hasChanges()) {
        // A picture that became or stopped being a favourite comes or goes: the list is
        // filtered again, once for the whole batch.
        rebuild();
        tellListChanged();
        return;
    }
    std::size_t appended = 0;
    const std::vector<std::size_t> removed = news.apply(
        m_shown, [this, &fresh](const File& file) { return keeps(file) && fresh(file); },
        &appended);
    if (m_rowMode) {
        eraseRowsAt(m_shownRows, removed);
        appendRowsOf(m_shown, appended, addedRows, m_shownRows);
    }
    for (const Quorvel::Ref<File>& file : news.removedFiles())
        forgetThumbnail(*file);
    const std::size_t selectedGone = m_grid.eraseMany(removed);
    m_grid.append(appended);
    bool changedShown = false;
    bool changedSelected = false;
    if (news.hasChanges()) {
        for (const Quorvel::Ref<File>& file : news.changedFiles())
            forgetThumbnail(*file);
        // Only what is on screen is drawn again; the rest is drawn afresh when it comes.
        for (std::size_t i = m_firstVisible; i < m_endVisible && i < m_shown.size(); ++i)
            changedShown = changedShown || (m_shown[i] && news.isChanged(*m_shown[i]));
        if (m_grid.getSelectedCount() > 0) {
            for (std::size_t index : m_grid.getSelection()) {
                if (m_shown[index] && news.isChanged(*m_shown[index])) {
                    changedSelected = true;
                    break;
                }
            }
        }
    }
    if (!removed.empty() || appended > 0)
        updateLayout();
    if (!removed.empty() || appended > 0 || changedShown)
        Refresh();
    // The owner's menus follow the selected pictures and their state: told once per batch.
    if (selectedGone > 0 || changedSelected)
        selectionChanged(false);
    if (!removed.empty() || appended > 0)
        tellListChanged();
    if (Quorvel::elapsedMs() - start > SLOW_FRAME_MS)
        Quorvel::logTiming(start, wxString::Format("Thumbnail view: %zu removed, %zu added",
                                                   removed.size(), appended));
}

#include "widgets/ThumbnailGrid.h"

#include <algorithm>

ThumbnailGrid::ThumbnailGrid(int cellWidth, int cellHeight, int margin)
    : m_cellWidth(cellWidth), m_cellHeight(cellHeight), m_margin(margin), m_columnWidth(cellWidth)
{
}

void ThumbnailGrid::reset(std::size_t count)
{
    m_selected.assign(count, false);
    m_selectedCount = 0;
    m_focus = NONE;
    m_anchor = NONE;
}

void ThumbnailGrid::insert(std::size_t index)
{
    index = std::min(index, m_selected.size());
    m_selected.insert(m_selected.begin() + static_cast<long>(index), false);
    if (m_focus >= static_cast<long>(index))
        ++m_focus;
    if (m_anchor >= static_cast<long>(index))
        ++m_anchor;
}

void ThumbnailGrid::erase(std::size_t index)
{
    if (index >= m_selected.size())
        return;
    if (m_selected[index])
        --m_selectedCount;
    m_selected.erase(m_selected.begin() + static_cast<long>(index));
    const long last = static_cast<long>(m_selected.size()) - 1;
    auto shift = [index, last](long& position) {
        if (position > static_cast<long>(index))
            --position;
        position = std::min(position, last);
    };
    shift(m_focus);
    shift(m_anchor);
}

std::size_t ThumbnailGrid::eraseMany(const std::vector<std::size_t>& indices)
{
    std::size_t wasSelected = 0;
    std::size_t kept = 0;
    auto next = indices.begin();
    for (std::size_t i = 0; i < m_selected.size(); ++i) {
        if (next != indices.end() && *next == i) {
            ++next;
            wasSelected += m_selected[i] ? 1 : 0;
            continue;
        }
        m_selected[kept++] = m_selected[i];
    }
    m_selected.resize(kept);
    m_selectedCount -= wasSelected;
    // Focus and anchor stay on their items, or move to the item after a removed one (the last
    // item when it was at the end).
    const long last = static_cast<long>(kept) - 1;
    auto shift = [&](long& position) {
        if (position < 0)
            return;
        const auto before =
            std::lower_bound(indices.begin(), indices.end(), static_cast<std::size_t>(position));
        position -= static_cast<long>(before - indices.begin());
        position = std::min(position, last);
    };
    shift(m_focus);
    shift(m_anchor);
    return wasSelected;
}

void ThumbnailGrid::append(std::size_t count)
{
    m_selected.resize(m_selected.size() + count, false);
}

void ThumbnailGrid::setCellSize(int cellWidth, int cellHeight)
{
    m_cellWidth = std::max(1, cellWidth);
    m_cellHeight = std::max(1, cellHeight);
    // Columns counted for the old cells would lay items out past the view's edge.
    setViewWidth(m_viewWidth);
}

void ThumbnailGrid::setViewWidth(int width)
{
    m_viewWidth = width;
    m_columns = std::max(1, (width - 2 * m_margin) / m_cellWidth);
    // The width left over is shared between the columns, so the grid fills the view.
    m_columnWidth = std::max(m_cellWidth, (width - 2 * m_margin) / m_columns);
}

int ThumbnailGrid::getColumns() const
{
    return m_columns;
}

int ThumbnailGrid::getRows() const
{
    return static_cast<int>((m_selected.size() + m_columns - 1) / m_columns);
}

int ThumbnailGrid::getRowOf(std::size_t index) const
{
    return static_cast<int>(index / m_columns);
}

void ThumbnailGrid::getItemsOfRows(int firstRow, int lastRow, std::size_t& first,
                                   std::size_t& end) const
{
    const std::size_t count = m_selected.size();
    first = std::min(count, static_cast<std::size_t>(std::max(0, firstRow)) * m_columns);
    end = std::min(count, static_cast<std::size_t>(std::max(0, lastRow + 1)) * m_columns);
    end = std::max(first, end);
}

wxRect ThumbnailGrid::getItemRect(std::size_t index) const
{
    const int row = static_cast<int>(index / m_columns);
    const int column = static_cast<int>(index % m_columns);
    return wxRect(m_margin + column * m_columnWidth, m_margin + row * m_cellHeight, m_columnWidth,
                  m_cellHeight);
}

long ThumbnailGrid::hitTest(const wxPoint& point) const
{
    if (point.x < m_margin || point.y < m_margin)
        return NONE;
    const int column = (point.x - m_margin) / m_columnWidth;
    const int row = (point.y - m_margin) / m_cellHeight;
    if (column >= m_columns)
        return NONE;
    const std::size_t index = static_cast<std::size_t>(row) * m_columns + column;
    return index < m_selected.size() ? static_cast<long>(index) : NONE;
}

void ThumbnailGrid::select(std::size_t index, bool selected)
{
    if (index >= m_selected.size() || m_selected[index] == selected)
        return;
    m_selected[index] = selected;
    if (selected)
        ++m_selectedCount;
    else
        --m_selectedCount;
}

void ThumbnailGrid::selectRange(std::size_t from, std::size_t to)
{
    if (from > to)
        std::swap(from, to);
    for (std::size_t i = from; i <= to && i < m_selected.size(); ++i)
        select(i, true);
}

void ThumbnailGrid::click(long index, bool ctrl, bool shift)
{
    if (index == NONE || index >= static_cast<long>(m_selected.size())) {
        if (!ctrl && !shift)
            selectNone();
        return;
    }
    if (shift && m_anchor != NONE) {
        if (!ctrl)
            selectNone();
        selectRange(static_cast<std::size_t>(m_anchor), static_cast<std::size_t>(index));
        m_focus = index;
        return;
    }
    if (ctrl) {
        select(static_cast<std::size_t>(index), !m_selected[index]);
    } else {
        selectNone();
        select(static_cast<std::size_t>(index), true);
    }
    m_focus = index;
    m_anchor = index;
}

long ThumbnailGrid::move(Move move, int pageRows, bool shift, bool ctrl)
{
    const long count = static_cast<long>(m_selected.size());
    if (count == 0)
        return NONE;
    const long columns = m_columns;
    const long page = std::max(1, pageRows) * columns;
    long target = m_focus;
    if (target == NONE) {
        // Nothing in focus yet: End goes to the end, every other key to the start.
        target = move == Move::End ? count - 1 : 0;
    } else {
        switch (move) {
        case Move::Left:
            target -= 1;
            break;
        case Move::Right:
            target += 1;
            break;
        case Move::Up:
            target = target >= columns ? target - columns : target;
            break;
        case Move::Down:
            // The last row may be short: Down from above its end goes to the last item.
            if (target / columns < (count - 1) / columns)
                target = std::min(count - 1, target + columns);
            break;
        case Move::PageUp:
            target -= page;
            break;
        case Move::PageDown:
            target += page;
            break;
        case Move::Home:
            target = 0;
            break;
        case Move::End:
            target = count - 1;
            break;
        }
    }
    target = std::clamp(target, 0L, count - 1);
    if (shift) {
        if (m_anchor == NONE)
            m_anchor = m_focus == NONE ? target : m_focus;
        if (!ctrl)
            selectNone();
        selectRange(static_cast<std::size_t>(m_anchor), static_cast<std::size_t>(target));
    } else if (!ctrl) {
        selectNone();
        select(static_cast<std::size_t>(target), true);
        m_anchor = target;
    }
    m_focus = target;
    return target;
}

void ThumbnailGrid::selectRect(const wxRect& rect, bool add, const std::vector<bool>& base)
{
    if (add && base.size() == m_selected.size()) {
        m_selected = base;
        m_selectedCount = static_cast<std::size_t>(std::count(base.begin(), base.end(), true));
    } else {
        selectNone();
    }
    if (m_selected.empty())
        return;
    const int firstRow = std::max(0, (rect.GetTop() - m_margin) / m_cellHeight);
    const int lastRow = std::max(0, (rect.GetBottom() - m_margin) / m_cellHeight);
    std::size_t first = 0;
    std::size_t end = 0;
    getItemsOfRows(firstRow, lastRow, first, end);
    for (std::size_t i = first; i < end; ++i) {
        if (getItemRect(i).Intersects(rect))
            select(i, true);
    }
}

int ThumbnailGrid::getBandScrollStep(int distance) const
{
    if (distance <= 0)
        return 0;
    // Slowly near the edge; a pointer far out runs through the pictures, but never so fast
    // that rows pass unseen.
    return std::min(4 + distance / 2, 2 * m_cellHeight);
}

void ThumbnailGrid::toggleFocus()
{
    if (m_focus != NONE)
        select(static_cast<std::size_t>(m_focus), !m_selected[m_focus]);
}

void ThumbnailGrid::selectAll()
{
    m_selected.assign(m_selected.size(), true);
    m_selectedCount = m_selected.size();
}

void ThumbnailGrid::selectNone()
{
    if (m_selectedCount == 0)
        return;
    m_selected.assign(m_selected.size(), false);
    m_selectedCount = 0;
}

void ThumbnailGrid::invert()
{
    m_selected.flip();
    m_selectedCount = m_selected.size() - m_selectedCount;
}

std::vector<std::size_t> ThumbnailGrid::getSelection() const
{
    std::vector<std::size_t> selection;
    selection.reserve(m_selectedCount);
    for (std::size_t i = 0; i < m_selected.size(); ++i) {
        if (m_selected[i])
            selection.push_back(i);
    }
    return selection;
}

void ThumbnailGrid::setFocus(long index)
{
    m_focus = (index >= 0 && index < static_cast<long>(m_selected.size())) ? index : NONE;
}

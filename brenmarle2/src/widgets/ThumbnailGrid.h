#pragma once
// The layout and selection of a thumbnail view, kept apart from the window so they are tested
// without a display: items in rows of equal cells, which items a stretch of the view shows,
// which item lies under a point, and the selection as the user changes it with the mouse
// (click, Ctrl+click, Shift+click, rubber band) and the keyboard (arrows, Home/End, Page
// Up/Down, with Shift to extend). Items are positions 0..count-1; the view maps them to files.
//
// The selection is one flag per item, so selecting, inverting or clearing 100,000 items is a
// single pass and asking whether an item is selected costs nothing.

#include <cstddef>
#include <vector>

#include <wx/gdicmn.h>

class ThumbnailGrid {
public:
    enum class Move { Left, Right, Up, Down, PageUp, PageDown, Home, End };
    static constexpr long NONE = -1;

    // `cellWidth` x `cellHeight` per item, `margin` around the grid.
    ThumbnailGrid(int cellWidth = 176, int cellHeight = 206, int margin = 6);

    // A new list of `count` items: nothing selected, no focus.
    void reset(std::size_t count);
    std::size_t getCount() const { return m_selected.size(); }
    // An item was inserted at or removed from `index`; selection and focus stay on their items.
    void insert(std::size_t index);
    void erase(std::size_t index);
    // Items removed at once, at the ascending positions `indices` (as the list had them): one
    // pass for any number. Returns how many of them were selected.
    std::size_t eraseMany(const std::vector<std::size_t>& indices);
    // `count` items added at the end.
    void append(std::size_t count);

    // The columns follow at once for the view width last set.
    void setCellSize(int cellWidth, int cellHeight);
    // The width of the view's client area; the number of columns follows from it, and the
    // columns widen to fill it.
    void setViewWidth(int width);
    int getColumns() const;
    int getRows() const;
    int getCellWidth() const { return m_cellWidth; }
    int getCellHeight() const { return m_cellHeight; }
    int getMargin() const { return m_margin; }
    // Rows of the grid: row r covers getMargin() + r * getCellHeight() in content coordinates.
    int getRowOf(std::size_t index) const;
    // The items of rows [firstRow, lastRow] (clipped to the list): [first, end).
    void getItemsOfRows(int firstRow, int lastRow, std::size_t& first, std::size_t& end) const;
    // The item's cell, in content coordinates with row 0 at the top.
    wxRect getItemRect(std::size_t index) const;
    // The item whose cell holds the point, or NONE.
    long hitTest(const wxPoint& point) const;

    // Mouse: a plain click selects only the item (NONE: clears the selection); Ctrl toggles
    // it; Shift selects from the anchor to it (with Ctrl, added to the selection).
    void click(long index, bool ctrl, bool shift);
    // Keyboard: moves the focus; without Shift the focused item alone is selected (with Ctrl
    // the selection stays), with Shift the range from the anchor. `pageRows` rows per page.
    // Returns the new focus.
    long move(Move move, int pageRows, bool shift, bool ctrl);
    // Rubber band: selects the items whose cells meet `rect`, added to `base` when `add`.
    void selectRect(const wxRect& rect, bool add, const std::vector<bool>& base);
    // While a rubber band is dragged `distance` pixels above or below the view, the view
    // scrolls this many pixels per step: a little near the edge, faster further out, at most a
    // few rows.
    int getBandScrollStep(int distance) const;
    // Space: toggles the focused item.
    void toggleFocus();

    void selectAll();
    void selectNone();
    void invert();
    void select(std::size_t index, bool selected);

    bool isSelected(std::size_t index) const
    {
        return index < m_selected.size() && m_selected[index];
    }
    std::size_t getSelectedCount() const { return m_selectedCount; }
    std::vector<std::size_t> getSelection() const;
    const std::vector<bool>& getSelectionFlags() const { return m_selected; }
    long getFocus() const { return m_focus; }
    void setFocus(long index);

private:
    void selectRange(std::size_t from, std::size_t to);

    int m_cellWidth;
    int m_cellHeight;
    int m_margin;
    int m_viewWidth = 0;
    int m_columns = 1;
    // The cell width stretched to share the view's width.
    int m_columnWidth;
    std::vector<bool> m_selected;
    std::size_t m_selectedCount = 0;
    long m_focus = NONE;
    long m_anchor = NONE;
};

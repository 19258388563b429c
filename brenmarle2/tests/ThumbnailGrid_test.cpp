#include <gtest/gtest.h>

#include "widgets/ThumbnailGrid.h"

namespace {

using Move = ThumbnailGrid::Move;

// Ten items in rows of four: 0-3, 4-7, 8-9.
ThumbnailGrid tenInRowsOfFour()
{
    ThumbnailGrid grid(100, 120, 0);
    grid.reset(10);
    grid.setViewWidth(430); // four columns of 107
    return grid;
}

std::vector<std::size_t> selection(const ThumbnailGrid& grid)
{
    return grid.getSelection();
}

} // namespace

TEST(ThumbnailGrid, LaysItemsOutInRowsAndFindsThemUnderThePointer)
{
    ThumbnailGrid grid = tenInRowsOfFour();
    EXPECT_EQ(grid.getColumns(), 4);
    EXPECT_EQ(grid.getRows(), 3);
    EXPECT_EQ(grid.getItemRect(5), wxRect(107, 120, 107, 120));
    EXPECT_EQ(grid.hitTest(wxPoint(210, 130)), 5);
    // Beyond the last column and below the short last row there is nothing.
    EXPECT_EQ(grid.hitTest(wxPoint(429, 10)), ThumbnailGrid::NONE);
    EXPECT_EQ(grid.hitTest(wxPoint(250, 250)), ThumbnailGrid::NONE);
    std::size_t first = 0, end = 0;
    grid.getItemsOfRows(1, 5, first, end);
    EXPECT_EQ(first, 4u);
    EXPECT_EQ(end, 10u);
}

TEST(ThumbnailGrid, AnyCellSizeFillsTheViewWithoutOverlap)
{
    ThumbnailGrid grid(176, 206, 6);
    grid.reset(50);
    grid.setViewWidth(1000);
    for (int size : {64, 100, 160, 256}) {
        // Changed after the width, as the zoom does.
        grid.setCellSize(size + 16, size + 46);
        const int columns = grid.getColumns();
        EXPECT_EQ(columns, (1000 - 12) / (size + 16)) << size;
        const wxRect last = grid.getItemRect(columns - 1);
        EXPECT_LE(last.GetRight(), 1000 - 6) << size;
        EXPECT_GE(last.GetRight(), 1000 - 6 - columns) << size;
        EXPECT_EQ(grid.getRows(), (50 + columns - 1) / columns) << size;
        for (std::size_t i = 0; i + 1 < 50; ++i) {
            const wxRect cell = grid.getItemRect(i);
            EXPECT_FALSE(cell.Intersects(grid.getItemRect(i + 1))) << size << " " << i;
            EXPECT_EQ(grid.hitTest(wxPoint(cell.x + cell.width / 2, cell.y + cell.height / 2)),
                      static_cast<long>(i));
        }
    }
}

TEST(ThumbnailGrid, ClickCtrlAndShiftSelectAsInAFileManager)
{
    ThumbnailGrid grid = tenInRowsOfFour();
    grid.click(2, false, false);
    grid.click(5, false, true);
    EXPECT_EQ(selection(grid), (std::vector<std::size_t>{2, 3, 4, 5}));
    grid.click(8, true, false);
    grid.click(3, true, false);
    EXPECT_EQ(selection(grid), (std::vector<std::size_t>{2, 4, 5, 8}));
    // The anchor moved to the Ctrl+click: Shift now selects from item 3.
    grid.click(1, false, true);
    EXPECT_EQ(selection(grid), (std::vector<std::size_t>{1, 2, 3}));
    grid.click(ThumbnailGrid::NONE, false, false);
    EXPECT_EQ(grid.getSelectedCount(), 0u);
}

TEST(ThumbnailGrid, KeysMoveTheFocusAndShiftExtends)
{
    ThumbnailGrid grid = tenInRowsOfFour();
    EXPECT_EQ(grid.move(Move::Right, 2, false, false), 0); // first key: the first item
    EXPECT_EQ(grid.move(Move::Down, 2, false, false), 4);
    // Down from above the short last row lands on its last item.
    grid.setFocus(7);
    EXPECT_EQ(grid.move(Move::Down, 2, false, false), 9);
    EXPECT_EQ(grid.move(Move::Down, 2, false, false), 9);
    EXPECT_EQ(grid.move(Move::Up, 2, false, false), 5);
    EXPECT_EQ(selection(grid), (std::vector<std::size_t>{5}));
    EXPECT_EQ(grid.move(Move::Left, 2, true, false), 4);
    EXPECT_EQ(grid.move(Move::Home, 2, true, false), 0);
    EXPECT_EQ(selection(grid), (std::vector<std::size_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(grid.move(Move::PageDown, 2, false, false), 8);
    EXPECT_EQ(grid.move(Move::End, 2, false, false), 9);
}

TEST(ThumbnailGrid, AllNoneAndInvertKeepTheCount)
{
    ThumbnailGrid grid(100, 100, 0);
    grid.reset(100000);
    grid.selectAll();
    EXPECT_EQ(grid.getSelectedCount(), 100000u);
    grid.select(7, false);
    grid.invert();
    EXPECT_EQ(grid.getSelectedCount(), 1u);
    EXPECT_TRUE(grid.isSelected(7));
    grid.selectNone();
    EXPECT_EQ(grid.getSelectedCount(), 0u);
}

TEST(ThumbnailGrid, RubberBandSelectsTheCellsItMeets)
{
    ThumbnailGrid grid = tenInRowsOfFour();
    grid.click(9, false, false);
    const std::vector<bool> before = grid.getSelectionFlags();
    grid.selectRect(wxRect(wxPoint(150, 60), wxPoint(250, 130)), false, before);
    EXPECT_EQ(selection(grid), (std::vector<std::size_t>{1, 2, 5, 6}));
    grid.selectRect(wxRect(wxPoint(150, 60), wxPoint(250, 130)), true, before);
    EXPECT_EQ(selection(grid), (std::vector<std::size_t>{1, 2, 5, 6, 9}));
}

TEST(ThumbnailGrid, ABandDraggedOutsideScrollsFasterTheFurtherOutUpToTwoRows)
{
    ThumbnailGrid grid = tenInRowsOfFour();
    EXPECT_EQ(grid.getBandScrollStep(0), 0);
    const int nearEdge = grid.getBandScrollStep(1);
    EXPECT_GT(nearEdge, 0);
    EXPECT_LT(nearEdge, grid.getBandScrollStep(60));
    EXPECT_LT(grid.getBandScrollStep(60), grid.getBandScrollStep(200));
    EXPECT_EQ(grid.getBandScrollStep(5000), 2 * grid.getCellHeight());
}

TEST(ThumbnailGrid, RemovedAndInsertedItemsKeepTheSelectionOnItsItems)
{
    ThumbnailGrid grid = tenInRowsOfFour();
    grid.click(3, false, false);
    grid.click(6, true, false);
    grid.erase(3);
    EXPECT_EQ(selection(grid), (std::vector<std::size_t>{5}));
    EXPECT_EQ(grid.getSelectedCount(), 1u);
    grid.insert(0);
    EXPECT_EQ(selection(grid), (std::vector<std::size_t>{6}));
    EXPECT_EQ(grid.getFocus(), 6);
    grid.erase(9);
    grid.erase(8);
    EXPECT_EQ(grid.getCount(), 8u);
}

TEST(ThumbnailGrid, ManyRemovedAtOnceEndAsOneByOne)
{
    // Erasing a set of items in one pass leaves what erasing them one by one (from the back,
    // so the positions hold) leaves: selection, count, focus and anchor.
    for (const std::vector<std::size_t>& gone : {std::vector<std::size_t>{},
                                                 {0},
                                                 {2, 3, 6},
                                                 {5, 6, 7, 8, 9},
                                                 {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}}) {
        ThumbnailGrid together = tenInRowsOfFour();
        together.click(2, false, false);
        together.click(6, false, true); // 2..6 selected, anchor 2, focus 6
        together.click(9, true, false); // and 9, focus 9
        ThumbnailGrid alone = together;
        for (auto index = gone.rbegin(); index != gone.rend(); ++index)
            alone.erase(*index);
        const std::size_t selectedBefore = together.getSelectedCount();
        const std::size_t selectedGone = together.eraseMany(gone);
        EXPECT_EQ(selection(together), selection(alone)) << gone.size();
        EXPECT_EQ(together.getSelectedCount(), alone.getSelectedCount());
        EXPECT_EQ(selectedGone, selectedBefore - together.getSelectedCount());
        EXPECT_EQ(together.getCount(), 10u - gone.size());
        EXPECT_EQ(together.getFocus(), alone.getFocus()) << gone.size();
        // The anchor shows in what Shift selects from it.
        if (together.getCount() > 0) {
            together.click(0, false, true);
            alone.click(0, false, true);
            EXPECT_EQ(selection(together), selection(alone)) << gone.size();
        }
    }
    ThumbnailGrid grid = tenInRowsOfFour();
    grid.append(3);
    EXPECT_EQ(grid.getCount(), 13u);
    EXPECT_FALSE(grid.isSelected(12));
}

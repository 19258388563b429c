#include <gtest/gtest.h>

#include "viewedit/CropSelection.h"

TEST(CropSelection, TheRatiosOfferedAreThePrintSizesInOrder)
{
    const auto ratios = CropSelection::ratios();
    ASSERT_EQ(ratios.size(), 8u);
    EXPECT_EQ(ratios[1].label, "Restrict to 10x15");
    EXPECT_DOUBLE_EQ(ratios[1].value(), 1.490196); // the paper's real shape, not 3:2
    EXPECT_EQ(ratios[5].label, "Restrict to 16:9 (Widescreen)");
    EXPECT_DOUBLE_EQ(ratios[7].value(), 1.618033);
}

TEST(CropSelection, AFittedSelectionKeepsItsCornerAndShrinksOneSide)
{
    // Unrestricted (0) and ratios below 1 leave the drag as it is.
    EXPECT_EQ(CropSelection::fit(wxRect(5, 6, 70, 30), 0.0), wxRect(5, 6, 70, 30));
    // Wider than 3:2: the height stays.
    EXPECT_EQ(CropSelection::fit(wxRect(5, 6, 400, 100), 1.5), wxRect(5, 6, 150, 100));
    // Exactly square is not portrait: it keeps its width and gets trunc(w / 1.5) high.
    EXPECT_EQ(CropSelection::fit(wxRect(0, 0, 100, 100), 1.5), wxRect(0, 0, 100, 66));
    // A portrait selection with 16:9 becomes 9:16 (1.777777 is a hair under 16/9).
    const wxRect portrait = CropSelection::fit(wxRect(0, 0, 90, 400), 1.777777);
    EXPECT_EQ(portrait, wxRect(0, 0, 90, 159));
    for (const auto& ratio : CropSelection::ratios()) {
        const wxRect fitted = CropSelection::fit(wxRect(3, 4, 333, 211), ratio.value());
        EXPECT_LE(fitted.width, 333);
        EXPECT_LE(fitted.height, 211);
        EXPECT_NEAR(double(fitted.width) / fitted.height, ratio.value(), 0.02) << ratio.label;
    }
}

TEST(CropSelection, ADragIsKeptOnThePictureAndAClickSelectsNothing)
{
    const wxSize picture(200, 100);
    // Dragged up and to the left, beyond the picture's corner.
    EXPECT_EQ(CropSelection::fromDrag({150, 80}, {-40, -30}, 0.0, picture), wxRect(0, 0, 150, 80));
    EXPECT_EQ(CropSelection::fromDrag({50, 20}, {900, 900}, 0.0, picture), wxRect(50, 20, 150, 80));
    // Fitting happens after clamping, so a fitted selection stays on the picture too.
    const wxRect fitted = CropSelection::fromDrag({150, 10}, {500, 95}, 1.5, picture);
    EXPECT_TRUE(wxRect(picture).Contains(fitted));
    EXPECT_TRUE(CropSelection::fromDrag({40, 40}, {40, 40}, 0.0, picture).IsEmpty());
    EXPECT_TRUE(CropSelection::fromDrag({40, 40}, {90, 40}, 0.0, picture).IsEmpty());
    // Outside the picture altogether: nothing.
    EXPECT_TRUE(CropSelection::fromDrag({300, 10}, {400, 90}, 0.0, picture).IsEmpty());
    // A ratio that would leave less than a pixel: nothing.
    EXPECT_TRUE(CropSelection::fromDrag({0, 0}, {1, 1}, 1.5, picture).IsEmpty());
}

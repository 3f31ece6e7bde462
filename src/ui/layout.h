// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main window's size rules, in pixels of its inner area. The design is in twips at
// 15 twips to a pixel; every distance below is a whole number of pixels there.
namespace tagmere::ui::layout {

inline constexpr int kTwipsPerPixel = 15;

// The inner area at design size, 15120 x 10455 twips: the width is fixed, the height a minimum.
inline constexpr int kFormWidth = 1008;
inline constexpr int kFormMinHeight = 697;

// Where the controls that follow the window's bottom edge go for an inner height `h`
// (already raised to the minimum). Widths and lefts never change. The "No Selected Values
// Found" notice sits just below the trees rather than over their bottom edge.
struct MainLayout {
    int frame1Height;
    int treeHeight;
    int chkShowSelectedOnlyTop;
    int cmdCheckAllTop; // and cmdUnCheckAll
    int ltvFoundFilesHeight;
    int editModeTop; // Label1, optSingle, optBulk
    int chkViewTop;
    int fraNonFoundTop;
};

inline constexpr int clampHeight(int h) {
    return h < kFormMinHeight ? kFormMinHeight : h;
}

inline constexpr MainLayout mainLayout(int innerHeight) {
    const int h = clampHeight(innerHeight);
    return MainLayout{h - 156, h - 236, h - 181, h - 185, h - 432, h - 25, h - 29, h - 187};
}

// Drop-down rows of a combo box: how many list rows to show for `itemCount` items when
// `roomBelow` pixels are free between the combo's bottom and the window's inner bottom and
// one row is `rowHeight` pixels. 0 means "leave the toolkit's own drop-down" (8 items or
// fewer); otherwise all items when they fit, else as many rows as fit, at least one.
inline constexpr int kPlatformDropDownItems = 8;
inline constexpr int comboDropDownRows(int itemCount, int roomBelow, int rowHeight) {
    if (itemCount <= kPlatformDropDownItems)
        return 0;
    const int fit = rowHeight > 0 ? roomBelow / rowHeight : 0;
    const int rows = itemCount <= fit ? itemCount : fit;
    return rows < 1 ? 1 : rows;
}

} // namespace tagmere::ui::layout

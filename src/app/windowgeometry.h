// The designed geometry of the main window, the same in every view: the
// client area, the status line, the place of each component on its page and
// the rows of the day grids and the History page, in pixels at 96 dpi (a view
// scales them to its screen). The names are the components' own.
#pragma once

namespace orvanel {

struct DesignRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct WindowGeometry {
    int clientWidth = 580;
    int clientHeight = 249; // the status line included
    int statusHeight = 24;  // StatusBar1

    // The General page.
    DesignRect label1{54, 10, 63, 13};   // "Current Date:"
    DesignRect label2{122, 10, 123, 15}; // the date-time text
    DesignRect calendar1{42, 36, 241, 151};
    DesignRect image1{324, 4, 32, 32};
    DesignRect label4{362, 16, 136, 24};  // the application title
    DesignRect label5{366, 40, 150, 13};  // the version
    DesignRect label9{368, 60, 90, 13};   // the vendor's web site
    DesignRect label10{368, 82, 129, 13}; // the documentation
    DesignRect label3{330, 114, 93, 13};  // "Script Delay (mSec)"
    DesignRect spin1{332, 132, 57, 22};
    DesignRect bitBtn2{446, 128, 107, 29}; // "Save Data"
    DesignRect bitBtn1{482, 0, 89, 23};    // "Test", hidden
    // "Start Orvanel when I log in", under the script delay, clear of the
    // other controls; a view may fit its width to the text.
    DesignRect checkBox1{330, 168, 200, 17};

    // The day pages: the grid, and the height of its rows.
    DesignRect dayGrid{10, 12, 489, 171};
    int gridRowHeight = 24;

    // The History page: from the top, the "Next task" and "Last run" lines
    // and the table, with these margins, heights and gaps.
    int historyMargin = 8; // left, right and under the table
    int historyTop = 6;
    int historyLineHeight = 16;
    int historyLineGap = 2;
    int historyBottom = 4; // under the detail line
};

inline constexpr WindowGeometry kWindowGeometry{};

} // namespace orvanel

// Pixels of the design (96 pixels per inch) scaled to the dots per inch of
// the monitor that shows a window.
#pragma once

#include <windows.h>

#include "app/windowgeometry.h"

namespace orvanel::win32ui {

constexpr int kDesignDpi = 96;

struct Dpi {
    int dpi = kDesignDpi;
    // A length of the design, rounded to the nearest pixel.
    int operator()(int designPixels) const { return MulDiv(designPixels, dpi, kDesignDpi); }
    RECT Rect(int left, int top, int width, int height) const;
    RECT Rect(const DesignRect& design) const {
        return Rect(design.left, design.top, design.width, design.height);
    }
};

// The dots per inch of the monitor of `window` (of the primary screen when
// the window is null or the system cannot tell per window).
Dpi DpiOf(HWND window);

// The outer size of a window whose client area is `clientWidth` x
// `clientHeight`, with the frame metrics of `dpi`.
SIZE OuterSize(DWORD style, DWORD exStyle, int clientWidth, int clientHeight, Dpi dpi);

} // namespace orvanel::win32ui

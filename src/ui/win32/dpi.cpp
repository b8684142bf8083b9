#include "dpi.h"

namespace orvanel::win32ui {

namespace {

// Functions of newer systems, looked up at run time so that the program still
// starts where they are missing.
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

template <class Fn> Fn User32Function(const char* name) {
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    if (user32 == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(user32, name)));
}

int ScreenDpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSY) : kDesignDpi;
    if (screen != nullptr) {
        ::ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? dpi : kDesignDpi;
}

} // namespace

RECT Dpi::Rect(int left, int top, int width, int height) const {
    const Dpi& s = *this;
    return RECT{s(left), s(top), s(left + width), s(top + height)};
}

Dpi DpiOf(HWND window) {
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (window != nullptr && getDpiForWindow != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi > 0) {
            return Dpi{static_cast<int>(dpi)};
        }
    }
    return Dpi{ScreenDpi()};
}

SIZE OuterSize(DWORD style, DWORD exStyle, int clientWidth, int clientHeight, Dpi dpi) {
    static const auto adjustForDpi = User32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    RECT rect{0, 0, clientWidth, clientHeight};
    if (adjustForDpi != nullptr) {
        adjustForDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi.dpi));
    } else {
        ::AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    }
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

} // namespace orvanel::win32ui

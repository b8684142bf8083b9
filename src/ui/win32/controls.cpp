#include "controls.h"

#include <commctrl.h>

#include <algorithm>

namespace orvanel::win32ui {

namespace {

constexpr UINT_PTR kPointerSubclass = 7;
constexpr UINT_PTR kCalendarSubclass = 8;

LRESULT CALLBACK PointerProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                             UINT_PTR /*id*/, DWORD_PTR data) {
    switch (message) {
    case WM_SETCURSOR:
        ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<const wchar_t*>(data)));
        return TRUE;
    case WM_MOUSEMOVE:
        ::SendMessageW(::GetAncestor(control, GA_ROOT), kPointerMovedMessage,
                       static_cast<WPARAM>(::GetDlgCtrlID(control)), 0);
        break;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(control, &PointerProc, kPointerSubclass);
        break;
    default:
        break;
    }
    return ::DefSubclassProc(control, message, wParam, lParam);
}

LRESULT CALLBACK CalendarProc(HWND calendar, UINT message, WPARAM wParam, LPARAM lParam,
                              UINT_PTR /*id*/, DWORD_PTR /*data*/) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_CHAR:
    case WM_MOUSEWHEEL:
        return 0; // nothing moves the highlight or the month
    case WM_SETCURSOR:
        ::SetCursor(::LoadCursorW(nullptr, IDC_NO));
        return TRUE;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(calendar, &CalendarProc, kCalendarSubclass);
        break;
    default:
        break;
    }
    return ::DefSubclassProc(calendar, message, wParam, lParam);
}

} // namespace

HWND CreateChild(HWND parent, const wchar_t* className, const std::wstring& text, DWORD style,
                 int id, DWORD exStyle) {
    return ::CreateWindowExW(
        exStyle, className, text.c_str(), WS_CHILD | style, 0, 0, 0, 0, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    const int length = ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(std::max(length, 0)));
    return text;
}

void SizeLabelToText(HWND label) {
    const std::wstring text = WindowText(label);
    if (text.empty()) {
        return;
    }
    HDC dc = ::GetDC(label);
    auto font = reinterpret_cast<HFONT>(::SendMessageW(label, WM_GETFONT, 0, 0));
    HGDIOBJ old = ::SelectObject(dc, font != nullptr ? font : ::GetStockObject(DEFAULT_GUI_FONT));
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    ::SelectObject(dc, old);
    ::ReleaseDC(label, dc);
    ::SetWindowPos(label, nullptr, 0, 0, size.cx, metrics.tmHeight,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void WatchPointer(HWND control, const wchar_t* cursor) {
    ::SetWindowSubclass(control, &PointerProc, kPointerSubclass,
                        reinterpret_cast<DWORD_PTR>(cursor));
}

void SetUpReadOnlyCalendar(HWND calendar) {
    SYSTEMTIME date{};
    ::GetLocalTime(&date);
    date.wHour = date.wMinute = date.wSecond = date.wMilliseconds = 0;
    ::SendMessageW(calendar, MCM_SETFIRSTDAYOFWEEK, 0, 6); // 6 is Sunday here
    ::SendMessageW(calendar, MCM_SETTODAY, 0, reinterpret_cast<LPARAM>(&date));
    ::SendMessageW(calendar, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&date));
    ::SetWindowSubclass(calendar, &CalendarProc, kCalendarSubclass, 0);
}

std::wstring FromAnsi(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int length =
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                          length);
    return wide;
}

} // namespace orvanel::win32ui

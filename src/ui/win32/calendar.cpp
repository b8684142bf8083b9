#include "calendar.h"

#include <windowsx.h>

#include <algorithm>

#include "app/monthgrid.h"

namespace orvanel::win32ui {

namespace {

constexpr int kRows = 7;

struct Calendar {
    MonthGrid month;
    std::array<std::wstring, 7> dayNames;
    HFONT font = nullptr;
};

Calendar* From(HWND window) {
    return reinterpret_cast<Calendar*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

RECT CellRect(const RECT& client, int column, int row) {
    return RECT{column * client.right / MonthGrid::kColumns, row * client.bottom / kRows,
                (column + 1) * client.right / MonthGrid::kColumns,
                (row + 1) * client.bottom / kRows};
}

// The day in a week row's cell, 0 when it is empty.
int DayIn(const Calendar& calendar, int column, int row) {
    return calendar.month.days.at(static_cast<std::size_t>(row) - 1)
        .at(static_cast<std::size_t>(column));
}

void Paint(const Calendar& calendar, HWND window, HDC dc) {
    RECT client;
    ::GetClientRect(window, &client);
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_WINDOW));
    HGDIOBJ oldFont = ::SelectObject(
        dc, calendar.font != nullptr ? calendar.font : ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(dc, TRANSPARENT);
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < MonthGrid::kColumns; ++column) {
            RECT cell = CellRect(client, column, row);
            int text = COLOR_WINDOWTEXT;
            std::wstring caption;
            if (row == 0) {
                ::FillRect(dc, &cell, ::GetSysColorBrush(COLOR_BTNFACE));
                text = COLOR_BTNTEXT;
                caption = calendar.dayNames.at(static_cast<std::size_t>(column));
            } else if (const int day = DayIn(calendar, column, row); day != 0) {
                caption = std::to_wstring(day);
                if (row - 1 == calendar.month.week && column == calendar.month.column) {
                    ::FillRect(dc, &cell, ::GetSysColorBrush(COLOR_HIGHLIGHT));
                    text = COLOR_HIGHLIGHTTEXT;
                }
            }
            ::SetTextColor(dc, ::GetSysColor(text));
            ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &cell,
                        DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
    }
    // Lines between all cells, and a frame round the grid.
    HBRUSH lines = ::GetSysColorBrush(COLOR_BTNSHADOW);
    for (int column = 1; column < MonthGrid::kColumns; ++column) {
        const LONG x = column * client.right / MonthGrid::kColumns - 1;
        const RECT line{x, 0, x + 1, client.bottom};
        ::FillRect(dc, &line, lines);
    }
    for (int row = 1; row < kRows; ++row) {
        const LONG y = row * client.bottom / kRows - 1;
        const RECT line{0, y, client.right, y + 1};
        ::FillRect(dc, &line, lines);
    }
    ::FrameRect(dc, &client, ::GetSysColorBrush(COLOR_3DDKSHADOW));
    ::SelectObject(dc, oldFont);
}

LRESULT DayAt(const Calendar& calendar, HWND window, POINT point) {
    RECT client;
    ::GetClientRect(window, &client);
    if (!::PtInRect(&client, point)) {
        return 0;
    }
    const int column =
        std::min<int>(point.x * MonthGrid::kColumns / client.right, MonthGrid::kColumns - 1);
    const int row = std::min<int>(point.y * kRows / client.bottom, kRows - 1);
    return row == 0 ? -1 : DayIn(calendar, column, row);
}

LRESULT CALLBACK CalendarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Calendar* calendar = From(window);
    switch (message) {
    case WM_NCCREATE: {
        const auto* given =
            static_cast<const Calendar*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(new Calendar(*given)));
        break;
    }
    case WM_NCDESTROY:
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        delete calendar;
        return 0;
    case WM_SETFONT:
        if (calendar != nullptr) {
            calendar->font = reinterpret_cast<HFONT>(wParam);
        }
        if (LOWORD(lParam) != 0) {
            ::InvalidateRect(window, nullptr, TRUE);
        }
        return 0;
    case WM_GETFONT:
        return calendar != nullptr ? reinterpret_cast<LRESULT>(calendar->font) : 0;
    case WM_SIZE:
        ::InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(window, &ps);
        if (calendar != nullptr) {
            Paint(*calendar, window, dc);
        }
        ::EndPaint(window, &ps);
        return 0;
    }
    case WM_SETCURSOR:
        ::SetCursor(::LoadCursorW(nullptr, IDC_NO));
        return TRUE;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE; // a click changes nothing, not even the focus
    case kCalendarDayAtMessage:
        return calendar != nullptr
                   ? DayAt(*calendar, window, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})
                   : 0;
    default:
        break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

bool RegisterCalendar(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &CalendarProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_NO);
    wc.lpszClassName = kCalendarClassName;
    return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CreateCalendar(HWND parent, int id, const SystemTime& date,
                    const std::array<std::wstring, 7>& dayNames) {
    // The window keeps a copy of its own from WM_NCCREATE to WM_NCDESTROY.
    Calendar calendar{MakeMonthGrid(date), dayNames, nullptr};
    return ::CreateWindowExW(
        0, kCalendarClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE)), &calendar);
}

} // namespace orvanel::win32ui

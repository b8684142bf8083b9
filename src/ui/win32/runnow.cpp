// "Run now" in the Windows window: a day grid row's context menu and Ctrl+R
// for the current row of the day page in front. The row is handed to the
// window logic as the grid shows it, an edit in progress included. The menu's
// item is drawn here, laid out as native menus lay out an item with its
// shortcut: the caption after the check mark's room, the shortcut at the far
// end, a clear gap between them.
#include <string>

#include "mainwindow.h"
#include "stringgrid.h"
#include "wintext.h"

namespace orvanel::win32ui {

namespace {

constexpr UINT kKeyPollMilliseconds = 20;
// Between the caption and the shortcut of a menu item, pixels at 96 dpi.
constexpr int kShortcutGap = 24;

bool HeldDown(int key) {
    return (::GetAsyncKeyState(key) & 0x8000) != 0;
}

} // namespace

bool Win32MainView::HandleRunNowKey(const MSG& message) {
    if (message.message != WM_KEYDOWN || message.wParam != 'R' || !Pressed(VK_CONTROL) ||
        Pressed(VK_SHIFT) || Pressed(VK_MENU) ||
        (message.hwnd != window_ && !::IsChild(window_, message.hwnd))) {
        return false;
    }
    const int page = TabCtrl_GetCurSel(tabs_);
    if (runNowDay_ >= 0 || page < 1 || page > kDayCount) {
        return true; // a run is waiting already, or this is not a day page
    }
    StringGrid::From(Grid(page - 1))->CommitEdit();
    // The script must not be typed while Ctrl is still held: it would turn
    // the typed letters into Ctrl chords.
    runNowDay_ = page - 1;
    ::SetTimer(window_, kRunNowTimer, kKeyPollMilliseconds, nullptr);
    return true;
}

void Win32MainView::RunWhenKeysReleased() {
    for (int key : {VK_CONTROL, VK_SHIFT, VK_MENU, VK_LWIN, VK_RWIN, static_cast<int>('R')}) {
        if (HeldDown(key)) {
            return;
        }
    }
    ::KillTimer(window_, kRunNowTimer);
    const int day = runNowDay_;
    runNowDay_ = -1;
    if (day >= 0) {
        RunNow(day);
    }
}

void Win32MainView::OpenRowMenu(HWND grid, POINT screen) {
    int day = 0;
    while (day < kDayCount && Grid(day) != grid) {
        ++day;
    }
    if (day == kDayCount || form_ == nullptr) {
        return; // not a day grid
    }
    if (screen.x == -1 && screen.y == -1) {
        const RECT cell = StringGrid::From(grid)->CurrentCellRect();
        screen = POINT{cell.left, cell.bottom};
        ::ClientToScreen(grid, &screen);
    }
    HMENU menu = ::CreatePopupMenu();
    if (menu == nullptr) {
        return;
    }
    ::AppendMenuW(menu, MF_OWNERDRAW, kRunNowCommand, nullptr);
    const BOOL chosen = ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                         screen.x, screen.y, 0, window_, nullptr);
    ::DestroyMenu(menu);
    if (chosen == kRunNowCommand) {
        RunNow(day);
    }
}

void Win32MainView::MeasureMenuItem(MEASUREITEMSTRUCT& item) const {
    const TextMeter meter(window_); // the window's font: the menu font is selected below
    HGDIOBJ old = ::SelectObject(meter.Dc(), menuFont_);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(meter.Dc(), &metrics);
    const int caption = meter.Width(Widen(kRunNowCaption));
    const int shortcut = meter.Width(Widen(kRunNowKey));
    ::SelectObject(meter.Dc(), old);
    const int margin = ::GetSystemMetrics(SM_CXMENUCHECK);
    item.itemWidth = static_cast<UINT>(margin + caption + dpi_(kShortcutGap) + shortcut + margin);
    item.itemHeight = static_cast<UINT>(metrics.tmHeight + dpi_(8));
}

void Win32MainView::DrawMenuItem(const DRAWITEMSTRUCT& item) const {
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const bool greyed = (item.itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
    ::SetBkMode(item.hDC, TRANSPARENT);
    ::SetTextColor(item.hDC, ::GetSysColor(greyed     ? COLOR_GRAYTEXT
                                           : selected ? COLOR_HIGHLIGHTTEXT
                                                      : COLOR_MENUTEXT));
    HGDIOBJ old = ::SelectObject(item.hDC, menuFont_);
    const int margin = ::GetSystemMetrics(SM_CXMENUCHECK);
    RECT text = item.rcItem;
    text.left += margin;
    text.right -= margin;
    const std::wstring caption = Widen(kRunNowCaption);
    const std::wstring shortcut = Widen(kRunNowKey);
    constexpr UINT kFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    ::DrawTextW(item.hDC, caption.c_str(), static_cast<int>(caption.size()), &text,
                kFormat | DT_LEFT);
    ::DrawTextW(item.hDC, shortcut.c_str(), static_cast<int>(shortcut.size()), &text,
                kFormat | DT_RIGHT);
    ::SelectObject(item.hDC, old);
}

void Win32MainView::RunNow(int day) {
    StringGrid* grid = StringGrid::From(Grid(day));
    grid->CommitEdit();
    form_->RunNow(day, grid->CurrentRow());
}

} // namespace orvanel::win32ui

// "Run now" in the Windows window: a day grid row's context menu and Ctrl+R
// for the current row of the day page in front. The row is handed to the
// window logic as the grid shows it, an edit in progress included.
#include <string>

#include "mainwindow.h"
#include "stringgrid.h"
#include "wintext.h"

namespace orvanel::win32ui {

namespace {

constexpr UINT kKeyPollMilliseconds = 20;

bool HeldDown(int key) {
    return (::GetAsyncKeyState(key) & 0x8000) != 0;
}

} // namespace

bool Win32MainView::HandleKey(const MSG& message) {
    return HandleTabKey(message) || HandleRunNowKey(message);
}

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
    const std::wstring item = Widen(kRunNowCaption) + L"\t" + Widen(kRunNowKey);
    ::AppendMenuW(menu, MF_STRING, kRunNowCommand, item.c_str());
    const BOOL chosen = ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                         screen.x, screen.y, 0, window_, nullptr);
    ::DestroyMenu(menu);
    if (chosen == kRunNowCommand) {
        RunNow(day);
    }
}

void Win32MainView::RunNow(int day) {
    StringGrid* grid = StringGrid::From(Grid(day));
    grid->CommitEdit();
    form_->RunNow(day, grid->CurrentRow());
}

} // namespace orvanel::win32ui

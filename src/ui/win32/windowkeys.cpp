// The window's own keys, looked at before a message is dispatched: Tab and
// Shift+Tab among the stops of the page in front, Ctrl+Tab from page to page,
// Alt with the marked letter of a check box, and Ctrl+R (runnow.cpp).
#include "mainwindow.h"

#include <commctrl.h>

namespace orvanel::win32ui {

bool Win32MainView::HandleKey(const MSG& message) {
    return HandleTabKey(message) || HandleMnemonic(message) || HandleRunNowKey(message);
}

bool Win32MainView::HandleTabKey(const MSG& message) {
    if (message.message != WM_KEYDOWN || message.wParam != VK_TAB || Pressed(VK_MENU) ||
        (message.hwnd != window_ && !::IsChild(window_, message.hwnd))) {
        return false;
    }
    const int page = TabCtrl_GetCurSel(tabs_);
    if (Pressed(VK_CONTROL)) { // Ctrl+Tab: the next page, Ctrl+Shift+Tab the one before
        const int next = (page + (Pressed(VK_SHIFT) ? kTabCount - 1 : 1)) % kTabCount;
        TabCtrl_SetCurSel(tabs_, next);
        ShowPage(next);
        return true;
    }
    // The stops: the tab control, then the spin box, the save button and the
    // check box of the General page, the grid of a day page, or the History
    // page's filter and list.
    std::array<HWND, 4> stops{tabs_, spin_.Edit(), bitBtn2_, checkBox1_};
    std::size_t count = 4;
    if (page == kHistoryPage) {
        stops = {tabs_, history_.Filter(), history_.List(), nullptr};
        count = 3;
    } else if (page > 0) {
        stops = {tabs_, Grid(page - 1), nullptr, nullptr};
        count = 2;
    }
    HWND focus = ::GetFocus();
    std::size_t at = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (focus == stops[i] || ::IsChild(stops[i], focus)) {
            at = i;
        }
    }
    const std::size_t next = (at + (Pressed(VK_SHIFT) ? count - 1 : 1)) % count;
    ::SetFocus(stops[next]); // a cell being edited commits as it loses the focus
    if (stops[next] == spin_.Edit()) {
        ::SendMessageW(stops[next], EM_SETSEL, 0, -1);
    }
    return true;
}

bool Win32MainView::HandleMnemonic(const MSG& message) {
    if (message.message != WM_SYSKEYDOWN || Pressed(VK_CONTROL) || Pressed(VK_SHIFT) ||
        (message.hwnd != window_ && !::IsChild(window_, message.hwnd))) {
        return false;
    }
    const int page = TabCtrl_GetCurSel(tabs_);
    HWND box = nullptr;
    if (message.wParam == 'S' && page == 0) {
        box = checkBox1_;
    } else if (message.wParam == 'P' && page == kHistoryPage) {
        box = history_.Filter();
    }
    if (box == nullptr) {
        return false;
    }
    ::SetFocus(box);
    ::SendMessageW(box, BM_CLICK, 0, 0);
    return true;
}

} // namespace orvanel::win32ui

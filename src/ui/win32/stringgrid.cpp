#include "stringgrid.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>

namespace orvanel::win32ui {

namespace {

constexpr int kMinimumColumnWidth = 4;

} // namespace

bool StringGrid::Register(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &StringGrid::WindowProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kGridClassName;
    return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND StringGrid::Create(HWND parent, int id, const RECT& rect) {
    return ::CreateWindowExW(
        WS_EX_CLIENTEDGE, kGridClassName, L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_HSCROLL | WS_VSCROLL | WS_CLIPCHILDREN, rect.left,
        rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
}

StringGrid* StringGrid::From(HWND window) {
    return reinterpret_cast<StringGrid*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT CALLBACK StringGrid::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    StringGrid* grid = From(window);
    if (message == WM_NCCREATE) {
        grid = new StringGrid(window);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(grid));
    }
    if (grid == nullptr) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    const LRESULT result = grid->Handle(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        delete grid;
    }
    return result;
}

LRESULT StringGrid::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    // Keys that were queued for the grid before its editor took the focus
    // belong to the editor: fast typing after a click goes on in the cell.
    if (Editing() && (message == WM_KEYDOWN || message == WM_CHAR)) {
        return ::SendMessageW(editor_, message, wParam, lParam);
    }
    switch (message) {
    case WM_CREATE:
        tip_.Create(window_);
        break;
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        if (OnSystemKey(message == WM_SYSKEYDOWN, wParam)) {
            return 0;
        }
        break;
    case WM_SETFONT:
        font_ = reinterpret_cast<HFONT>(wParam);
        if (editor_ != nullptr) {
            ::SendMessageW(editor_, WM_SETFONT, wParam, FALSE);
        }
        if (LOWORD(lParam) != 0) {
            ::InvalidateRect(window_, nullptr, FALSE);
        }
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font_);
    case WM_SIZE:
        UpdateScrollBars();
        ScrollTo(left_, topRow_);
        PlaceEditor();
        return 0;
    case WM_HSCROLL:
        OnScroll(SB_HORZ, LOWORD(wParam));
        return 0;
    case WM_VSCROLL:
        OnScroll(SB_VERT, LOWORD(wParam));
        return 0;
    case WM_MOUSEWHEEL:
        ScrollTo(left_, topRow_ - GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA * 3);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(window_, &ps);
        Paint(dc);
        ::EndPaint(window_, &ps);
        return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        ::InvalidateRect(window_, nullptr, FALSE);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
        OnKeyDown(wParam);
        return 0;
    case WM_CHAR:
        OnChar(static_cast<wchar_t>(wParam));
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        OnButtonDown(point, (wParam & MK_SHIFT) != 0, message == WM_LBUTTONDBLCLK);
        return 0;
    }
    case WM_RBUTTONDOWN:
        OnRightButtonDown(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_CONTEXTMENU: // the window's menu, for a task row only
        if (TaskRowAt(lParam)) {
            ::SendMessageW(::GetAncestor(window_, GA_ROOT), WM_CONTEXTMENU,
                           reinterpret_cast<WPARAM>(window_), lParam);
        }
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (::GetCapture() == window_ && message == WM_LBUTTONUP) {
            ::ReleaseCapture();
        }
        dragColumn_ = -1;
        selecting_ = false;
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            POINT point;
            ::GetCursorPos(&point);
            ::ScreenToClient(window_, &point);
            if (dragColumn_ >= 0 || BorderAt(point) >= 0) {
                ::SetCursor(::LoadCursorW(nullptr, IDC_SIZEWE));
                return TRUE;
            }
        }
        break;
    default:
        break;
    }
    return ::DefWindowProcW(window_, message, wParam, lParam);
}

// ---- Cells and metrics ----

const std::wstring& StringGrid::Cell(int column, int row) const {
    return cells_.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(column));
}

void StringGrid::SetCell(int column, int row, std::wstring text) {
    cells_.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(column)) = std::move(text);
    RECT rect = CellRect(column, row);
    ::InvalidateRect(window_, &rect, FALSE);
}

void StringGrid::SetRowHeight(int pixels) {
    rowHeight_ = std::max(pixels, 1);
    UpdateScrollBars();
    ScrollTo(left_, topRow_);
    PlaceEditor();
    ::InvalidateRect(window_, nullptr, FALSE);
}

void StringGrid::SetColumnWidth(int column, int pixels) {
    widths_.at(static_cast<std::size_t>(column)) = std::max(pixels, kMinimumColumnWidth);
    UpdateScrollBars();
    ScrollTo(left_, topRow_);
    PlaceEditor();
    ::InvalidateRect(window_, nullptr, FALSE);
}

int StringGrid::ColumnWidth(int column) const {
    return widths_.at(static_cast<std::size_t>(column));
}

// ---- Geometry ----

int StringGrid::TotalWidth() const {
    return ColumnLeft(kColumns);
}

int StringGrid::ColumnLeft(int column) const {
    int left = 0;
    for (int c = 0; c < column; ++c) {
        left += widths_[static_cast<std::size_t>(c)];
    }
    return left;
}

int StringGrid::VisibleRows() const {
    RECT client;
    ::GetClientRect(window_, &client);
    return std::max(1, static_cast<int>(client.bottom - rowHeight_) / rowHeight_);
}

RECT StringGrid::CellRect(int column, int row) const {
    const int left = ColumnLeft(column) - left_;
    const int top = row == 0 ? 0 : (row - topRow_ + 1) * rowHeight_;
    return RECT{left, top, left + widths_[static_cast<std::size_t>(column)], top + rowHeight_};
}

bool StringGrid::CellAt(POINT point, int& column, int& row) const {
    const int x = point.x + left_;
    if (point.x < 0 || point.y < 0 || x >= TotalWidth()) {
        return false;
    }
    column = 0;
    while (column < kColumns - 1 && x >= ColumnLeft(column + 1)) {
        ++column;
    }
    row = point.y < rowHeight_ ? 0 : topRow_ + point.y / rowHeight_ - 1;
    return row < kRows;
}

int StringGrid::BorderAt(POINT point) const {
    if (point.y < 0 || point.y >= rowHeight_) {
        return -1;
    }
    for (int column = 0; column < kColumns; ++column) {
        const int border = ColumnLeft(column + 1) - left_;
        if (point.x >= border - 3 && point.x <= border + 3) {
            return column;
        }
    }
    return -1;
}

// ---- Scrolling ----

void StringGrid::UpdateScrollBars() {
    RECT client;
    ::GetClientRect(window_, &client);
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMax = TotalWidth() - 1;
    info.nPage = static_cast<UINT>(std::max<LONG>(client.right, 0));
    info.nPos = left_;
    ::SetScrollInfo(window_, SB_HORZ, &info, TRUE);
    info.nMin = 1;
    info.nMax = kRows - 1;
    info.nPage = static_cast<UINT>(VisibleRows());
    info.nPos = topRow_;
    ::SetScrollInfo(window_, SB_VERT, &info, TRUE);
}

void StringGrid::ScrollTo(int left, int topRow) {
    RECT client;
    ::GetClientRect(window_, &client);
    left = std::clamp(left, 0, std::max(0, TotalWidth() - static_cast<int>(client.right)));
    topRow = std::clamp(topRow, 1, std::max(1, kRows - VisibleRows()));
    if (left == left_ && topRow == topRow_) {
        return;
    }
    left_ = left;
    topRow_ = topRow;
    UpdateScrollBars();
    PlaceEditor();
    ::InvalidateRect(window_, nullptr, FALSE);
}

void StringGrid::ScrollIntoView(int column, int row) {
    RECT client;
    ::GetClientRect(window_, &client);
    int left = left_;
    const int cellLeft = ColumnLeft(column);
    const int cellRight = cellLeft + widths_[static_cast<std::size_t>(column)];
    if (cellRight > left + client.right) {
        left = cellRight - client.right;
    }
    if (cellLeft < left) {
        left = cellLeft; // a cell wider than the grid shows its start
    }
    int topRow = topRow_;
    if (row >= 1 && row < topRow) {
        topRow = row;
    } else if (row >= topRow + VisibleRows()) {
        topRow = row - VisibleRows() + 1;
    }
    ScrollTo(left, topRow);
}

void StringGrid::OnScroll(int bar, WORD request) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    ::GetScrollInfo(window_, bar, &info);
    const int line = bar == SB_HORZ ? rowHeight_ : 1;
    const int page = static_cast<int>(info.nPage);
    int pos = info.nPos;
    switch (request) {
    case SB_LINEUP:
        pos -= line;
        break;
    case SB_LINEDOWN:
        pos += line;
        break;
    case SB_PAGEUP:
        pos -= page;
        break;
    case SB_PAGEDOWN:
        pos += page;
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        pos = info.nTrackPos;
        break;
    case SB_TOP:
        pos = info.nMin;
        break;
    case SB_BOTTOM:
        pos = info.nMax;
        break;
    default:
        return;
    }
    if (bar == SB_HORZ) {
        ScrollTo(pos, topRow_);
    } else {
        ScrollTo(left_, pos);
    }
}

// ---- Drawing ----

void StringGrid::Paint(HDC target) const {
    RECT client;
    ::GetClientRect(window_, &client);
    HDC dc = ::CreateCompatibleDC(target);
    HBITMAP bitmap = ::CreateCompatibleBitmap(target, std::max<LONG>(client.right, 1),
                                              std::max<LONG>(client.bottom, 1));
    HGDIOBJ oldBitmap = ::SelectObject(dc, bitmap);
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_WINDOW));
    HGDIOBJ oldFont =
        ::SelectObject(dc, font_ != nullptr ? font_ : ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(dc, TRANSPARENT);
    for (int row = 0; row < kRows; ++row) {
        if (row != 0 && (row < topRow_ || row > topRow_ + VisibleRows())) {
            continue;
        }
        for (int column = 0; column < kColumns; ++column) {
            PaintCell(dc, column, row);
        }
    }
    ::SelectObject(dc, oldFont);
    ::BitBlt(target, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    ::SelectObject(dc, oldBitmap);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
}

void StringGrid::PaintCell(HDC dc, int column, int row) const {
    RECT rect = CellRect(column, row);
    const bool header = row == 0;
    const bool current = column == column_ && row == row_;
    const bool focused = ::GetFocus() == window_;
    const bool selected =
        !header && row >= std::min(row_, anchorRow_) && row <= std::max(row_, anchorRow_) &&
        column >= std::min(column_, anchorColumn_) && column <= std::max(column_, anchorColumn_);
    int background = COLOR_WINDOW;
    int text = COLOR_WINDOWTEXT;
    if (header) {
        background = COLOR_BTNFACE;
        text = COLOR_BTNTEXT;
    } else if (selected && !(current && focused)) {
        background = COLOR_HIGHLIGHT;
        text = COLOR_HIGHLIGHTTEXT;
    }
    RECT inner{rect.left, rect.top, rect.right - 1, rect.bottom - 1};
    ::FillRect(dc, &inner, ::GetSysColorBrush(background));
    // The lines between the cells: right and bottom edge of every cell.
    RECT line{rect.right - 1, rect.top, rect.right, rect.bottom};
    ::FillRect(dc, &line, ::GetSysColorBrush(header ? COLOR_BTNSHADOW : COLOR_BTNFACE));
    line = RECT{rect.left, rect.bottom - 1, rect.right, rect.bottom};
    ::FillRect(dc, &line, ::GetSysColorBrush(header ? COLOR_BTNSHADOW : COLOR_BTNFACE));
    ::SetTextColor(dc, ::GetSysColor(text));
    RECT textRect{inner.left + kTextMargin, inner.top, inner.right - kTextMargin, inner.bottom};
    const std::wstring& value = Cell(column, row);
    ::DrawTextW(dc, value.c_str(), static_cast<int>(value.size()), &textRect,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (current && focused) {
        ::DrawFocusRect(dc, &inner);
    }
}

} // namespace orvanel::win32ui

// The day grid's keyboard, mouse and in-place editor.
#include "stringgrid.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <string>

#include "schedule/celltext.h"

namespace orvanel::win32ui {

namespace {

constexpr UINT_PTR kEditorSubclass = 1;

bool KeyDown(int key) {
    return (::GetKeyState(key) & 0x8000) != 0;
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    const int length = ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(std::max(length, 0)));
    return text;
}

} // namespace

void StringGrid::MoveTo(int column, int row, bool extend) {
    column_ = std::clamp(column, 0, kColumns - 1);
    row_ = std::clamp(row, 1, kRows - 1);
    if (!extend) {
        anchorColumn_ = column_;
        anchorRow_ = row_;
    }
    ScrollIntoView(column_, row_);
    ::InvalidateRect(window_, nullptr, FALSE);
}

void StringGrid::OnKeyDown(WPARAM key) {
    const bool shift = KeyDown(VK_SHIFT);
    const bool control = KeyDown(VK_CONTROL);
    switch (key) {
    case VK_LEFT:
        MoveTo(column_ - 1, row_, shift);
        break;
    case VK_RIGHT:
        MoveTo(column_ + 1, row_, shift);
        break;
    case VK_UP:
        MoveTo(column_, row_ - 1, shift);
        break;
    case VK_DOWN:
        MoveTo(column_, row_ + 1, shift);
        break;
    case VK_PRIOR:
        MoveTo(column_, row_ - VisibleRows(), shift);
        break;
    case VK_NEXT:
        MoveTo(column_, row_ + VisibleRows(), shift);
        break;
    case VK_HOME:
        MoveTo(0, control ? 1 : row_, shift);
        break;
    case VK_END:
        MoveTo(kColumns - 1, control ? kRows - 1 : row_, shift);
        break;
    case VK_F2:
    case VK_RETURN:
        BeginEdit(nullptr);
        break;
    case VK_DELETE:
        ClearSelectedCells();
        break;
    default:
        break;
    }
}

bool StringGrid::OnSystemKey(bool down, WPARAM key) {
    if (key != VK_F10) {
        return false;
    }
    if (down && KeyDown(VK_SHIFT)) {
        menuByF10_ = true; // as the Menu key: the current row's menu
        ::SendMessageW(window_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window_), -1);
        return true;
    }
    if (!down && menuByF10_) {
        menuByF10_ = false;
        return true; // its release does not open the window menu as well
    }
    return false;
}

void StringGrid::ClearSelectedCells() {
    for (int row = std::min(row_, anchorRow_); row <= std::max(row_, anchorRow_); ++row) {
        for (int column = std::min(column_, anchorColumn_);
             column <= std::max(column_, anchorColumn_); ++column) {
            SetCell(column, row, std::wstring());
        }
    }
    NotifyEdited();
}

void StringGrid::NotifyEdited() const {
    ::SendMessageW(::GetParent(window_), WM_COMMAND,
                   MAKEWPARAM(::GetDlgCtrlID(window_), kCellsEdited),
                   reinterpret_cast<LPARAM>(window_));
}

void StringGrid::OnChar(wchar_t character) {
    // Control characters (Enter, Escape, Ctrl+letter) open nothing.
    if (character < L' ' || character == 0x7F) {
        return;
    }
    const std::wstring typed(1, character);
    BeginEdit(&typed);
}

void StringGrid::OnButtonDown(POINT point, bool shift, bool doubleClick) {
    const bool hadFocus = ::GetFocus() == window_;
    ::SetFocus(window_); // an open editor commits here
    const int border = BorderAt(point);
    if (border >= 0) {
        dragColumn_ = border;
        dragStart_ = point.x;
        dragWidth_ = ColumnWidth(border);
        ::SetCapture(window_);
        return;
    }
    int column = 0;
    int row = 0;
    if (!CellAt(point, column, row) || row == 0) {
        return;
    }
    const bool onCurrent = column == column_ && row == row_;
    MoveTo(column, row, shift);
    if (doubleClick || (onCurrent && hadFocus && !shift)) {
        BeginEdit(nullptr);
        return;
    }
    selecting_ = true;
    ::SetCapture(window_);
}

void StringGrid::OnMouseMove(POINT point) {
    if (dragColumn_ >= 0) {
        SetColumnWidth(dragColumn_, dragWidth_ + point.x - dragStart_);
        return;
    }
    int column = 0;
    int row = 0;
    if (selecting_ && CellAt(point, column, row)) {
        MoveTo(column, std::max(row, 1), true);
    }
    ShowTipAt(point);
}

void StringGrid::ShowTipAt(POINT point) {
    int column = 0;
    int row = 0;
    if (!CellAt(point, column, row) || row == 0) {
        tip_.Set(RECT{}, std::wstring());
        return;
    }
    const RECT cell = CellRect(column, row);
    const std::wstring& text = Cell(column, row);
    const bool cut = TextWidth(window_, text) > cell.right - cell.left - 1 - 2 * kTextMargin;
    tip_.Set(cell, cut ? text : std::wstring());
}

void StringGrid::OnRightButtonDown(POINT point) {
    ::SetFocus(window_); // an open editor commits here
    int column = 0;
    int row = 0;
    if (CellAt(point, column, row) && row > 0) {
        MoveTo(column, row, false);
    }
}

bool StringGrid::TaskRowAt(LPARAM screenPoint) const {
    if (screenPoint == -1) {
        return true; // the keyboard's request is about the current cell
    }
    POINT point{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
    ::ScreenToClient(window_, &point);
    int column = 0;
    int row = 0;
    return CellAt(point, column, row) && row > 0;
}

void StringGrid::BeginEdit(const std::wstring* typed) {
    if (Editing()) {
        return;
    }
    ScrollIntoView(column_, row_);
    anchorColumn_ = column_;
    anchorRow_ = row_;
    if (editor_ == nullptr) {
        editor_ = ::CreateWindowExW(
            0, L"EDIT", L"", WS_CHILD | ES_AUTOHSCROLL | ES_LEFT, 0, 0, 0, 0, window_, nullptr,
            reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(window_, GWLP_HINSTANCE)), nullptr);
        ::SetWindowSubclass(editor_, &StringGrid::EditorProc, kEditorSubclass,
                            reinterpret_cast<DWORD_PTR>(this));
        ::SendMessageW(editor_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    }
    const std::wstring& text = typed != nullptr ? *typed : Cell(column_, row_);
    ::SetWindowTextW(editor_, text.c_str());
    ::ShowWindow(editor_, SW_SHOW);
    PlaceEditor();
    ::SetFocus(editor_);
    const auto end = static_cast<LPARAM>(text.size());
    ::SendMessageW(editor_, EM_SETSEL, static_cast<WPARAM>(end), end);
}

void StringGrid::EndEdit(bool commit) {
    if (!Editing()) {
        return;
    }
    const std::wstring text = WindowText(editor_);
    const bool hadFocus = ::GetFocus() == editor_;
    ::ShowWindow(editor_, SW_HIDE); // from here on, Editing() is false
    if (commit) {
        SetCell(column_, row_, OneLineCell(text)); // a pasted line break would split the task
        NotifyEdited();
    }
    if (hadFocus) {
        ::SetFocus(window_);
    }
    ::InvalidateRect(window_, nullptr, FALSE);
}

void StringGrid::PlaceEditor() {
    if (!Editing()) {
        return;
    }
    const RECT cell = CellRect(column_, row_);
    RECT text{cell.left + 2, cell.top, cell.right - 2, cell.bottom - 1};
    // The editor's line sits in the middle of the cell, like the cell's text.
    HDC dc = ::GetDC(editor_);
    HGDIOBJ old = ::SelectObject(dc, font_ != nullptr ? font_ : ::GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    ::SelectObject(dc, old);
    ::ReleaseDC(editor_, dc);
    const int height = std::min<int>(metrics.tmHeight + 2, text.bottom - text.top);
    text.top += (text.bottom - text.top - height) / 2;
    ::MoveWindow(editor_, text.left, text.top, text.right - text.left, height, TRUE);
}

LRESULT CALLBACK StringGrid::EditorProc(HWND editor, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR /*id*/, DWORD_PTR data) {
    auto* grid = reinterpret_cast<StringGrid*>(data);
    bool handled = false;
    const LRESULT result = grid->HandleEditor(message, wParam, lParam, handled);
    if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(editor, &StringGrid::EditorProc, kEditorSubclass);
    }
    return handled ? result : ::DefSubclassProc(editor, message, wParam, lParam);
}

LRESULT StringGrid::HandleEditor(UINT message, WPARAM wParam, LPARAM /*lParam*/, bool& handled) {
    switch (message) {
    case WM_GETDLGCODE:
        handled = true;
        return DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
            handled = true;
            EndEdit(wParam == VK_RETURN);
        } else if (wParam == VK_UP || wParam == VK_DOWN) {
            handled = true;
            EndEdit(true);
            MoveTo(column_, row_ + (wParam == VK_UP ? -1 : 1), false);
        }
        return 0;
    case WM_CHAR:
        // Enter and Escape were handled as keys; their characters would beep.
        handled = wParam == L'\r' || wParam == 27 || wParam == L'\n';
        return 0;
    case WM_KILLFOCUS:
        EndEdit(true); // the Tab key, a click elsewhere, another window
        return 0;
    default:
        return 0;
    }
}

} // namespace orvanel::win32ui

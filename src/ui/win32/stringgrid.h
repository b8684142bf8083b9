// The day grid control (window class "OrvanelGrid"): 5 columns and 25 rows of
// text, row 0 a fixed header row, lines between all cells, both scroll bars,
// columns widened or narrowed by dragging their borders in the header row,
// and any cell of rows 1 to 24 edited in place.
//
// Editing: a click on the current cell, F2, Enter or a double click opens the
// cell's editor; a printable key opens it with that character at once, so
// that fast typing lands in the cell that was selected. Enter commits, Escape
// cancels, and the editor commits whenever it loses the focus (the Tab key,
// a click elsewhere); CR, LF and NUL in the edit become blanks, so that a
// cell is one line. Delete clears every selected cell. Home and End go to the
// first and last column of the row. The current cell is always scrolled
// fully into view. The Tab key is not the grid's: the window moves the focus
// to the next control. A right click on a task row makes it current and asks
// the top-level window for its context menu; Shift+F10 and the Menu key ask
// for the current row's. A cell whose text is wider than its column shows it
// whole as its tool tip. After the user has changed cells, the grid tells its
// parent with WM_COMMAND, kCellsEdited and its id.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "cuttext.h"
#include "schedule/store.h"

namespace orvanel::win32ui {

inline constexpr const wchar_t* kGridClassName = L"OrvanelGrid";
// The notification code of WM_COMMAND when the user has changed cells.
inline constexpr WORD kCellsEdited = 1;

class StringGrid {
public:
    // The shape of a day grid, as the store fills it.
    static constexpr int kColumns = kGridColumns;
    static constexpr int kRows = kGridRows; // row 0 is the header row

    // Registers the window class once per process.
    static bool Register(HINSTANCE instance);
    // Creates a grid as a child of `parent`.
    static HWND Create(HWND parent, int id, const RECT& rect);
    // The grid object of a grid window, or null.
    static StringGrid* From(HWND window);

    const std::wstring& Cell(int column, int row) const;
    void SetCell(int column, int row, std::wstring text);

    void SetRowHeight(int pixels);
    void SetColumnWidth(int column, int pixels);
    int ColumnWidth(int column) const;

    int CurrentColumn() const { return column_; }
    int CurrentRow() const { return row_; }
    bool Editing() const { return editor_ != nullptr && ::IsWindowVisible(editor_); }
    // Ends an edit in progress, keeping what was typed.
    void CommitEdit() { EndEdit(true); }
    RECT CurrentCellRect() const { return CellRect(column_, row_); }

private:
    static constexpr int kTextMargin = 2; // between a cell's text and its sides

    explicit StringGrid(HWND window) : window_(window) {}
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK EditorProc(HWND editor, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR data);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

    // ---- Geometry and drawing (stringgrid.cpp) ----
    int TotalWidth() const;
    int ColumnLeft(int column) const; // in content pixels
    int VisibleRows() const;          // task rows fully in view
    RECT CellRect(int column, int row) const;
    // The cell under a client point: false outside the cells.
    bool CellAt(POINT point, int& column, int& row) const;
    // The column whose right border is under a point of the header row, or -1.
    int BorderAt(POINT point) const;
    void UpdateScrollBars();
    void ScrollTo(int left, int topRow);
    void ScrollIntoView(int column, int row);
    void OnScroll(int bar, WORD request);
    void Paint(HDC target) const;
    void PaintCell(HDC dc, int column, int row) const;

    // ---- Input and editing (gridinput.cpp) ----
    void MoveTo(int column, int row, bool extend);
    void OnKeyDown(WPARAM key);
    void OnChar(wchar_t character);
    // Shift+F10 (a system key): true when the grid has handled it.
    bool OnSystemKey(bool down, WPARAM key);
    void OnButtonDown(POINT point, bool shift, bool doubleClick);
    void OnMouseMove(POINT point);
    // The tool tip of the cell under the pointer: its text when it is cut.
    void ShowTipAt(POINT point);
    void ClearSelectedCells();
    void NotifyEdited() const;
    // A right click makes the task row's cell under it current; the context
    // menu that follows (WM_CONTEXTMENU, wParam the grid) is the top-level
    // window's, for a task row only.
    void OnRightButtonDown(POINT point);
    // Whether a context menu request (its lParam: a screen point, or -1 from
    // the keyboard) is about a task row.
    bool TaskRowAt(LPARAM screenPoint) const;
    void BeginEdit(const std::wstring* typed);
    void EndEdit(bool commit);
    void PlaceEditor();
    LRESULT HandleEditor(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

    HWND window_;
    HWND editor_ = nullptr;
    HFONT font_ = nullptr;
    std::array<std::array<std::wstring, kColumns>, kRows> cells_{};
    std::array<int, kColumns> widths_{64, 64, 64, 64, 64};
    int rowHeight_ = 24;
    int column_ = 0;       // current cell
    int row_ = 1;          // current cell, 1 to 24
    int anchorColumn_ = 0; // the other corner of the selected range
    int anchorRow_ = 1;
    int left_ = 0;   // horizontal scroll position in pixels
    int topRow_ = 1; // first task row in view
    int dragColumn_ = -1;
    int dragStart_ = 0;
    int dragWidth_ = 0;
    bool selecting_ = false;
    bool menuByF10_ = false; // Shift+F10 opened the menu: its key's release is the grid's
    TipWindow tip_;
};

} // namespace orvanel::win32ui

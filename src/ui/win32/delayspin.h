// The script delay spin box `spin1`: an edit box with up and down buttons.
// It keeps the raw text as typed; the buttons and the Up and Down keys add or
// subtract 10 within 0 to 3000; it accepts the digits, "+", "-" and the
// locale's decimal separator and refuses any other printable character with
// a beep; when it loses the focus, a number outside 0 to 3000 becomes the
// nearest bound and text that is not a number stays as it is.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

namespace orvanel::win32ui {

class DelaySpin {
public:
    static constexpr int kMinimum = 0;
    static constexpr int kMaximum = 3000;
    static constexpr int kIncrement = 10;

    // Creates the edit box (with the control id given) and its buttons.
    void Create(HWND parent, int id, const RECT& rect);
    // Places the edit box and the buttons inside `rect`.
    void Place(const RECT& rect);
    HWND Edit() const { return edit_; }
    HWND Buttons() const { return buttons_; }

    std::wstring Text() const;
    void SetText(const std::wstring& text);

    // Adds `steps` x 10 to the value (0 for a text that is not a number),
    // kept within the range.
    void Step(int steps);
    // The focus-loss rule: a number outside the range becomes the bound.
    void ClampToRange();
    // The buttons' notification (sent to the parent): true when it was theirs.
    bool OnNotify(const NMHDR& header);

private:
    static LRESULT CALLBACK EditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR id, DWORD_PTR data);
    bool Accepts(wchar_t character) const;

    HWND edit_ = nullptr;
    HWND buttons_ = nullptr;
    wchar_t decimalSeparator_ = L'.';
};

} // namespace orvanel::win32ui

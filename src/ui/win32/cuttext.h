// Texts longer than their place in the Windows window: their width in a
// control's font, the text cut to a width with an ellipsis, and a tool tip
// that shows such a text whole.
#pragma once

#include <windows.h>

#include <string>

namespace orvanel::win32ui {

// Measures texts in the font of a control.
class TextMeter {
public:
    explicit TextMeter(HWND control);
    ~TextMeter();
    TextMeter(const TextMeter&) = delete;
    TextMeter& operator=(const TextMeter&) = delete;

    int Width(const std::wstring& text) const;
    HDC Dc() const { return dc_; }

private:
    HWND control_;
    HDC dc_;
    HGDIOBJ old_;
};

// The width of `text` in the font of `control`.
int TextWidth(HWND control, const std::wstring& text);

// `text` as it fits into `width` pixels in the font of `control`: whole, or
// cut and ending in "…".
std::wstring FitText(HWND control, const std::wstring& text, int width);

// A tool tip over one control. As the pointer moves, the control names the
// area under it and that area's whole text, or an empty text for none.
class TipWindow {
public:
    TipWindow() = default;
    TipWindow(const TipWindow&) = delete;
    TipWindow& operator=(const TipWindow&) = delete;
    ~TipWindow();

    void Create(HWND control);
    // The tip of `area` (client coordinates of the control).
    void Set(const RECT& area, const std::wstring& text);
    // The tip of the whole control.
    void SetWhole(const std::wstring& text);
    const std::wstring& Text() const { return text_; }

private:
    HWND tip_ = nullptr;
    HWND control_ = nullptr;
    RECT area_{};
    std::wstring text_;
};

} // namespace orvanel::win32ui

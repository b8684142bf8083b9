#include "cuttext.h"

#include <commctrl.h>

#include <algorithm>

namespace orvanel::win32ui {

namespace {

constexpr wchar_t kEllipsis[] = L"\u2026";
// Long texts (a script of 255 characters) wrap in the tip at this width.
constexpr int kTipWidth = 480;

int Width(HDC dc, const wchar_t* text, std::size_t length) {
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text, static_cast<int>(length), &size);
    return size.cx;
}

} // namespace

TextMeter::TextMeter(HWND control) : control_(control), dc_(::GetDC(control)) {
    auto font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
    old_ = ::SelectObject(dc_, font != nullptr ? font : ::GetStockObject(DEFAULT_GUI_FONT));
}

TextMeter::~TextMeter() {
    ::SelectObject(dc_, old_);
    ::ReleaseDC(control_, dc_);
}

int TextMeter::Width(const std::wstring& text) const {
    return orvanel::win32ui::Width(dc_, text.c_str(), text.size());
}

int TextWidth(HWND control, const std::wstring& text) {
    return TextMeter(control).Width(text);
}

std::wstring FitText(HWND control, const std::wstring& text, int width) {
    const TextMeter context(control);
    if (Width(context.Dc(), text.c_str(), text.size()) <= width) {
        return text;
    }
    const int room = std::max(0, width - Width(context.Dc(), kEllipsis, 1));
    int fit = 0;
    SIZE size{};
    ::GetTextExtentExPointW(context.Dc(), text.c_str(), static_cast<int>(text.size()), room, &fit,
                            nullptr, &size);
    return text.substr(0, static_cast<std::size_t>(std::max(fit, 0))) + kEllipsis;
}

TipWindow::~TipWindow() {
    if (tip_ != nullptr && ::IsWindow(tip_)) {
        ::DestroyWindow(tip_);
    }
}

void TipWindow::Create(HWND control) {
    control_ = control;
    tip_ = ::CreateWindowExW(
        WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, control, nullptr,
        reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(control, GWLP_HINSTANCE)), nullptr);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS; // the tip watches the pointer over the control itself
    tool.hwnd = control;
    tool.uId = 1;
    tool.lpszText = text_.data();
    ::SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, kTipWidth);
}

void TipWindow::Set(const RECT& area, const std::wstring& text) {
    if (tip_ == nullptr || (::EqualRect(&area, &area_) && text == text_)) {
        return;
    }
    area_ = area;
    text_ = text;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = control_;
    tool.uId = 1;
    tool.rect = text.empty() ? RECT{} : area; // no area: no tip
    ::SendMessageW(tip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    tool.lpszText = text_.data();
    ::SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void TipWindow::SetWhole(const std::wstring& text) {
    RECT area;
    ::GetClientRect(control_, &area);
    Set(area, text);
}

} // namespace orvanel::win32ui

#include "controls.h"

#include <commctrl.h>

#include <algorithm>

namespace orvanel::win32ui {

namespace {

constexpr UINT_PTR kPointerSubclass = 7;

LRESULT CALLBACK PointerProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                             UINT_PTR /*id*/, DWORD_PTR data) {
    switch (message) {
    case WM_SETCURSOR:
        ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<const wchar_t*>(data)));
        return TRUE;
    case WM_MOUSEMOVE:
        ::SendMessageW(::GetAncestor(control, GA_ROOT), kPointerMovedMessage,
                       static_cast<WPARAM>(::GetDlgCtrlID(control)), 0);
        break;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(control, &PointerProc, kPointerSubclass);
        break;
    default:
        break;
    }
    return ::DefSubclassProc(control, message, wParam, lParam);
}

int CALLBACK FaceFound(const LOGFONTW* /*font*/, const TEXTMETRICW* /*metrics*/, DWORD /*type*/,
                       LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

int CALLBACK SerifFound(const LOGFONTW* font, const TEXTMETRICW* /*metrics*/, DWORD type,
                        LPARAM face) {
    const bool scalable = (type & TRUETYPE_FONTTYPE) != 0 || (type & DEVICE_FONTTYPE) != 0;
    if ((font->lfPitchAndFamily & 0xF0) == FF_ROMAN && scalable && font->lfFaceName[0] != L'@') {
        *reinterpret_cast<std::wstring*>(face) = font->lfFaceName;
        return 0;
    }
    return 1;
}

bool HasFace(HDC dc, const wchar_t* face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    ::lstrcpynW(wanted.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    ::EnumFontFamiliesExW(dc, &wanted, &FaceFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

} // namespace

HWND CreateChild(HWND parent, const wchar_t* className, const std::wstring& text, DWORD style,
                 int id, DWORD exStyle) {
    return ::CreateWindowExW(
        exStyle, className, text.c_str(), WS_CHILD | style, 0, 0, 0, 0, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    const int length = ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(std::max(length, 0)));
    return text;
}

void SizeLabelToText(HWND label) {
    const std::wstring text = WindowText(label);
    if (text.empty()) {
        return;
    }
    HDC dc = ::GetDC(label);
    auto font = reinterpret_cast<HFONT>(::SendMessageW(label, WM_GETFONT, 0, 0));
    HGDIOBJ old = ::SelectObject(dc, font != nullptr ? font : ::GetStockObject(DEFAULT_GUI_FONT));
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    ::SelectObject(dc, old);
    ::ReleaseDC(label, dc);
    ::SetWindowPos(label, nullptr, 0, 0, size.cx, metrics.tmHeight,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void WatchPointer(HWND control, const wchar_t* cursor) {
    ::SetWindowSubclass(control, &PointerProc, kPointerSubclass,
                        reinterpret_cast<DWORD_PTR>(cursor));
}

std::wstring SerifFace() {
    // "Times New Roman", or a face of the same metrics, or another serif face.
    static constexpr const wchar_t* kFaces[] = {
        L"Times New Roman", L"Liberation Serif",    L"Tinos",
        L"Nimbus Roman",    L"Nimbus Roman No9 L",  L"Georgia",
        L"Cambria",         L"DejaVu Serif",        L"Noto Serif",
        L"FreeSerif",       L"Bitstream Vera Serif"};
    HDC dc = ::GetDC(nullptr);
    std::wstring face;
    for (const wchar_t* candidate : kFaces) {
        if (HasFace(dc, candidate)) {
            face = candidate;
            break;
        }
    }
    if (face.empty()) {
        LOGFONTW any{};
        any.lfCharSet = DEFAULT_CHARSET;
        ::EnumFontFamiliesExW(dc, &any, &SerifFound, reinterpret_cast<LPARAM>(&face), 0);
    }
    ::ReleaseDC(nullptr, dc);
    return face.empty() ? std::wstring(kFaces[0]) : face;
}

std::wstring FromAnsi(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int length =
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                          length);
    return wide;
}

} // namespace orvanel::win32ui

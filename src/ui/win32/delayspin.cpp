#include "delayspin.h"

#include <algorithm>
#include <optional>

#include "schedule/error.h"
#include "schedule/taskline.h"
#include "wintext.h"

namespace orvanel::win32ui {

namespace {

constexpr UINT_PTR kSpinSubclass = 1;

std::optional<int> IntegerValue(const std::wstring& text) {
    try {
        return TextToInt(ToCp1252(text));
    } catch (const Error&) {
        return std::nullopt;
    }
}

} // namespace

void DelaySpin::Create(HWND parent, int id, const RECT& rect) {
    auto* instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    edit_ = ::CreateWindowExW(
        WS_EX_CLIENTEDGE, L"EDIT", L"0", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0,
        0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    buttons_ = ::CreateWindowExW(0, UPDOWN_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                                 nullptr, instance, nullptr);
    ::SendMessageW(buttons_, UDM_SETRANGE32, kMinimum, kMaximum);
    ::SetWindowSubclass(edit_, &DelaySpin::EditProc, kSpinSubclass,
                        reinterpret_cast<DWORD_PTR>(this));
    wchar_t separator[8] = {};
    if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8) > 1) {
        decimalSeparator_ = separator[0];
    }
    Place(rect);
}

void DelaySpin::Place(const RECT& rect) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const int buttons = std::min(width / 2, ::GetSystemMetrics(SM_CXVSCROLL));
    ::MoveWindow(edit_, rect.left, rect.top, width - buttons, height, TRUE);
    ::MoveWindow(buttons_, rect.right - buttons, rect.top, buttons, height, TRUE);
}

std::wstring DelaySpin::Text() const {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(edit_)) + 1, L'\0');
    const int length = ::GetWindowTextW(edit_, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(std::max(length, 0)));
    return text;
}

void DelaySpin::SetText(const std::wstring& text) {
    ::SetWindowTextW(edit_, text.c_str());
}

void DelaySpin::Step(int steps) {
    const long long next = static_cast<long long>(IntegerValue(Text()).value_or(kMinimum)) +
                           static_cast<long long>(steps) * kIncrement;
    SetText(std::to_wstring(std::clamp<long long>(next, kMinimum, kMaximum)));
    ::SendMessageW(edit_, EM_SETSEL, 0, -1);
}

void DelaySpin::ClampToRange() {
    const std::optional<int> number = IntegerValue(Text());
    if (number && (*number < kMinimum || *number > kMaximum)) {
        SetText(std::to_wstring(std::clamp(*number, kMinimum, kMaximum)));
    }
}

bool DelaySpin::OnNotify(const NMHDR& header) {
    if (header.hwndFrom != buttons_ || header.code != UDN_DELTAPOS) {
        return false;
    }
    const auto& delta = reinterpret_cast<const NMUPDOWN&>(header);
    Step(delta.iDelta > 0 ? 1 : -1);
    return true;
}

bool DelaySpin::Accepts(wchar_t character) const {
    return (character >= L'0' && character <= L'9') || character == L'+' || character == L'-' ||
           character == decimalSeparator_;
}

LRESULT CALLBACK DelaySpin::EditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR /*id*/, DWORD_PTR data) {
    auto* spin = reinterpret_cast<DelaySpin*>(data);
    switch (message) {
    case WM_CHAR: {
        const auto character = static_cast<wchar_t>(wParam);
        const bool printable = character >= L' ' && character != 0x7F;
        if (printable && !spin->Accepts(character)) {
            ::MessageBeep(MB_OK);
            return 0;
        }
        break;
    }
    case WM_KEYDOWN:
        if (wParam == VK_UP || wParam == VK_DOWN) {
            spin->Step(wParam == VK_UP ? 1 : -1);
            return 0;
        }
        break;
    case WM_KILLFOCUS:
        spin->ClampToRange();
        break;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(edit, &DelaySpin::EditProc, kSpinSubclass);
        break;
    default:
        break;
    }
    return ::DefSubclassProc(edit, message, wParam, lParam);
}

} // namespace orvanel::win32ui

// A target window for the end-to-end tests: a top-level window with the title
// given as the first argument that appends every character message it gets
// (WM_CHAR, one byte each) to the file named by the second argument, written
// through at once. Key presses and releases go, one line each ("down VK" or
// "up VK", hexadecimal), to the same file name with ".keys" appended, which
// helps to see what arrived when the characters do not match. Closing the
// window ends the program. A third argument, a window handle in decimal,
// makes the window refuse the focus: whenever it is activated it hands the
// foreground on to that window. The arguments --sibling TITLE2 instead open
// a second top-level window of the same process, titled TITLE2, whose
// characters go to the character file's name with ".sibling" appended.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string charFile;
std::string keyFile;
std::string siblingFile;
HWND sibling = nullptr;
HWND refuseTo = nullptr;

void Append(const std::string& path, const char* bytes, std::size_t length) {
    if (FILE* file = std::fopen(path.c_str(), "ab")) {
        std::fwrite(bytes, 1, length, file);
        std::fclose(file);
    }
}

void LogKey(const char* what, WPARAM virtualKey) {
    char line[32];
    const int length =
        std::snprintf(line, sizeof line, "%s %02X\n", what, static_cast<unsigned>(virtualKey));
    Append(keyFile, line, static_cast<std::size_t>(length));
}

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CHAR: {
        const char byte = static_cast<char>(wParam & 0xFF);
        Append(window == sibling ? siblingFile : charFile, &byte, 1);
        return 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        LogKey("down", wParam);
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        LogKey("up", wParam);
        break;
    case WM_ACTIVATE:
        if (refuseTo != nullptr && LOWORD(wParam) != WA_INACTIVE) {
            ::SetForegroundWindow(refuseTo);
            return 0;
        }
        break;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    if (__argc < 3) {
        return 2;
    }
    const char* title = __argv[1];
    charFile = __argv[2];
    keyFile = charFile + ".keys";
    const bool withSibling = __argc >= 5 && std::string(__argv[3]) == "--sibling";
    if (__argc >= 4 && !withSibling) {
        // NOLINTNEXTLINE(performance-no-int-to-ptr): a window handle is a number
        refuseTo = reinterpret_cast<HWND>(
            static_cast<std::uintptr_t>(std::strtoull(__argv[3], nullptr, 10)));
    }

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = TargetProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "OrvanelTargetWindow";
    if (::RegisterClassA(&windowClass) == 0) {
        return 3;
    }
    HWND window =
        ::CreateWindowExA(0, windowClass.lpszClassName, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                          CW_USEDEFAULT, 320, 200, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 4;
    }
    ::ShowWindow(window, showCommand);
    ::UpdateWindow(window);
    if (withSibling) {
        siblingFile = charFile + ".sibling";
        sibling = ::CreateWindowExA(0, windowClass.lpszClassName, __argv[4], WS_OVERLAPPEDWINDOW,
                                    CW_USEDEFAULT, CW_USEDEFAULT, 320, 200, nullptr, nullptr,
                                    instance, nullptr);
        ::ShowWindow(sibling, SW_SHOWNOACTIVATE);
    }

    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return 0;
}

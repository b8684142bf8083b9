// Start-up on Windows: the common controls, the Windows desktop services, the
// window logic and its window `dc`, then the message loop until the window is
// closed; the program then ends with exit code 0.
#include "mainwindow.h"

#include <commctrl.h>

#include "app/mainform.h"
#include "app/windowtexts.h"
#include "desktop/win32/win32desktop.h"
#include "wintext.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int showCommand) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS |
                     ICC_LISTVIEW_CLASSES;
    ::InitCommonControlsEx(&controls);

    orvanel::Win32Desktop desktop;
    orvanel::win32ui::Win32MainView view(instance);
    orvanel::MainForm form(view, desktop);
    if (!view.Create(form)) {
        ::MessageBoxW(nullptr, L"The window could not be created.",
                      orvanel::win32ui::Widen(orvanel::kApplicationTitle).c_str(),
                      MB_OK | MB_ICONSTOP);
        return 1;
    }
    ::ShowWindow(view.Handle(), showCommand);
    ::UpdateWindow(view.Handle());

    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (view.HandleKey(message)) {
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return 0;
}

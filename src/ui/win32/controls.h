// Small pieces of the Windows window: child controls, labels that size
// themselves to their text, pointer shapes, the title's font face.
#pragma once

#include <windows.h>

#include <string>

namespace orvanel::win32ui {

// Sent to the top-level window when the pointer moves over a control that
// was given WatchPointer: wParam is the control's id.
inline constexpr UINT kPointerMovedMessage = WM_APP + 1;

HWND CreateChild(HWND parent, const wchar_t* className, const std::wstring& text, DWORD style,
                 int id, DWORD exStyle = 0);

std::wstring WindowText(HWND window);

// Resizes a label to its text in its font (left and top stay). An empty
// label keeps its size.
void SizeLabelToText(HWND label);

// Reports pointer moves over `control` to its top-level window and shows
// `cursor` (a system cursor id such as IDC_HAND) over it.
void WatchPointer(HWND control, const wchar_t* cursor);

// "Times New Roman" when the system has it, else the first serif face it has
// (Wine and minimal systems lack it; the font mapper would take a sans-serif
// face instead).
std::wstring SerifFace();

// Text in the ANSI code page of the system (the locale's texts) as UTF-16.
std::wstring FromAnsi(const std::string& text);

} // namespace orvanel::win32ui

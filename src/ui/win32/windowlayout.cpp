// The controls of the main window, their fonts and pictures, and their
// places for the monitor's DPI.
#include "mainwindow.h"

#include <commctrl.h>

#include <algorithm>

#include "app/windowgeometry.h"
#include "calendar.h"
#include "controls.h"
#include "stringgrid.h"
#include "wintext.h"

namespace orvanel::win32ui {

namespace {

constexpr const WindowGeometry& kDesign = kWindowGeometry;
// The room beside and above a tab's caption, as the tab control has it at 96 dpi.
constexpr int kTabPaddingX = 6;
constexpr int kTabPaddingY = 3;
// The system's dialog font, the successor of "MS Sans Serif".
constexpr const wchar_t* kDialogFace = L"MS Shell Dlg 2";
constexpr DWORD kLabelStyle = WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_NOTIFY;

HFONT MakeFont(const wchar_t* face, int points, Dpi dpi, bool bold, bool underline) {
    return ::CreateFontW(-MulDiv(points, dpi.dpi, 72), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE,
                         underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, face);
}

// The system's menu font, at the window's DPI.
HFONT MakeMenuFont(Dpi dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0) == FALSE) {
        return MakeFont(kDialogFace, 9, dpi, false, false);
    }
    HDC screen = ::GetDC(nullptr);
    const int systemDpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    metrics.lfMenuFont.lfHeight = MulDiv(metrics.lfMenuFont.lfHeight, dpi.dpi, systemDpi);
    return ::CreateFontIndirectW(&metrics.lfMenuFont);
}

HICON LoadIconSized(HINSTANCE instance, int resource, int size) {
    return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(resource), IMAGE_ICON, size,
                                           size, LR_DEFAULTCOLOR));
}

BOOL CALLBACK SetFontProc(HWND child, LPARAM font) {
    ::SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
    return TRUE;
}

} // namespace

void Win32MainView::CreateComponents() {
    status_ = CreateChild(window_, STATUSCLASSNAMEW, L"", WS_VISIBLE | SBARS_SIZEGRIP, kStatusBar1);
    int whole = -1; // one undivided panel
    ::SendMessageW(status_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&whole));
    statusText_ = Widen(kStatusText);
    ::SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(statusText_.c_str()));
    statusTip_.Create(status_);

    tabs_ = CreateChild(window_, WC_TABCONTROLW, L"",
                        WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | TCS_MULTILINE, kPagectrl1);
    for (int i = 0; i < kTabCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        std::wstring caption = Widen(i == kHistoryPage ? kHistoryCaption : kPageCaptions.at(at));
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = caption.data();
        ::SendMessageW(tabs_, TCM_INSERTITEMW, static_cast<WPARAM>(i),
                       reinterpret_cast<LPARAM>(&item));
        HWND page =
            CreateChild(window_, kPageClassName,
                        Widen(i == kHistoryPage ? kHistoryPageName : kPageNames.at(at)),
                        WS_CLIPCHILDREN | WS_CLIPSIBLINGS, kFirstPage + i, WS_EX_CONTROLPARENT);
        // Above the tab control, which paints around them.
        ::SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        pages_[static_cast<std::size_t>(i)] = page;
    }
    CreateGeneralPage(pages_[0]);
    for (int day = 0; day < kDayCount; ++day) {
        HWND grid = StringGrid::Create(pages_[static_cast<std::size_t>(day) + 1], kFirstGrid + day,
                                       dpi_.Rect(kDesign.dayGrid));
        ::SetWindowTextW(grid, Widen(kGridNames[static_cast<std::size_t>(day)]).c_str());
        StringGrid::From(grid)->SetRowHeight(dpi_(kDesign.gridRowHeight));
        grids_[static_cast<std::size_t>(day)] = grid;
    }
    history_.Create(pages_[kHistoryPage], kNextTaskLine, *form_);
    CreateFonts();
    LoadPictures();
    ShowPage(0);
}

void Win32MainView::CreateGeneralPage(HWND page) {
    label1_ = CreateChild(page, L"STATIC", Widen(kDateCaption), kLabelStyle, kLabel1);
    label2_ = CreateChild(page, L"STATIC", L"", kLabelStyle, kLabel2);
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    std::array<std::wstring, 7> dayNames;
    for (std::size_t day = 0; day < dayNames.size(); ++day) {
        dayNames[day] = FromAnsi(form_->Locale().abbreviatedDayNames.at(day));
    }
    SystemTime date;
    date.year = now.wYear;
    date.month = now.wMonth;
    date.day = now.wDay;
    calendar_ = CreateCalendar(page, kCalendar1, date, dayNames);
    image_ = CreateChild(page, L"STATIC", L"",
                         WS_VISIBLE | SS_ICON | SS_REALSIZECONTROL | SS_CENTERIMAGE, kImage1);
    label4_ = CreateChild(page, L"STATIC", Widen(kApplicationTitle), kLabelStyle, kLabel4);
    label5_ = CreateChild(page, L"STATIC", Widen(kVersionText), kLabelStyle, kLabel5);
    WatchPointer(label5_, IDC_ARROW);
    label9_ = CreateChild(page, L"STATIC", Widen(kVendorSiteName), kLabelStyle, kLabel9);
    label10_ = CreateChild(page, L"STATIC", L"", kLabelStyle, kLabel10);
    WatchPointer(label9_, IDC_ARROW); // the links keep the ordinary arrow
    WatchPointer(label10_, IDC_ARROW);
    label3_ = CreateChild(page, L"STATIC", Widen(kDelayCaption), kLabelStyle, kLabel3);
    spin_.Create(page, kSpin1, dpi_.Rect(kDesign.spin1));
    bitBtn2_ = CreateChild(page, L"BUTTON", Widen(kSaveCaption),
                           WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kBitBtn2);
    // Checked and cleared by the window logic after each click; a stop of
    // the Tab key after the save button, and reached with Alt+S.
    checkBox1_ = CreateChild(page, L"BUTTON", Widen(kAutostartCaption),
                             WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, kCheckBox1);
    // "Test" is hidden and never takes the focus.
    bitBtn1_ = CreateChild(page, L"BUTTON", Widen(kTestCaption), BS_PUSHBUTTON, kBitBtn1);
}

void Win32MainView::DeleteFonts() {
    for (HFONT* font : {&font_, &linkFont_, &titleFont_, &menuFont_}) {
        if (*font != nullptr) {
            ::DeleteObject(*font);
            *font = nullptr;
        }
    }
}

void Win32MainView::CreateFonts() {
    const HFONT oldFonts[] = {font_, linkFont_, titleFont_, menuFont_};
    font_ = MakeFont(kDialogFace, 8, dpi_, false, false);
    linkFont_ = MakeFont(kDialogFace, 8, dpi_, true, true);
    titleFont_ = MakeFont(SerifFace().c_str(), 16, dpi_, true, false);
    menuFont_ = MakeMenuFont(dpi_);
    // The tabs' captions keep their margins at every DPI (the control's own
    // are fixed pixels); set before the font, which lays the tabs out anew.
    ::SendMessageW(tabs_, TCM_SETPADDING, 0, MAKELPARAM(dpi_(kTabPaddingX), dpi_(kTabPaddingY)));
    ::EnumChildWindows(window_, &SetFontProc, reinterpret_cast<LPARAM>(font_));
    ::SendMessageW(label4_, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_), TRUE);
    ::SendMessageW(label9_, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont_), TRUE);
    ::SendMessageW(label10_, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont_), TRUE);
    for (HFONT old : oldFonts) {
        if (old != nullptr) {
            ::DeleteObject(old);
        }
    }
}

void Win32MainView::LoadPictures() {
    const HICON oldIcons[] = {icon_, smallIcon_, pictureIcon_};
    icon_ = LoadIconSized(instance_, kIconResource, dpi_(32));
    smallIcon_ = LoadIconSized(instance_, kIconResource, dpi_(16));
    pictureIcon_ = LoadIconSized(instance_, kIconResource, dpi_(32));
    ::SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    ::SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
    ::SendMessageW(image_, STM_SETICON, reinterpret_cast<WPARAM>(pictureIcon_), 0);
    for (HICON old : oldIcons) {
        if (old != nullptr) {
            ::DestroyIcon(old);
        }
    }

    // The glyph of "Save Data": one image per button state, the greyed one
    // for the disabled button.
    const int size = dpi_(16);
    HIMAGELIST glyphs = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 6, 0);
    HICON normal = LoadIconSized(instance_, kSaveGlyphResource, size);
    HICON greyed = LoadIconSized(instance_, kSaveGlyphGreyedResource, size);
    // The states in the order of the list: normal, hot, pressed, disabled,
    // defaulted, stylus hot.
    constexpr int kStates = 6;
    constexpr int kDisabledState = 3;
    for (int state = 0; state < kStates; ++state) {
        ImageList_AddIcon(glyphs, state == kDisabledState ? greyed : normal);
    }
    ::DestroyIcon(normal);
    ::DestroyIcon(greyed);
    BUTTON_IMAGELIST list{};
    list.himl = glyphs;
    list.margin = RECT{dpi_(2), 0, 0, 0};
    list.uAlign = BUTTON_IMAGELIST_ALIGN_LEFT;
    ::SendMessageW(bitBtn2_, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list));
    if (glyphs_ != nullptr) {
        ImageList_Destroy(glyphs_);
    }
    glyphs_ = glyphs;
}

void Win32MainView::Layout() {
    if (status_ == nullptr) {
        return;
    }
    RECT client;
    ::GetClientRect(window_, &client);
    // The status line is 24 pixels high (scaled); its least height leaves out
    // borders that differ between systems, so it is measured and corrected.
    RECT status;
    if (statusMinHeight_ == 0) {
        statusMinHeight_ = dpi_(kDesign.statusHeight);
        ::SendMessageW(status_, SB_SETMINHEIGHT, static_cast<WPARAM>(statusMinHeight_), 0);
    }
    for (int attempt = 0; attempt < 3; ++attempt) {
        ::SendMessageW(status_, WM_SIZE, 0, 0);
        ::GetWindowRect(status_, &status);
        const int missing = dpi_(kDesign.statusHeight) - (status.bottom - status.top);
        if (missing == 0) {
            break;
        }
        statusMinHeight_ = std::max(0, statusMinHeight_ + missing);
        ::SendMessageW(status_, SB_SETMINHEIGHT, static_cast<WPARAM>(statusMinHeight_), 0);
    }
    const int top = client.bottom - (status.bottom - status.top);
    ::MoveWindow(tabs_, 0, 0, client.right, top, TRUE);
    RECT display{0, 0, client.right, top};
    ::SendMessageW(tabs_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    for (HWND page : pages_) {
        ::MoveWindow(page, display.left, display.top, display.right - display.left,
                     display.bottom - display.top, TRUE);
    }
    PlaceGeneralPage();
    history_.Place(dpi_);
    ShowStatus();
    for (HWND grid : grids_) {
        const RECT rect = dpi_.Rect(kDesign.dayGrid);
        ::MoveWindow(grid, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                     TRUE);
        StringGrid::From(grid)->SetRowHeight(dpi_(kDesign.gridRowHeight));
    }
}

void Win32MainView::PlaceGeneralPage() {
    const auto place = [this](HWND control, const DesignRect& design) {
        const RECT rect = dpi_.Rect(design);
        ::MoveWindow(control, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                     TRUE);
    };
    place(label1_, kDesign.label1);
    place(label2_, kDesign.label2);
    place(calendar_, kDesign.calendar1);
    place(image_, kDesign.image1);
    place(label4_, kDesign.label4);
    place(label5_, kDesign.label5);
    place(label9_, kDesign.label9);
    place(label10_, kDesign.label10);
    place(label3_, kDesign.label3);
    spin_.Place(dpi_.Rect(kDesign.spin1));
    place(bitBtn2_, kDesign.bitBtn2);
    place(bitBtn1_, kDesign.bitBtn1);
    place(checkBox1_, kDesign.checkBox1);
    for (HWND label : {label1_, label2_, label3_, label4_, label5_, label9_, label10_}) {
        SizeLabelToText(label);
    }
    KeepDateBesideCaption();
    KeepVersionBelowTitle();
}

void Win32MainView::KeepVersionBelowTitle() {
    // A serif face that stands in for "Times New Roman" may be taller: the
    // version then moves down to leave the title whole, and no further.
    RECT title;
    RECT version;
    ::GetWindowRect(label4_, &title);
    ::GetWindowRect(label5_, &version);
    ::MapWindowPoints(nullptr, pages_[0], reinterpret_cast<POINT*>(&title), 2);
    ::MapWindowPoints(nullptr, pages_[0], reinterpret_cast<POINT*>(&version), 2);
    const int top = std::max<int>(dpi_(40), title.bottom);
    ::SetWindowPos(label5_, nullptr, version.left, top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32MainView::KeepDateBesideCaption() {
    // With a font wider than the design's, "Current Date:" would run under
    // the date; the date then moves right to leave a small gap.
    RECT caption;
    RECT date;
    ::GetWindowRect(label1_, &caption);
    ::GetWindowRect(label2_, &date);
    ::MapWindowPoints(nullptr, pages_[0], reinterpret_cast<POINT*>(&caption), 2);
    ::MapWindowPoints(nullptr, pages_[0], reinterpret_cast<POINT*>(&date), 2);
    const int left = std::max<int>(dpi_(kDesign.label2.left), caption.right + dpi_(4));
    ::SetWindowPos(label2_, nullptr, left, date.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32MainView::PlaceAtScreenCentre() {
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(window_, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(window_, GWL_EXSTYLE));
    const SIZE outer =
        OuterSize(style, exStyle, dpi_(kDesign.clientWidth), dpi_(kDesign.clientHeight), dpi_);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    ::SetWindowPos(window_, nullptr, work.left + (work.right - work.left - outer.cx) / 2,
                   work.top + (work.bottom - work.top - outer.cy) / 2, outer.cx, outer.cy,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32MainView::ShowPage(int index) {
    HWND focus = ::GetFocus();
    for (int i = 0; i < kTabCount; ++i) {
        HWND page = pages_[static_cast<std::size_t>(i)];
        if (i != index && focus != nullptr && ::IsChild(page, focus)) {
            ::SetFocus(tabs_); // a cell being edited commits here
        }
    }
    for (int i = 0; i < kTabCount; ++i) {
        ::ShowWindow(pages_[static_cast<std::size_t>(i)], i == index ? SW_SHOW : SW_HIDE);
    }
}

} // namespace orvanel::win32ui

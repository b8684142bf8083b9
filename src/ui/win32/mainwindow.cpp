#include "mainwindow.h"

#include <commctrl.h>
#include <windowsx.h>

#include "calendar.h"
#include "controls.h"
#include "stringgrid.h"
#include "wintext.h"

namespace orvanel::win32ui {

namespace {} // namespace

Win32MainView::Win32MainView(HINSTANCE instance) : instance_(instance) {}

Win32MainView::~Win32MainView() {
    if (window_ != nullptr) {
        ::DestroyWindow(window_);
    }
    DeleteFonts();
    if (glyphs_ != nullptr) {
        ImageList_Destroy(glyphs_);
    }
    for (HICON icon : {icon_, smallIcon_, pictureIcon_}) {
        if (icon != nullptr) {
            ::DestroyIcon(icon);
        }
    }
}

bool Win32MainView::Create(MainForm& form) {
    form_ = &form;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Win32MainView::WindowProc;
    wc.hInstance = instance_;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hIcon = ::LoadIconW(instance_, MAKEINTRESOURCEW(kIconResource));
    wc.lpszClassName = kMainClassName;
    ::RegisterClassExW(&wc);
    wc.lpfnWndProc = &Win32MainView::PageProc;
    wc.hIcon = nullptr;
    wc.lpszClassName = kPageClassName;
    ::RegisterClassExW(&wc);
    StringGrid::Register(instance_);
    RegisterCalendar(instance_);

    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_CONTROLPARENT;
    ::CreateWindowExW(exStyle, kMainClassName, Widen(kApplicationTitle).c_str(), style,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                      instance_, this);
    if (window_ == nullptr) {
        return false;
    }
    PlaceAtScreenCentre();
    form.SetOwner(static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(window_)));
    form.FormCreate();
    return true;
}

HWND Win32MainView::Grid(int day) const {
    return grids_.at(static_cast<std::size_t>(day));
}

// ---- Messages ----

LRESULT CALLBACK Win32MainView::WindowProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    auto* view = reinterpret_cast<Win32MainView*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        view =
            static_cast<Win32MainView*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        view->window_ = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
    }
    if (view == nullptr) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    return view->Handle(message, wParam, lParam);
}

LRESULT CALLBACK Win32MainView::PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
        return ::SendMessageW(::GetAncestor(page, GA_ROOT), message, wParam, lParam);
    case WM_MOUSEMOVE:
        ::SendMessageW(::GetAncestor(page, GA_ROOT), kPointerMovedMessage,
                       static_cast<WPARAM>(::GetDlgCtrlID(page)), 0);
        return 0;
    default:
        return ::DefWindowProcW(page, message, wParam, lParam);
    }
}

LRESULT Win32MainView::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        dpi_ = DpiOf(window_);
        CreateComponents();
        return 0;
    case WM_SIZE:
        Layout();
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            lastFocus_ = ::GetFocus(); // given back when the user returns
        } else {
            RestoreFocus();
            if (form_ != nullptr) {
                form_->FormActivate();
            }
        }
        return 0;
    case WM_TIMER:
        if (wParam == kTimer1 && form_ != nullptr) {
            form_->Timer1Timer();
        } else if (wParam == kRunNowTimer) {
            RunWhenKeysReleased();
        }
        return 0;
    case WM_CONTEXTMENU:
        OpenRowMenu(reinterpret_cast<HWND>(wParam),
                    POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_CLOSE:
        if (form_ != nullptr) {
            form_->FormClose();
        }
        ::DestroyWindow(window_);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        window_ = nullptr;
        break;
    case WM_DPICHANGED: {
        const int old = dpi_.dpi;
        dpi_ = Dpi{HIWORD(wParam)};
        statusMinHeight_ = 0;
        for (HWND grid : grids_) {
            StringGrid* g = StringGrid::From(grid);
            for (int column = 0; column < kGridColumns; ++column) {
                g->SetColumnWidth(column, MulDiv(g->ColumnWidth(column), dpi_.dpi, old));
            }
        }
        CreateFonts();
        LoadPictures();
        const auto* rect = reinterpret_cast<const RECT*>(lParam);
        ::SetWindowPos(window_, nullptr, rect->left, rect->top, rect->right - rect->left,
                       rect->bottom - rect->top, SWP_NOZORDER | SWP_NOACTIVATE);
        Layout();
        return 0;
    }
    case WM_MEASUREITEM: {
        auto& item = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (item.CtlType == ODT_MENU && item.itemID == kRunNowCommand) {
            MeasureMenuItem(item);
            return TRUE;
        }
        break;
    }
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.CtlType == ODT_MENU && item.itemID == kRunNowCommand) {
            DrawMenuItem(item);
            return TRUE;
        }
        break;
    }
    case kPointerMovedMessage:
        OnPointerMoved(static_cast<int>(wParam));
        return 0;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
    case WM_CTLCOLORSTATIC:
        return OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    default:
        break;
    }
    return ::DefWindowProcW(window_, message, wParam, lParam);
}

void Win32MainView::RestoreFocus() {
    // A click may have put the focus somewhere already; otherwise it goes back
    // where it was, and from a cell editor closed meanwhile to its grid.
    HWND current = ::GetFocus();
    if (current != nullptr && current != window_) {
        return;
    }
    HWND focus = lastFocus_;
    while (focus != nullptr && ::IsChild(window_, focus) && !::IsWindowVisible(focus)) {
        focus = ::GetParent(focus);
    }
    const bool known = focus != nullptr && ::IsChild(window_, focus);
    ::SetFocus(known ? focus : tabs_);
}

void Win32MainView::OnCommand(int id, int code) {
    if (form_ == nullptr) {
        return;
    }
    if (id == kBitBtn2 && code == BN_CLICKED) {
        form_->BitBtn2Click();
    } else if (id == kBitBtn1 && code == BN_CLICKED) {
        form_->BitBtn1Click();
    } else if (id == kLabel9 && code == STN_CLICKED) {
        form_->Label9Click();
    } else if (id == kLabel10 && code == STN_CLICKED) {
        form_->Label10Click();
    } else if (id == kCheckBox1 && code == BN_CLICKED) {
        form_->AutostartClick(::SendMessageW(checkBox1_, BM_GETCHECK, 0, 0) == BST_CHECKED);
    } else if (id == kHistoryFilter && code == BN_CLICKED) {
        form_->HistoryFilterClick(::SendMessageW(history_.Filter(), BM_GETCHECK, 0, 0) ==
                                  BST_CHECKED);
    } else if (id >= kFirstGrid && id < kFirstGrid + kDayCount && code == kCellsEdited) {
        form_->GridEdited(id - kFirstGrid);
    }
}

LRESULT Win32MainView::OnNotify(NMHDR& header) {
    if (header.hwndFrom == tabs_ && header.code == TCN_SELCHANGE) {
        ShowPage(TabCtrl_GetCurSel(tabs_));
        return 0;
    }
    if (const auto result = history_.OnNotify(header)) {
        return *result;
    }
    return spin_.OnNotify(header) ? TRUE : 0;
}

void Win32MainView::OnPointerMoved(int id) {
    if (form_ == nullptr) {
        return;
    }
    switch (id) {
    case kLabel9:
        form_->Label9MouseMove();
        break;
    case kLabel10:
        form_->Label10MouseMove();
        break;
    case kLabel5:
        form_->Label5MouseMove();
        break;
    case kFirstPage:
        form_->TabSheet1MouseMove();
        break;
    default:
        break;
    }
}

LRESULT Win32MainView::OnControlColour(HDC dc, HWND control) {
    ::SetBkMode(dc, TRANSPARENT);
    COLORREF colour = ::GetSysColor(COLOR_BTNTEXT);
    const auto linkColour = [](LinkColour c) {
        return c == LinkColour::Red ? RGB(255, 0, 0) : RGB(0, 0, 255);
    };
    if (control == label4_) {
        colour = linkColour(LinkColour::Red); // the title is the same pure red
    } else if (control == label9_ || control == label10_) {
        colour = linkColour(linkColours_[control == label9_ ? 0 : 1]);
    }
    ::SetTextColor(dc, colour);
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
}

// ---- The view ----

std::string Win32MainView::Cell(int day, int column, int row) const {
    return ToCp1252(StringGrid::From(Grid(day))->Cell(column, row));
}

bool Win32MainView::Editing(int day) const {
    return StringGrid::From(Grid(day))->Editing();
}

void Win32MainView::SetCell(int day, int column, int row, const std::string& text) {
    StringGrid::From(Grid(day))->SetCell(column, row, FromCp1252(text));
}

std::string Win32MainView::SpinText() const {
    return ToCp1252(spin_.Text());
}

void Win32MainView::SetSpinText(const std::string& text) {
    spin_.SetText(FromCp1252(text));
}

void Win32MainView::SetColumnWidth(int day, int column, int width) {
    StringGrid::From(Grid(day))->SetColumnWidth(column, dpi_(width));
}

void Win32MainView::SetDateText(const std::string& text) {
    ::SetWindowTextW(label2_, FromAnsi(text).c_str());
    SizeLabelToText(label2_);
    KeepDateBesideCaption();
}

void Win32MainView::SetManualCaption(const std::string& text) {
    ::SetWindowTextW(label10_, FromCp1252(text).c_str());
    SizeLabelToText(label10_);
}

void Win32MainView::SetLinkColour(Link link, LinkColour colour) {
    const std::size_t index = link == Link::Site ? 0 : 1;
    if (linkColours_[index] != colour) {
        linkColours_[index] = colour;
        ::InvalidateRect(link == Link::Site ? label9_ : label10_, nullptr, TRUE);
    }
}

void Win32MainView::StartTimer(std::uint32_t milliseconds) {
    timerRunning_ = ::SetTimer(window_, kTimer1, milliseconds, nullptr) != 0;
}

void Win32MainView::StopTimer() {
    if (timerRunning_) {
        ::KillTimer(window_, kTimer1);
        timerRunning_ = false;
    }
}

void Win32MainView::SetStatusText(const std::string& text) {
    statusText_ = FromUtf8(text);
    ShowStatus();
    // A task run keeps the message loop waiting: show the text at once.
    ::UpdateWindow(status_);
}

void Win32MainView::ShowStatus() {
    RECT part{};
    ::SendMessageW(status_, SB_GETRECT, 0, reinterpret_cast<LPARAM>(&part));
    // The panel's text keeps a small margin, and the size grip its corner.
    const int room = part.right - part.left - dpi_(4) - ::GetSystemMetrics(SM_CXVSCROLL);
    const std::wstring shown = FitText(status_, statusText_, room);
    ::SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(shown.c_str()));
    statusTip_.SetWhole(shown != statusText_ ? statusText_ : std::wstring());
}

std::string Win32MainView::LocaleTextToUtf8(const std::string& text) const {
    return ToUtf8(FromAnsi(text));
}

void Win32MainView::HistoryChanged(std::size_t added, std::size_t dropped) {
    history_.Changed(added, dropped);
}

void Win32MainView::SetAutostartChecked(bool checked) {
    ::SendMessageW(checkBox1_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Win32MainView::AskQuestion(const std::string& text) {
    return ::MessageBoxW(window_, FromCp1252(text).c_str(), Widen(kApplicationTitle).c_str(),
                         MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void Win32MainView::ShowErrorBox(const std::string& text) {
    ::MessageBoxW(window_, FromCp1252(text).c_str(), Widen(kApplicationTitle).c_str(),
                  MB_OK | MB_ICONSTOP);
    if (form_ != nullptr) {
        form_->ErrorBoxClosed(text);
    }
}

} // namespace orvanel::win32ui

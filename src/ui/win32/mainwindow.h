// The main window `dc` on Windows (window class "Tdc"): plain Win32 and the
// common controls. It is a view of the window logic: it owns the controls,
// lays them out for the monitor's DPI, and forwards every event to the
// handler of the same name in MainForm, which decides what happens.
#pragma once

#include <windows.h>

#include <array>

#include "app/mainform.h"
#include "app/mainview.h"
#include "app/windowtexts.h"
#include "cuttext.h"
#include "delayspin.h"
#include "dpi.h"
#include "historypanel.h"

namespace orvanel::win32ui {

inline constexpr const wchar_t* kMainClassName = L"Tdc";
inline constexpr const wchar_t* kPageClassName = L"OrvanelPage";

// The control ids, which the tests use to find the controls.
enum ControlId : int {
    kStatusBar1 = 100,
    kPagectrl1 = 101,
    kLabel1 = 111,
    kLabel2 = 112,
    kLabel3 = 113,
    kLabel4 = 114,
    kLabel5 = 115,
    kLabel9 = 119,
    kLabel10 = 120,
    kCalendar1 = 121,
    kImage1 = 122,
    kSpin1 = 123,
    kBitBtn1 = 124,
    kBitBtn2 = 125,
    kCheckBox1 = 126,    // "Start Orvanel when I log in"
    kFirstPage = 200,    // TabSheet1 ... TabSheet8: 200 to 207, TabSheet9 (History) 208
    kFirstGrid = 300,    // mongrid ... sungrid: 300 to 306
    kNextTaskLine = 400, // the History page's controls: 400 + HistoryPanel::Offset
    kLastRunLine = 401,
    kHistoryList = 402,
    kHistoryFilter = 403, // "Problems only"
    kHistoryDetail = 404, // the selected record's detail
    kRunNowCommand = 500, // a day grid row's context menu
};

// The tabs: the eight pages, then the History page.
inline constexpr int kHistoryPage = kPageCount;
inline constexpr int kTabCount = kPageCount + 1;

inline constexpr UINT_PTR kTimer1 = 1;
inline constexpr UINT_PTR kRunNowTimer = 2; // waits for Ctrl+R to be let go

inline bool Pressed(int key) {
    return (::GetKeyState(key) & 0x8000) != 0;
}

// Resource ids of the program's pictures.
inline constexpr int kIconResource = 1;
inline constexpr int kSaveGlyphResource = 2;
inline constexpr int kSaveGlyphGreyedResource = 3;

class Win32MainView final : public MainView {
public:
    explicit Win32MainView(HINSTANCE instance);
    ~Win32MainView() override;
    Win32MainView(const Win32MainView&) = delete;
    Win32MainView& operator=(const Win32MainView&) = delete;

    // Registers the window classes and creates the window with all its
    // controls, hidden; then runs the form's FormCreate. False when the
    // window could not be created.
    bool Create(MainForm& form);
    HWND Handle() const { return window_; }
    // The window's own keys, looked at before a message is dispatched: true
    // when `message` was one of them and has been handled.
    bool HandleKey(const MSG& message);

    // ---- MainView ----
    std::string Cell(int day, int column, int row) const override;
    void SetCell(int day, int column, int row, const std::string& text) override;
    std::string SpinText() const override;
    void SetSpinText(const std::string& text) override;
    bool Editing(int day) const override;
    void SetColumnWidth(int day, int column, int width) override;
    void SetDateText(const std::string& text) override;
    void SetManualCaption(const std::string& text) override;
    void SetLinkColour(Link link, LinkColour colour) override;
    void StartTimer(std::uint32_t milliseconds) override;
    void StopTimer() override;
    void ShowErrorBox(const std::string& text) override;
    bool AskQuestion(const std::string& text) override;
    void SetStatusText(const std::string& text) override;
    void HistoryChanged(std::size_t added, std::size_t dropped) override;
    void SetAutostartChecked(bool checked) override;
    std::string LocaleTextToUtf8(const std::string& text) const override;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void RestoreFocus();
    void OnCommand(int id, int code);
    LRESULT OnNotify(NMHDR& header);
    // Moves the focus between the tab control and the controls of the page
    // in front (the Tab key); true when it did.
    bool HandleTabKey(const MSG& message);
    // Alt and the marked letter of a check box's caption: the box of the
    // page in front is clicked; true when it was.
    bool HandleMnemonic(const MSG& message);
    // The status text, cut to the line with "…" and whole in its tool tip.
    void ShowStatus();

    // ---- "Run now" (runnow.cpp) ----
    // Ctrl+R: the current row of the day page in front runs once the keys
    // are let go, so that the held Ctrl does not reach the script.
    bool HandleRunNowKey(const MSG& message);
    void RunWhenKeysReleased();
    // The context menu of a day grid's current row, at `screen` (or at the
    // row when the keyboard asked for it, x and y -1).
    void OpenRowMenu(HWND grid, POINT screen);
    void RunNow(int day);
    // The row menu's item, drawn by the window (WM_MEASUREITEM, WM_DRAWITEM).
    void MeasureMenuItem(MEASUREITEMSTRUCT& item) const;
    void DrawMenuItem(const DRAWITEMSTRUCT& item) const;
    void OnPointerMoved(int id);
    LRESULT OnControlColour(HDC dc, HWND control);

    // ---- Controls and layout (windowlayout.cpp) ----
    void CreateComponents();
    void CreateGeneralPage(HWND page);
    void CreateFonts();
    void DeleteFonts();
    void LoadPictures();
    void Layout();
    void PlaceGeneralPage();
    void KeepDateBesideCaption();
    void KeepVersionBelowTitle();
    void PlaceAtScreenCentre();
    void ShowPage(int index);
    HWND Grid(int day) const;

    HINSTANCE instance_;
    HWND window_ = nullptr;
    MainForm* form_ = nullptr;
    Dpi dpi_;
    HWND status_ = nullptr;
    HWND tabs_ = nullptr;
    std::array<HWND, kTabCount> pages_{};
    std::array<HWND, kDayCount> grids_{};
    HWND label1_ = nullptr, label2_ = nullptr, label3_ = nullptr, label4_ = nullptr;
    HWND label5_ = nullptr, label9_ = nullptr, label10_ = nullptr;
    HWND calendar_ = nullptr, image_ = nullptr, bitBtn1_ = nullptr, bitBtn2_ = nullptr;
    HWND checkBox1_ = nullptr;
    DelaySpin spin_;
    HistoryPanel history_;
    std::wstring statusText_;
    TipWindow statusTip_;
    int runNowDay_ = -1; // a Ctrl+R waiting for the keys to be released
    std::array<LinkColour, 2> linkColours_{LinkColour::Blue, LinkColour::Blue};
    HFONT font_ = nullptr;      // "MS Sans Serif", 8 point
    HFONT linkFont_ = nullptr;  // the same, bold and underlined
    HFONT titleFont_ = nullptr; // "Times New Roman", bold, 16 point
    HFONT menuFont_ = nullptr;  // the system's menu font
    HICON icon_ = nullptr;
    HICON smallIcon_ = nullptr;
    HICON pictureIcon_ = nullptr;
    HIMAGELIST glyphs_ = nullptr;
    bool timerRunning_ = false;
    int statusMinHeight_ = 0;
    HWND lastFocus_ = nullptr; // the focus when the window was last deactivated
};

} // namespace orvanel::win32ui

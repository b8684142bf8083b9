// The Windows window program, orvanel.exe, driven from outside as a user
// would: started in a folder of its own, its window and controls found and
// measured, typed into and clicked with synthesised input, and left to run
// its minute timer once.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <string>
#include <vector>

#include "desktop/win32/autostart.h"
#include "desktop/win32/win32desktop.h"
#include "keys/keyoutput.h"
#include "keys/keyscript.h"
#include "support/scripttext.h"
#include "win32testing.h"

#include <commctrl.h> // after windows.h

namespace orvanel {
namespace {

namespace fs = std::filesystem;
using test::LiteralScript;
using win32test::ProgramDirectory;
using win32test::ReadFileBytes;
using win32test::ScratchDir;
using win32test::TargetProgram;
using win32test::WaitUntil;

// The control ids of the window (src/ui/win32/mainwindow.h).
constexpr int kStatusBar1 = 100, kPagectrl1 = 101, kLabel1 = 111, kLabel3 = 113, kLabel4 = 114,
              kLabel5 = 115, kLabel9 = 119, kLabel10 = 120, kCalendar1 = 121, kImage1 = 122,
              kSpin1 = 123, kBitBtn1 = 124, kBitBtn2 = 125, kFirstPage = 200, kFirstGrid = 300,
              kNextTaskLine = 400, kLastRunLine = 401, kHistoryList = 402;
constexpr int kHistoryPage = kFirstPage + 8;
constexpr int kCheckBox1 = 126;

void WriteFile(const fs::path& path, const std::string& bytes) {
    FILE* file = _wfopen(path.c_str(), L"wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

std::string ClassOf(HWND window) {
    char name[128] = {};
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

// The text of a control of another process (WM_GETTEXT crosses processes,
// GetWindowText does not ask the control).
std::string TextOf(HWND window) {
    char text[512] = {};
    DWORD_PTR length = 0;
    ::SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                          SMTO_ABORTIFHUNG, 5000, &length);
    return text;
}

// A control's rectangle in the client coordinates of its parent.
RECT PlaceOf(HWND control) {
    RECT rect;
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// orvanel.exe running in a folder, closed at the end.
class Program {
public:
    explicit Program(const fs::path& folder) {
        const fs::path exe = ProgramDirectory() / "orvanel.exe";
        std::string commandLine = "\"" + exe.string() + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (::CreateProcessA(exe.string().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                             nullptr, folder.string().c_str(), &startup, &info)) {
            ::CloseHandle(info.hThread);
            process_ = info.hProcess;
            processId_ = info.dwProcessId;
        }
        WaitUntil(
            [this] {
                return (window_ = ::FindWindowA("Tdc", "Orvanel")) != nullptr &&
                       ::IsWindowVisible(window_);
            },
            30000);
        // The window shows before the program has done laying it out (each
        // WM_SIZE lays it out again): wait until it waits for input, and for
        // the message it handles now, so that no test reads a half-done layout.
        if (window_ != nullptr) {
            ::WaitForInputIdle(process_, 10000);
            ::SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, nullptr);
        }
    }
    ~Program() {
        if (window_ != nullptr) {
            ::PostMessageA(window_, WM_CLOSE, 0, 0);
        }
        if (process_ != nullptr) {
            if (::WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0) {
                ::TerminateProcess(process_, 1);
            }
            ::CloseHandle(process_);
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    HWND Window() const { return window_; }
    HWND Control(int id) const {
        HWND direct = ::GetDlgItem(window_, id);
        if (direct != nullptr) {
            return direct;
        }
        for (int page = 0; page < 9; ++page) {
            if (HWND found = ::GetDlgItem(::GetDlgItem(window_, kFirstPage + page), id)) {
                return found;
            }
        }
        return nullptr;
    }
    DWORD ExitCode() const {
        DWORD code = STILL_ACTIVE;
        ::GetExitCodeProcess(process_, &code);
        return code;
    }
    HANDLE Process() const { return process_; }
    // The error box of the program, or null.
    HWND ErrorBox() const {
        HWND box = nullptr;
        while ((box = ::FindWindowExA(nullptr, box, "#32770", "Orvanel")) != nullptr) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(box, &owner);
            if (owner == processId_) {
                return box;
            }
        }
        return nullptr;
    }

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    HWND window_ = nullptr;
};

// The control that has the focus in the program's window thread.
HWND FocusOf(const Program& program) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = ::GetWindowThreadProcessId(program.Window(), nullptr);
    return ::GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

class WindowTest : public ::testing::Test {
protected:
    void Front(const Program& program) {
        ::SetForegroundWindow(program.Window());
        ASSERT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == program.Window(); }, 5000));
    }
    void Type(const std::string& script) { PlayStep(keys_, script); }
    // A left click at a point of a control's client area; never the second
    // click of a double click.
    void Click(HWND control, int x, int y) {
        const DWORD since = ::GetTickCount() - lastClick_;
        if (since <= ::GetDoubleClickTime()) {
            ::Sleep(::GetDoubleClickTime() - since + 50);
        }
        lastClick_ = ::GetTickCount();
        POINT point{x, y};
        ::ClientToScreen(control, &point);
        ::SetCursorPos(point.x, point.y);
        ::mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
        ::mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    }
    void ClickCentre(HWND control) {
        RECT rect;
        ::GetClientRect(control, &rect);
        Click(control, rect.right / 2, rect.bottom / 2);
    }
    // A cell of a day grid at 96 dpi: columns 128, 128, 60, 60, 156 wide,
    // rows 24 high, row 0 the header; the grid is scrolled to its start.
    void ClickCell(HWND grid, int left, int row) { Click(grid, left + 10, row * 24 + 12); }

    Win32Desktop desktop_;
    KeyOutput keys_{desktop_};
    ScratchDir folder_;
    DWORD lastClick_ = 0;
};

TEST_F(WindowTest, StartsInAnEmptyFolderWithEveryControlInItsPlace) {
    Program program(folder_.Path());
    ASSERT_NE(program.Window(), nullptr) << "no top-level window \"Orvanel\"";
    EXPECT_EQ(ReadFileBytes(folder_.Path() / "schedule.ini"), "Script Delay (mSecs):\r\n0\r\n");
    RECT client;
    ::GetClientRect(program.Window(), &client);
    EXPECT_EQ(client.right, 580);
    EXPECT_EQ(client.bottom, 249);

    const struct {
        int id;
        const char* className;
        int left, top, width, height; // -1: sized by its text or the system
        bool visible;
    } controls[] = {
        {kStatusBar1, "msctls_statusbar32", 0, 225, 580, 24, true},
        {kPagectrl1, "SysTabControl32", 0, 0, 580, 225, true},
        {kLabel1, "Static", 54, 10, -1, -1, true},
        {kCalendar1, "OrvanelCalendar", 42, 36, 241, 151, true},
        {kImage1, "Static", 324, 4, 32, 32, true},
        {kLabel4, "Static", 362, 16, -1, -1, true},
        {kLabel5, "Static", 366, -1, -1, -1, true}, // top: see below
        {kLabel9, "Static", 368, 60, -1, -1, true},
        {kLabel10, "Static", 368, 82, -1, -1, true},
        {kLabel3, "Static", 330, 114, -1, -1, true},
        {kSpin1, "Edit", 332, 132, -1, 22, true},
        {kBitBtn2, "Button", 446, 128, 107, 29, true},
        {kBitBtn1, "Button", 482, 0, 89, 23, false},
        {kFirstPage, "OrvanelPage", -1, -1, -1, -1, true},
        {kFirstPage + 1, "OrvanelPage", -1, -1, -1, -1, false},
    };
    for (const auto& c : controls) {
        SCOPED_TRACE("control " + std::to_string(c.id));
        HWND control = program.Control(c.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(_stricmp(ClassOf(control).c_str(), c.className), 0) << ClassOf(control);
        const RECT r = PlaceOf(control);
        const int expected[] = {c.left, c.top, c.width, c.height};
        const int actual[] = {r.left, r.top, r.right - r.left, r.bottom - r.top};
        for (int i = 0; i < 4; ++i) {
            if (expected[i] >= 0) {
                EXPECT_EQ(actual[i], expected[i]) << "coordinate " << i;
            }
        }
        EXPECT_EQ(::IsWindowVisible(control) != FALSE, c.visible);
    }
    // The version stays at 40 unless the serif face standing in for "Times
    // New Roman" is taller; then it lies just below the title.
    const RECT title = PlaceOf(program.Control(kLabel4));
    EXPECT_EQ(PlaceOf(program.Control(kLabel5)).top, std::max<LONG>(40, title.bottom));
    // The ninth tab: the History page, its two lines and an empty list of
    // eight columns.
    EXPECT_EQ(::SendMessageA(program.Control(kPagectrl1), TCM_GETITEMCOUNT, 0, 0), 9);
    HWND list = program.Control(kHistoryList);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(ClassOf(list), "SysListView32");
    EXPECT_EQ(::GetDlgCtrlID(::GetParent(list)), kHistoryPage);
    EXPECT_FALSE(::IsWindowVisible(list));
    const auto header = reinterpret_cast<HWND>(::SendMessageA(list, LVM_GETHEADER, 0, 0));
    EXPECT_EQ(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 8);
    EXPECT_EQ(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_EQ(TextOf(program.Control(kNextTaskLine)), "Next task: No task is scheduled");
    EXPECT_EQ(TextOf(program.Control(kLastRunLine)), "Last run: none recorded");
    EXPECT_EQ(TextOf(program.Control(kLabel10)), "Documentation");
    EXPECT_EQ(TextOf(program.Control(kStatusBar1)),
              "Click the GENERAL Tab and choose SAVE to save your data!!!");
    for (int day = 0; day < 7; ++day) {
        HWND grid = program.Control(kFirstGrid + day);
        ASSERT_NE(grid, nullptr);
        EXPECT_EQ(ClassOf(grid), "OrvanelGrid");
        const RECT r = PlaceOf(grid);
        EXPECT_EQ(r.left, 10);
        EXPECT_EQ(r.top, 12);
        EXPECT_EQ(r.right - r.left, 489);
        EXPECT_EQ(r.bottom - r.top, 171);
        EXPECT_EQ(::GetDlgCtrlID(::GetParent(grid)), kFirstPage + 1 + day);
    }
    // The spin box refuses letters, clamps when Tab leaves it for "Save
    // Data", and steps by 10 when Shift+Tab has brought the focus back. The
    // check box is the next stop, and the tab control the one after.
    Front(program);
    HWND spin = program.Control(kSpin1);
    ClickCentre(spin);
    Type("{END}{BACKSPACE}x3001{TAB}");
    EXPECT_TRUE(WaitUntil([&] { return TextOf(spin) == "3000"; }, 5000)) << TextOf(spin);
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(program) == program.Control(kBitBtn2); }, 5000));
    Type("{TAB}");
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(program) == program.Control(kCheckBox1); }, 5000));
    Type("{TAB}");
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(program) == program.Control(kPagectrl1); }, 5000));
    Type("+{TAB}+{TAB}+{TAB}");
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(program) == spin; }, 5000));
    Type("{DOWN}");
    EXPECT_TRUE(WaitUntil([&] { return TextOf(spin) == "2990"; }, 5000)) << TextOf(spin);

    ::PostMessageA(program.Window(), WM_CLOSE, 0, 0);
    ASSERT_EQ(::WaitForSingleObject(program.Process(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(program.ExitCode(), 0u);
}

// Typed cells are saved; a day file changed on disk meanwhile is not written
// over without a yes.
TEST_F(WindowTest, TypedCellsAreSavedAsTheDayFile) {
    // Row 1 keeps code page 1252 text, row 2 loses a cell, row 3 is typed.
    WriteFile(folder_.Path() / "monlist.ini", "x|Caf\xE9 \x80|1|2|\xE9\r\n"
                                              "del.exe|Delete me|1|2|\r\n");
    Program program(folder_.Path());
    ASSERT_NE(program.Window(), nullptr);
    Front(program);
    Type("^{TAB}"); // the Monday page
    HWND grid = program.Control(kFirstGrid);
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(grid) != FALSE; }, 5000));

    // Row 3 is empty: a click and fast typing, a Tab that leaves the grid,
    // then Enter and the arrow keys from cell to cell, out to the Script
    // column and back with Home; Delete clears two cells of row 2.
    ClickCell(grid, 0, 3);
    Type(LiteralScript("notepad.exe") + "{TAB}");
    ClickCell(grid, 128, 3);
    Type(LiteralScript("Untitled - Notepad") + "{ENTER}{RIGHT}7{ENTER}{RIGHT}30{ENTER}{RIGHT}" +
         LiteralScript("Hi~") + "{ENTER}{HOME}{UP}{RIGHT}+{RIGHT}{DELETE}");

    Click(program.Control(kPagectrl1), 30, 10); // the General page's tab
    HWND save = program.Control(kBitBtn2);
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(save) != FALSE; }, 5000));
    ClickCentre(save);
    const std::string expected = "x|Caf\xE9 \x80|1|2|\xE9\r\n"
                                 "del.exe|||2|\r\n"
                                 "notepad.exe|Untitled - Notepad|7|30|Hi~\r\n";
    EXPECT_TRUE(
        WaitUntil([&] { return ReadFileBytes(folder_.Path() / "monlist.ini") == expected; }, 10000))
        << ReadFileBytes(folder_.Path() / "monlist.ini");

    // Another program rewrites the file while the page has edits: the save
    // asks first, and No keeps the file.
    Type("^{TAB}");
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(grid) != FALSE; }, 5000));
    ClickCell(grid, 0, 4);
    Type(LiteralScript("typed.exe") + "{ENTER}");
    const std::string other = "other.exe|Other|1|2|\r\n";
    WriteFile(folder_.Path() / "monlist.ini", other);
    Click(program.Control(kPagectrl1), 30, 10);
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(save) != FALSE; }, 5000));
    ClickCentre(save);
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = program.ErrorBox()) != nullptr; }, 10000))
        << "status: " << TextOf(program.Control(kStatusBar1))
        << "; file: " << ReadFileBytes(folder_.Path() / "monlist.ini");
    char text[512] = {};
    ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text); // the message of a message box
    EXPECT_EQ(std::string(text).rfind("monlist.ini was changed on disk", 0), 0u) << text;
    ::PostMessageA(box, WM_COMMAND, IDNO, 0);
    EXPECT_TRUE(WaitUntil([&] { return program.ErrorBox() == nullptr; }, 5000));
    EXPECT_EQ(ReadFileBytes(folder_.Path() / "monlist.ini"), other);
}

TEST_F(WindowTest, AnUnwritableDayFileGivesTheErrorBoxAndKeepsItsBytes) {
    const fs::path day = folder_.Path() / "monlist.ini";
    const std::string old = "old.exe|Old|1|2|keep\r\n";
    WriteFile(day, old);
    ASSERT_TRUE(::SetFileAttributesW(day.c_str(), FILE_ATTRIBUTE_READONLY));
    Program program(folder_.Path());
    ASSERT_NE(program.Window(), nullptr);
    Front(program);
    ClickCentre(program.Control(kBitBtn2));
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = program.ErrorBox()) != nullptr; }, 10000));
    char text[256] = {};
    ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text); // the message of a message box
    EXPECT_STREQ(text, "Cannot create file monlist.ini.");
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return program.ErrorBox() == nullptr; }, 5000));
    EXPECT_EQ(ReadFileBytes(day), old);
    ::SetFileAttributesW(day.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The calendar is the plain 7 x 7 grid of the month: weekday names in the top
// row, the first of the month under its weekday below, no month header above
// and no day of the month before or after.
TEST_F(WindowTest, TheCalendarIsThePlainGridOfItsMonth) {
    Program program(folder_.Path());
    ASSERT_NE(program.Window(), nullptr);
    HWND calendar = program.Control(kCalendar1);
    ASSERT_NE(calendar, nullptr);
    EXPECT_EQ(::GetWindow(calendar, GW_CHILD), nullptr);
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    std::tm first{};
    first.tm_year = now.wYear - 1900;
    first.tm_mon = now.wMonth - 1;
    first.tm_mday = 1;
    first.tm_hour = 12;
    std::mktime(&first);
    std::tm next = first;
    next.tm_mon += 1;
    const std::time_t days = (std::mktime(&next) - std::mktime(&first) + 43200) / 86400;
    RECT area;
    ::GetClientRect(calendar, &area);
    for (int row = 0; row < 7; ++row) {
        for (int column = 0; column < 7; ++column) {
            const int x = (2 * column + 1) * area.right / 14;
            const int y = (2 * row + 1) * area.bottom / 14;
            const int cell = (row - 1) * 7 + column - first.tm_wday + 1; // the day it holds
            const LRESULT expected = row == 0 ? -1 : (cell >= 1 && cell <= days ? cell : 0);
            EXPECT_EQ(::SendMessageA(calendar, WM_APP + 2, 0, MAKELPARAM(x, y)), expected)
                << "row " << row << " column " << column;
        }
    }
}

// One run in real time: the first tick of the program's own timer comes 60
// seconds after the start and runs the two tasks of the next minute: one
// types into a window found by its exact title, the other starts a program
// because no window has its title. Before that, Ctrl+R on the typing task's
// row runs it at once. Both runs are in the history, without the script.
TEST_F(WindowTest, TheMinuteTimerRunsTheTasksOfTheNextMinute) {
    const std::string title = "Orvanel tick target " + std::to_string(::GetCurrentProcessId());
    const fs::path chars = folder_.Path() / "chars.txt";
    TargetProgram target(title, chars, SW_SHOWNORMAL);
    ASSERT_TRUE(target.Started());
    ASSERT_TRUE(WaitUntil([&] { return ::FindWindowA(nullptr, title.c_str()) != nullptr; }, 15000));
    const fs::path probe = folder_.Path() / "cwdprobe_win32.exe";
    fs::copy_file(ProgramDirectory() / "cwdprobe_win32.exe", probe);
    const fs::path started = folder_.Path() / "started.txt";
    ::SetEnvironmentVariableA("ORVANEL_CWD_PROBE_OUT", started.string().c_str());

    // The tasks are due in the minute after the start; a start in the last
    // seconds of a minute waits for the next one.
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    if (now.wSecond >= 50) {
        ::Sleep(static_cast<DWORD>(61 - now.wSecond) * 1000);
    }
    ::GetLocalTime(&now);
    std::tm due{};
    due.tm_year = now.wYear - 1900;
    due.tm_mon = now.wMonth - 1;
    due.tm_mday = now.wDay;
    due.tm_hour = now.wHour;
    due.tm_min = now.wMinute + 1;
    due.tm_isdst = -1;
    std::mktime(&due); // the next minute, perhaps of the next day
    const char* files[] = {"sunlist.ini", "monlist.ini", "tuelist.ini", "wedlist.ini",
                           "thulist.ini", "frilist.ini", "satlist.ini"};
    const std::string when =
        "|" + std::to_string(due.tm_hour) + "|" + std::to_string(due.tm_min) + "|";
    WriteFile(folder_.Path() / files[due.tm_wday],
              "none.exe|" + title + when + "Tick " + LiteralScript("~ok!") + "\r\n" +
                  probe.string() + "|Orvanel no such window" + when + "\r\n");
    WriteFile(folder_.Path() / "schedule.ini", "Script Delay (mSecs):\r\n10\r\n");

    Program program(folder_.Path());
    ASSERT_NE(program.Window(), nullptr);
    Front(program);
    // The first activation wrote the date label.
    EXPECT_TRUE(WaitUntil([&] { return !TextOf(program.Control(112)).empty(); }, 5000));

    const int page = due.tm_wday == 0 ? 7 : due.tm_wday; // Monday is the first day page
    for (int i = 0; i < page; ++i) {
        Type("^{TAB}");
    }
    HWND grid = program.Control(kFirstGrid + page - 1);
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(grid) != FALSE; }, 5000));
    ClickCell(grid, 0, 3); // an empty row is not a task: the status line says so
    Type("^r");
    EXPECT_TRUE(WaitUntil(
        [&] {
            return TextOf(program.Control(kStatusBar1))
                .ends_with(" has no EXE name: it is not a task, and nothing was run");
        },
        5000))
        << TextOf(program.Control(kStatusBar1));
    // Shift+F10 opens the row's menu, as the Menu key does.
    const auto menuShown = [] {
        HWND menu = ::FindWindowA("#32768", nullptr);
        return menu != nullptr && ::IsWindowVisible(menu);
    };
    Type("+{F10}");
    EXPECT_TRUE(WaitUntil(menuShown, 5000));
    Type("{ESC}");
    EXPECT_TRUE(WaitUntil([&] { return !menuShown(); }, 5000));
    ClickCell(grid, 0, 1);
    Type("^r");
    EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(chars) == "Tick ~ok!"; }, 15000))
        << ReadFileBytes(chars);
    const fs::path history = folder_.Path() / "history.log";
    const std::string byHand = "now\t";
    EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(history).starts_with(byHand); }, 5000));
    EXPECT_NE(ReadFileBytes(history).find("\ttyped\tnone.exe\t" + title + "\t"), std::string::npos);
    HWND list = program.Control(kHistoryList);
    EXPECT_TRUE(WaitUntil([&] { return ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 1; }, 5000));

    EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(chars) == "Tick ~ok!Tick ~ok!"; }, 90000))
        << ReadFileBytes(chars);
    EXPECT_TRUE(WaitUntil([&] { return fs::exists(started); }, 15000));
    EXPECT_TRUE(
        WaitUntil([&] { return ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 3; }, 15000));
    EXPECT_EQ(ReadFileBytes(history).find("~ok!"), std::string::npos);
    ::SetEnvironmentVariableA("ORVANEL_CWD_PROBE_OUT", nullptr);
}

// "Start Orvanel when I log in" lies inside the General page, clear of its
// other controls; a click writes the Startup folder's shortcut to this
// orvanel.exe in the data folder, and a second click deletes it.
TEST_F(WindowTest, TheStartupBoxFitsAndWritesTheShortcut) {
    const fs::path shortcut = win32::StartupShortcut();
    ASSERT_FALSE(shortcut.empty());
    if (fs::exists(shortcut)) {
        GTEST_SKIP() << "the user's own shortcut is not touched";
    }
    Program program(folder_.Path());
    ASSERT_NE(program.Window(), nullptr);
    HWND box = program.Control(kCheckBox1);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TextOf(box), "&Start Orvanel when I log in"); // Alt+S
    HWND page = ::GetParent(box);
    EXPECT_EQ(::GetDlgCtrlID(page), kFirstPage);
    RECT area;
    ::GetClientRect(page, &area);
    std::vector<HWND> shown;
    for (HWND c = ::GetWindow(page, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
        if (::IsWindowVisible(c)) {
            shown.push_back(c);
        }
    }
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const RECT a = PlaceOf(shown[i]);
        RECT common;
        EXPECT_TRUE(::IntersectRect(&common, &a, &area) && ::EqualRect(&common, &a))
            << ::GetDlgCtrlID(shown[i]) << " is cut off by the page";
        for (std::size_t j = i + 1; j < shown.size(); ++j) {
            const RECT b = PlaceOf(shown[j]);
            EXPECT_FALSE(::IntersectRect(&common, &a, &b))
                << ::GetDlgCtrlID(shown[i]) << " overlaps " << ::GetDlgCtrlID(shown[j]);
        }
    }

    const fs::path exe = ProgramDirectory() / "orvanel.exe";
    const auto checked = [&] { return ::SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; };
    Front(program);
    EXPECT_FALSE(checked());
    ClickCentre(box);
    EXPECT_TRUE(
        WaitUntil([&] { return win32::AutostartEnabled(shortcut, exe, folder_.Path()); }, 10000));
    EXPECT_TRUE(WaitUntil(checked, 5000));
    ClickCentre(box);
    EXPECT_TRUE(WaitUntil([&] { return !fs::exists(shortcut); }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return !checked(); }, 5000));
    EXPECT_EQ(program.ErrorBox(), nullptr);
}

} // namespace
} // namespace orvanel

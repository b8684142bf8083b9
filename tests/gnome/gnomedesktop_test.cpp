// The GNOME backend against a fake extension: what it sends for key
// scripts, how it finds windows and reads the focus, the lock and the stop
// key from the extension's answers.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "desktop/gnome/gnomedesktop.h"
#include "desktop/gnome/gnomesession.h"
#include "support/tempdir.h"

namespace orvanel {
namespace {

using gnome::ShellKey;
using gnome::ShellState;
using gnome::ShellWindow;

// The extension as the backend sees it; the test sets its answers.
struct FakeShell : gnome::ShellLink {
    std::vector<ShellWindow> windows;
    ShellState state = Answered();
    std::string sent; // every key, "+keysym" or "-keysym"
    int batches = 0;
    std::vector<std::uint64_t> targets; // the window each batch named
    std::vector<std::uint64_t> activated;
    bool stopWatched = false, stopPressed = false;

    static ShellState Answered() {
        ShellState answered;
        answered.answered = true;
        return answered;
    }
    bool Windows(std::vector<ShellWindow>& out) override {
        out = windows;
        return true;
    }
    ShellState State() override {
        ShellState answer = state;
        state.refused = false; // said once, as the extension does
        return answer;
    }
    bool Show(std::uint64_t) override { return true; }
    bool Activate(std::uint64_t window) override {
        activated.push_back(window);
        return true;
    }
    void Keys(const std::vector<ShellKey>& keys, bool lendKeymap, std::uint64_t window) override {
        batches += keys.empty() ? 0 : 1;
        if (!keys.empty()) {
            targets.push_back(window);
        }
        for (const ShellKey& key : keys) {
            EXPECT_TRUE(lendKeymap);
            sent += (key.pressed ? "+" : "-") + std::to_string(key.keysym) + " ";
        }
    }
    bool WatchStopKey(bool on) override { return stopWatched = on; }
    bool StopKeyPressed() override { return stopPressed; }
    bool Connected() override { return true; }
};

struct GnomeDesktopTest : ::testing::Test {
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
        auto link = std::make_unique<FakeShell>();
        shell = link.get();
        std::string error;
        desktop = GnomeDesktop::OnLink(std::move(link), error);
        ASSERT_TRUE(desktop) << error;
        posix::LockedHintQuery noLogind;
        noLogind.logindMark = "/nonexistent";
        desktop->SetSessionLockQuery(noLogind);
    }
    void Keys(std::initializer_list<std::pair<std::uint8_t, bool>> events) {
        shell->sent.clear();
        for (const auto& [vk, up] : events) {
            desktop->keybd_event(vk, 0, up ? kKeyEventKeyUp : kKeyEventKeyDown, 0);
        }
        desktop->Sleep(0); // a step ends in a wait, which sends its keys
    }
    test::TempDir config;
    FakeShell* shell = nullptr;
    std::unique_ptr<GnomeDesktop> desktop;
};

TEST_F(GnomeDesktopTest, KeysBecomeTheKeysymsOfTheUsLayoutWithTheScriptsShift) {
    const auto lent = static_cast<std::uint8_t>(desktop->VkKeyScanA('\xE9') & 0xFF); // é
    const struct {
        const char* what;
        std::initializer_list<std::pair<std::uint8_t, bool>> events;
        std::string sent;
    } cases[] = {
        {"a", {{'A', false}, {'A', true}}, "+97 -97 "},
        {"+(a1)",
         {{0x10, false}, {'A', false}, {'A', true}, {'1', false}, {'1', true}, {0x10, true}},
         "+65505 +65 -65 +33 -33 -65505 "},
        {"^(c)",
         {{0x11, false}, {'C', false}, {'C', true}, {0x11, true}},
         "+65507 +99 -99 -65507 "},
        {"é, then É",
         {{lent, false}, {lent, true}, {0x10, false}, {lent, false}, {lent, true}, {0x10, true}},
         "+233 -233 +65505 +201 -201 -65505 "},
        {"{ENTER}, caps lock sent as a key",
         {{0x0D, false}, {0x0D, true}, {0x14, false}, {0x14, true}},
         "+65293 -65293 +65509 -65509 "},
        // SHIFT and LSHIFT are one key: down once, up with the last.
        {"two shifts",
         {{0x10, false}, {0xA0, false}, {0x10, true}, {0xA0, true}},
         "+65505 -65505 "},
        {"pressed twice", {{'A', false}, {'A', false}, {'A', true}}, "+97 -97 +97 -97 "},
    };
    for (const auto& c : cases) {
        Keys(c.events);
        EXPECT_EQ(shell->sent, c.sent) << c.what;
    }
    Keys({{0x10, false}, {'B', false}});
    shell->sent.clear();
    desktop->ReleaseAll();
    EXPECT_EQ(shell->sent, "-66 -65505 ");

    // Keys go out in batches (at the latest when the caller waits, asks, or
    // notices the stop key), in order.
    shell->batches = 0;
    shell->sent.clear();
    for (const char vk : std::string("HELLO")) {
        desktop->keybd_event(static_cast<std::uint8_t>(vk), 0, kKeyEventKeyDown, 0);
        desktop->keybd_event(static_cast<std::uint8_t>(vk), 0, kKeyEventKeyUp, 0);
    }
    desktop->FocusIsWith(1);
    EXPECT_EQ(shell->sent, "+104 -104 +101 -101 +108 -108 +108 -108 +111 -111 ");
    EXPECT_LT(shell->batches, 10);
    desktop->keybd_event('A', 0, kKeyEventKeyDown, 0);
    shell->stopPressed = true;
    EXPECT_TRUE(desktop->StopKeyPressed());
    EXPECT_EQ(shell->sent.substr(shell->sent.size() - 4), "+97 ");
}

TEST_F(GnomeDesktopTest, WindowsByExactTitleAndTheFocusOfTheWindowAndItsDialogs) {
    shell->windows = {{1, "Orvanel Target 2", 10, 0},
                      {2, "Orvanel Target", 10, 0},
                      {3, "Caf\xC3\xA9", 11, 0},
                      {4, "Save As", 10, 2}};
    EXPECT_EQ(desktop->FindWindowA(nullptr, "Orvanel Target"), 2u);
    EXPECT_EQ(desktop->FindWindowA(nullptr, "Caf\xE9"), 3u);
    for (const char* title : {"Orvanel", "orvanel target", "Orvanel Target ", "Absent"}) {
        EXPECT_EQ(desktop->FindWindowA(nullptr, title), kNoWindow) << title;
    }
    const struct {
        std::vector<std::uint64_t> focus;
        bool answered;
        FocusState expected;
    } cases[] = {
        {{2}, true, FocusState::WithWindow}, {{4, 2}, true, FocusState::WithWindow}, // its dialog
        {{1}, true, FocusState::Elsewhere},  // another window of the same program
        {{}, true, FocusState::Elsewhere},   // the shell has it
        {{2}, false, FocusState::Elsewhere}, // no answer
    };
    for (const auto& c : cases) {
        shell->state.focus = c.focus;
        shell->state.answered = c.answered;
        EXPECT_EQ(desktop->FocusIsWith(2), c.expected) << c.focus.size();
    }
    shell->state = FakeShell::Answered();
    shell->state.focus = {2};
    shell->state.held = true; // the overview, also while it closes
    EXPECT_EQ(desktop->FocusIsWith(2), FocusState::Elsewhere);
}

// Each batch names the window whose focus the caller checked last; once the
// shell has refused a batch, the focus counts as elsewhere and nothing more
// goes down until the caller activates a window again.
TEST_F(GnomeDesktopTest, KeysNameTheCheckedWindowAndARefusalEndsTheTyping) {
    shell->state.focus = {4, 2};
    const auto type = [&](std::uint8_t vk) {
        desktop->keybd_event(vk, 0, kKeyEventKeyDown, 0);
        desktop->keybd_event(vk, 0, kKeyEventKeyUp, 0);
        desktop->Sleep(0);
    };
    EXPECT_EQ(desktop->FocusIsWith(2), FocusState::WithWindow);
    type('A');
    EXPECT_EQ(desktop->GetForegroundWindow(), 4u);
    type('B');
    EXPECT_EQ(desktop->FocusIsWith(9), FocusState::Elsewhere); // asked, not checked
    type('C');
    EXPECT_EQ(shell->targets, (std::vector<std::uint64_t>{2, 4, 4}));
    EXPECT_FALSE(desktop->KeysRefused());

    struct Case {
        const char* after; // what the caller does once the shell has refused keys
        FocusState focus;  // FocusIsWith(2) then
        const char* sent;  // for a key typed after that
        bool refused;      // KeysRefused() then
    };
    const Case cases[] = {
        {"nothing", FocusState::Elsewhere, "-65505 ", true}, // only the shift goes up
        {"activates", FocusState::WithWindow, "+67 -67 -65505 ", false},
        {"asks the focus", FocusState::WithWindow, "+67 -67 -65505 ", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.after);
        desktop->keybd_event(0x10, 0, kKeyEventKeyDown, 0);
        desktop->Sleep(0);
        shell->state.refused = true;
        desktop->InputBlocked(); // any question hears of it
        if (std::string(c.after) == "activates") {
            desktop->SetForegroundWindow(2);
        } else if (std::string(c.after) == "asks the focus") {
            desktop->GetForegroundWindow();
        }
        EXPECT_EQ(desktop->FocusIsWith(2), c.focus);
        shell->sent.clear();
        desktop->keybd_event('C', 0, kKeyEventKeyDown, 0);
        desktop->keybd_event('C', 0, kKeyEventKeyUp, 0);
        desktop->keybd_event(0x10, 0, kKeyEventKeyUp, 0);
        EXPECT_EQ(desktop->KeysRefused(), c.refused);
        EXPECT_EQ(shell->sent, c.sent);
        desktop->SetForegroundWindow(2);
    }
}

TEST_F(GnomeDesktopTest, LockHeldKeyboardFocusWaitAndStopKeyComeFromTheExtension) {
    EXPECT_EQ(desktop->InputBlocked(), InputBlock::Clear);
    shell->state.held = true;
    EXPECT_EQ(desktop->InputBlocked(), InputBlock::KeyboardHeld);
    shell->state.locked = true;
    EXPECT_EQ(desktop->InputBlocked(), InputBlock::ScreenLocked);
    // logind's word counts too, whatever the extension says.
    shell->state = FakeShell::Answered();
    const auto loginctl = config.Path() / "loginctl";
    test::WriteBytes(loginctl, "#!/bin/sh\necho yes\n");
    chmod(loginctl.c_str(), 0755);
    posix::LockedHintQuery logindSaysLocked;
    logindSaysLocked.program = loginctl.string();
    logindSaysLocked.logindMark = config.Path().string();
    desktop->SetSessionLockQuery(logindSaysLocked);
    EXPECT_EQ(desktop->InputBlocked(), InputBlock::ScreenLocked);

    // The focus never comes: activated again and again, then given up.
    shell->state.focus = {9};
    desktop->SendMessageA(5, kWmSetFocus, 0, 0);
    EXPECT_GE(shell->activated.size(), 2u);
    shell->activated.clear();
    shell->state.focus = {5};
    desktop->SendMessageA(5, kWmSetFocus, 0, 0);
    EXPECT_TRUE(shell->activated.empty());

    EXPECT_TRUE(desktop->StartStopKeyWatch());
    EXPECT_FALSE(desktop->StopKeyPressed());
    shell->stopPressed = true;
    EXPECT_TRUE(desktop->StopKeyPressed());
    desktop->EndStopKeyWatch();
    EXPECT_FALSE(shell->stopWatched);
}

// GNOME Shell 45 and later load the extension's module form.
TEST(GnomeExtensionTest, TheFormFollowsTheShellsMajorVersion) {
    const std::pair<const char*, const char*> cases[] = {
        {"43.9", gnome::kExtensionUuid},        {"44.beta", gnome::kExtensionUuid},
        {"45.0", gnome::kModuleExtensionUuid},  {"48", gnome::kModuleExtensionUuid},
        {"100.1", gnome::kModuleExtensionUuid}, {"", gnome::kExtensionUuid},
        {"x45", gnome::kExtensionUuid},
    };
    for (const auto& [version, uuid] : cases) {
        EXPECT_STREQ(gnome::ExtensionUuidFor(version), uuid) << version;
    }
}

} // namespace
} // namespace orvanel

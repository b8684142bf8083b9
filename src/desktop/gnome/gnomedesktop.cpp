#include "desktop/gnome/gnomedesktop.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "desktop/cp1252.h"
#include "desktop/gnome/lentkeymap.h"
#include "desktop/gnome/shellclient.h"
#include "desktop/posix/sleepfor.h"

namespace orvanel {

namespace {

using Clock = std::chrono::steady_clock;

// How often SendMessageA looks for the focus while it waits
// (posix::FocusWait says how long and how often it asks again).
constexpr std::chrono::milliseconds kFocusPoll{10};
// A batch of keys goes out at the latest this long after its first key, or
// when it is this long.
constexpr std::chrono::milliseconds kBatchTime{20};
constexpr std::size_t kBatchKeys = 512;

} // namespace

std::unique_ptr<GnomeDesktop> GnomeDesktop::Open(std::string& error, Failure& failure) {
    bool refused = false;
    std::unique_ptr<gnome::ShellClient> client = gnome::ShellClient::Connect(error, refused);
    if (!client) {
        failure = refused ? Failure::Refused : Failure::NoExtension;
        return nullptr;
    }
    failure = Failure::Other;
    std::unique_ptr<GnomeDesktop> desktop = OnLink(std::move(client), error);
    if (desktop) {
        failure = Failure::Opened;
    }
    return desktop;
}

std::unique_ptr<GnomeDesktop> GnomeDesktop::OnLink(std::unique_ptr<gnome::ShellLink> link,
                                                   std::string& error) {
    const gnome::LentKeymap keymap;
    if (!keymap.Error().empty()) {
        error = "Cannot plan the keyboard layout for typing: " + keymap.Error() + ".";
        return nullptr;
    }
    const std::filesystem::path folder = gnome::UserSymbolsFolder();
    error = folder.empty() ? "Neither HOME nor XDG_CONFIG_HOME is set."
                           : gnome::InstallSymbols(keymap, folder);
    if (!error.empty()) {
        error = "Cannot write the keyboard layout for typing: " + error + ".";
        return nullptr;
    }
    std::unique_ptr<GnomeDesktop> desktop(new GnomeDesktop(std::move(link)));
    // The virtual keyboard comes now, so that windows know of it before the
    // first key.
    const std::lock_guard<std::mutex> lock(desktop->mutex_);
    desktop->link_->Keys({}, false, 0);
    return desktop;
}

GnomeDesktop::GnomeDesktop(std::unique_ptr<gnome::ShellLink> link)
    : link_(std::move(link)),
      keyboard_([this](const std::vector<gnome::ShellKey>& keys) { Queue(keys); }),
      flusher_([this] { FlushInTime(); }) {}

GnomeDesktop::~GnomeDesktop() {
    ReleaseAll();
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
    }
    wake_.notify_one();
    flusher_.join();
}

// Called with the lock held.
void GnomeDesktop::Queue(const std::vector<gnome::ShellKey>& keys) {
    if (pending_.empty()) {
        pendingSince_ = Clock::now();
        wake_.notify_one();
    }
    pending_.insert(pending_.end(), keys.begin(), keys.end());
    if (pending_.size() >= kBatchKeys) {
        Flush();
    }
}

// Called with the lock held.
void GnomeDesktop::Flush() {
    if (!pending_.empty()) {
        link_->Keys(pending_, true, keyTarget_);
        pending_.clear();
    }
}

// Called with the lock held.
gnome::ShellState GnomeDesktop::AskState() {
    gnome::ShellState state = link_->State();
    refused_ = refused_ || state.refused;
    return state;
}

std::unique_lock<std::mutex> GnomeDesktop::Sent() {
    std::unique_lock<std::mutex> lock(mutex_);
    Flush();
    return lock;
}

// The flusher thread: sends a batch once its first key is kBatchTime old.
void GnomeDesktop::FlushInTime() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!closing_) {
        if (pending_.empty()) {
            wake_.wait(lock);
        } else if (Clock::now() >= pendingSince_ + kBatchTime) {
            Flush();
        } else {
            wake_.wait_until(lock, pendingSince_ + kBatchTime);
        }
    }
}

// ---- keyboard ----

void GnomeDesktop::keybd_event(std::uint8_t virtualKey, std::uint8_t /*scanCode*/,
                               std::uint32_t flags, std::uintptr_t /*extraInfo*/) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const bool up = (flags & kKeyEventKeyUp) != 0;
    if (refused_ && !up) {
        return; // the shell refused keys: the focus has left
    }
    keyboard_.KeyEvent(virtualKey, up);
}

std::int16_t GnomeDesktop::LendVk(unsigned char character) {
    const std::lock_guard<std::mutex> lock(mutex_);
    return keyboard_.LendVk(character);
}

// ---- windows ----

WindowHandle GnomeDesktop::FindWindowA(const char* /*className*/, const char* title) {
    const auto lock = Sent();
    std::vector<gnome::ShellWindow> windows;
    if (title == nullptr || title[0] == '\0' || !link_->Windows(windows)) {
        return kNoWindow;
    }
    const std::string wanted = Cp1252ToUtf8(title);
    for (const gnome::ShellWindow& w : windows) {
        if (w.title == wanted) {
            return w.id;
        }
    }
    return kNoWindow;
}

bool GnomeDesktop::ShowWindow(WindowHandle window, int /*showCommand*/) {
    const auto lock = Sent();
    return link_->Show(window);
}

// A window activated anew may have keys again.
bool GnomeDesktop::SetForegroundWindow(WindowHandle window) {
    const auto lock = Sent();
    refused_ = false;
    return link_->Activate(window);
}

// Returns as soon as the shell says the window has the focus; activates it
// again every 300 ms and gives up after 2 s (posix::FocusWait), so a dead
// window cannot hang a task.
std::intptr_t GnomeDesktop::SendMessageA(WindowHandle window, std::uint32_t message,
                                         std::uintptr_t /*wParam*/, std::intptr_t /*lParam*/) {
    if (message != kWmSetFocus) {
        return 0;
    }
    posix::FocusWait wait;
    for (;;) {
        {
            const auto lock = Sent();
            if (!link_->Connected() || wait.Over(Clock::now())) {
                break;
            }
            const gnome::ShellState state = AskState();
            if (state.answered && !state.held && !state.focus.empty() &&
                state.focus.front() == window) {
                break;
            }
            if (wait.RetryDue(Clock::now()) && !link_->Activate(window)) {
                break; // the window has gone
            }
        }
        posix::SleepFor(kFocusPoll);
    }
    return 0;
}

// ---- waiting ----

void GnomeDesktop::Sleep(std::uint32_t milliseconds) {
    Sent().unlock();
    posix::SleepFor(std::chrono::milliseconds(milliseconds));
}

// ---- unattended safety ----

InputBlock GnomeDesktop::InputBlocked() {
    auto lock = Sent();
    const gnome::ShellState state = AskState();
    const posix::LockedHintQuery query = lockQuery_;
    lock.unlock(); // logind may take its time; keys may be queued meanwhile
    if (state.locked || posix::SessionLocked(query)) {
        return InputBlock::ScreenLocked;
    }
    // The overview, the lock screen's prompt, a system dialog or a menu of
    // the shell: keys would go to the shell.
    return state.held ? InputBlock::KeyboardHeld : InputBlock::Clear;
}

// The caller types next into the window it learns of here (kNoWindow: into
// whatever has the focus, unchecked).
WindowHandle GnomeDesktop::GetForegroundWindow() {
    const auto lock = Sent();
    const gnome::ShellState state = AskState();
    refused_ = false;
    keyTarget_ = state.focus.empty() ? kNoWindow : state.focus.front();
    return keyTarget_;
}

// When the focus is with `window`, keys typed after this go to it (or its
// dialogs) or nowhere.
FocusState GnomeDesktop::FocusIsWith(WindowHandle window) {
    const auto lock = Sent();
    // No answer, no window has the focus or the shell holds the keyboard
    // (the overview, also while it closes): keys would go to the shell or
    // nowhere. Keys refused: the focus has been elsewhere since the last look.
    const gnome::ShellState state = AskState();
    if (!state.answered || state.held || refused_ ||
        std::find(state.focus.begin(), state.focus.end(), window) == state.focus.end()) {
        return FocusState::Elsewhere;
    }
    keyTarget_ = window;
    return FocusState::WithWindow;
}

bool GnomeDesktop::KeysRefused() {
    const auto lock = Sent();
    AskState();
    return refused_;
}

bool GnomeDesktop::StartStopKeyWatch() {
    const auto lock = Sent();
    return link_->WatchStopKey(true);
}

// What was typed before the press was noticed goes out, as it would have
// without batches; the caller then types nothing more.
bool GnomeDesktop::StopKeyPressed() {
    const std::lock_guard<std::mutex> lock(mutex_);
    const bool pressed = link_->StopKeyPressed();
    if (pressed) {
        Flush();
    }
    return pressed;
}

void GnomeDesktop::EndStopKeyWatch() {
    const auto lock = Sent();
    link_->WatchStopKey(false);
}

// ---- beyond the interface ----

void GnomeDesktop::SetSessionLockQuery(posix::LockedHintQuery query) {
    const std::lock_guard<std::mutex> lock(mutex_);
    lockQuery_ = std::move(query);
}

void GnomeDesktop::ReleaseAll() {
    const std::lock_guard<std::mutex> lock(mutex_);
    keyboard_.ReleaseEverything();
    Flush();
}

} // namespace orvanel

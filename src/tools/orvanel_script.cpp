// orvanel-script: shows the keyboard events of a key script, or types it into
// the focused window, so that a script can be tried before it is scheduled.
//
//   orvanel-script [--delay TEXT] [--] SCRIPT
//   orvanel-script --type [--delay TEXT] [--countdown SECONDS] [--] SCRIPT
//
// SCRIPT is a whole Script field (steps separated by ";"), played exactly as
// the task runner plays it, every step followed by the script delay. On
// Linux the command line is UTF-8; the script is converted to code page 1252,
// the character set of key scripts, before it is played (a character that
// code page 1252 lacks becomes "?").
#include <chrono>
#include <cstdint>
#include <iostream>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "desktop/cp1252.h"
#include "desktop/recording/recording.h"
#include "keys/keyoutput.h"
#include "keys/playscript.h"
#include "orvanel_version.h"
#include "schedule/taskline.h"

#if defined(ORVANEL_HAVE_X11)
#include "desktop/choice/opendesktop.h"
#elif defined(ORVANEL_HAVE_WIN32)
#include "desktop/win32/win32desktop.h"
#endif

namespace orvanel {
namespace {

constexpr std::string_view kUsage =
    "usage: orvanel-script [--type] [--delay TEXT] [--countdown SECONDS] [--] SCRIPT\n"
    "       orvanel-script -h | --help | --version\n";

constexpr std::string_view kHelp =
    "Shows the keyboard events of a key script as the scheduler would send them,\n"
    "or types the script into the window that has the keyboard focus.\n"
    "\n"
    "  SCRIPT               the Script field of a task: steps separated by \";\"\n"
    "  --delay TEXT         the script delay after every step, in milliseconds\n"
    "                       (default 0; a text that is not a number means 100)\n"
    "  --type               type the script for real (Wayland or X11 desktop)\n"
    "  --countdown SECONDS  with --type: seconds to wait first (default 3)\n"
    "  -h, --help           show this help\n"
    "  --version            show the version of Orvanel\n"
    "  --                   end of the options: a SCRIPT that starts with \"-\"\n"
    "                       goes after it\n"
    "\n"
    "Without --type it prints one line per event: \"down VK SCAN\", \"up VK SCAN\"\n"
    "(decimal virtual-key and scan codes of the US layout) and \"sleep MS\".\n";

// The recording desktop, printing each line of its record as it is made
// rather than keeping it, so that a long script needs no memory.
class PrintingDesktop : public RecordingDesktop {
public:
    explicit PrintingDesktop(std::ostream& out) : out_(out) {}

    void keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                     std::uintptr_t extraInfo) override {
        RecordingDesktop::keybd_event(virtualKey, scanCode, flags, extraInfo);
        Flush();
    }

    void Sleep(std::uint32_t milliseconds) override {
        RecordingDesktop::Sleep(milliseconds);
        Flush();
    }

private:
    void Flush() {
        for (const std::string& line : Lines()) {
            out_ << line << '\n';
        }
        ClearRecord();
    }

    std::ostream& out_;
};

struct Options {
    bool type = false;
    std::string delay = "0";
    int countdown = 3;
    std::string script;
};

// Seconds of the countdown: 0 to 3600, decimal digits only.
bool ParseCountdown(std::string_view text, int& seconds) {
    if (text.empty() || text.size() > 4) {
        return false;
    }
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    if (value > 3600) {
        return false;
    }
    seconds = value;
    return true;
}

// Before "--", an argument that starts with "-" (other than "-" alone) is an
// option; after it, every argument is a SCRIPT. No message repeats an
// argument that is not a known option name, since a script may hold a
// password.
constexpr std::string_view kUnknownOption =
    "unknown option (the options are --type, --delay, --countdown, -h, --help and --version; "
    "a SCRIPT that starts with \"-\" goes after \"--\")";

// Reads one option at args[i], moving i past a value given as the next
// argument. 0: read; 1: help asked for; 2: wrong usage (a message in
// `error`); 3: version asked for.
int ParseOption(const std::vector<std::string>& args, std::size_t& i, Options& options,
                std::string& error) {
    const std::string& arg = args[i];
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const bool hasValue = equals != std::string::npos;
    if (!hasValue && (name == "-h" || name == "--help")) {
        return 1;
    }
    if (!hasValue && name == "--version") {
        return 3;
    }
    if (!hasValue && name == "--type") {
        options.type = true;
        return 0;
    }
    if (name != "--delay" && name != "--countdown") {
        error = kUnknownOption;
        return 2;
    }
    if (!hasValue && i + 1 >= args.size()) {
        error = name + " needs a value";
        return 2;
    }
    const std::string value = hasValue ? arg.substr(equals + 1) : args[++i];
    if (name == "--delay") {
        options.delay = value;
    } else if (!ParseCountdown(value, options.countdown)) {
        error = "--countdown needs a number of seconds from 0 to 3600";
        return 2;
    }
    return 0;
}

// 0: options read; 1: help asked for; 2: wrong usage (with a message in `error`);
// 3: version asked for.
int ParseArguments(const std::vector<std::string>& args, Options& options, std::string& error) {
    bool haveScript = false;
    bool optionsEnd = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnd && arg == "--") {
            optionsEnd = true;
        } else if (!optionsEnd && arg.size() > 1 && arg[0] == '-') {
            if (const int result = ParseOption(args, i, options, error); result != 0) {
                return result;
            }
        } else if (!haveScript) {
            options.script = arg;
            haveScript = true;
        } else {
            error = "one SCRIPT only (quote it when it holds blanks)";
            return 2;
        }
    }
    if (!haveScript) {
        error = "no SCRIPT given";
        return 2;
    }
    return 0;
}

void WarnAboutFieldLimits(std::string_view script, std::ostream& err) {
    if (script.find('|') != std::string_view::npos) {
        err << "orvanel-script: note: a Script field cannot hold \"|\", which separates the "
               "fields of a task\n";
    }
    if (script.size() > kMaxTextLength) {
        err << "orvanel-script: note: only the first " << kMaxTextLength
            << " characters of a script are played\n";
    }
}

int Preview(const Options& options, std::ostream& out) {
    PrintingDesktop desktop(out);
    KeyOutput keys(desktop);
    PlayScript(keys, options.script, options.delay);
    out.flush();
    return 0;
}

// The real desktop of this build, or null with a message for the user.
std::unique_ptr<DesktopServices> OpenDesktop(std::string& error) {
#if defined(ORVANEL_HAVE_X11)
    OpenedDesktop opened = orvanel::OpenDesktop();
    error = opened.error;
    return std::move(opened.desktop);
#elif defined(ORVANEL_HAVE_WIN32)
    (void)error;
    return std::make_unique<Win32Desktop>();
#else
    error = "typing needs a desktop backend, which this build does not have";
    return nullptr;
#endif
}

int Type(const Options& options, std::ostream& out, std::ostream& err) {
    std::string error;
    std::unique_ptr<DesktopServices> desktop = OpenDesktop(error);
    if (!desktop) {
        err << "orvanel-script: cannot type: " << error << '\n';
        return 1;
    }
    if (options.countdown > 0) {
        out << "Typing into the focused window in";
        for (int second = options.countdown; second > 0; --second) {
            out << ' ' << second << "..." << std::flush;
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
        out << '\n';
    } else {
        out << "Typing into the focused window\n";
    }
    out.flush();
    KeyOutput keys(*desktop);
    PlayScript(keys, options.script, options.delay);
    out << "Done.\n";
    return 0;
}

} // namespace

int RunScriptTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Options options;
    std::string error;
    switch (ParseArguments(args, options, error)) {
    case 1:
        out << kUsage << '\n' << kHelp;
        return 0;
    case 2:
        err << "orvanel-script: " << error << '\n' << kUsage;
        return 2;
    case 3:
        out << "orvanel-script " << ORVANEL_VERSION_STRING << '\n';
        return 0;
    default:
        break;
    }
#ifndef _WIN32
    // Windows hands the command line over in the ANSI code page already.
    options.script = Utf8ToCp1252(options.script);
#endif
    WarnAboutFieldLimits(options.script, err);
    return options.type ? Type(options, out, err) : Preview(options, out);
}

} // namespace orvanel

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return orvanel::RunScriptTool(args, std::cout, std::cerr);
}

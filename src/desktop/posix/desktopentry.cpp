#include "desktop/posix/desktopentry.h"

#include <cstddef>
#include <string_view>

namespace orvanel::posix {

namespace {

constexpr std::string_view kGroup = "[Desktop Entry]";

// The length of the UTF-8 sequence that starts at `text[i]`, 0 when none
// does (a stray continuation byte, an overlong form, a surrogate, a value
// past U+10FFFF or a sequence cut short).
std::size_t SequenceLength(const std::string& text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    unsigned char low = 0x80; // the bounds of the second byte
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto byte = static_cast<unsigned char>(text[i + k]);
        const unsigned char min = k == 1 ? low : 0x80;
        const unsigned char max = k == 1 ? high : 0xBF;
        if (byte < min || byte > max) {
            return 0;
        }
    }
    return length;
}

// The string escapes of a value undone: \s \n \t \r \\.
std::string Unescape(std::string_view value) {
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        switch (value[++i]) {
        case 's':
            text += ' ';
            break;
        case 'n':
            text += '\n';
            break;
        case 't':
            text += '\t';
            break;
        case 'r':
            text += '\r';
            break;
        case '\\':
            text += '\\';
            break;
        default:
            text += '\\';
            text += value[i];
            break;
        }
    }
    return text;
}

// The first argument of an (unescaped) Exec value, its quotes and "%%"
// undone.
std::string FirstArgument(std::string_view exec) {
    std::size_t i = exec.find_first_not_of(" \t");
    if (i == std::string_view::npos) {
        return {};
    }
    std::string argument;
    if (exec[i] == '"') {
        for (++i; i < exec.size() && exec[i] != '"'; ++i) {
            if (exec[i] == '\\' && i + 1 < exec.size()) {
                ++i;
            }
            argument += exec[i];
        }
    } else {
        const std::size_t end = exec.find_first_of(" \t", i);
        argument = exec.substr(i, end == std::string_view::npos ? end : end - i);
    }
    std::string text;
    for (std::size_t k = 0; k < argument.size(); ++k) {
        text += argument[k];
        if (argument[k] == '%' && k + 1 < argument.size() && argument[k + 1] == '%') {
            ++k;
        }
    }
    return text;
}

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

} // namespace

bool FitsDesktopEntry(const std::string& text) {
    if (text.empty()) {
        return false;
    }
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if (c < 0x20 || c == 0x7F) {
                return false;
            }
            ++i;
            continue;
        }
        const std::size_t length = SequenceLength(text, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string EscapeValue(const std::string& text) {
    std::string value;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\') {
            value += "\\\\";
        } else if (c == ' ' && (i == 0 || i + 1 == text.size())) {
            value += "\\s";
        } else {
            value += c;
        }
    }
    return value;
}

std::string ExecValue(const std::string& program) {
    // Always quoted, so that blanks and the reserved characters need no
    // thought; inside the quotes " ` $ \ take a backslash.
    std::string quoted = "\"";
    for (const char c : program) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        } else if (c == '%') {
            quoted += '%';
        }
        quoted += c;
    }
    quoted += '"';
    return EscapeValue(quoted);
}

std::string AutostartEntryText(const std::string& program, const std::string& directory) {
    std::string text(kGroup);
    text += "\nType=Application\nName=Orvanel\n"
            "Comment=Runs the weekly timetable of tasks kept in its folder\n"
            "Icon=orvanel\nExec=";
    text += ExecValue(program);
    text += "\nPath=";
    text += EscapeValue(directory);
    text += "\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
    return text;
}

std::optional<EntryFacts> ReadEntryFacts(const std::string& text) {
    EntryFacts facts;
    bool inGroup = false;
    bool sawGroup = false;
    bool sawExec = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string_view line = Trim(std::string_view(text).substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            inGroup = line == kGroup;
            sawGroup = sawGroup || inGroup;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inGroup || equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = Trim(line.substr(0, equals));
        const std::string_view value = Trim(line.substr(equals + 1));
        if (key == "Exec") {
            facts.program = FirstArgument(Unescape(value));
            sawExec = true;
        } else if (key == "Path") {
            facts.directory = Unescape(value);
        } else if ((key == "Hidden" && value == "true") ||
                   (key == "X-GNOME-Autostart-enabled" && value == "false")) {
            facts.hidden = true;
        }
    }
    if (!sawGroup || !sawExec) {
        return std::nullopt;
    }
    return facts;
}

} // namespace orvanel::posix

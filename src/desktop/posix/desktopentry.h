// The text of a desktop entry file (the "[Desktop Entry]" group of key=value
// lines that desktops read from the autostart folder), as far as the entry
// that starts this program at log-in needs it: written with its values
// escaped and its Exec argument quoted, and read back leniently.
#pragma once

#include <optional>
#include <string>

namespace orvanel::posix {

// Whether `text` can stand in a desktop entry value: UTF-8 without control
// characters. A path that cannot is not written at all.
bool FitsDesktopEntry(const std::string& text);

// A string value with its escapes: "\" as "\\", a blank at either end as
// "\s" (readers drop blanks around a value).
std::string EscapeValue(const std::string& text);

// An Exec value that runs `program` with no arguments: quoted, with the
// characters that are special inside quotes and "%" escaped.
std::string ExecValue(const std::string& program);

// The entry that starts `program` with `directory` as its working directory.
// Both must pass FitsDesktopEntry.
std::string AutostartEntryText(const std::string& program, const std::string& directory);

// What an entry says about the program it starts.
struct EntryFacts {
    std::string program;   // the first argument of Exec, unquoted
    std::string directory; // Path
    bool hidden = false;   // Hidden=true, or a desktop's own switch set to false
};

// Reads the "[Desktop Entry]" group of a file's text; nullopt when it has no
// such group or no Exec key.
std::optional<EntryFacts> ReadEntryFacts(const std::string& text);

} // namespace orvanel::posix

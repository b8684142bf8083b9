// Starting the program when the user logs in, on a desktop that follows the
// XDG autostart rules (GNOME, KDE, Xfce, LXQt, MATE, Cinnamon and others):
// the entry "orvanel.desktop" in $XDG_CONFIG_HOME/autostart (by default
// ~/.config/autostart) starts the running program with the data folder as
// its working directory. The entry names the program itself, not the
// launcher of the applications menu, which would choose its own folder.
//
// The entry counts as this program's when its Exec names this program and
// its Path this data folder; it is on when it is this program's and neither
// Hidden=true nor a desktop's own switch turns it off.
#pragma once

#include <filesystem>
#include <string>

namespace orvanel::posix {

inline constexpr const char* kAutostartFileName = "orvanel.desktop";

// The entry's file: in $XDG_CONFIG_HOME/autostart when that is an absolute
// path, else in ~/.config/autostart. Empty when no home can be found.
std::filesystem::path AutostartFile();

// The running program's file, from /proc/self/exe. Empty when unknown.
std::filesystem::path RunningProgram();

// Whether the entry in `file` starts `program` in `dataDirectory`.
bool AutostartEnabled(const std::filesystem::path& file, const std::filesystem::path& program,
                      const std::filesystem::path& dataDirectory);

// Writes the entry (on) into `file`, creating its folder (0700) as needed,
// as a whole new file of mode 0600 put in place at once; or removes it (off)
// when it is this program's for this folder, leaving any other file alone.
// Returns an empty text, or the message for the error box (code page 1252).
std::string SetAutostart(bool on, const std::filesystem::path& file,
                         const std::filesystem::path& program,
                         const std::filesystem::path& dataDirectory);

// The same for the running program and the user's autostart folder: what the
// desktop backends answer.
bool AutostartEnabled(const std::filesystem::path& dataDirectory);
std::string SetAutostart(bool on, const std::filesystem::path& dataDirectory);

} // namespace orvanel::posix

// Starting the program when the user logs on to Windows: the shortcut
// "Orvanel.lnk" in the user's Startup folder, whose target is the running
// program and whose working directory is the data folder. It counts as this
// program's when both match (paths compared as Windows compares them:
// letter case, "." and ".." and a final "\" do not matter).
//
// The shortcut is made and read through the shell's link object (COM); the
// calling thread's COM is started for the call and ended again when this
// call started it.
#pragma once

#include <filesystem>
#include <string>

namespace orvanel::win32 {

inline constexpr const wchar_t* kShortcutName = L"Orvanel.lnk";

// The shortcut in the user's Startup folder; empty when the folder is unknown.
std::filesystem::path StartupShortcut();

// The running program's file (GetModuleFileNameW).
std::filesystem::path RunningProgram();

// Whether the shortcut `shortcut` starts `program` in `dataDirectory`.
bool AutostartEnabled(const std::filesystem::path& shortcut, const std::filesystem::path& program,
                      const std::filesystem::path& dataDirectory);

// Writes the shortcut (on), or deletes it (off) when it is this program's
// for this folder, leaving any other file alone. Returns an empty text, or
// the message for the error box (code page 1252).
std::string SetAutostart(bool on, const std::filesystem::path& shortcut,
                         const std::filesystem::path& program,
                         const std::filesystem::path& dataDirectory);

// The same for the running program and the user's Startup folder: what the
// desktop backend answers.
bool AutostartEnabled(const std::filesystem::path& dataDirectory);
std::string SetAutostart(bool on, const std::filesystem::path& dataDirectory);

} // namespace orvanel::win32

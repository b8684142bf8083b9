#include "desktop/posix/autostart.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <pwd.h>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "desktop/cp1252.h"
#include "desktop/posix/desktopentry.h"

namespace orvanel::posix {

namespace fs = std::filesystem;

namespace {

constexpr mode_t kFolderMode = 0700;
// An autostart entry is a few hundred bytes; a bigger file is no entry of ours.
constexpr std::streamsize kMaxEntrySize = 65536;

std::string Reason(int error) {
    return std::generic_category().message(error);
}

std::string Failure(const char* what, const fs::path& path, int error) {
    return std::string(what) + " " + path.string() + " (" + Reason(error) + ")";
}

// An absolute path without "." and ".." parts and without a final "/".
fs::path Plain(const fs::path& path) {
    std::error_code error;
    fs::path plain = fs::absolute(path, error).lexically_normal();
    if (error) {
        return {};
    }
    if (!plain.has_filename() && plain.has_relative_path()) {
        plain = plain.parent_path();
    }
    return plain;
}

// Whether a path read from an entry names the same file as `ours`: the same
// absolute path once links are followed.
bool SameFile(const std::string& named, const fs::path& ours) {
    const fs::path path(named);
    if (named.empty() || !path.is_absolute()) {
        return false;
    }
    std::error_code error;
    const fs::path a = fs::weakly_canonical(path, error);
    if (error) {
        return false;
    }
    const fs::path b = fs::weakly_canonical(Plain(ours), error);
    return !error && Plain(a) == Plain(b);
}

std::optional<EntryFacts> ReadFacts(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string text(static_cast<std::size_t>(kMaxEntrySize), '\0');
    in.read(text.data(), kMaxEntrySize);
    text.resize(static_cast<std::size_t>(in.gcount()));
    return ReadEntryFacts(text);
}

bool Ours(const std::optional<EntryFacts>& facts, const fs::path& program,
          const fs::path& dataDirectory) {
    return facts && SameFile(facts->program, program) && SameFile(facts->directory, dataDirectory);
}

// Creates the folders of `folder` that are missing, each readable by the
// user only. Returns an empty text or the message.
std::string MakeFolders(const fs::path& folder) {
    fs::path prefix;
    for (const fs::path& part : folder) {
        prefix /= part;
        std::error_code error;
        if (fs::is_directory(prefix, error)) {
            continue;
        }
        if (::mkdir(prefix.c_str(), kFolderMode) != 0 && errno != EEXIST) {
            return Failure("Cannot create folder", prefix, errno);
        }
        if (!fs::is_directory(prefix, error)) {
            return Failure("Cannot create folder", prefix, ENOTDIR);
        }
    }
    return {};
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes `text` to a new file beside `file` (mode 0600, as mkstemp makes
// it) and renames it over `file`, so that a reader sees the old entry or the
// new one, never a part.
std::string WriteAtomically(const fs::path& file, const std::string& text) {
    const std::string name = (file.parent_path() / ".orvanel.desktop.XXXXXX").string();
    std::vector<char> pattern(name.begin(), name.end());
    pattern.push_back('\0');
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        return Failure("Cannot create file", file, errno);
    }
    const std::string temporary(pattern.data());
    const bool written = WriteAll(fd, text) && ::fsync(fd) == 0;
    const int writeError = errno;
    if (::close(fd) != 0 || !written) {
        const int error = written ? errno : writeError;
        ::unlink(temporary.c_str());
        return Failure("Cannot write file", file, error);
    }
    if (::rename(temporary.c_str(), file.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return Failure("Cannot create file", file, error);
    }
    return {};
}

std::string WriteEntry(const fs::path& file, const fs::path& program,
                       const fs::path& dataDirectory) {
    const fs::path folder = Plain(dataDirectory);
    for (const fs::path& path : {program, folder}) {
        if (!FitsDesktopEntry(path.string())) {
            return "Cannot name " + path.string() +
                   " in an autostart entry: it is not UTF-8 text or holds a control character";
        }
    }
    // GNOME looks for the program under its name as written, "%%" and all,
    // and so never starts a program whose path holds a "%".
    if (program.string().find('%') != std::string::npos) {
        return "Cannot name " + program.string() + " in an autostart entry: it holds a \"%\"";
    }
    if (std::string error = MakeFolders(file.parent_path()); !error.empty()) {
        return error;
    }
    return WriteAtomically(file, AutostartEntryText(program.string(), folder.string()));
}

std::string RemoveEntry(const fs::path& file, const fs::path& program,
                        const fs::path& dataDirectory) {
    if (!Ours(ReadFacts(file), program, dataDirectory)) {
        return {}; // none, or another program's or another folder's: left alone
    }
    if (::unlink(file.c_str()) != 0 && errno != ENOENT) {
        return Failure("Cannot delete file", file, errno);
    }
    return {};
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return home;
    }
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return {};
}

} // namespace

fs::path AutostartFile() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        return fs::path(config) / "autostart" / kAutostartFileName;
    }
    const std::string home = HomeFolder();
    if (home.empty()) {
        return {};
    }
    return fs::path(home) / ".config" / "autostart" / kAutostartFileName;
}

fs::path RunningProgram() {
    std::error_code error;
    std::string path = fs::read_symlink("/proc/self/exe", error).string();
    if (error) {
        return {};
    }
    // A program file replaced while it runs (an upgrade) reads as deleted;
    // its path names the new one.
    constexpr std::string_view kDeleted = " (deleted)";
    if (path.size() > kDeleted.size() && path.ends_with(kDeleted)) {
        path.resize(path.size() - kDeleted.size());
    }
    return path;
}

bool AutostartEnabled(const fs::path& file, const fs::path& program,
                      const fs::path& dataDirectory) {
    const std::optional<EntryFacts> facts = ReadFacts(file);
    return Ours(facts, program, dataDirectory) && !facts->hidden;
}

std::string SetAutostart(bool on, const fs::path& file, const fs::path& program,
                         const fs::path& dataDirectory) {
    // The error box shows code page 1252; paths and reasons come in UTF-8.
    return Utf8ToCp1252(on ? WriteEntry(file, program, dataDirectory)
                           : RemoveEntry(file, program, dataDirectory));
}

bool AutostartEnabled(const fs::path& dataDirectory) {
    const fs::path file = AutostartFile();
    const fs::path program = RunningProgram();
    return !file.empty() && !program.empty() && AutostartEnabled(file, program, dataDirectory);
}

std::string SetAutostart(bool on, const fs::path& dataDirectory) {
    const fs::path file = AutostartFile();
    if (file.empty()) {
        return "Cannot find the home folder: set HOME or XDG_CONFIG_HOME";
    }
    const fs::path program = RunningProgram();
    if (program.empty()) {
        return "Cannot find the file of the running program";
    }
    return SetAutostart(on, file, program, dataDirectory);
}

} // namespace orvanel::posix

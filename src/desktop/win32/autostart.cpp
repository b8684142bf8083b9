#include "desktop/win32/autostart.h"

#include "desktop/win32/win32desktop.h"

#include <windows.h>

#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <optional>
#include <system_error>
#include <vector>

namespace orvanel::win32 {

namespace fs = std::filesystem;

namespace {

// Long enough for any path Windows allows.
constexpr DWORD kLongPath = 32768;

// COM on the calling thread for the length of one call. A thread that runs
// COM in the other threading model already can use the link object as well.
class ComScope {
public:
    ComScope() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result_)) {
            ::CoUninitialize();
        }
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    HRESULT Result() const { return result_ == RPC_E_CHANGED_MODE ? S_OK : result_; }

private:
    HRESULT result_;
};

// Holds one reference to a COM object.
template <class T> class ComRef {
public:
    ComRef() = default;
    ~ComRef() {
        if (object_ != nullptr) {
            object_->Release();
        }
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    void** Put() { return reinterpret_cast<void**>(&object_); }
    T* operator->() const { return object_; }

private:
    T* object_ = nullptr;
};

// The shell's link object with its file interface.
struct Link {
    ComRef<IShellLinkW> shell;
    ComRef<IPersistFile> file;
};

HRESULT MakeLink(Link& link) {
    HRESULT result = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IShellLinkW, link.shell.Put());
    if (SUCCEEDED(result)) {
        result = link.shell->QueryInterface(IID_IPersistFile, link.file.Put());
    }
    return result;
}

// Code page 1252, the error box's, with "?" for what it lacks.
std::string Narrow(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length = ::WideCharToMultiByte(1252, 0, text.c_str(), size, nullptr, 0, "?", nullptr);
    std::string narrow(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    ::WideCharToMultiByte(1252, 0, text.c_str(), size, narrow.data(), length, "?", nullptr);
    return narrow;
}

// The system's words for a failure, without the final full stop (the error
// box adds one).
std::string Reason(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    ::FormatMessageW(flags, nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring words = text != nullptr ? text : L"";
    ::LocalFree(text);
    while (!words.empty() && (words.back() == L'.' || words.back() == L' ' ||
                              words.back() == L'\r' || words.back() == L'\n')) {
        words.pop_back();
    }
    if (words.empty()) {
        char hex[16];
        ::wsprintfA(hex, "0x%08lX", static_cast<unsigned long>(code));
        return std::string("error ") + hex;
    }
    return Narrow(words);
}

std::string Failure(const char* what, const fs::path& path, DWORD code) {
    return std::string(what) + " " + Narrow(path.wstring()) + " (" + Reason(code) + ")";
}

// A path as Windows resolves it: full, in its long form where it exists,
// without a final "\" (a drive's root keeps its own). Empty when it cannot
// be resolved or is not absolute.
std::wstring Resolved(const std::wstring& path) {
    if (path.empty() || !fs::path(path).is_absolute()) {
        return {};
    }
    std::vector<wchar_t> buffer(kLongPath);
    DWORD length = ::GetFullPathNameW(path.c_str(), kLongPath, buffer.data(), nullptr);
    if (length == 0 || length >= kLongPath) {
        return {};
    }
    std::wstring full(buffer.data(), length);
    length = ::GetLongPathNameW(full.c_str(), buffer.data(), kLongPath);
    if (length > 0 && length < kLongPath) {
        full.assign(buffer.data(), length);
    }
    while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) {
        full.pop_back();
    }
    return full;
}

bool SamePath(const std::wstring& named, const fs::path& ours) {
    const std::wstring a = Resolved(named);
    const std::wstring b = Resolved(ours.wstring());
    return !a.empty() && !b.empty() &&
           ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

struct ShortcutFacts {
    std::wstring target;
    std::wstring directory;
};

// What the shortcut names; nullopt when the file is no shortcut (or none).
std::optional<ShortcutFacts> ReadShortcut(const fs::path& shortcut) {
    Link link;
    if (FAILED(MakeLink(link)) || FAILED(link.file->Load(shortcut.c_str(), STGM_READ))) {
        return std::nullopt;
    }
    std::vector<wchar_t> buffer(kLongPath);
    ShortcutFacts facts;
    if (SUCCEEDED(link.shell->GetPath(buffer.data(), static_cast<int>(kLongPath), nullptr,
                                      SLGP_RAWPATH))) {
        facts.target = buffer.data();
    }
    buffer[0] = L'\0';
    if (SUCCEEDED(link.shell->GetWorkingDirectory(buffer.data(), static_cast<int>(kLongPath)))) {
        facts.directory = buffer.data();
    }
    return facts;
}

bool Ours(const fs::path& shortcut, const fs::path& program, const fs::path& dataDirectory) {
    const std::optional<ShortcutFacts> facts = ReadShortcut(shortcut);
    return facts && SamePath(facts->target, program) && SamePath(facts->directory, dataDirectory);
}

std::string WriteShortcut(const fs::path& shortcut, const fs::path& program,
                          const fs::path& dataDirectory) {
    Link link;
    HRESULT result = MakeLink(link);
    if (SUCCEEDED(result)) {
        result = link.shell->SetPath(program.c_str());
    }
    if (SUCCEEDED(result)) {
        result = link.shell->SetWorkingDirectory(Resolved(dataDirectory.wstring()).c_str());
    }
    if (SUCCEEDED(result)) {
        result =
            link.shell->SetDescription(L"Runs the weekly timetable of tasks kept in its folder");
    }
    if (SUCCEEDED(result)) {
        result = link.file->Save(shortcut.c_str(), TRUE);
    }
    return SUCCEEDED(result) ? std::string() : Failure("Cannot create file", shortcut, result);
}

std::string DeleteShortcut(const fs::path& shortcut, const fs::path& program,
                           const fs::path& dataDirectory) {
    if (!Ours(shortcut, program, dataDirectory)) {
        return {}; // none, or another program's or another folder's: left alone
    }
    if (!::DeleteFileW(shortcut.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND) {
        return Failure("Cannot delete file", shortcut, ::GetLastError());
    }
    return {};
}

} // namespace

fs::path StartupShortcut() {
    wchar_t* folder = nullptr;
    const HRESULT result =
        ::SHGetKnownFolderPath(FOLDERID_Startup, KF_FLAG_CREATE, nullptr, &folder);
    fs::path shortcut;
    if (SUCCEEDED(result) && folder != nullptr) {
        shortcut = fs::path(folder) / kShortcutName;
    }
    ::CoTaskMemFree(folder);
    return shortcut;
}

fs::path RunningProgram() {
    std::vector<wchar_t> buffer(kLongPath);
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), kLongPath);
    if (length == 0 || length >= kLongPath) {
        return {};
    }
    return fs::path(std::wstring(buffer.data(), length));
}

bool AutostartEnabled(const fs::path& shortcut, const fs::path& program,
                      const fs::path& dataDirectory) {
    const ComScope com;
    return SUCCEEDED(com.Result()) && Ours(shortcut, program, dataDirectory);
}

std::string SetAutostart(bool on, const fs::path& shortcut, const fs::path& program,
                         const fs::path& dataDirectory) {
    const ComScope com;
    if (FAILED(com.Result())) {
        return Failure("Cannot create file", shortcut, com.Result());
    }
    std::error_code error;
    if (on && !fs::is_directory(dataDirectory, error)) {
        return "Cannot find the folder " + Narrow(dataDirectory.wstring());
    }
    return on ? WriteShortcut(shortcut, program, dataDirectory)
              : DeleteShortcut(shortcut, program, dataDirectory);
}

bool AutostartEnabled(const fs::path& dataDirectory) {
    const fs::path shortcut = StartupShortcut();
    const fs::path program = RunningProgram();
    return !shortcut.empty() && !program.empty() &&
           AutostartEnabled(shortcut, program, dataDirectory);
}

std::string SetAutostart(bool on, const fs::path& dataDirectory) {
    const fs::path shortcut = StartupShortcut();
    if (shortcut.empty()) {
        return "Cannot find the Startup folder";
    }
    const fs::path program = RunningProgram();
    if (program.empty()) {
        return "Cannot find the file of the running program";
    }
    return SetAutostart(on, shortcut, program, dataDirectory);
}

} // namespace orvanel::win32

namespace orvanel {

bool Win32Desktop::AutostartEnabled(const std::filesystem::path& dataDirectory) {
    return win32::AutostartEnabled(dataDirectory);
}

std::string Win32Desktop::SetAutostart(bool on, const std::filesystem::path& dataDirectory) {
    return win32::SetAutostart(on, dataDirectory);
}

} // namespace orvanel

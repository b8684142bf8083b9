#include "desktop/posix/posixdesktop.h"

#include <cstring>
#include <ctime>

#include "desktop/cp1252.h"
#include "desktop/keysyms/lentvks.h"
#include "desktop/localtime.h"
#include "desktop/posix/autostart.h"
#include "desktop/posix/localeinfo.h"
#include "desktop/posix/shell.h"
#include "desktop/posix/sleepfor.h"
#include "desktop/posix/tickcount.h"
#include "desktop/uslayout.h"

namespace orvanel::posix {

// ---- keyboard queries ----

std::int16_t PosixDesktop::VkKeyScanA(char character) {
    const auto c = static_cast<unsigned char>(character);
    const std::int16_t us = uslayout::VkKeyScanA(c);
    if (us != -1 || c < 0x80 || Undefined1252(c)) {
        return us;
    }
    return LendVk(c);
}

bool PosixDesktop::CharToOemA(const char* source, char* destination) {
    return uslayout::CharToOem(source, destination);
}

std::uint32_t PosixDesktop::OemKeyScan(std::uint16_t oemCharacter) {
    return uslayout::OemKeyScan(oemCharacter);
}

std::uint32_t PosixDesktop::MapVirtualKeyA(std::uint32_t code, std::uint32_t mapType) {
    if ((mapType == kMapVkToVsc || mapType == 2) &&
        keysyms::IsLentVk(static_cast<std::uint8_t>(code))) {
        return 0; // lent codes sit on no key
    }
    return uslayout::MapVirtualKey(code, mapType);
}

// ---- programs ----

std::intptr_t PosixDesktop::ShellExecuteA(WindowHandle /*owner*/, const char* operation,
                                          const char* file, const char* /*parameters*/,
                                          const char* directory, int /*showCommand*/) {
    if (operation != nullptr && std::strcmp(operation, kShellVerb) != 0) {
        return kShellNoAssociation;
    }
    return RunShellPlan(PlanShellOpen(file, directory));
}

// ---- waiting, time and locale ----

void PosixDesktop::Sleep(std::uint32_t milliseconds) {
    SleepFor(std::chrono::milliseconds(milliseconds));
}

std::uint32_t PosixDesktop::GetTickCount() {
    return TickCount();
}

SystemTime PosixDesktop::GetLocalTime() {
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    return LocalTimeFromEpoch(static_cast<std::int64_t>(now.tv_sec) * 1000 +
                              now.tv_nsec / 1'000'000);
}

LocaleInfo PosixDesktop::GetLocaleInfoA() {
    return LocaleInfoFromTexts(CurrentLocaleTexts(), CurrentTimeLocaleIsC());
}

// ---- starting with the session ----

bool PosixDesktop::AutostartEnabled(const std::filesystem::path& dataDirectory) {
    return posix::AutostartEnabled(dataDirectory);
}

std::string PosixDesktop::SetAutostart(bool on, const std::filesystem::path& dataDirectory) {
    return posix::SetAutostart(on, dataDirectory);
}

} // namespace orvanel::posix

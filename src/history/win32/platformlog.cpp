// The system log on Windows: the Application event log, source "Orvanel"
// (the POSIX counterpart is posix/platformlog.cpp).
#include "history/systemlog.h"

#include <string>

#include <windows.h>

namespace orvanel::history {

namespace {

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int size =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0) {
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                              size);
    }
    return wide;
}

class EventLog : public SystemLog {
public:
    EventLog() : source_(::RegisterEventSourceW(nullptr, L"Orvanel")) {}
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;
    ~EventLog() override {
        if (source_ != nullptr) {
            ::DeregisterEventSource(source_);
        }
    }

    void Send(Severity severity, const std::string& message) noexcept override {
        if (source_ == nullptr) {
            return;
        }
        try {
            const WORD type = severity == Severity::Info      ? EVENTLOG_INFORMATION_TYPE
                              : severity == Severity::Warning ? EVENTLOG_WARNING_TYPE
                                                              : EVENTLOG_ERROR_TYPE;
            const std::wstring text = Wide(message);
            const wchar_t* strings[] = {text.c_str()};
            ::ReportEventW(source_, type, 0, 1, nullptr, 1, 0, strings, nullptr);
        } catch (...) {
            // Out of memory: the event log goes without this record.
        }
    }

private:
    HANDLE source_;
};

} // namespace

std::unique_ptr<SystemLog> MakePlatformSystemLog() {
    return std::make_unique<EventLog>();
}

} // namespace orvanel::history

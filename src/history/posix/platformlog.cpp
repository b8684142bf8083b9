// The system log on POSIX systems: syslog(3), identity "orvanel" (the
// Windows counterpart is win32/platformlog.cpp).
#include "history/systemlog.h"

#include <syslog.h>

namespace orvanel::history {

namespace {

class Syslog : public SystemLog {
public:
    Syslog() { ::openlog("orvanel", LOG_PID, LOG_USER); }
    Syslog(const Syslog&) = delete;
    Syslog& operator=(const Syslog&) = delete;
    ~Syslog() override { ::closelog(); }

    void Send(Severity severity, const std::string& message) noexcept override {
        const int priority = severity == Severity::Info      ? LOG_INFO
                             : severity == Severity::Warning ? LOG_WARNING
                                                             : LOG_ERR;
        ::syslog(priority, "%s", message.c_str());
    }
};

} // namespace

std::unique_ptr<SystemLog> MakePlatformSystemLog() {
    return std::make_unique<Syslog>();
}

} // namespace orvanel::history

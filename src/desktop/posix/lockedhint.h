// Whether logind says the user's session is locked (its LockedHint), asked
// through loginctl so that the program needs no D-Bus library. The question
// is bounded: loginctl that does not answer in time is killed, and every
// failure (no loginctl, no logind, no session) counts as "not locked".
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace orvanel::posix {

struct LockedHintQuery {
    std::string program = "loginctl"; // a bare name is looked for along PATH
    // The session asked about; empty: $XDG_SESSION_ID, or "auto" (the
    // session of this process) when that is unset or malformed.
    std::string session;
    std::chrono::milliseconds timeout{500};
    // Only asked where logind runs (it keeps /run/systemd/seats).
    std::string logindMark = "/run/systemd/seats";
};

// The command line that asks.
std::vector<std::string> LockedHintCommand(const LockedHintQuery& query);

// True only when logind runs and the command answers "yes" and succeeds
// within the timeout.
bool SessionLocked(const LockedHintQuery& query);

} // namespace orvanel::posix

// The scheduler: the task runner and the minute tick.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "desktop/desktop.h"
#include "keys/keyoutput.h"
#include "schedule/store.h"

namespace orvanel {

class Scheduler {
public:
    // `owner` is the main window, handed to the shell as the owner of the
    // programs it starts. The store's day lists and script delay are read,
    // never written.
    Scheduler(DesktopServices& desktop, KeyOutput& keys, const ScheduleStore& store,
              WindowHandle owner = kNoWindow);

    // Marks the current local minute as examined: the minute in which the
    // program starts is never run.
    void Start();

    // One tick of the minute timer (after the window has refreshed its date
    // label): examines every local minute after the last examined one up to
    // the current one and runs the due lines of each, in list order. A
    // malformed Hour or Min. throws Error "'<text>' is not a valid integer
    // value" and ends the examination of that minute.
    void Tick();

    // Performs one task line: finds or starts its window, then plays its
    // script step by step with the script delay after every step.
    void RunTask(std::string_view line);

    // The hidden "Test" button: the first line of the Tuesday list, or Error
    // "List index out of bounds" when that list is empty.
    void TestFirstTuesdayLine();
};

} // namespace orvanel

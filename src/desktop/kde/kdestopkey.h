// The stop key as a global shortcut of KDE's kglobalaccel (which KWin runs):
// registered as the action "stop" of the component "orvanel", made active
// while a task runs and let go after. KWin sees the combination before any
// window does, the fake keys of a script included.
#pragma once

#include <memory>

#include "desktop/dbus/bus.h"

namespace orvanel::kde {

class KdeStopKey {
public:
    explicit KdeStopKey(dbus::Bus& bus) : bus_(bus) {}
    // Takes the action off kglobalaccel's books.
    ~KdeStopKey();
    KdeStopKey(const KdeStopKey&) = delete;
    KdeStopKey& operator=(const KdeStopKey&) = delete;

    // Grabs the combination; false when kglobalaccel does not answer or
    // another program holds it. Forgets an earlier press.
    bool Start();
    // Whether it has been pressed since Start (reads what the bus has).
    bool Pressed();
    // Lets the combination go.
    void End();

private:
    bool SetKeys(bool active);

    dbus::Bus& bus_;
    std::unique_ptr<dbus::Subscription> pressWatch_;
    bool registered_ = false;
    bool pressed_ = false;
};

} // namespace orvanel::kde

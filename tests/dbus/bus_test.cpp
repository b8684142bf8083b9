// The D-Bus client on a private session bus (run under dbus-run-session):
// a second connection in a thread of its own plays the other program.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "desktop/dbus/bus.h"

namespace orvanel::dbus {
namespace {

using std::chrono::milliseconds;

constexpr const char* kPath = "/org/orvanel/Test";
constexpr const char* kInterface = "org.orvanel.Test";

// A program on the bus with one object: Echo(s) answers the text, Silent
// never answers, and every call first emits the signal Seen(s).
class Peer {
public:
    Peer() {
        std::string error;
        bus_ = Bus::OpenSession(error);
        EXPECT_TRUE(bus_) << error;
        object_ = bus_->ExportObject(
            kPath, [this](sd_bus_message* m) { return Answer(m); }, error);
        EXPECT_TRUE(object_) << error;
        EXPECT_GE(sd_bus_request_name(bus_->Get(), "org.orvanel.Peer", 0), 0);
        thread_ = std::thread([this] {
            while (!stop_) {
                bus_->Wait(milliseconds(20));
            }
        });
    }
    ~Peer() {
        stop_ = true;
        thread_.join();
    }
    std::string Name() const { return bus_->UniqueName(); }

private:
    int Answer(sd_bus_message* m) {
        const char* text = "";
        sd_bus_message_read(m, "s", &text);
        sd_bus_emit_signal(bus_->Get(), kPath, kInterface, "Seen", "s", text);
        if (sd_bus_message_is_method_call(m, kInterface, "Silent") > 0) {
            return 1; // handled, never answered
        }
        return sd_bus_reply_method_return(m, "s", text);
    }
    std::unique_ptr<Bus> bus_;
    std::unique_ptr<Subscription> object_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

std::string ReadText(const Message& m) {
    const char* text = nullptr;
    return m && sd_bus_message_read(m.get(), "s", &text) > 0 ? text : "(none)";
}

TEST(BusTest, CallsAnswersSignalsAndTimeLimits) {
    Peer peer;
    std::string error;
    auto bus = Bus::OpenSession(error);
    ASSERT_TRUE(bus) << error;
    std::string seen;
    auto match = bus->MatchSignal(
        nullptr, kPath, kInterface, "Seen",
        [&](sd_bus_message* m) {
            seen = ReadText(Message(sd_bus_message_ref(m)));
            return 0;
        },
        error);
    ASSERT_TRUE(match) << error;
    EXPECT_EQ(bus->NameOwner("org.orvanel.Peer", milliseconds(1000)), peer.Name());
    EXPECT_EQ(bus->NameOwner("org.orvanel.Nobody", milliseconds(1000)), "");

    struct Case {
        const char* destination;
        const char* member;
        const char* expected; // the answer, or null when the call must fail
    };
    for (const Case& c : {Case{"org.orvanel.Peer", "Echo", "caf\xC3\xA9"},
                          Case{"org.orvanel.Nobody", "Echo", nullptr},
                          Case{"org.orvanel.Peer", "Silent", nullptr}}) {
        SCOPED_TRACE(std::string(c.destination) + " " + c.member);
        error.clear();
        const auto start = std::chrono::steady_clock::now();
        const Message reply = bus->CallMethod(c.destination, kPath, kInterface, c.member,
                                              milliseconds(300), error, "s", "caf\xC3\xA9");
        EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(2000));
        if (c.expected != nullptr) {
            EXPECT_EQ(ReadText(reply), c.expected) << error;
        } else {
            EXPECT_FALSE(reply);
            EXPECT_FALSE(error.empty());
        }
    }
    // The signals of the answered calls came in meanwhile, and run only now.
    EXPECT_EQ(seen, "");
    bus->Dispatch();
    EXPECT_EQ(seen, "caf\xC3\xA9");

    // A call without waiting: the handler hears of the time limit too.
    std::string async;
    auto pending = bus->CallAsync(
        bus->NewCall("org.orvanel.Peer", kPath, kInterface, "Silent", error), milliseconds(100),
        [&](sd_bus_message* m) {
            async = sd_bus_message_is_method_error(m, nullptr) > 0 ? "error" : "answer";
            return 1;
        },
        error);
    ASSERT_TRUE(pending) << error;
    for (int i = 0; i < 50 && async.empty(); ++i) {
        bus->Wait(milliseconds(20));
    }
    EXPECT_EQ(async, "error");
}

} // namespace
} // namespace orvanel::dbus

// The bus client of the extension, on a private session bus (run under
// dbus-run-session), against a stand-in for the extension in a thread of its
// own: that it speaks only to the shell's process, what it asks and how it
// reads the answers, the keys, the stop key's signal, and a refusal.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "desktop/gnome/shellclient.h"

namespace orvanel::gnome {
namespace {

using std::chrono::milliseconds;

// The extension's object, answering as the shell would; `refuse` answers
// every call as the extension answers a program it does not serve.
class FakeExtension {
public:
    explicit FakeExtension(bool refuse) : refuse_(refuse) {
        std::string error;
        bus_ = dbus::Bus::OpenSession(error);
        EXPECT_TRUE(bus_) << error;
        object_ = bus_->ExportObject(
            kObjectPath, [this](sd_bus_message* m) { return Answer(m); }, error);
        EXPECT_GE(sd_bus_request_name(bus_->Get(), kBusName, 0), 0);
        thread_ = std::thread([this] {
            while (!stop_) {
                bus_->Wait(milliseconds(10));
            }
        });
    }
    ~FakeExtension() {
        stop_ = true;
        thread_.join();
        sd_bus_release_name(bus_->Get(), kBusName);
    }
    std::string keys; // what Keys was sent: "layouts group window: keysym+ keysym- ..."

private:
    int Answer(sd_bus_message* m) {
        const std::string member = sd_bus_message_get_member(m);
        if (refuse_) {
            return sd_bus_reply_method_errorf(m, "org.freedesktop.DBus.Error.AccessDenied",
                                              "Only Orvanel may use this");
        }
        if (member == "Windows") {
            return sd_bus_reply_method_return(m, "a(tsut)", 2, 7ull, "Caf\xC3\xA9", 11u, 0ull, 9ull,
                                              "Save", 11u, 7ull);
        }
        if (member == "State") {
            return sd_bus_reply_method_return(m, "bbbat", 0, 1, 1, 2, 9ull, 7ull);
        }
        if (member == "Show" || member == "Activate") {
            std::uint64_t id = 0;
            sd_bus_message_read(m, "t", &id);
            return sd_bus_reply_method_return(m, "b", id == 7 ? 1 : 0);
        }
        if (member == "WatchStopKey") {
            sd_bus_message* signal = nullptr;
            sd_bus_message_new_signal(bus_->Get(), &signal, kObjectPath, kInterface, "StopKey");
            sd_bus_message_set_destination(signal, sd_bus_message_get_sender(m));
            sd_bus_send(bus_->Get(), signal, nullptr);
            sd_bus_message_unref(signal);
            return sd_bus_reply_method_return(m, "b", 1);
        }
        const char* layouts = nullptr;
        std::uint32_t group = 0;
        std::uint64_t window = 0;
        sd_bus_message_read(m, "sut", &layouts, &group, &window);
        keys +=
            std::string(layouts) + " " + std::to_string(group) + " " + std::to_string(window) + ":";
        sd_bus_message_enter_container(m, 'a', "(ub)");
        std::uint32_t keysym = 0;
        int pressed = 0;
        while (sd_bus_message_read(m, "(ub)", &keysym, &pressed) > 0) {
            keys += " " + std::to_string(keysym) + (pressed != 0 ? "+" : "-");
        }
        keys += ";";
        return 1; // sent without waiting for an answer
    }
    bool refuse_;
    std::unique_ptr<dbus::Bus> bus_;
    std::unique_ptr<dbus::Subscription> object_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Without a session bus (no dbus-run-session) there is nothing to test on.
bool HaveSessionBus() {
    std::string error;
    return dbus::Bus::OpenSession(error) != nullptr;
}

TEST(ShellClientTest, AsksTheExtensionAndReadsItsAnswers) {
    if (!HaveSessionBus()) {
        GTEST_SKIP() << "no session bus";
    }
    FakeExtension extension(false);
    std::string error;
    bool refused = true;
    // Keys go to the extension only in GNOME Shell's process (here: this one).
    EXPECT_FALSE(ShellClient::Connect(error, refused));
    EXPECT_NE(error.find("not gnome-shell but test_gnome"), std::string::npos) << error;
    auto client = ShellClient::Connect(error, refused, "test_gnome");
    ASSERT_TRUE(client) << error;
    EXPECT_FALSE(refused);

    std::vector<ShellWindow> windows;
    ASSERT_TRUE(client->Windows(windows));
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0].title, "Caf\xC3\xA9");
    EXPECT_EQ(windows[1].parent, 7u);
    EXPECT_EQ(windows[1].pid, 11u);

    const ShellState state = client->State();
    EXPECT_TRUE(state.answered);
    EXPECT_FALSE(state.locked);
    EXPECT_TRUE(state.held);
    EXPECT_TRUE(state.refused);
    EXPECT_EQ(state.focus, (std::vector<std::uint64_t>{9, 7}));
    EXPECT_TRUE(client->Show(7));
    EXPECT_FALSE(client->Activate(8));

    client->Keys({{0x61, true}, {0x61, false}}, true, 7);
    client->Keys({}, false, 0);
    client->State(); // answered after the keys
    EXPECT_EQ(extension.keys, "us,orvanel 1 7: 97+ 97-; 1 0:;");

    EXPECT_TRUE(client->WatchStopKey(true));
    // The signal came before the answer; a watch forgets earlier presses.
    EXPECT_FALSE(client->StopKeyPressed());
    client->State();
    EXPECT_TRUE(client->Connected());
}

TEST(ShellClientTest, ARefusalIsToldApart) {
    if (!HaveSessionBus()) {
        GTEST_SKIP() << "no session bus";
    }
    FakeExtension extension(true);
    std::string error;
    bool refused = false;
    EXPECT_FALSE(ShellClient::Connect(error, refused, "test_gnome"));
    EXPECT_TRUE(refused);
    EXPECT_NE(error.find("Only Orvanel"), std::string::npos) << error;
}

} // namespace
} // namespace orvanel::gnome

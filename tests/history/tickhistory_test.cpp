// The scheduler's runs, errors and missed minutes in the history, on the
// recording desktop's fake clock.
#include "history/tickhistory.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <string>
#include <vector>

#include "desktop/recording/recording.h"
#include "history/writer.h"
#include "scheduler/minutes.h"
#include "scheduler/scheduler.h"
#include "support/tempdir.h"
#include "support/timezone.h"

namespace orvanel::history {
namespace {

// The real file access, or a full disk while `full` is set.
class DiskFiles : public LogFiles {
public:
    bool full = false;
    int Append(const std::filesystem::path& path, std::string_view data) override {
        return full ? ENOSPC : LogFiles::Append(path, data);
    }
};

class NoLog : public SystemLog {
public:
    using SystemLog::Send;
    void Send(Severity, const std::string&) noexcept override {}
};

// 2026-01-05 is a Monday; the clock is UTC.
class TickHistoryTest : public ::testing::Test {
protected:
    TickHistoryTest() {
        scheduler.SetReport(&history);
        history.onStatus = [this](const std::string& message) { status.push_back(message); };
    }
    void TickAt(int hour, int minute, int second) {
        desktop.SetLocalTime(2026, 1, 5, hour, minute, second);
        try {
            scheduler.Tick();
        } catch (const Error& error) {
            thrown.emplace_back(error.what());
        }
    }
    std::string Log() const { return test::ReadBytes(dir / kHistoryFileName); }

    test::ScopedTimeZone zone{"UTC0"};
    test::TempDir dir;
    DiskFiles files;
    HistoryWriter writer{dir.Path(), files};
    NoLog log;
    HistoryRecorder recorder{writer, log};
    std::array<std::vector<std::string>, 7> week;
    DayListReader reader = [this](int day) -> const std::vector<std::string>& {
        return week.at(static_cast<std::size_t>(day));
    };
    RecordingDesktop desktop;
    KeyOutput keys{desktop};
    std::string delay = "500";
    Scheduler scheduler{keys, reader, [this] { return delay; }};
    TickHistory history{recorder, reader};
    std::vector<std::string> status;
    std::vector<std::string> thrown;
};

TEST_F(TickHistoryTest, RunsAreTypedOrStartedWithTheirCountsAndNeverTheScript) {
    desktop.AddWindow("Editor");
    desktop.onShell = [this](const std::string& file, const std::string&) {
        if (file == "fresh.exe") {
            desktop.AddWindow("Fresh");
        }
    };
    week[0] = {"C:\\Tools\\app.exe|Editor|7|5|ab;{ENTER}", "C:\\fresh.exe|Fresh|7|5|X",
               "other.exe||7|5|", "late.exe|Editor|7|6|secret"};
    desktop.SetLocalTime(2026, 1, 5, 7, 4, 30);
    scheduler.Start();
    TickAt(7, 5, 10);
    EXPECT_EQ(Log(), "2026-01-05T07:05+00:00\t2026-01-05T07:05:10+00:00\tMon\t1\ttyped\t"
                     "C:\\Tools\\app.exe\tEditor\twindow found; 2 steps, 6 key events; 1.0 s\r\n"
                     "2026-01-05T07:05+00:00\t2026-01-05T07:05:11+00:00\tMon\t2\tstarted\t"
                     "C:\\fresh.exe\tFresh\tprogram started, window found; 1 step, 4 key "
                     "events; 3.5 s\r\n"
                     "2026-01-05T07:05+00:00\t2026-01-05T07:05:14+00:00\tMon\t3\tstarted\t"
                     "other.exe\t\tprogram started; 0 steps, 0 key events; 3.0 s\r\n");

    // By hand: the row as given, due "now"; refused while another run types.
    bool refused = false;
    desktop.onSleep = [&](std::uint32_t) {
        refused = !scheduler.RunNow(1, ParseTaskLine("x.exe|Editor|||never", 1));
    };
    ASSERT_TRUE(scheduler.RunNow(1, ParseTaskLine("a.exe|Editor|1|2|secret", 5)));
    EXPECT_TRUE(refused);
    EXPECT_NE(Log().find("now\t2026-01-05T07:05:17+00:00\tTue\t5\ttyped\ta.exe\tEditor\t"
                         "window found; 1 step, 12 key events; 0.5 s\r\n"),
              std::string::npos);
    EXPECT_EQ(Log().find("secret"), std::string::npos);
    EXPECT_EQ(Log().find("never"), std::string::npos);
}

TEST_F(TickHistoryTest, AFullDiskStopsNoTaskAndIsReportedOnce) {
    desktop.AddWindow("A");
    week[0] = {"a.exe|A|7|5|x", "a.exe|A|7|6|x", "a.exe|A|7|7|x"};
    desktop.SetLocalTime(2026, 1, 5, 7, 4, 0);
    scheduler.Start();
    files.full = true;
    TickAt(7, 5, 0);
    TickAt(7, 6, 0);
    ASSERT_EQ(status.size(), 1u) << "said once, not at every record";
    EXPECT_EQ(status[0].rfind("Cannot write file history.log", 0), 0u);
    files.full = false;
    TickAt(7, 7, 0);
    int typed = 0;
    for (const std::string& line : desktop.Lines()) {
        typed += line == "find A = 1" ? 1 : 0;
    }
    EXPECT_EQ(typed, 3);
    EXPECT_EQ(Log().substr(0, 22), "2026-01-05T07:07+00:00");
    EXPECT_TRUE(thrown.empty());
}

TEST_F(TickHistoryTest, ABadLineIsRecordedOnceAndMissedTasksEachOnce) {
    week[0] = {"a.exe|A|7|5|x", "b.exe|B||5|x", "c.exe|C|8|0|x", "d.exe|D|9|9|x", "e.exe|E|7|5|pw"};
    desktop.SetLocalTime(2026, 1, 5, 7, 4, 0);
    scheduler.Start();
    TickAt(7, 5, 0);
    TickAt(7, 6, 0);
    TickAt(9, 10, 0); // the computer slept from 07:07 to 09:09
    EXPECT_EQ(thrown.size(), 3u) << "the tick still reports the line every minute";
    const std::string log = Log();
    EXPECT_NE(log.find("2026-01-05T07:05+00:00\t-\tMon\t2\terror\tb.exe\t\t"
                       "Hour is not a valid integer value\r\n"),
              std::string::npos);
    EXPECT_NE(log.find("2026-01-05T07:05+00:00\t-\tMon\t5\tskipped\te.exe\tE\tnot run: row 2 "
                       "above it has a malformed Hour or Min.\r\n"),
              std::string::npos);
    EXPECT_EQ(log.find("07:06+00:00\t-\tMon\t2\terror"), std::string::npos);
    EXPECT_NE(log.find("2026-01-05T08:00+00:00\t-\tMon\t3\tmissed\tc.exe\tC\t"), std::string::npos);
    EXPECT_NE(log.find("2026-01-05T09:09+00:00\t-\tMon\t4\tmissed\td.exe\tD\t"), std::string::npos);
}

} // namespace
} // namespace orvanel::history

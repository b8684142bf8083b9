// The week as the history reads it: missed tasks, the next task due, the
// error rule, and the recorder that puts them together.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "history/isotime.h"
#include "history/missed.h"
#include "history/nextdue.h"
#include "history/reader.h"
#include "history/recorder.h"
#include "support/tempdir.h"
#include "support/timezone.h"

namespace orvanel::history {
namespace {

using Week = std::array<std::vector<std::string>, 7>;

DayListReader Reader(const Week& week) {
    return [&week](int day) -> const std::vector<std::string>& {
        return week.at(static_cast<std::size_t>(day));
    };
}

// 2026-12-07 is a Monday.
std::int64_t Minute(int day, int hour, int minute) {
    return DaysFromCivil({2026, 12, day}) * 1440 + std::int64_t{hour} * 60 + minute;
}

TEST(MissedRecords, ATwoHourGapListsEveryTaskInTimeOrder) {
    test::ScopedTimeZone zone("UTC0");
    Week week;
    week[1] = {"b.exe|B|8|30|x", "bad|X|8|",      "c.exe|C|7|0|x",
               "d.exe|D|9|0|x",  "e.exe|E|7|0|x", "f.exe|F|24|0|x"};
    // Tuesday 07:00 to 08:59.
    const auto records = MissedRecords(Minute(8, 7, 0), Minute(8, 8, 59), Reader(week));
    ASSERT_EQ(records.size(), 3u);
    const std::string expected[] = {
        "2026-12-08T07:00+00:00\t-\tTue\t3\tmissed\tc.exe\tC\t",
        "2026-12-08T07:00+00:00\t-\tTue\t5\tmissed\te.exe\tE\t",
        "2026-12-08T08:30+00:00\t-\tTue\t1\tmissed\tb.exe\tB\t",
    };
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(FormatHistoryLine(records[i]).rfind(expected[i], 0), 0u)
            << FormatHistoryLine(records[i]);
    }
    EXPECT_TRUE(MissedRecords(Minute(8, 9, 0), Minute(8, 8, 0), Reader(week)).empty());
}

TEST(MissedRecords, ATenDayGapLooksBackSevenDaysAndIsCapped) {
    test::ScopedTimeZone zone("UTC0");
    Week week;
    for (auto& list : week) {
        for (int hour = 0; hour < 24; ++hour) {
            list.push_back("a.exe|A|" + std::to_string(hour) + "|15|x");
        }
    }
    const std::int64_t first = Minute(1, 0, 0);
    const std::int64_t last = Minute(10, 23, 59);
    // Seven days of 24 tasks: 168 records and a note on the days not looked at.
    auto records = MissedRecords(first, last, Reader(week));
    ASSERT_EQ(records.size(), 169u);
    EXPECT_EQ(records.front().due, FormatDueMinute(Minute(4, 0, 15)));
    EXPECT_EQ(records.back().row, "-");
    EXPECT_EQ(records.back().detail,
              "0 more missed tasks not listed; tasks due before 2026-12-04T00:00+00:00 were not "
              "looked at (the gap began 2026-12-01T00:00+00:00)");

    records = MissedRecords(first, last, Reader(week), 100);
    ASSERT_EQ(records.size(), 101u);
    EXPECT_EQ(records.back().detail.rfind("68 more missed tasks not listed;", 0), 0u);
    EXPECT_EQ(records[99].due, FormatDueMinute(Minute(8, 3, 15)));
    EXPECT_EQ(records.back().due, FormatDueMinute(Minute(8, 4, 15)));
}

TEST(NextTaskDue, AcrossMidnightAndTheWeekEndSkippingInvalidLines) {
    Week week;
    week[6] = {"late.exe|Late|23|59|x"}; // Sunday
    week[0] = {"bad|X|7|60|x", "|Empty|24|0|x", "mon.exe|Mon|6|30|x", "first.exe|First|6|30|y"};
    const struct {
        SystemTime now;
        const char* expected;
    } cases[] = {
        // Sunday 2026-12-13 22:00: the Sunday task, then past midnight to Monday.
        {{2026, 12, 0, 13, 22, 0}, "Sunday 23:59, late.exe, \"Late\""},
        {{2026, 12, 0, 13, 23, 59}, "Monday 06:30, mon.exe, \"Mon\""},
        // Wednesday: nothing until Sunday.
        {{2026, 12, 3, 9, 12, 0}, "Sunday 23:59, late.exe, \"Late\""},
        // Monday 06:30 itself is not after now: a week is gone round to Sunday.
        {{2026, 12, 1, 14, 6, 30}, "Sunday 23:59, late.exe, \"Late\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DescribeNextTask(NextTaskDue(c.now, Reader(week))), c.expected)
            << c.now.day << " " << c.now.hour;
    }
    week[6].clear();
    const auto next = NextTaskDue({2026, 12, 1, 14, 6, 30}, Reader(week));
    ASSERT_TRUE(next);
    EXPECT_EQ(next->due, Minute(21, 6, 30)); // the same minute a week later
    EXPECT_EQ(next->task.row, 3u);

    week[0] = {"bad|X|7||x"};
    EXPECT_EQ(DescribeNextTask(NextTaskDue({2026, 12, 1, 14, 6, 30}, Reader(week))),
              "No task is scheduled");
}

// A system log that keeps what it is sent.
class KeptLog : public SystemLog {
public:
    using SystemLog::Send;
    void Send(Severity severity, const std::string& message) noexcept override {
        sent.emplace_back(severity, message);
    }
    std::vector<std::pair<Severity, std::string>> sent;
};

TEST(HistoryRecorder, ErrorsAreRecordedOncePerLineUntilItChanges) {
    test::ScopedTimeZone zone("UTC0");
    test::TempDir dir;
    HistoryWriter writer(dir.Path());
    KeptLog log;
    HistoryRecorder recorder(writer, log);
    int shown = 0;
    recorder.onRecord = [&shown](const HistoryLine&) { ++shown; };

    // Of a line that does not read as a task nothing but its EXE name is
    // kept: the rest may be a script cut off its own line.
    const std::string message = "Hour is not a valid integer value";
    const TaskLine bad = ParseTaskLine("a|b||5|pw", 3);
    const TaskLine changed = ParseTaskLine("a|b|x|5|pw", 3);
    for (int minute = 0; minute < 3; ++minute) {
        EXPECT_FALSE(recorder.RecordError(Minute(7, 7, minute), 0, bad));
    }
    recorder.RecordError(Minute(8, 7, 0), 1, bad); // another weekday
    recorder.RecordError(Minute(8, 7, 1), 1, changed);
    recorder.RecordError(Minute(8, 7, 2), 1, changed);

    const auto latest = ReadLatestRecords(dir.Path());
    ASSERT_EQ(latest.size(), 3u);
    EXPECT_EQ(latest[0].due, "2026-12-08T07:01+00:00");
    EXPECT_EQ(latest[2].day, "Mon");
    EXPECT_EQ(latest[2].detail, message);
    EXPECT_EQ(latest[2].windowTitle, "");
    EXPECT_EQ(shown, 3);
    ASSERT_EQ(log.sent.size(), 3u);
    EXPECT_EQ(log.sent[0].first, Severity::Error);
    EXPECT_EQ(log.sent[0].second, "error: Mon row 3, due 2026-12-07T07:00+00:00, EXE name "
                                  "\"a\", Window Title \"\": Hour is not a valid integer value");
    EXPECT_EQ(test::ReadBytes(dir / kHistoryFileName).find("pw"), std::string::npos);
}

TEST(HistoryRecorder, MissedTasksGoToTheFileAndTheLogAsWarnings) {
    test::ScopedTimeZone zone("UTC0");
    test::TempDir dir;
    HistoryWriter writer(dir.Path());
    KeptLog log;
    HistoryRecorder recorder(writer, log);
    Week week;
    week[0] = {"a.exe|A|7|5|x", "b.exe|B|7|6|x"};
    EXPECT_FALSE(recorder.RecordMissed(Minute(7, 7, 0), Minute(7, 7, 10), Reader(week)));
    EXPECT_EQ(ReadLatestRecords(dir.Path()).size(), 2u);
    ASSERT_EQ(log.sent.size(), 2u);
    EXPECT_EQ(log.sent[1].first, Severity::Warning);
    EXPECT_EQ(SeverityOf(Outcome::Typed), Severity::Info);
    EXPECT_EQ(SeverityOf(Outcome::Started), Severity::Info);
    EXPECT_EQ(SeverityOf(Outcome::Skipped), Severity::Warning);
}

} // namespace
} // namespace orvanel::history

namespace orvanel::history {
namespace {

// The platform's log opens without sending anything; on Windows (where the
// tests run in a throw-away Wine prefix) it also takes a record.
TEST(PlatformSystemLog, OpensAndTakesARecordWithoutThrowing) {
    const std::unique_ptr<SystemLog> log = MakePlatformSystemLog();
    ASSERT_NE(log, nullptr);
#ifdef _WIN32
    HistoryLine record;
    record.outcome = Outcome::Missed;
    record.detail = "test record";
    EXPECT_NO_THROW(log->Send(record));
#endif
}

} // namespace
} // namespace orvanel::history

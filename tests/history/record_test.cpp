// The history line of a run record, byte for byte, and its reading back.
#include <gtest/gtest.h>

#include "history/isotime.h"
#include "history/record.h"
#include "history/taskrun.h"
#include "support/timezone.h"

namespace orvanel::history {
namespace {

constexpr const char* kPlusOne = "CET-1"; // UTC+1 without summer time, on every C library

std::int64_t Minute(int year, int month, int day, int hour, int minute) {
    return DaysFromCivil({year, month, day}) * 1440 + std::int64_t{hour} * 60 + minute;
}

RunRecord Sample(Outcome outcome) {
    RunRecord record;
    record.due = Minute(2026, 12, 8, 7, 5);
    record.started = SystemTime{2026, 12, 2, 8, 7, 5, 3, 250};
    record.day = 1;
    record.row = 3;
    record.outcome = outcome;
    record.exeName = "C:\\Tools\\app.exe";
    record.windowTitle = "Untitled - Editor";
    record.detail = "window found; 3 steps, 24 key events; 1.3 s";
    return record;
}

TEST(RecordLine, EachOutcomeHasItsExactBytes) {
    test::ScopedTimeZone zone(kPlusOne);
    const std::string tail =
        "\tC:\\Tools\\app.exe\tUntitled - Editor\twindow found; 3 steps, 24 key events; 1.3 s\r\n";
    const struct {
        Outcome outcome;
        bool ran;
        const char* head;
    } cases[] = {
        {Outcome::Typed, true, "2026-12-08T07:05+01:00\t2026-12-08T07:05:03+01:00\tTue\t3\ttyped"},
        {Outcome::Started, true,
         "2026-12-08T07:05+01:00\t2026-12-08T07:05:03+01:00\tTue\t3\tstarted"},
        {Outcome::Skipped, false, "2026-12-08T07:05+01:00\t-\tTue\t3\tskipped"},
        {Outcome::Missed, false, "2026-12-08T07:05+01:00\t-\tTue\t3\tmissed"},
        {Outcome::Error, false, "2026-12-08T07:05+01:00\t-\tTue\t3\terror"},
    };
    for (const auto& c : cases) {
        RunRecord record = Sample(c.outcome);
        if (!c.ran) {
            record.started.reset();
        }
        EXPECT_EQ(FormatRecord(record), c.head + tail) << OutcomeName(c.outcome);
    }
}

TEST(RecordLine, RunByHandAndSummaryFields) {
    test::ScopedTimeZone zone(kPlusOne);
    RunRecord record = Sample(Outcome::Typed);
    record.due.reset();
    EXPECT_EQ(FormatRecord(record).substr(0, 4), "now\t");
    record = RunRecord{};
    record.due = Minute(2026, 1, 1, 0, 0);
    record.outcome = Outcome::Missed;
    record.detail = "12 more";
    EXPECT_EQ(FormatRecord(record), "2026-01-01T00:00+01:00\t-\t-\t-\tmissed\t\t\t12 more\r\n");
}

TEST(RecordLine, FieldsCannotBreakTheLineAndAreUtf8) {
    test::ScopedTimeZone zone(kPlusOne);
    RunRecord record = Sample(Outcome::Typed);
    record.exeName = "C:\\Caf\xE9\\a\tb.exe";                  // e acute in code page 1252
    record.windowTitle = std::string("x\r\ny\0z", 6) + "\x80"; // euro sign
    record.detail = "";
    const std::string line = FormatRecord(record);
    EXPECT_NE(line.find("\tC:\\Caf\xC3\xA9\\a b.exe\tx  y z\xE2\x82\xAC\t\r\n"), std::string::npos)
        << line;
    EXPECT_EQ(line.find('\n'), line.size() - 1);
}

TEST(RecordLine, RecordForLineTakesExeAndTitleButNeverTheScript) {
    const RunRecord record =
        RecordForLine(6, 4, "app.exe|Title|7|5|secret{ENTER}", Outcome::Started);
    EXPECT_EQ(record.day, 6);
    EXPECT_EQ(record.row, 5);
    EXPECT_EQ(record.exeName, "app.exe");
    EXPECT_EQ(record.windowTitle, "Title");
    EXPECT_EQ(FormatRecord(record).find("secret"), std::string::npos);
}

TEST(IsoTime, OffsetsFollowTheTimeZone) {
    const struct {
        const char* zone;
        const char* due;
        const char* started;
    } cases[] = {
        {"UTC0", "2026-12-08T07:05+00:00", "2026-12-08T07:05:03+00:00"},
        {"EST5", "2026-12-08T07:05-05:00", "2026-12-08T07:05:03-05:00"},
        {"IST-5:30", "2026-12-08T07:05+05:30", "2026-12-08T07:05:03+05:30"},
        {"NST3:30", "2026-12-08T07:05-03:30", "2026-12-08T07:05:03-03:30"},
    };
    for (const auto& c : cases) {
        test::ScopedTimeZone zone(c.zone);
        EXPECT_EQ(FormatDueMinute(Minute(2026, 12, 8, 7, 5)), c.due) << c.zone;
        EXPECT_EQ(FormatStarted(SystemTime{2026, 12, 2, 8, 7, 5, 3, 0}), c.started) << c.zone;
    }
}

TEST(IsoTime, SummerTimeChangesTheOffset) {
#ifdef _WIN32
    GTEST_SKIP() << "the C library has no rules for Central European summer time";
#endif
    test::ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(FormatDueMinute(Minute(2026, 7, 1, 12, 0)), "2026-07-01T12:00+02:00");
    EXPECT_EQ(FormatDueMinute(Minute(2026, 1, 1, 12, 0)), "2026-01-01T12:00+01:00");
    EXPECT_EQ(FormatDueMinute(Minute(2026, 3, 29, 3, 0)), "2026-03-29T03:00+02:00");
    // 02:30 never showed on that day; the text names a real instant (03:30 summer time).
    EXPECT_EQ(FormatDueMinute(Minute(2026, 3, 29, 2, 30)), "2026-03-29T02:30+01:00");
}

TEST(IsoTime, CivilDaysRoundTrip) {
    for (const CivilDate date : {CivilDate{1970, 1, 1}, CivilDate{2000, 2, 29},
                                 CivilDate{2026, 12, 31}, CivilDate{1969, 12, 31}}) {
        const CivilDate back = CivilFromDays(DaysFromCivil(date));
        EXPECT_EQ(back.year * 10000 + back.month * 100 + back.day,
                  date.year * 10000 + date.month * 100 + date.day);
    }
    EXPECT_EQ(DaysFromCivil({1970, 1, 2}), 1);
    EXPECT_EQ(DaysFromCivil({1969, 12, 31}), -1);
}

TEST(ParseRecordLine, ReadsWhatWasWrittenAndRejectsTheRest) {
    test::ScopedTimeZone zone(kPlusOne);
    std::string line = FormatRecord(Sample(Outcome::Skipped));
    line.resize(line.size() - 2);
    const auto entry = ParseRecordLine(line);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->due, "2026-12-08T07:05+01:00");
    EXPECT_EQ(entry->started, "2026-12-08T07:05:03+01:00");
    EXPECT_EQ(entry->day, "Tue");
    EXPECT_EQ(entry->row, "3");
    EXPECT_EQ(entry->outcome, Outcome::Skipped);
    EXPECT_EQ(entry->windowTitle, "Untitled - Editor");
    // The History table's columns are the line's fields, in its order.
    std::string columns;
    for (std::size_t i = 0; i < 8; ++i) {
        columns += (i == 0 ? "" : "\t") + std::string(EntryField(*entry, i));
    }
    EXPECT_EQ(columns, line);
    for (const char* bad : {"", "a\tb\tc", "1\t2\t3\t4\ttyped\t6\t7", "1\t2\t3\t4\tdone\t6\t7\t8",
                            "1\t2\t3\t4\ttyped\t6\t7\t8\t9"}) {
        EXPECT_FALSE(ParseRecordLine(bad)) << bad;
    }
}

TEST(SkippedRecordTest, TheRecordSaysWhyAndHowFarTheRunCame) {
    TaskRun run{std::nullopt, 0, 2, "e|Editor|7|0|secret", {}};
    run.result.skipped = SkipReason::ScreenLocked;
    RunRecord record = RecordOfRun(run);
    EXPECT_EQ(record.outcome, Outcome::Skipped);
    EXPECT_EQ(record.detail, "screen locked");
    run.result.skipped = SkipReason::StoppedByUser;
    run.result.windowFound = true;
    run.result.steps = 2;
    run.result.keyEvents = 6;
    record = RecordOfRun(run);
    EXPECT_EQ(record.detail, "stopped by the user; window found; 2 steps, 6 key events; 0.0 s");
    run.result = {};
    run.result.programStarted = true;
    run.result.startFailure = 2;
    run.result.skipped = SkipReason::StartFailed;
    EXPECT_EQ(RecordOfRun(run).detail,
              "the program could not be started; shell answer 2; 0 steps, 0 key events; 0.0 s");
}

} // namespace
} // namespace orvanel::history

// The history line of a run record, byte for byte, and its reading back.
#include <gtest/gtest.h>

#include "history/isotime.h"
#include "history/record.h"
#include "history/runline.h"
#include "support/timezone.h"

namespace orvanel::history {
namespace {

constexpr const char* kPlusOne = "CET-1"; // UTC+1 without summer time, on every C library

std::int64_t Minute(int year, int month, int day, int hour, int minute) {
    return DaysFromCivil({year, month, day}) * 1440 + std::int64_t{hour} * 60 + minute;
}

HistoryLine Sample(Outcome outcome, bool ran = true) {
    HistoryLine line =
        TaskHistoryLine(Minute(2026, 12, 8, 7, 5), 1,
                        ParseTaskLine("C:\\Tools\\app.exe|Untitled - Editor|7|5|secret", 3),
                        outcome, "window found; 3 steps, 24 key events; 1.3 s");
    if (ran) {
        line.started = FormatStarted(SystemTime{2026, 12, 2, 8, 7, 5, 3, 250});
    }
    return line;
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
        EXPECT_EQ(FormatHistoryLine(Sample(c.outcome, c.ran)), c.head + tail)
            << OutcomeName(c.outcome);
    }
}

TEST(RecordLine, RunByHandAndSummaryFields) {
    test::ScopedTimeZone zone(kPlusOne);
    const HistoryLine byHand =
        TaskHistoryLine(std::nullopt, 1, ParseTaskLine("a|b|1|2|", 3), Outcome::Typed, "");
    EXPECT_EQ(FormatHistoryLine(byHand).substr(0, 4), "now\t");
    EXPECT_EQ(
        FormatHistoryLine(NoteHistoryLine(Minute(2026, 1, 1, 0, 0), Outcome::Missed, "12 more")),
        "2026-01-01T00:00+01:00\t-\t-\t-\tmissed\t\t\t12 more\r\n");
}

TEST(RecordLine, FieldsCannotBreakTheLineAndAreUtf8) {
    test::ScopedTimeZone zone(kPlusOne);
    TaskLine task;
    task.row = 3;
    task.exeName = "C:\\Caf\xE9\\a\tb.exe";                  // e acute in code page 1252
    task.windowTitle = std::string("x\r\ny\0z", 6) + "\x80"; // euro sign
    HistoryLine record = TaskHistoryLine(Minute(2026, 12, 8, 7, 5), 1, task, Outcome::Typed, "");
    record.started = FormatStarted(SystemTime{2026, 12, 2, 8, 7, 5, 3, 250});
    const std::string line = FormatHistoryLine(record);
    EXPECT_NE(line.find("\tC:\\Caf\xC3\xA9\\a b.exe\tx  y z\xE2\x82\xAC\t\r\n"), std::string::npos)
        << line;
    EXPECT_EQ(line.find('\n'), line.size() - 1);
}

TEST(RecordLine, ATasksLineTakesExeAndTitleButNeverTheScript) {
    const HistoryLine line = TaskHistoryLine(
        std::nullopt, 6, ParseTaskLine("app.exe|Title|7|5|secret{ENTER}", 5), Outcome::Started, "");
    EXPECT_EQ(line.day, "Sun");
    EXPECT_EQ(line.row, "5");
    EXPECT_EQ(line.exeName, "app.exe");
    EXPECT_EQ(line.windowTitle, "Title");
    EXPECT_EQ(FormatHistoryLine(line).find("secret"), std::string::npos);
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

TEST(ParseHistoryLine, ReadsWhatWasWrittenAndRejectsTheRest) {
    test::ScopedTimeZone zone(kPlusOne);
    std::string line = FormatHistoryLine(Sample(Outcome::Skipped));
    line.resize(line.size() - 2);
    const auto entry = ParseHistoryLine(line);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->due, "2026-12-08T07:05+01:00");
    EXPECT_EQ(entry->started, "2026-12-08T07:05:03+01:00");
    EXPECT_EQ(entry->day, "Tue");
    EXPECT_EQ(entry->row, "3");
    EXPECT_EQ(entry->outcome, Outcome::Skipped);
    EXPECT_EQ(entry->windowTitle, "Untitled - Editor");
    EXPECT_EQ(*entry, Sample(Outcome::Skipped));
    // The History table's columns are the line's fields, in its order.
    std::string columns;
    for (std::size_t i = 0; i < 8; ++i) {
        columns += (i == 0 ? "" : "\t") + std::string(HistoryField(*entry, i));
    }
    EXPECT_EQ(columns, line);
    for (const char* bad : {"", "a\tb\tc", "1\t2\t3\t4\ttyped\t6\t7", "1\t2\t3\t4\tdone\t6\t7\t8",
                            "1\t2\t3\t4\ttyped\t6\t7\t8\t9"}) {
        EXPECT_FALSE(ParseHistoryLine(bad)) << bad;
    }
}

TEST(SkippedRecordTest, TheRecordSaysWhyAndHowFarTheRunCame) {
    TaskRun run;
    run.task = ParseTaskLine("e|Editor|7|0|secret", 3);
    run.day = 0;
    run.skipped = SkipReason::ScreenLocked;
    HistoryLine line = RunHistoryLine(run);
    EXPECT_EQ(line.outcome, Outcome::Skipped);
    EXPECT_EQ(line.detail, "screen locked");
    run.windowFound = true;
    run.steps = 2;
    run.keyEvents = 6;
    run.halt = HaltPoint::InStep;
    EXPECT_EQ(RunHistoryLine(run).detail,
              "screen locked during step 2; window found; 2 steps, 6 key events; 0.0 s");
    run.skipped = SkipReason::StoppedByUser;
    line = RunHistoryLine(run);
    EXPECT_EQ(line.detail, "stopped by the user; window found; 2 steps, 6 key events; 0.0 s");
    run.windowFound = false;
    run.steps = 0;
    run.keyEvents = 0;
    run.programStarted = true;
    run.startFailure = 2;
    run.skipped = SkipReason::StartFailed;
    run.halt = HaltPoint::BeforeRun;
    EXPECT_EQ(RunHistoryLine(run).detail,
              "the program could not be started; shell answer 2; 0 steps, 0 key events; 0.0 s");
}

} // namespace
} // namespace orvanel::history

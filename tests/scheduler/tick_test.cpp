#include "scheduler/scheduler.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "desktop/recording/recording.h"
#include "schedule/error.h"
#include "schedule/store.h"
#include "scheduler_fixture.h"
#include "support/tempdir.h"

namespace orvanel {
namespace {

using test::Utc;

constexpr int kMonday = 0;
constexpr int kTuesday = 1;
constexpr int kSunday = 6;

std::string Hm(int hour, int minute) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", hour % 100, minute % 100);
    return text;
}

// What the scheduler reports, kept for the test; with `failing`, every
// report of a run or a bad line throws afterwards.
struct KeptReport : SchedulerReport {
    void Examining(const LocalMinute& minute) override {
        if (examining) {
            examining(minute);
        }
    }
    void RunEnded(const TaskRun& run) override {
        runs.push_back(run);
        if (failing) {
            throw std::runtime_error("history full");
        }
    }
    void LineFailed(const LineError& error) override {
        lineErrors.push_back(error);
        if (failing) {
            throw std::runtime_error("history full");
        }
    }
    void Missed(std::int64_t first, std::int64_t last) override {
        missed.emplace_back(first, last);
    }

    std::function<void(const LocalMinute&)> examining;
    std::vector<TaskRun> runs;
    std::vector<LineError> lineErrors;
    std::vector<std::pair<std::int64_t, std::int64_t>> missed;
    bool failing = false;
};

// A week of day lists held by the test, and the scheduler on the recording
// desktop. Every task names a window that exists, so a run shows in the
// record as "find TITLE = H" and takes no time unless its script waits.
class TickTest : public ::testing::Test {
protected:
    TickTest() : zone_(test::kUtcZone) { scheduler.SetReport(&report); }

    void AddTask(int day, const std::string& title, const std::string& hour,
                 const std::string& minute, const std::string& script = "") {
        week[static_cast<std::size_t>(day)].push_back("prog.exe|" + title + "|" + hour + "|" +
                                                      minute + "|" + script);
        if (windows_.insert(title).second && !title.empty()) {
            desktop.AddWindow(title);
        }
    }
    void AddTask(int day, const std::string& title, int hour, int minute,
                 const std::string& script = "") {
        AddTask(day, title, std::to_string(hour), std::to_string(minute), script);
    }
    // A task for every minute of the day in every list, titled "HH:MM".
    void AddTaskEveryMinute() {
        for (int day = 0; day < 7; ++day) {
            for (int h = 0; h < 24; ++h) {
                for (int m = 0; m < 60; ++m) {
                    AddTask(day, Hm(h, m), h, m);
                }
            }
        }
    }

    // The titles of the tasks run since the last call.
    std::vector<std::string> Ran() {
        std::vector<std::string> titles;
        for (const std::string& line : desktop.Lines()) {
            if (line.rfind("find ", 0) == 0) {
                titles.push_back(line.substr(5, line.rfind(" = ") - 5));
            }
        }
        desktop.ClearRecord();
        return titles;
    }

    // Ticks and returns the message of the error it throws ("" for none).
    std::string TickAt(std::int64_t epochMilliseconds) {
        desktop.SetNow(epochMilliseconds);
        return TickNow();
    }
    // A test that guards against a tick without end throws something other
    // than Error from the desktop; it shows here as that message.
    std::string TickNow() {
        try {
            scheduler.Tick();
        } catch (const std::exception& error) {
            return error.what();
        }
        return "";
    }

    test::ScopedTimeZone zone_;
    RecordingDesktop desktop;
    KeyOutput keys{desktop};
    std::array<std::vector<std::string>, 7> week;
    std::string delay = "0";
    std::set<std::string> windows_;
    KeptReport report;
    Scheduler scheduler{keys,
                        [this](int day) -> const std::vector<std::string>& { return week.at(day); },
                        [this] { return delay; }};
};

// 2026-01-05 is a Monday, 2026-01-06 a Tuesday.
std::int64_t Monday(int hour, int minute, int second = 0) {
    return Utc(2026, 1, 5, hour, minute, second);
}
std::int64_t Tuesday(int hour, int minute, int second = 0) {
    return Utc(2026, 1, 6, hour, minute, second);
}

TEST_F(TickTest, TheStartMinuteIsNotExaminedTheNextOneIs) {
    AddTask(kMonday, "seven", 7, 0);
    AddTask(kMonday, "seven-one", 7, 1);
    desktop.SetNow(Monday(7, 0, 10));
    scheduler.Start();
    EXPECT_EQ(TickAt(Monday(7, 0, 50)), "");
    EXPECT_TRUE(Ran().empty());
    EXPECT_EQ(TickAt(Monday(7, 1, 5)), "");
    EXPECT_EQ(Ran(), std::vector<std::string>{"seven-one"});
    EXPECT_EQ(TickAt(Monday(7, 1, 59)), "");
    EXPECT_TRUE(Ran().empty()) << "a second tick in a minute runs nothing again";
}

TEST_F(TickTest, WithoutStartTheFirstTickExaminesItsMinute) {
    AddTask(kMonday, "now", 7, 0);
    EXPECT_EQ(TickAt(Monday(7, 0, 30)), "");
    EXPECT_EQ(Ran(), std::vector<std::string>{"now"});
}

TEST_F(TickTest, DueWhateverTheSecondsAndTheWrittenForm) {
    AddTask(kMonday, "plain", "7", "5");
    AddTask(kMonday, "zeros", "07", "05");
    AddTask(kMonday, "blanks", "  7", "   5");
    AddTask(kMonday, "signed-hex", "+7", "$5");
    AddTask(kMonday, "evening", "19", "5");
    AddTask(kMonday, "other-minute", "7", "6");
    desktop.SetNow(Monday(7, 4, 0));
    scheduler.Start();
    EXPECT_EQ(TickAt(Monday(7, 5, 59)), "");
    EXPECT_EQ(Ran(), (std::vector<std::string>{"plain", "zeros", "blanks", "signed-hex"}));
}

TEST_F(TickTest, EmptyListChangesNothing) {
    desktop.SetNow(Monday(7, 0));
    scheduler.Start();
    EXPECT_EQ(TickAt(Monday(7, 1)), "");
    EXPECT_TRUE(desktop.Lines().empty());
    EXPECT_EQ(scheduler.LastExamined(), CivilMinute(2026, 1, 5, 7, 1));
}

TEST_F(TickTest, DueLinesRunInListOrderEvenWhenTheFirstRunsPastTheMinute) {
    delay = "70000";
    AddTask(kMonday, "first", 7, 5, "a");
    AddTask(kMonday, "not-due", 7, 6);
    AddTask(kMonday, "second", 7, 5, "b");
    AddTask(kMonday, "first", 7, 5); // a line that occurs twice runs twice
    desktop.SetNow(Monday(7, 4, 30));
    scheduler.Start();
    EXPECT_EQ(TickAt(Monday(7, 5, 30)), "");
    // first (70 s) and second (70 s) took the clock to 07:07:50; the tick
    // then caught up 07:06 (not-due runs) and 07:07.
    EXPECT_EQ(Ran(), (std::vector<std::string>{"first", "second", "first", "not-due"}));
    EXPECT_EQ(scheduler.LastExamined(), CivilMinute(2026, 1, 5, 7, 7));
}

TEST_F(TickTest, ATaskOf70SecondsDoesNotLoseTheNextMinutesTask) {
    delay = "70000";
    AddTask(kMonday, "long", 10, 0, "x");
    AddTask(kMonday, "next", 10, 1);
    AddTask(kMonday, "after", 10, 2);
    desktop.SetNow(Monday(9, 59, 58));
    scheduler.Start();
    // The tick comes at 10:00:58; the long task ends at 10:02:08.
    EXPECT_EQ(TickAt(Monday(10, 0, 58)), "");
    EXPECT_EQ(Ran(), (std::vector<std::string>{"long", "next", "after"}));
    // The timer's next ticks find nothing left to do in these minutes.
    EXPECT_EQ(TickNow(), "");
    EXPECT_EQ(TickAt(Monday(10, 2, 58)), "");
    EXPECT_TRUE(Ran().empty());
}

TEST_F(TickTest, ATickDuringATaskRunLeavesTheMinutesToTheRunningTick) {
    delay = "30000";
    AddTask(kMonday, "long", 10, 0, "a;b;c");
    AddTask(kMonday, "next", 10, 1);
    int nested = 0;
    desktop.onSleep = [&](std::uint32_t) {
        ++nested;
        scheduler.Tick(); // a timer event delivered while the task waits
    };
    desktop.SetNow(Monday(9, 59, 50));
    scheduler.Start();
    EXPECT_EQ(TickAt(Monday(10, 0, 50)), "");
    EXPECT_EQ(nested, 3);
    // "next" ran after the whole script of "long", not between its steps.
    const std::vector<std::string>& lines = desktop.Lines();
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[lines.size() - 5], "sleep 30000");
    EXPECT_EQ(lines[lines.size() - 4], "find next = 2");
    EXPECT_EQ(Ran(), (std::vector<std::string>{"long", "next"}));
}

TEST_F(TickTest, ARunLongerThanFiveMinutesSkipsTheMinutesItCovered) {
    delay = "420000"; // 7 minutes
    AddTask(kMonday, "seven-minutes", 10, 0, "x");
    AddTask(kMonday, "covered", 10, 3);
    AddTask(kMonday, "current", 10, 7);
    desktop.SetNow(Monday(9, 59, 50));
    scheduler.Start();
    EXPECT_EQ(TickAt(Monday(10, 0, 50)), "");
    EXPECT_EQ(Ran(), (std::vector<std::string>{"seven-minutes", "current"}));
}

// A minute is run only while it is at most five minutes old, judged when it
// comes up, not when the tick began.
TEST_F(TickTest, AMinuteThatComesUpTooLateIsMissedNotRun) {
    delay = "1200000"; // 20 minutes
    AddTask(kMonday, "twenty-minutes", 10, 0, "x");
    AddTask(kMonday, "too-late", 10, 1);
    AddTask(kMonday, "current", 10, 21);
    desktop.SetNow(Monday(9, 59, 30));
    scheduler.Start();
    EXPECT_EQ(TickAt(Monday(10, 1, 10)), "");
    EXPECT_EQ(Ran(), (std::vector<std::string>{"twenty-minutes", "current"}));
    const std::int64_t tenOne = CivilMinute(2026, 1, 5, 10, 1);
    EXPECT_EQ(report.missed, (decltype(report.missed){{tenOne, tenOne + 19}}));
}

// The bound to the second: the minute after a run of 5 min 10 s is missed,
// and the catch-up goes on with the minute after it.
TEST_F(TickTest, AMinuteReachedFiveMinutesTenSecondsLateIsMissed) {
    delay = "310000";
    AddTask(kMonday, "long", 10, 1, "x");
    AddTask(kMonday, "missed", 10, 2);
    AddTask(kMonday, "caught-up", 10, 3);
    desktop.SetNow(Monday(10, 0, 30));
    scheduler.Start();
    EXPECT_EQ(TickAt(Monday(10, 2, 0)), "");
    EXPECT_EQ(Ran(), (std::vector<std::string>{"long", "caught-up"}));
    const std::int64_t tenTwo = CivilMinute(2026, 1, 5, 10, 2);
    EXPECT_EQ(report.missed, (decltype(report.missed){{tenTwo, tenTwo}}));
}

// Every minute has a task that runs past the next minute: the tick goes
// back to the event loop after one further pass, and the next timer event
// carries on from the last minute examined.
TEST_F(TickTest, ATickReturnsWhenEveryTaskRunsPastTheNextMinute) {
    delay = "70000";
    for (int m = 0; m < 60; ++m) {
        AddTask(kMonday, Hm(10, m), 10, m, "x");
    }
    int runs = 0;
    desktop.onSleep = [&](std::uint32_t) {
        if (++runs > 10) {
            throw std::length_error("the tick does not return");
        }
    };
    desktop.SetNow(Monday(9, 59, 30));
    scheduler.Start();
    EXPECT_EQ(TickAt(Monday(10, 0, 30)), "");
    EXPECT_EQ(Ran(), (std::vector<std::string>{"10:00", "10:01"}));
    EXPECT_EQ(TickNow(), ""); // at 10:02:50
    EXPECT_EQ(Ran(), (std::vector<std::string>{"10:02", "10:03", "10:04"}));
    EXPECT_TRUE(report.missed.empty());
}

TEST_F(TickTest, Hour24Minute60AndNegativesNeverRunAndRaiseNothing) {
    AddTask(kMonday, "h24", 24, 0);
    AddTask(kMonday, "m60", 7, 60);
    AddTask(kMonday, "h-1", -1, 5);
    AddTask(kMonday, "m-1", 7, -1);
    AddTask(kMonday, "h31", 31, 5);
    desktop.SetNow(Monday(0, 0));
    scheduler.Start();
    for (int minute = 1; minute < 24 * 60; ++minute) {
        ASSERT_EQ(TickAt(Monday(0, 0) + minute * 60000LL + 1000), "") << minute;
    }
    EXPECT_TRUE(Ran().empty());
}

TEST_F(TickTest, EmptyHourRaisesAtEveryTickOfItsWeekdayAndHidesTheLinesAfterIt) {
    AddTask(kMonday, "before", 7, 5);
    AddTask(kMonday, "broken", "", "5");
    AddTask(kMonday, "after", 7, 5);
    AddTask(kTuesday, "tuesday", 7, 5);
    desktop.SetNow(Monday(7, 0));
    scheduler.Start();
    for (int minute = 1; minute <= 10; ++minute) {
        EXPECT_EQ(TickAt(Monday(7, minute, 30)), "'' is not a valid integer value") << minute;
    }
    EXPECT_EQ(Ran(), std::vector<std::string>{"before"});
    EXPECT_EQ(TickAt(Monday(7, 10, 45)), "") << "a tick that examines no new minute";
    desktop.SetNow(Tuesday(7, 0));
    scheduler.Start();
    EXPECT_EQ(TickAt(Tuesday(7, 5)), "");
    EXPECT_EQ(Ran(), std::vector<std::string>{"tuesday"});
}

TEST_F(TickTest, BothFieldsMalformedReportsTheHour) {
    AddTask(kMonday, "both", "7h", "5m");
    AddTask(kMonday, "minute", "7", " 5 ");
    desktop.SetNow(Monday(7, 0));
    scheduler.Start();
    EXPECT_EQ(TickAt(Monday(7, 1)), "'7h' is not a valid integer value");
    week[kMonday].erase(week[kMonday].begin());
    EXPECT_EQ(TickAt(Monday(7, 2)), "' 5 ' is not a valid integer value");
}

TEST_F(TickTest, EmptyLineRaisesLikeAnEmptyHour) {
    week[kMonday].push_back("");
    desktop.SetNow(Monday(7, 0));
    scheduler.Start();
    EXPECT_EQ(TickAt(Monday(7, 1)), "'' is not a valid integer value");
}

TEST_F(TickTest, AMalformedLineLosesNoLaterMinuteOfACatchUp) {
    AddTask(kMonday, "three", 7, 3);
    AddTask(kMonday, "four", 7, 4);
    AddTask(kMonday, "bad", "x", "0");
    AddTask(kMonday, "hidden", 7, 4);
    std::vector<int> examined;
    report.examining = [&](const LocalMinute& minute) { examined.push_back(minute.minute); };
    desktop.SetNow(Monday(7, 2));
    scheduler.Start();
    // One late tick covers 07:03 and 07:04; each ends at the bad line, the
    // first error is reported once at the end.
    EXPECT_EQ(TickAt(Monday(7, 4, 10)), "'x' is not a valid integer value");
    EXPECT_EQ(examined, (std::vector<int>{3, 4}));
    EXPECT_EQ(Ran(), (std::vector<std::string>{"three", "four"}));
    // Both minutes count as examined.
    EXPECT_EQ(TickAt(Monday(7, 4, 50)), "");
    EXPECT_EQ(examined.size(), 2u);
}

TEST_F(TickTest, MidnightSwitchesTheList) {
    AddTask(kMonday, "mon 23:59", 23, 59);
    AddTask(kMonday, "mon 00:00", 0, 0);
    AddTask(kTuesday, "tue 23:59", 23, 59);
    AddTask(kTuesday, "tue 00:00", 0, 0);
    desktop.SetNow(Monday(23, 58, 30));
    scheduler.Start();
    EXPECT_EQ(TickAt(Monday(23, 59, 30)), "");
    EXPECT_EQ(Ran(), std::vector<std::string>{"mon 23:59"});
    EXPECT_EQ(TickAt(Tuesday(0, 0, 30)), "");
    EXPECT_EQ(Ran(), std::vector<std::string>{"tue 00:00"});
}

TEST_F(TickTest, ACatchUpOverMidnightUsesEachMinutesOwnWeekday) {
    AddTask(kMonday, "mon 23:59", 23, 59);
    AddTask(kMonday, "mon 00:00", 0, 0);
    AddTask(kTuesday, "tue 23:59", 23, 59);
    AddTask(kTuesday, "tue 00:00", 0, 0);
    desktop.SetNow(Monday(23, 58, 30));
    scheduler.Start();
    EXPECT_EQ(TickAt(Tuesday(0, 1, 2)), "");
    EXPECT_EQ(Ran(), (std::vector<std::string>{"mon 23:59", "tue 00:00"}));
}

TEST_F(TickTest, SundayAndSaturdayLists) {
    AddTask(kSunday, "sunday", 12, 0);
    AddTask(5, "saturday", 12, 0);
    desktop.SetNow(Utc(2026, 1, 10, 11, 59, 30)); // Saturday
    scheduler.Start();
    EXPECT_EQ(TickAt(Utc(2026, 1, 10, 12, 0, 30)), "");
    EXPECT_EQ(Ran(), std::vector<std::string>{"saturday"});
    desktop.SetNow(Utc(2026, 1, 11, 11, 59, 30));
    scheduler.Start();
    EXPECT_EQ(TickAt(Utc(2026, 1, 11, 12, 0, 30)), "");
    EXPECT_EQ(Ran(), std::vector<std::string>{"sunday"});
}

TEST_F(TickTest, LinesBeyondTheGridRowsRun) {
    for (int i = 0; i < 29; ++i) {
        AddTask(kMonday, "filler " + std::to_string(i), 3, 0);
    }
    AddTask(kMonday, "row 30", 7, 5);
    desktop.SetNow(Monday(7, 4));
    scheduler.Start();
    EXPECT_EQ(TickAt(Monday(7, 5)), "");
    EXPECT_EQ(Ran(), std::vector<std::string>{"row 30"});
}

TEST_F(TickTest, LongLinesAreCutTo255CharactersBeforeTheyAreReadAndRun) {
    const std::string line = "p.exe|W|7|5|" + std::string(300, 'a');
    week[kMonday].push_back(line);
    week[kMonday].push_back(std::string(253, 'x') + "|W|7|5|"); // Hour lies beyond 255
    desktop.AddWindow("W");
    desktop.SetNow(Monday(7, 4));
    scheduler.Start();
    // The second line's Hour reads as empty.
    EXPECT_EQ(TickAt(Monday(7, 5)), "'' is not a valid integer value");
    int count = 0;
    for (const std::string& record : desktop.Lines()) {
        count += record.rfind("down ", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(count, 255 - 12);
}

TEST_F(TickTest, TheListsAreReadAsTheyStandAtTheTick) {
    AddTask(kMonday, "old", 7, 5);
    desktop.SetNow(Monday(7, 3));
    scheduler.Start();
    EXPECT_EQ(TickAt(Monday(7, 4)), "");
    week[kMonday].clear();
    AddTask(kMonday, "new", 7, 5);
    EXPECT_EQ(TickAt(Monday(7, 5)), "");
    EXPECT_EQ(Ran(), std::vector<std::string>{"new"});
}

TEST_F(TickTest, ClockSetBackTenMinutesRunsNothingTwice) {
    AddTaskEveryMinute();
    desktop.SetNow(Monday(7, 0, 20));
    scheduler.Start();
    for (int minute = 1; minute <= 20; ++minute) {
        ASSERT_EQ(TickAt(Monday(7, minute, 20)), "");
    }
    EXPECT_EQ(Ran().size(), 20u);
    for (int minute = 10; minute <= 20; ++minute) {
        ASSERT_EQ(TickAt(Monday(7, minute, 30)), "");
        EXPECT_TRUE(Ran().empty()) << minute;
    }
    EXPECT_EQ(TickAt(Monday(7, 21, 30)), "");
    EXPECT_EQ(Ran(), std::vector<std::string>{"07:21"});
}

TEST_F(TickTest, ClockSetBackADayStartsAfresh) {
    AddTaskEveryMinute();
    int examined = 0;
    report.examining = [&](const LocalMinute&) { ++examined; };
    desktop.SetNow(Tuesday(7, 19, 30));
    scheduler.Start();
    EXPECT_EQ(TickAt(Tuesday(7, 20, 30)), "");
    EXPECT_EQ(Ran(), std::vector<std::string>{"07:20"});
    // Set back a day (and more than three hours in any case): the current
    // minute is examined at once, and the following minutes go on as usual.
    EXPECT_EQ(TickAt(Monday(7, 21, 10)), "");
    EXPECT_EQ(Ran(), std::vector<std::string>{"07:21"});
    EXPECT_EQ(scheduler.LastExamined(), CivilMinute(2026, 1, 5, 7, 21));
    EXPECT_EQ(TickAt(Monday(7, 22, 10)), "");
    EXPECT_EQ(Ran(), std::vector<std::string>{"07:22"});
    EXPECT_TRUE(report.missed.empty()) << "a backward jump misses nothing";
    EXPECT_EQ(examined, 3) << "one minute at each tick";
}

TEST_F(TickTest, ClockSetBackThreeHoursWaitsMoreStartsAfresh) {
    AddTaskEveryMinute();
    desktop.SetNow(Monday(10, 0, 30));
    scheduler.Start();
    EXPECT_EQ(TickAt(Monday(7, 0, 30)), "");
    EXPECT_TRUE(Ran().empty());
    EXPECT_EQ(TickAt(Monday(6, 59, 30)), "");
    EXPECT_EQ(Ran(), std::vector<std::string>{"06:59"});
}

TEST_F(TickTest, ClockSetForwardTwoHoursDoesNotCatchUp) {
    AddTaskEveryMinute();
    desktop.SetNow(Monday(7, 19, 30));
    scheduler.Start();
    EXPECT_EQ(TickAt(Monday(7, 20, 30)), "");
    EXPECT_EQ(TickAt(Monday(9, 20, 30)), "");
    EXPECT_EQ(Ran(), (std::vector<std::string>{"07:20", "09:20"}));
    EXPECT_EQ(report.missed, (decltype(report.missed){{CivilMinute(2026, 1, 5, 7, 21),
                                                       CivilMinute(2026, 1, 5, 9, 19)}}));
    EXPECT_EQ(TickAt(Monday(9, 21, 30)), "");
    EXPECT_EQ(Ran(), std::vector<std::string>{"09:21"});
}

// Ticks at 60 s intervals with up to 3 s of jitter either way, some of them
// late by up to three minutes, and now and then a task that runs for a while.
// `tick` is called at every tick time.
void SimulateTicks(RecordingDesktop& desktop, std::int64_t start, int count, unsigned seed,
                   const std::function<void()>& tick) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> jitter(-3000, 3000);
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> late(1000, 180000);
    for (int k = 1; k <= count; ++k) {
        std::int64_t at = start + k * 60000LL + jitter(random);
        if (percent(random) < 5) {
            at += late(random);
        }
        if (at > desktop.Now()) {
            desktop.SetNow(at);
        }
        tick();
    }
}

TEST_F(TickTest, JitteredAndLateTicksExamineEveryMinuteOnceOver10000Minutes) {
    std::vector<LocalMinute> examined;
    std::mt19937 random(7);
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> runLength(1000, 100000);
    report.examining = [&](const LocalMinute& minute) {
        examined.push_back(minute);
        if (percent(random) < 3) {
            desktop.Advance(runLength(random)); // a task that runs a while
        }
    };
    const std::int64_t start = Monday(7, 0, 31);
    desktop.SetNow(start);
    scheduler.Start();
    // How many ticks examined 0, 1, 2, ... minutes: the simulation has to
    // give ticks that share a minute and ticks that come after a gap.
    std::map<std::size_t, int> perTick;
    SimulateTicks(desktop, start, 10000, 42, [&] {
        const std::size_t before = examined.size();
        ASSERT_EQ(TickNow(), "");
        ++perTick[examined.size() - before];
    });
    EXPECT_GT(perTick[0], 100);
    EXPECT_GT(perTick[2], 100);
    EXPECT_GT(perTick[4] + perTick[5], 0);

    const std::int64_t first = CivilMinute(2026, 1, 5, 7, 1);
    const std::int64_t last = CivilMinute(desktop.GetLocalTime());
    ASSERT_GE(last - first + 1, 10000);
    ASSERT_EQ(examined.size(), static_cast<std::size_t>(last - first + 1));
    for (std::size_t i = 0; i < examined.size(); ++i) {
        const LocalMinute expected = DecodeCivilMinute(first + static_cast<std::int64_t>(i));
        ASSERT_EQ(examined[i], expected) << i;
    }
}

TEST_F(TickTest, JitteredTicksRunEveryMinutesTaskOnceOverTwoDays) {
    AddTaskEveryMinute();
    const std::int64_t start = Monday(23, 0, 2);
    desktop.SetNow(start);
    scheduler.Start();
    std::vector<std::string> ran;
    SimulateTicks(desktop, start, 3000, 9, [&] {
        ASSERT_EQ(TickNow(), "");
        for (std::string& title : Ran()) {
            ran.push_back(std::move(title));
        }
    });
    const std::int64_t first = CivilMinute(2026, 1, 5, 23, 1);
    const std::int64_t last = CivilMinute(desktop.GetLocalTime());
    ASSERT_EQ(ran.size(), static_cast<std::size_t>(last - first + 1));
    for (std::size_t i = 0; i < ran.size(); ++i) {
        const LocalMinute minute = DecodeCivilMinute(first + static_cast<std::int64_t>(i));
        ASSERT_EQ(ran[i], Hm(minute.hour, minute.minute)) << i;
    }
}

// Summer time in Europe/Berlin, 2026: on Sunday 29 March the clock goes
// from 01:59 to 03:00 (at 01:00 UTC); on Sunday 25 October it goes from
// 02:59 summer time back to 02:00 (at 01:00 UTC).
class SummerTimeTest : public TickTest {
protected:
    SummerTimeTest() : berlin_(test::BerlinZone()) {}
    void SetUp() override {
#ifdef _WIN32
        GTEST_SKIP() << "the C library has no rules for Europe/Berlin";
#endif
    }
    test::ScopedTimeZone berlin_;
};

TEST_F(SummerTimeTest, TheZoneIsInForce) {
    desktop.SetNow(Utc(2026, 3, 29, 0, 59));
    EXPECT_EQ(desktop.GetLocalTime().hour, 1);
    desktop.SetNow(Utc(2026, 3, 29, 1, 0));
    EXPECT_EQ(desktop.GetLocalTime().hour, 3);
    desktop.SetNow(Utc(2026, 10, 25, 0, 30));
    EXPECT_EQ(desktop.GetLocalTime().hour, 2);
    desktop.SetNow(Utc(2026, 10, 25, 1, 30));
    EXPECT_EQ(desktop.GetLocalTime().hour, 2);
}

TEST_F(SummerTimeTest, SpringForwardRunsTheTasksOnEitherSideOfTheGap) {
    AddTask(kSunday, "01:58", 1, 58);
    AddTask(kSunday, "01:59", 1, 59);
    AddTask(kSunday, "02:30", 2, 30);
    AddTask(kSunday, "03:00", 3, 0);
    AddTask(kSunday, "03:01", 3, 1);
    for (const int second : {1, 30, 58}) {
        SCOPED_TRACE(second);
        desktop.SetNow(Utc(2026, 3, 29, 0, 50, second)); // 01:50 CET
        scheduler.Start();
        for (int k = 1; k <= 15; ++k) {
            ASSERT_EQ(TickAt(Utc(2026, 3, 29, 0, 50, second) + k * 60000LL), "");
        }
        EXPECT_EQ(Ran(), (std::vector<std::string>{"01:58", "01:59", "03:00", "03:01"}));
    }
}

TEST_F(SummerTimeTest, FallBackRunsTheRepeatedHourOnce) {
    AddTask(kSunday, "01:59", 1, 59);
    AddTask(kSunday, "02:00", 2, 0);
    AddTask(kSunday, "02:30", 2, 30);
    AddTask(kSunday, "02:59", 2, 59);
    AddTask(kSunday, "03:00", 3, 0);
    AddTask(kSunday, "03:01", 3, 1);
    desktop.SetNow(Utc(2026, 10, 24, 23, 58, 40)); // 01:58 CEST
    scheduler.Start();
    std::vector<std::string> ran;
    SimulateTicks(desktop, Utc(2026, 10, 24, 23, 58, 40), 125, 3, [&] {
        ASSERT_EQ(TickNow(), "");
        for (std::string& title : Ran()) {
            ran.push_back(std::move(title));
        }
    });
    EXPECT_EQ(ran,
              (std::vector<std::string>{"01:59", "02:00", "02:30", "02:59", "03:00", "03:01"}));
}

TEST_F(TickTest, TestButtonRunsTheFirstTuesdayLine) {
    AddTask(kMonday, "monday", 1, 1);
    EXPECT_THROW(
        {
            try {
                scheduler.TestFirstTuesdayLine();
            } catch (const Error& error) {
                EXPECT_STREQ(error.what(), "List index out of bounds");
                throw;
            }
        },
        Error);
    EXPECT_TRUE(desktop.Lines().empty());

    delay = "250";
    AddTask(kTuesday, "first", "99", "x", "a;b");
    AddTask(kTuesday, "second", 1, 1);
    scheduler.TestFirstTuesdayLine();
    std::vector<std::string> expected = {"find first = 2", "show 2 1", "foreground 2",
                                         "message 2 7 0 0"};
    test::Append(expected, test::KeysOf("a"));
    expected.emplace_back("sleep 250");
    test::Append(expected, test::KeysOf("b"));
    expected.emplace_back("sleep 250");
    EXPECT_EQ(desktop.Lines(), expected);
}

TEST_F(TickTest, TestButtonCutsTheLineTo255Characters) {
    week[kTuesday].push_back("p.exe|W|1|1|" + std::string(300, 'a'));
    desktop.AddWindow("W");
    scheduler.TestFirstTuesdayLine();
    int count = 0;
    for (const std::string& record : desktop.Lines()) {
        count += record.rfind("down ", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(count, 255 - 12);
}

TEST(SchedulerOnStore, ReadsTheStoresListsAndScriptDelay) {
    test::ScopedTimeZone zone(test::kUtcZone);
    test::TempDir dir;
    test::WriteBytes(dir / "schedule.ini", "Script Delay (mSecs):\r\n250\r\n");
    test::WriteBytes(dir / "monlist.ini", "w.exe|W|7|5|a\r\n");
    MemoryScheduleView view;
    ScheduleStore store(view, dir.Path());
    RecordingDesktop desktop;
    KeyOutput keys(desktop);
    desktop.AddWindow("W");
    Scheduler scheduler(keys, store);

    // Before the store has its lists, every day list is empty.
    desktop.SetNow(Monday(7, 4));
    scheduler.Start();
    desktop.SetNow(Monday(7, 5));
    EXPECT_NO_THROW(scheduler.Tick());
    EXPECT_TRUE(desktop.Lines().empty());
    EXPECT_THROW(scheduler.TestFirstTuesdayLine(), Error);

    store.StartUp();
    desktop.SetNow(Monday(7, 4));
    scheduler.Start();
    desktop.SetNow(Monday(7, 5, 30));
    scheduler.Tick();
    std::vector<std::string> expected = {"find W = 1", "show 1 1", "foreground 1",
                                         "message 1 7 0 0"};
    test::Append(expected, test::KeysOf("a"));
    expected.emplace_back("sleep 250");
    EXPECT_EQ(desktop.Lines(), expected);
}

} // namespace
} // namespace orvanel

namespace orvanel {
namespace {

TEST_F(TickTest, ReportsGetTheMinuteDayAndRowAndCannotStopTheTick) {
    AddTask(kTuesday, "one", 7, 5, "ab");
    AddTask(kTuesday, "skip", 7, 6);
    AddTask(kTuesday, "two", 7, 5);
    AddTask(kTuesday, "bad", "x", "5");
    report.failing = true;
    desktop.SetNow(Tuesday(7, 4));
    scheduler.Start();
    EXPECT_EQ(TickAt(Tuesday(7, 5, 20)), "'x' is not a valid integer value");
    EXPECT_EQ(Ran(), (std::vector<std::string>{"one", "two"}));
    const std::vector<TaskRun>& runs = report.runs;
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[1].due, CivilMinute(2026, 1, 6, 7, 5));
    EXPECT_EQ(runs[1].day, kTuesday);
    EXPECT_EQ(runs[1].task.row, 3u);
    EXPECT_EQ(runs[0].keyEvents, 4u);
    EXPECT_EQ(runs[0].steps, 1);
    EXPECT_EQ(runs[0].started.second, 20);
    EXPECT_TRUE(runs[0].windowFound);
    ASSERT_EQ(report.lineErrors.size(), 1u);
    EXPECT_EQ(report.lineErrors[0].task.row, 4u);
    EXPECT_EQ(report.lineErrors[0].task.windowTitle, "bad");
    EXPECT_EQ(report.lineErrors[0].task.time.error, "'x' is not a valid integer value");
}

} // namespace
} // namespace orvanel

#include <gtest/gtest.h>

#include "lateness_probe.h"

namespace {

constexpr qint64 kMs = 1'000'000;

// gui_latency's figures are the lateness of a 5 ms timer against the schedule the timer itself
// keeps. A late firing must count once: the firings after it are due on the old grid while it
// was less than an interval late, and one interval after it when it was later.
TEST(TimerSchedule, EachFiringIsMeasuredAgainstWhenTheTimerMeantToFire) {
    const struct {
        const char* what;
        QList<qint64> firedMs;  // after the start
        QList<qint64> lateMs;
    } cases[] = {
        {"on time", {5, 10, 15}, {0, 0, 0}},
        {"a little late, then back on the grid", {5, 13, 15, 20}, {0, 3, 0, 0}},
        {"blocked for 100 ms, due again 5 ms after", {5, 105, 110, 116}, {0, 95, 0, 1}},
        {"later than an interval, due again 5 ms after", {5, 17, 22}, {0, 7, 0}},
        {"read early by the handler", {4, 10}, {0, 0}},
    };
    for (const auto& c : cases) {
        TimerSchedule schedule(1000 * kMs, 5 * kMs);
        QList<qint64> late;
        for (const qint64 at : c.firedMs) {
            late << schedule.fired((1000 + at) * kMs) / kMs;
        }
        EXPECT_EQ(late, c.lateMs) << c.what;
    }
}

TEST(Lateness, SummaryTakesNearestRankPercentilesInMilliseconds) {
    QList<qint64> oneToHundred;
    for (qint64 i = 100; i >= 1; --i) {
        oneToHundred << i * kMs;
    }
    const struct {
        const char* what;
        QList<qint64> samplesNs;
        double p50, p99, max;
        qsizetype count;
    } cases[] = {
        {"1 to 100 ms, unsorted", oneToHundred, 50, 99, 100, 100},
        {"one sample", {kMs / 2}, 0.5, 0.5, 0.5, 1},
        {"one long stall among quick ones", QList<qint64>(199, kMs / 10) << 300 * kMs, 0.1, 0.1,
         300, 200},
        {"none", {}, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const LatenessFigures f = summarize(c.samplesNs);
        EXPECT_DOUBLE_EQ(f.p50Ms, c.p50) << c.what;
        EXPECT_DOUBLE_EQ(f.p99Ms, c.p99) << c.what;
        EXPECT_DOUBLE_EQ(f.maxMs, c.max) << c.what;
        EXPECT_EQ(f.samples, c.count) << c.what;
    }
}

}  // namespace

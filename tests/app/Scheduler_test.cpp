#include "app/Scheduler.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TDateTime At(int H, int M, int S, int MS, TDateTime Day) { return Day + EncodeTime(H, M, S, MS); }

const TDateTime Past = EncodeDate(2026, 3, 2);
const TDateTime Today = EncodeDate(2026, 12, 7);

bool SameMoment(TDateTime A, TDateTime B) { return std::fabs(A - B) < 1e-6 / 86400 * 1e3; }

TEST(ScheduleDueMoment, HourlyIsDueInTheTenSecondsBeforeEachFullHour) {
    const TDateTime start = EncodeTime(10, 0, 0, 0);
    for (TDateTime startDate : {Past, TDateTime(0)}) {
        SCOPED_TRACE(startDate);
        auto due = ScheduleDueMoment(1, startDate, start, At(14, 59, 50, 500, Today));
        ASSERT_TRUE(due.has_value());
        EXPECT_TRUE(SameMoment(*due, At(15, 0, 0, 0, Today)));
        due = ScheduleDueMoment(1, startDate, start, At(14, 59, 59, 900, Today));
        ASSERT_TRUE(due.has_value());
        EXPECT_TRUE(SameMoment(*due, At(15, 0, 0, 0, Today)));
        EXPECT_FALSE(ScheduleDueMoment(1, startDate, start, At(14, 59, 49, 500, Today)));
        // A moment after the full hour the stepping has moved on to the next hour.
        EXPECT_FALSE(ScheduleDueMoment(1, startDate, start, At(15, 0, 0, 500, Today)));
        EXPECT_FALSE(ScheduleDueMoment(1, startDate, start, At(15, 30, 0, 0, Today)));
    }
}

TEST(ScheduleDueMoment, HourlyMatchesSteppingAnHourAtATime) {
    // The counted steps give the moment repeated addition gives, to within a millisecond,
    // across a day of instants a few seconds apart and start times with odd seconds.
    const TDateTime startDate = EncodeDate(2026, 11, 30);
    const TDateTime startTime = EncodeTime(7, 13, 27, 250);
    for (int i = 0; i < 86400; i += 7) {
        const TDateTime now = Today + i / 86400.0;
        TDateTime next = startDate + startTime;
        while (next < now)
            next += 1.0 / 24;
        const bool dueByLoop = next - 1.0 / 8640 < now && now < next + 1.0 / 8640;
        auto due = ScheduleDueMoment(1, startDate, startTime, now);
        ASSERT_EQ(dueByLoop, due.has_value()) << "second " << i;
        if (due) {
            EXPECT_NEAR(*due, next, 1e-3 / 86400);  // the loop drifts by some µs a week
        }
    }
}

TEST(ScheduleDueMoment, HourlyWithAStartInTheFutureIsDueOnlyJustBeforeIt) {
    const TDateTime start = Today + 1;
    EXPECT_FALSE(ScheduleDueMoment(1, start, 0, Today + 0.5));
    auto due = ScheduleDueMoment(1, start, 0, start - 5.0 / 86400);
    ASSERT_TRUE(due.has_value());
    EXPECT_DOUBLE_EQ(*due, start);
}

TEST(ScheduleDueMoment, DailyWeeklyMonthlyStepWholeDays) {
    const TDateTime noon = Today + 0.5;
    EXPECT_TRUE(ScheduleDueMoment(3, Today - 14, 0, noon));
    EXPECT_FALSE(ScheduleDueMoment(3, Today - 15, 0, noon));
    EXPECT_TRUE(ScheduleDueMoment(3, Today - 7, 0, noon));
    EXPECT_TRUE(ScheduleDueMoment(3, Today, 0, noon));
    EXPECT_TRUE(ScheduleDueMoment(4, Today - 30, 0, noon));
    EXPECT_FALSE(ScheduleDueMoment(4, Today - 31, 0, noon));
    EXPECT_TRUE(ScheduleDueMoment(2, Today - 400, 0, noon));
    EXPECT_FALSE(ScheduleDueMoment(2, Today + 1, 0, noon));  // a future start
    auto due = ScheduleDueMoment(2, Past, EncodeTime(23, 0, 0, 0), Today + 0.99);
    ASSERT_TRUE(due.has_value());
    EXPECT_DOUBLE_EQ(*due, Today);  // the start time plays no part
}

TEST(ScheduleDueMoment, AStartDateWithATimeOfDayIsNeverDueForDayTypes) {
    for (int type : {2, 3, 4})
        for (double frac : {0.25, 1e-9, 0.999})
            for (int back = 0; back < 70; ++back)
                EXPECT_FALSE(ScheduleDueMoment(type, Today - back + frac, 0, Today + 0.5))
                    << type << " " << frac << " " << back;
}

TEST(ScheduleDueMoment, OtherTypesAndDamagedValuesAreNeverDue) {
    for (int type : {0, 5, 200, -1})
        EXPECT_FALSE(ScheduleDueMoment(type, Today, 0, Today));
    EXPECT_FALSE(ScheduleDueMoment(1, NAN, 0, Today));
    EXPECT_FALSE(ScheduleDueMoment(2, INFINITY, 0, Today));
    // A start date far in the past still answers at once (no stepping loop).
    EXPECT_FALSE(ScheduleDueMoment(1, -600000, 0.3, Today + 0.5));
    EXPECT_TRUE(ScheduleDueMoment(2, -600000, 0, Today));
}

TEST(ScheduleMemory, OneDueMomentStartsATaskOnce) {
    TScheduleMemory memory;
    // A daily schedule checked every 300 ms through one day and into the next.
    int starts = 0;
    for (double t = Today; t < Today + 2; t += 0.3 / 86400 * 97) {
        auto due = ScheduleDueMoment(2, Today - 3, 0, t);
        if (due && memory.TryFire("{task}", *due))
            ++starts;
    }
    EXPECT_EQ(2, starts);
    // Hourly: the ten-second window before 15:00 gives one start, 16:00 the next.
    starts = 0;
    for (double t = At(14, 59, 45, 0, Today); t < At(16, 0, 1, 0, Today); t += 0.3 / 86400)
        if (auto due = ScheduleDueMoment(1, Past, 0, t); due && memory.TryFire("{hourly}", *due))
            ++starts;
    EXPECT_EQ(2, starts);
    // Tasks are remembered apart, and a forgotten task fires again.
    EXPECT_TRUE(memory.TryFire("{other}", Today));
    EXPECT_FALSE(memory.TryFire("{task}", Today + 1));
    memory.Forget("{task}");
    EXPECT_TRUE(memory.TryFire("{task}", Today + 1));
}

}  // namespace

#pragma once
// When a task's schedule is due. Pure computation on day counts, so it is tested with any
// clock; the main window's timer asks it on every tick.

#include <map>
#include <optional>
#include <string>

#include "platform/rtl/DateUtils.h"

// Schedule types as stored with a task: 0 none, 1 hourly, 2 daily, 3 weekly, 4 monthly.
// The due moment when the schedule is due at `Now`, nothing otherwise.
//  - Hourly: the first moment StartDate + StartTime + k hours (k >= 0) not below Now; due when
//    Now lies within 10 seconds before it (or on it).
//  - Daily, weekly, monthly: the first day StartDate + k * 1, 7 or 30 days not below the whole
//    day of Now; due when it is that day exactly. A StartDate with a time of day is never due.
//  - Any other type is never due.
std::optional<TDateTime> ScheduleDueMoment(int SchemeType, TDateTime StartDate, TDateTime StartTime,
                                           TDateTime Now);

template <class TScheme>
std::optional<TDateTime> ScheduleDueMoment(const TScheme& Scheme, TDateTime Now) {
    return ScheduleDueMoment(Scheme.GetSchemeType(), Scheme.GetStartDate(), Scheme.GetStartTime(), Now);
}

// Remembers, per task, the due moment the scheduler last started it for, so that one due
// moment starts a task once: a task that ends within its hourly window or on the day its
// daily schedule fired is not started again until the next moment.
class TScheduleMemory {
public:
    // True (and remembered) when `Moment` is not the moment the task last fired for.
    bool TryFire(const std::string& TaskKey, TDateTime Moment);
    void Forget(const std::string& TaskKey);
    bool HasFired(const std::string& TaskKey, TDateTime Moment) const;

private:
    std::map<std::string, TDateTime> FLastFired;
};

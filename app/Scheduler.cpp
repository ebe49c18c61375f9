#include "app/Scheduler.h"

#include <cmath>

namespace {

constexpr double kHourStep = 1.0 / 24;
constexpr double kTenSeconds = 1.0 / 8640;
// Two due moments closer than this are one moment (moments are an hour apart at least).
constexpr double kSameMoment = 1.0 / 86400 / 10;

}  // namespace

std::optional<TDateTime> ScheduleDueMoment(int SchemeType, TDateTime StartDate, TDateTime StartTime,
                                           TDateTime Now) {
    if (!std::isfinite(StartDate) || !std::isfinite(StartTime) || !std::isfinite(Now))
        return std::nullopt;
    switch (SchemeType) {
    case 1: {
        // The first whole hour step from the start that is not below now. Counting the steps
        // at once gives the same moment as stepping an hour at a time, without a loop that
        // runs a million times for a start date of 0.
        TDateTime next = StartDate + StartTime;
        if (next < Now) {
            double steps = std::ceil((Now - next) / kHourStep - 1e-9);
            next += steps * kHourStep;
            if (next < Now - kTenSeconds)  // guard against rounding: never a moment long past
                next += kHourStep;
        }
        if (next - kTenSeconds < Now && Now < next + kTenSeconds)
            return next;
        return std::nullopt;
    }
    case 2:
    case 3:
    case 4: {
        const double step = SchemeType == 2 ? 1 : SchemeType == 3 ? 7 : 30;
        const double today = std::floor(Now);
        // Whole days stepped by whole days stay whole; a start with a time of day never meets
        // a whole day.
        if (StartDate != std::floor(StartDate))
            return std::nullopt;
        TDateTime next = StartDate;
        if (next < today)
            next += std::ceil((today - next) / step) * step;
        if (next == today)
            return next;
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

bool TScheduleMemory::TryFire(const std::string& TaskKey, TDateTime Moment) {
    if (HasFired(TaskKey, Moment))
        return false;
    FLastFired[TaskKey] = Moment;
    return true;
}

void TScheduleMemory::Forget(const std::string& TaskKey) { FLastFired.erase(TaskKey); }

bool TScheduleMemory::HasFired(const std::string& TaskKey, TDateTime Moment) const {
    auto it = FLastFired.find(TaskKey);
    return it != FLastFired.end() && std::fabs(it->second - Moment) < kSameMoment;
}

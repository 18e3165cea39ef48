#pragma once

#include "capture/captured_frame.h"
#include "capture/civil_date.h"

#include <cstdint>

namespace qlm {

// Dates the times of day of a capture's records, taken in store order, as
// microseconds since the Unix epoch in local time: the capture starts on
// `firstDay`, and steps one day forward wherever the time of day goes back by
// more than an hour (a capture running past midnight). Each time of day is read
// as the local clock showed it that day, so a day on which the clocks change
// dates the times after the change by the clock's new offset.
class CaptureClock {
public:
    explicit CaptureClock(CivilDate firstDay) : firstDay_(firstDay) {}

    int64_t next(const ArrivalTime& time);

private:
    static constexpr int64_t kHourMs = 3'600'000;

    // The start of an hour of a day (offset from the first day), local time.
    int64_t hourStartUs(int dayOffset, int hour) const;

    CivilDate firstDay_;
    int dayOffset_ = 0;
    int64_t previousMs_ = -1;
    int cachedOffset_ = -1;
    int cachedHour_ = -1;
    int64_t cachedStartUs_ = 0;
};

} // namespace qlm

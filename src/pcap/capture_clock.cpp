#include "pcap/capture_clock.h"

#include <ctime>

namespace qlm {

int64_t CaptureClock::hourStartUs(int dayOffset, int hour) const {
    std::tm start{};
    start.tm_year = firstDay_.year - 1900;
    start.tm_mon = firstDay_.month - 1;
    start.tm_mday = firstDay_.day + dayOffset;
    start.tm_hour = hour;
    start.tm_isdst = -1;  // whichever offset the zone has then
    return static_cast<int64_t>(std::mktime(&start)) * 1'000'000;
}

int64_t CaptureClock::next(const ArrivalTime& time) {
    const int64_t ms = ((int64_t{time.hour} * 60 + time.minute) * 60 + time.second) * 1000 +
                       time.millisecond;
    if (previousMs_ >= 0 && ms < previousMs_ - kHourMs)
        ++dayOffset_;
    previousMs_ = ms;
    // The zone is looked up once an hour of records: mktime is the dearest part.
    if (cachedOffset_ != dayOffset_ || cachedHour_ != time.hour) {
        cachedOffset_ = dayOffset_;
        cachedHour_ = time.hour;
        cachedStartUs_ = hourStartUs(dayOffset_, time.hour);
    }
    return cachedStartUs_ + (ms - int64_t{time.hour} * kHourMs) * 1000;
}

} // namespace qlm

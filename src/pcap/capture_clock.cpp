#include "pcap/capture_clock.h"

#include <ctime>

namespace qlm {

int64_t CaptureClock::dayStartUs(int dayOffset) const {
    std::tm midnight{};
    midnight.tm_year = firstDay_.year - 1900;
    midnight.tm_mon = firstDay_.month - 1;
    midnight.tm_mday = firstDay_.day + dayOffset;
    midnight.tm_isdst = -1;
    return static_cast<int64_t>(std::mktime(&midnight)) * 1'000'000;
}

int64_t CaptureClock::next(const ArrivalTime& time) {
    const int64_t ms = ((int64_t{time.hour} * 60 + time.minute) * 60 + time.second) * 1000 +
                       time.millisecond;
    if (previousMs_ >= 0 && ms < previousMs_ - kHourMs)
        ++dayOffset_;
    previousMs_ = ms;
    if (cachedOffset_ != dayOffset_) {
        cachedOffset_ = dayOffset_;
        cachedStartUs_ = dayStartUs(dayOffset_);
    }
    return cachedStartUs_ + ms * 1000;
}

} // namespace qlm

#include "sim/frame_schedule.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qlm::sim {

namespace {

constexpr int64_t kNever = std::numeric_limits<int64_t>::max();
constexpr int64_t kQuietAfterBurstUs = 150'000;
// Gaps are drawn as 32-bit values, so means are kept below an hour.
constexpr int64_t kLongestMeanUs = 3'600'000'000;

int64_t intervalFor(double framesPerSecond) {
    if (!(framesPerSecond > 0.0))
        return 0;
    return std::clamp<int64_t>(std::llround(1e6 / std::max(framesPerSecond, 1e-3)), 1,
                               kLongestMeanUs);
}

} // namespace

FrameSchedule::FrameSchedule(double framesPerSecond, std::chrono::milliseconds burstPeriod,
                             SimRandom random)
    : intervalUs_(intervalFor(framesPerSecond)),
      burstPeriodUs_(std::clamp<int64_t>(burstPeriod.count(), 0, kLongestMeanUs / 1000) * 1000),
      random_(random) {
    restart(0);
}

void FrameSchedule::restart(int64_t nowUs) {
    burstLeft_ = 0;
    closeUs_ = nowUs;
    dueUs_ = intervalUs_ > 0 ? nowUs + regularGap() : kNever;
    const bool bursts = intervalUs_ > 0 && burstPeriodUs_ > 0;
    burstAtUs_ = bursts ? nowUs + burstDelay() : kNever;
}

FrameSchedule::Event FrameSchedule::next(bool followsClosely) const {
    if (burstLeft_ > 0)
        return {Kind::kFrame, burstFrameUs_};
    const int64_t frameUs = followsClosely ? std::min(dueUs_, closeUs_) : dueUs_;
    if (burstAtUs_ <= frameUs)
        return {Kind::kOverflow, burstAtUs_};
    return {Kind::kFrame, frameUs};
}

void FrameSchedule::take(const Event& event) {
    if (event.kind == Kind::kOverflow)
        startBurst(event.atUs);
    else
        takeFrame(event.atUs);
}

int64_t FrameSchedule::regularGap() {
    return intervalUs_ / 2 + random_.below(static_cast<uint32_t>(intervalUs_ + 1));
}

int64_t FrameSchedule::burstDelay() {
    return burstPeriodUs_ / 2 + random_.below(static_cast<uint32_t>(burstPeriodUs_ + 1));
}

int64_t FrameSchedule::burstGap() {
    return random_.between(800, 2200);
}

void FrameSchedule::startBurst(int64_t atUs) {
    burstLeft_ = random_.between(25, 60);
    burstFrameUs_ = atUs + burstGap();
    burstAtUs_ = atUs + burstDelay();
}

void FrameSchedule::takeFrame(int64_t atUs) {
    closeUs_ = atUs + random_.between(2000, 5000);
    if (burstLeft_ == 0) {
        dueUs_ += regularGap();
        return;
    }
    burstFrameUs_ = atUs + burstGap();
    if (--burstLeft_ == 0)
        dueUs_ = std::max(dueUs_, atUs + kQuietAfterBurstUs);
}

} // namespace qlm::sim

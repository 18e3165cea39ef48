#pragma once

#include "sim/sim_random.h"

#include <chrono>
#include <cstdint>

namespace qlm::sim {

// When the device reports what it hears, in microseconds of simulated time.
// Frames come at the requested rate on average, each gap drawn between half and
// one and a half times the mean; an acknowledgement or retry comes 2 to 5 ms
// after the frame before it (or at its regular time, if that is sooner) without
// changing the long-run rate. Now and then an overflow report starts a burst of
// 25 to 60 frames about 1.5 ms apart, followed by at least 150 ms of quiet.
class FrameSchedule {
public:
    enum class Kind { kFrame, kOverflow };
    struct Event {
        Kind kind;
        int64_t atUs;
    };

    FrameSchedule(double framesPerSecond, std::chrono::milliseconds burstPeriod, SimRandom random);

    // Starts a fresh schedule at `nowUs` (sniffing started or the channel changed).
    void restart(int64_t nowUs);
    // The next event; `followsClosely` tells whether the next frame is an
    // acknowledgement or retry. Far in the future when nothing is to come.
    Event next(bool followsClosely) const;
    // Records that the event returned by next() happened.
    void take(const Event& event);

private:
    int64_t regularGap();
    int64_t burstDelay();
    int64_t burstGap();
    void startBurst(int64_t atUs);
    void takeFrame(int64_t atUs);

    int64_t intervalUs_; // mean gap between regular frames; 0 for no frames
    int64_t burstPeriodUs_;
    SimRandom random_;
    int64_t dueUs_ = 0;        // when the next regular frame is due
    int64_t closeUs_ = 0;      // when an acknowledgement of the last frame would come
    int64_t burstAtUs_ = 0;    // when the next burst starts
    int64_t burstFrameUs_ = 0; // when the next frame of the current burst comes
    int burstLeft_ = 0;
};

} // namespace qlm::sim

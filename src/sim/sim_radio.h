#pragma once

#include "sim/frame_schedule.h"
#include "sim/neighbourhood.h"

#include <chrono>
#include <cstdint>
#include <vector>

namespace qlm::sim {

// Something the radio reports while it sniffs.
struct RadioReport {
    bool overflow = false;
    Bytes frame; // stored bytes of a heard frame; empty for an overflow
};

// The device's receiver: the channel it is tuned to, whether it passes on what
// it hears, and its measurements of the neighbourhood. It keeps the simulated
// time, which moves only when advance() is called.
class SimRadio {
public:
    SimRadio(uint32_t seed, double framesPerSecond, std::chrono::milliseconds burstPeriod);

    int channelIndex() const { return channelIndex_; }
    bool sniffing() const { return sniffing_; }
    // Changing the channel or starting to sniff starts a fresh frame schedule.
    void tune(int channelIndex);
    void setSniffing(bool on);

    // An energy-detect reading of a channel: a signed byte, dBm + 45.
    int energyReading(int channelIndex);
    // The beacons an active scan of the channel collects, each heard at its
    // node's level with a spread of +-2 dB.
    std::vector<HeardBeacon> activeScan(int channelIndex);
    // Simulated time in microseconds since power-up.
    int64_t nowUs() const { return nowUs_; }

    // Moves time on and returns what was heard meanwhile, in order.
    std::vector<RadioReport> advance(std::chrono::microseconds elapsed);

    const Neighbourhood& neighbourhood() const { return neighbourhood_; }

private:
    Neighbourhood neighbourhood_;
    SimRandom measurements_;
    FrameSchedule schedule_;
    int channelIndex_ = 0;
    bool sniffing_ = false;
    int64_t nowUs_ = 0;
};

} // namespace qlm::sim

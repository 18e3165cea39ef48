#include "sim/sim_radio.h"

#include "capture/reception_status.h"

#include <algorithm>

namespace qlm::sim {

namespace {

enum : uint32_t { kMeasurementStream = 2, kScheduleStream = 3 };

} // namespace

SimRadio::SimRadio(uint32_t seed, double framesPerSecond, std::chrono::milliseconds burstPeriod)
    : neighbourhood_(seed), measurements_(seed, kMeasurementStream),
      schedule_(framesPerSecond, burstPeriod, SimRandom(seed, kScheduleStream)) {}

void SimRadio::tune(int channelIndex) {
    channelIndex_ = channelIndex;
    schedule_.restart(nowUs_);
}

void SimRadio::setSniffing(bool on) {
    if (on && !sniffing_)
        schedule_.restart(nowUs_);
    sniffing_ = on;
}

int SimRadio::energyReading(int channelIndex) {
    const int dbm = neighbourhood_.energyDbm(channelIndex) + measurements_.between(-2, 2);
    return std::clamp(signalStrengthReading(dbm), -128, 127);
}

std::vector<HeardBeacon> SimRadio::activeScan(int channelIndex) {
    std::vector<HeardBeacon> beacons = neighbourhood_.beaconsOn(channelIndex);
    for (HeardBeacon& beacon : beacons)
        beacon.dbm += measurements_.between(-2, 2);
    return beacons;
}

std::vector<RadioReport> SimRadio::advance(std::chrono::microseconds elapsed) {
    const int64_t targetUs = nowUs_ + std::max<int64_t>(0, elapsed.count());
    std::vector<RadioReport> reports;
    PanTraffic* traffic = sniffing_ ? neighbourhood_.trafficOn(channelIndex_) : nullptr;
    while (traffic != nullptr) {
        const FrameSchedule::Event event = schedule_.next(traffic->peek().followsClosely);
        if (event.atUs > targetUs)
            break;
        schedule_.take(event);
        nowUs_ = event.atUs;
        if (event.kind == FrameSchedule::Kind::kOverflow)
            reports.push_back({true, {}});
        else
            reports.push_back({false, traffic->take().bytes});
    }
    nowUs_ = targetUs;
    return reports;
}

} // namespace qlm::sim

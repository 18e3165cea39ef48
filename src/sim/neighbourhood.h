#pragma once

#include "sim/pan_traffic.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace qlm::sim {

// A beacon as a scan hears it.
struct HeardBeacon {
    uint16_t panId = 0;
    uint16_t shortAddress = 0;
    uint64_t extAddress = 0;
    uint8_t sequence = 0;
    uint16_t superframe = 0; // superframe spec, first byte in the low half
    bool gtsPermit = false;
    int payloadLength = 0; // beacon payload bytes after the pending address fields
    int dbm = -70;
    int correlation = 100;
};

// The 2.4 GHz band around the device: a home, an office and a lab PAN on
// channels 15, 20 and 25, a secured ZigBee PRO PAN on channel 11, a Wi-Fi
// network whose channel the seed picks, and the noise floor. Everything about it
// follows from the seed.
class Neighbourhood {
public:
    static constexpr int kChannelCount = 16;
    static constexpr std::array<int, 3> kPanChannelIndexes = {4, 9, 14};
    static constexpr int kProPanChannelIndex = 0;

    explicit Neighbourhood(uint32_t seed);

    // The energy on a channel in dBm, before the spread of a single measurement:
    // the noise floor, raised where Wi-Fi overlaps and highest where a PAN is.
    int energyDbm(int channelIndex) const { return energy_[static_cast<size_t>(channelIndex)]; }
    // The beacons that answer a beacon request on the channel, in the order sent.
    std::vector<HeardBeacon> beaconsOn(int channelIndex) const;
    // The traffic of the PAN on the channel, or null for a channel without one.
    PanTraffic* trafficOn(int channelIndex);
    const SimPan* panOn(int channelIndex) const;

private:
    void measureEnergy(SimRandom& random);

    std::vector<std::unique_ptr<PanTraffic>> pans_;
    std::array<int, kChannelCount> energy_{};
};

} // namespace qlm::sim

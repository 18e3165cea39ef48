#include "sim/neighbourhood.h"

#include "sim/home_pan.h"
#include "sim/lab_pan.h"
#include "sim/office_pan.h"
#include "sim/pan_beacons.h"
#include "sim/pro_pan.h"

#include <algorithm>
#include <cstdlib>

namespace qlm::sim {

namespace {

enum : uint32_t { kLayoutStream = 1, kProLayoutStream = 2, kFirstTrafficStream = 10 };

HeardBeacon heardBeacon(const SimPan& pan, int index) {
    const SimNode& node = pan.nodes[static_cast<size_t>(index)];
    const Bytes payload = beaconPayload(pan, index);
    HeardBeacon beacon;
    beacon.panId = pan.panId;
    beacon.shortAddress = node.shortAddress;
    beacon.extAddress = node.extAddress;
    beacon.sequence = node.bsn;
    beacon.superframe = static_cast<uint16_t>(payload[0] | payload[1] << 8);
    beacon.gtsPermit = (payload[2] & 0x80) != 0;
    beacon.payloadLength = static_cast<int>(payload.size());
    beacon.dbm = node.dbm;
    beacon.correlation = node.correlation;
    return beacon;
}

} // namespace

Neighbourhood::Neighbourhood(uint32_t seed) {
    SimRandom layout(seed, kLayoutStream);
    const std::array<SimPan, 3> pans = {makeHomePan(kPanChannelIndexes[0], layout),
                                        makeOfficePan(kPanChannelIndexes[1], layout),
                                        makeLabPan(kPanChannelIndexes[2], layout)};
    for (size_t i = 0; i < pans.size(); ++i)
        pans_.push_back(std::make_unique<PanTraffic>(
            pans[i], SimRandom(seed, kFirstTrafficStream + static_cast<uint32_t>(i))));
    measureEnergy(layout);
    // The PRO network came later: it draws from streams of its own, so the
    // other PANs and the band are as they were for the same seed. It is heard a
    // little weaker than they are.
    SimRandom proLayout(seed, kProLayoutStream);
    pans_.push_back(std::make_unique<PanTraffic>(
        makeProPan(kProPanChannelIndex, proLayout),
        SimRandom(seed, kFirstTrafficStream + static_cast<uint32_t>(pans.size()))));
    energy_[kProPanChannelIndex] = proLayout.between(-78, -73);
}

void Neighbourhood::measureEnergy(SimRandom& random) {
    const std::array<int, 3> wifiCentresMHz = {2412, 2437, 2462};
    const int wifi = wifiCentresMHz[random.below(3)];
    for (int i = 0; i < kChannelCount; ++i) {
        int dbm = random.between(-96, -91);
        if (std::abs(2405 + 5 * i - wifi) <= 10)
            dbm = random.between(-84, -78);
        if (panOn(i) != nullptr)
            dbm = random.between(-72, -60);
        energy_[static_cast<size_t>(i)] = dbm;
    }
}

std::vector<HeardBeacon> Neighbourhood::beaconsOn(int channelIndex) const {
    std::vector<HeardBeacon> beacons;
    const SimPan* pan = panOn(channelIndex);
    if (pan == nullptr)
        return beacons;
    for (int node : beaconingNodes(*pan))
        beacons.push_back(heardBeacon(*pan, node));
    return beacons;
}

PanTraffic* Neighbourhood::trafficOn(int channelIndex) {
    for (const auto& traffic : pans_)
        if (traffic->pan().channelIndex == channelIndex)
            return traffic.get();
    return nullptr;
}

const SimPan* Neighbourhood::panOn(int channelIndex) const {
    for (const auto& traffic : pans_)
        if (traffic->pan().channelIndex == channelIndex)
            return &traffic->pan();
    return nullptr;
}

} // namespace qlm::sim

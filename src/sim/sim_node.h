#pragma once

#include <cstdint>
#include <string>

namespace qlm::sim {

constexpr uint16_t kBroadcastAddress = 0xFFFF;
constexpr uint16_t kNoShortAddress = 0xFFFE;

// One radio of the simulated neighbourhood: its addresses, how the sniffer hears
// it, and the sequence counters it keeps for the frames it sends.
struct SimNode {
    std::string name;
    uint16_t pan = kBroadcastAddress;
    uint16_t shortAddress = kNoShortAddress;
    uint64_t extAddress = 0;
    int dbm = -70;         // typical signal strength at the sniffer
    int correlation = 100; // typical correlation value of its frames
    int parent = -1;       // index of the parent in the PAN's node list
    bool sleepy = false;   // an end device that polls its parent for data
    bool beacons = false;  // answers beacon requests (coordinator and routers)
    bool joined = true;    // currently a member of the PAN
    int nwkVersion = 2;
    int radius = 6;

    uint8_t dsn = 0;    // MAC data sequence number
    uint8_t bsn = 0;    // MAC beacon sequence number
    uint8_t nwkSeq = 0; // NWK sequence number
    uint8_t afSeq = 0;  // AF and ZDO transaction numbers
    uint8_t apsCounter = 0;        // the ZigBee PRO APS counter
    uint32_t nwkFrameCounter = 0;  // outgoing frame counters of ZigBee PRO security
    uint32_t apsFrameCounter = 0;

    uint8_t nextDsn() { return dsn++; }
    uint8_t nextBsn() { return bsn++; }
    uint8_t nextNwkSeq() { return nwkSeq++; }
    uint8_t nextAfSeq() { return afSeq++; }
    uint8_t nextApsCounter() { return apsCounter++; }
};

} // namespace qlm::sim

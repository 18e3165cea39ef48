#pragma once

#include "sim/byte_writer.h"
#include "sim/sim_random.h"

namespace qlm::sim {

// How the sniffer received one transmission.
struct Reception {
    int dbm = -70;
    int correlation = 100;
    bool crcGood = true;
    int damagedBytes = 0; // bytes of the MAC payload's tail changed on the way
};

// The bytes as the device reports them: the PHY length byte L, the MAC frame
// without FCS, then the signal strength (dBm + 45, signed) and the status byte
// (bit 7 CRC good, bits 0-6 correlation) in place of the FCS; L + 1 bytes.
Bytes storedFrame(const Bytes& mac, const Reception& reception, SimRandom& random);

// A reception of a node heard at `dbm` and `correlation`, with the usual spread.
Reception goodReception(int dbm, int correlation, SimRandom& random);
// A reception with a failed CRC: weak, low correlation, `damagedBytes` changed.
Reception damagedReception(int damagedBytes, SimRandom& random);

// A frame whose PHY header the radio could not make sense of: a length byte of 0
// alone, or a length byte of 128 or more followed by noise (L + 1 bytes in all,
// at most 192).
Bytes phyErrorFrame(SimRandom& random);

} // namespace qlm::sim

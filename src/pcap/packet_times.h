#pragma once

#include "capture/civil_date.h"
#include "capture/frame_store.h"

#include <cstdint>
#include <string>

namespace qlm {

enum class PcapFormat { kPcapng, kPcap };

// The times of packets a format can hold, in microseconds since the epoch: from
// the epoch on (neither has signed time stamps), and for classic pcap up to the
// last second its 32-bit count reaches (2106-02-07 06:28:15 UTC).
struct PacketTimeRange {
    int64_t first = 0;
    int64_t last = 0;
};
PacketTimeRange packetTimeRange(PcapFormat format);

// Why the records, dated from `firstDay` as an export dates them, do not all fit
// the format's times; empty when they do.
std::string packetTimesProblem(const FrameStore& frames, PcapFormat format, CivilDate firstDay);

} // namespace qlm

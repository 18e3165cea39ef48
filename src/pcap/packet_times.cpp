#include "pcap/packet_times.h"

#include "pcap/capture_clock.h"

#include <cstdio>

namespace qlm {
namespace {

constexpr int64_t kMicrosecondsPerSecond = 1'000'000;
constexpr int64_t kLastClassicSecond = 0xFFFFFFFF;

std::string dayText(CivilDate day) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", day.year, day.month, day.day);
    return text;
}

} // namespace

PacketTimeRange packetTimeRange(PcapFormat format) {
    if (format == PcapFormat::kPcap)
        return {0, kLastClassicSecond * kMicrosecondsPerSecond + (kMicrosecondsPerSecond - 1)};
    return {0, INT64_MAX};
}

std::string packetTimesProblem(const FrameStore& frames, PcapFormat format, CivilDate firstDay) {
    const PacketTimeRange range = packetTimeRange(format);
    CaptureClock clock(firstDay);
    for (const CapturedFrame& record : frames) {
        const int64_t time = clock.next(record.arrival());
        if (time < range.first)
            return "pcap and pcapng hold no time before 1970-01-01 00:00:00 UTC; the capture, "
                   "dated from " + dayText(firstDay) + ", begins before it";
        if (time > range.last)
            return "Classic pcap holds no time after 2106-02-07 06:28:15 UTC; the capture, "
                   "dated from " + dayText(firstDay) + ", runs past it (pcapng holds it)";
    }
    return {};
}

} // namespace qlm

// Reads arbitrary bytes as a pcap or pcapng file, then checks what any import
// must give: every record within its bounds, every node reference naming an
// entry; and that the capture, written as pcapng and read again, gives the same
// records.

#include "pcap/pcap_export.h"
#include "pcap/pcap_import.h"

#include <cstdlib>
#include <ctime>
#include <cstring>
#include <memory>
#include <string>

namespace {

void require(bool condition) {
    if (!condition)
        std::abort();
}

void checkRecords(const qlm::Capture& capture) {
    const int32_t nodes = capture.nodes.count();
    for (const qlm::CapturedFrame& frame : capture.frames) {
        require(frame.isOverflow() ||
                (frame.length >= 0 && frame.length <= qlm::CapturedFrame::kMaxBytes));
        for (int32_t node : {frame.macSourceNode, frame.macDestNode, frame.nwkSourceNode,
                             frame.nwkDestNode})
            require(node >= -1 && node < nodes);
    }
}

bool sameRecords(const qlm::Capture& a, const qlm::Capture& b) {
    if (a.frames.frameCount() != b.frames.frameCount())
        return false;
    for (int32_t i = 0; i < a.frames.frameCount(); ++i) {
        const qlm::CapturedFrame& x = a.frames[i];
        const qlm::CapturedFrame& y = b.frames[i];
        if (x.length != y.length || x.hour != y.hour || x.minute != y.minute ||
            x.second != y.second || x.millisecond != y.millisecond)
            return false;
        if (x.length > 0 && std::memcmp(x.data, y.data, static_cast<size_t>(x.length)) != 0)
            return false;
    }
    return true;
}

} // namespace

// Times of day are dated in local time; in a zone whose clocks change, a time in
// the hour skipped does not exist and cannot come back as it was.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static auto capture = std::make_unique<qlm::Capture>();
    static auto again = std::make_unique<qlm::Capture>();
    qlm::PcapImportCounts counts;
    std::string error;
    if (!qlm::readPcapCapture(*capture, {data, size}, counts, error))
        return 0;
    checkRecords(*capture);

    qlm::StringSink pcapng;
    qlm::PcapExportCounts written;
    require(qlm::writePcap(*capture, qlm::PcapFormat::kPcapng, {2026, 12, 9}, pcapng, written));
    require(qlm::readPcapCapture(
        *again, {reinterpret_cast<const uint8_t*>(pcapng.text.data()), pcapng.text.size()}, counts,
        error));
    require(sameRecords(*capture, *again));
    return 0;
}

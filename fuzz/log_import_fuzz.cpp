// Imports arbitrary bytes as a log, then checks what any import must give: every
// stored frame is complete and within its record, every node reference names an
// existing entry, and writing the capture out and reading it back gives the same
// frames. Then forgets the nodes of the frames before one of them ("Clear
// Previous") and checks the references again.

#include "logfile/log_reader.h"
#include "logfile/log_writer.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void require(bool condition) {
    if (!condition)
        std::abort();
}

void checkReferences(const qlm::Capture& capture) {
    const int32_t nodes = capture.nodes.count();
    for (const qlm::CapturedFrame& frame : capture.frames) {
        require(frame.length >= 1 && frame.length <= 128);
        require(frame.data[0] == frame.length - 1);
        for (int32_t node : {frame.macSourceNode, frame.macDestNode, frame.nwkSourceNode,
                             frame.nwkDestNode})
            require(node >= -1 && node < nodes);
        require(frame.frameClass >= qlm::kClassPhyError && frame.frameClass <= qlm::kClassApl);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static qlm::Capture capture;  // reused, as the window reuses its capture
    qlm::readLog(capture, std::string_view(reinterpret_cast<const char*>(data), size));
    checkReferences(capture);

    qlm::StringSink sink;
    require(qlm::writeLog(capture, "Tue Mar  7 09:05:12 2006", sink));
    static qlm::Capture copy;
    qlm::readLog(copy, sink.text);
    checkReferences(copy);
    require(copy.frames.frameCount() == capture.frames.frameCount());
    for (int32_t i = 0; i < capture.frames.frameCount(); ++i) {
        const qlm::CapturedFrame& a = capture.frames[i];
        const qlm::CapturedFrame& b = copy.frames[i];
        require(a.length == b.length && std::memcmp(a.data, b.data, a.length) == 0);
        require(a.hour == b.hour && a.minute == b.minute && a.second == b.second &&
                a.millisecond == b.millisecond);
    }

    const int32_t current = static_cast<int32_t>(size % (capture.frames.frameCount() + 1u));
    capture.clearPreviousNodes(current);
    checkReferences(capture);
    for (int32_t i = 0; i < current; ++i)
        require(capture.frames[i].macSourceNode == -1 && capture.frames[i].nwkDestNode == -1);
    return 0;
}

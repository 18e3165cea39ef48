#include "capture/capture.h"

#include "capture/frame_attribution.h"

namespace qlm {

void Capture::reset() {
    channels.reset();
    channels.setSelectedChannel(-1);
    frames.clear();
    statistics.reset();
    nodes.reset();
}

void Capture::attributeFrom(int32_t first) { attributeFrames(nodes, frames, first); }

} // namespace qlm

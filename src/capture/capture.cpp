#include "capture/capture.h"

#include "capture/frame_attribution.h"

namespace qlm {

void Capture::reset() {
    channels.reset();
    channels.setSelectedChannel(-1);
    clearFrames();
    statistics.reset();
    nodes.reset();
    date.reset();
}

void Capture::clearFrames() {
    frames.clear();
    oldestAttributedFrame_ = 0;
}

void Capture::attributeFrom(int32_t first) {
    attributeFrames(nodes, frames, first, oldestAttributedFrame_, learnsIeeeAddresses);
}

int32_t Capture::findOrAddNode(const NodeAddress& given) {
    return qlm::findOrAddNode(nodes, frames, given, oldestAttributedFrame_, learnsIeeeAddresses);
}

void Capture::clearPreviousNodes(int32_t currentFrame) {
    oldestAttributedFrame_ = currentFrame < 0 ? 0 : currentFrame;
    qlm::clearPreviousNodes(nodes, frames, oldestAttributedFrame_, learnsIeeeAddresses);
}

} // namespace qlm

#include "capture/capture_change.h"

namespace qlm {

ChangeTracker::ChangeTracker(Capture& capture) : capture_(capture), seen_(look()) {
    capture_.nodes.takeRowChanges();
}

ChangeTracker::Seen ChangeTracker::look() const {
    const Statistics& statistics = capture_.statistics;
    return {capture_.frames.clears(), capture_.frames.frameCount(), statistics.packetsText(),
            statistics.errorsText(), statistics.errorRateText(), capture_.channels};
}

CaptureChange ChangeTracker::take() {
    const Seen now = look();
    CaptureChange change;
    change.newCapture = now.clears != seen_.clears;
    change.firstNewFrame = change.newCapture ? 0 : std::min(seen_.frameCount, now.frameCount);
    change.endNewFrame = now.frameCount;
    change.nodes = capture_.nodes.takeRowChanges();
    change.countersChanged = now.packets != seen_.packets || now.errors != seen_.errors ||
                             now.errorRate != seen_.errorRate;
    change.channelsChanged = !(now.channels == seen_.channels);
    seen_ = now;
    return change;
}

} // namespace qlm

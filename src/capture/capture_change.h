#pragma once

#include "capture/capture.h"

#include <cstdint>

namespace qlm {

// What one batch of work (an intake tick, an import, a scan, "Clear Previous")
// did to a capture, so that a view redraws only what changed.
struct CaptureChange {
    // The store was emptied: a new capture, every frame row is new.
    bool newCapture = false;
    // Frames [firstNewFrame, endNewFrame) were added.
    int32_t firstNewFrame = 0;
    int32_t endNewFrame = 0;
    NodeRowChanges nodes;
    bool countersChanged = false;  // a statistics text reads differently
    bool channelsChanged = false;  // a channel entry or the selected channel

    bool framesAdded() const { return endNewFrame > firstNewFrame; }
    bool any() const {
        return newCapture || framesAdded() || nodes.any() || countersChanged || channelsChanged;
    }
};

// Watches one capture and says what changed between two calls of take().
// The only reader of the node table's row changes.
class ChangeTracker {
public:
    explicit ChangeTracker(Capture& capture);

    CaptureChange take();

private:
    struct Seen {
        uint64_t clears = 0;
        int32_t frameCount = 0;
        std::string packets, errors, errorRate;
        ChannelTable channels;
    };
    Seen look() const;

    Capture& capture_;
    Seen seen_;
};

} // namespace qlm

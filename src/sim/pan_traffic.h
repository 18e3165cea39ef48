#pragma once

#include "sim/frame_queue.h"
#include "sim/sim_pan.h"
#include "sim/sim_random.h"

namespace qlm::sim {

// The endless stream of frames one PAN puts on air: exchange after exchange,
// each chosen at random from what that kind of network does. Only the order of
// the frames is kept here; when they are heard is up to the radio.
class PanTraffic {
public:
    PanTraffic(SimPan pan, SimRandom random);
    PanTraffic(const PanTraffic&) = delete;
    PanTraffic& operator=(const PanTraffic&) = delete;

    const SimPan& pan() const { return pan_; }
    // The next frame heard, without taking it.
    const QueuedFrame& peek();
    QueuedFrame take();

private:
    void refill();

    SimPan pan_;
    SimRandom random_;
    FrameQueue air_;
};

} // namespace qlm::sim

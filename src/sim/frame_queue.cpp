#include "sim/frame_queue.h"

#include "sim/mac_frames.h"
#include "sim/stored_frame.h"

namespace qlm::sim {

void FrameQueue::send(Bytes mac, int sender, const SendOptions& options) {
    mac[2] = node(sender).nextDsn();
    put(mac, node(sender), options.damagedBytes, false);
    if (!wantsAck(mac))
        return;
    if (options.lost) {
        for (int retry = 0; retry < kMacMaxRetries; ++retry)
            put(mac, node(sender), 0, true);
        return;
    }
    acknowledge(mac[2], options);
}

void FrameQueue::sendBeacon(Bytes mac, int sender, int damagedBytes) {
    mac[2] = node(sender).nextBsn();
    put(mac, node(sender), damagedBytes, false);
}

void FrameQueue::sendAsIs(const Bytes& mac, int dbm, int correlation) {
    frames_.push_back({storedFrame(mac, goodReception(dbm, correlation, random_), random_), false});
}

QueuedFrame FrameQueue::take() {
    QueuedFrame frame = std::move(frames_.front());
    frames_.pop_front();
    return frame;
}

void FrameQueue::put(const Bytes& mac, const SimNode& heard, int damagedBytes,
                     bool followsClosely) {
    const Reception reception = damagedBytes > 0
                                    ? damagedReception(damagedBytes, random_)
                                    : goodReception(heard.dbm, heard.correlation, random_);
    frames_.push_back({storedFrame(mac, reception, random_), followsClosely});
}

void FrameQueue::acknowledge(uint8_t sequence, const SendOptions& options) {
    if (options.acker < 0)
        return;
    put(ackFrame(sequence, options.ackPending), node(options.acker), 0, true);
}

} // namespace qlm::sim

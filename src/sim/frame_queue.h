#pragma once

#include "sim/byte_writer.h"
#include "sim/sim_node.h"
#include "sim/sim_random.h"

#include <deque>
#include <vector>

namespace qlm::sim {

// A frame as the device will report it, in the order heard.
struct QueuedFrame {
    Bytes bytes;                 // stored bytes: length byte, MAC frame, signal, status
    bool followsClosely = false; // an acknowledgement or retry: on air a few ms after the last
};

struct SendOptions {
    int acker = -1;          // node that acknowledges the frame when it asks for it
    bool ackPending = false; // the acknowledgement says the acker holds data for the sender
    bool lost = false;       // nobody acknowledges: three retries with the same sequence number
    int damagedBytes = 0;    // the sniffer receives it with a failed CRC
};

// The frames of one PAN in the order the sniffer hears them. Sending numbers a
// frame from its sender's counters, adds its acknowledgement or retries, and
// turns each transmission into the bytes the device reports.
class FrameQueue {
public:
    static constexpr int kMacMaxRetries = 3;

    FrameQueue(std::vector<SimNode>& nodes, SimRandom& random) : nodes_(nodes), random_(random) {}

    // A data or command frame of node `sender`, numbered from its data counter.
    void send(Bytes mac, int sender, const SendOptions& options = {});
    // A beacon, numbered from the sender's beacon counter.
    void sendBeacon(Bytes mac, int sender, int damagedBytes = 0);
    // A frame heard as it is (its sequence number included), from no known node.
    void sendAsIs(const Bytes& mac, int dbm, int correlation);
    // Stored bytes given whole (PHY errors).
    void sendStored(Bytes stored) { frames_.push_back({std::move(stored), false}); }

    bool empty() const { return frames_.empty(); }
    const QueuedFrame& front() const { return frames_.front(); }
    QueuedFrame take();

    std::vector<SimNode>& nodes() { return nodes_; }
    SimNode& node(int index) { return nodes_[static_cast<size_t>(index)]; }
    SimRandom& random() { return random_; }

private:
    void put(const Bytes& mac, const SimNode& heard, int damagedBytes, bool followsClosely);
    void acknowledge(uint8_t sequence, const SendOptions& options);

    std::vector<SimNode>& nodes_;
    SimRandom& random_;
    std::deque<QueuedFrame> frames_;
};

} // namespace qlm::sim

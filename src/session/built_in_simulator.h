#pragma once

#include "sim/pty_server.h"
#include "sim/simulated_device.h"

#include <memory>
#include <string>

namespace qlm {

// The simulated device behind the port list's "Simulator" entry: served on a
// pseudo-terminal inside the program, so the session reaches it through the
// ordinary serial path like any other port.
class BuiltInSimulator {
public:
    explicit BuiltInSimulator(SimulatedDeviceOptions options = {}) : options_(options) {}
    ~BuiltInSimulator() { stop(); }
    BuiltInSimulator(const BuiltInSimulator&) = delete;
    BuiltInSimulator& operator=(const BuiltInSimulator&) = delete;

    // Frames per second, seed and bursts of the next start.
    void setOptions(const SimulatedDeviceOptions& options) { options_ = options; }

    // Serves a fresh device of the kind on a new terminal (stopping one already
    // served); false with the reason in `error`.
    bool start(DeviceKind kind, std::string& error);
    void stop();
    bool running() const { return server_ != nullptr && server_->isServing(); }
    // The terminal's path, empty when not running.
    std::string path() const { return running() ? server_->slavePath() : std::string(); }
    // Frame reports sent since the last start.
    uint64_t framesSent() const { return server_ ? server_->framesSent() : 0; }
    // Reports the simulator could not send: nobody read the terminal fast enough.
    uint64_t reportsDropped() const { return server_ ? server_->reportsDropped() : 0; }

private:
    SimulatedDeviceOptions options_;
    std::unique_ptr<SimulatedDevice> device_;
    std::unique_ptr<PtyServer> server_;
};

} // namespace qlm

#include "session/built_in_simulator.h"

namespace qlm {

bool BuiltInSimulator::start(DeviceKind kind, std::string& error) {
    stop();
    SimulatedDeviceOptions options = options_;
    options.kind = kind;
    device_ = std::make_unique<SimulatedDevice>(options);
    server_ = std::make_unique<PtyServer>(*device_);
    if (server_->start(error))
        return true;
    stop();
    return false;
}

void BuiltInSimulator::stop() {
    if (server_)
        server_->stop();
    server_.reset();  // before the device it serves
    device_.reset();
}

} // namespace qlm

// The simulate command: a simulated sniffer or Brindle served on a pseudo-terminal
// until the command is stopped, for the program or `qlntool capture` to talk to.

#include "commands.h"

#include "sim/pty_server.h"
#include "sim/simulated_device.h"

#include <cmath>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace qlntool {
namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int) { stopRequested = 1; }

// A finite number: "nan" and "inf" would pass every range check below.
bool readNumber(const std::string& text, double& value) {
    try {
        size_t end = 0;
        value = std::stod(text, &end);
        return end == text.size() && std::isfinite(value);
    } catch (...) {
        return false;
    }
}

std::string parseSimulateArguments(const Arguments& arguments, qlm::SimulatedDeviceOptions& options) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        double number = 0;
        if (argument == "--brindle") {
            options.kind = qlm::DeviceKind::kBrindle;
        } else if (argument == "--brindle-setup") {
            options.kind = qlm::DeviceKind::kBrindle;
            options.brindleNeedsSetup = true;
        } else if (argument == "--seed" && hasValue) {
            if (!readNumber(arguments[++i], number) || number < 0 || number > 4294967295.0)
                return "--seed takes a number from 0 to 4294967295";
            options.seed = static_cast<uint32_t>(number);
        } else if (argument == "--rate" && hasValue) {
            if (!readNumber(arguments[++i], number) || number <= 0 ||
                number > qlm::kMostSimulatedFramesPerSecond)
                return "--rate takes frames per second above 0 and at most 100000";
            options.framesPerSecond = number;
        } else if (argument == "--burst-period" && hasValue) {
            if (!readNumber(arguments[++i], number) || number < 0 || number > 86400)
                return "--burst-period takes seconds (0 for no overflow bursts)";
            options.burstPeriod = std::chrono::milliseconds(static_cast<int64_t>(number * 1000));
        } else {
            return "unknown or incomplete option \"" + argument + "\" for simulate";
        }
    }
    return {};
}

} // namespace

int simulateCommand(const Arguments& arguments) {
    qlm::SimulatedDeviceOptions options;
    if (const std::string error = parseSimulateArguments(arguments, options); !error.empty())
        return usageError(error);

    qlm::SimulatedDevice device(options);
    qlm::PtyServer server(device);
    std::string error;
    if (!server.start(error))
        return fail("cannot serve the simulated device: " + error);

    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    std::printf("%s\n", server.slavePath().c_str());
    std::fflush(stdout);
    while (!stopRequested && server.isServing())
        ::usleep(50000);
    server.stop();

    std::fprintf(stderr, "frames sent: %llu\noverflows sent: %llu\n",
                 static_cast<unsigned long long>(server.framesSent()),
                 static_cast<unsigned long long>(server.overflowsSent()));
    return 0;
}

} // namespace qlntool

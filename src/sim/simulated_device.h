#pragma once

#include "sim/brindle_commands.h"
#include "sim/sim_radio.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qlm {

enum class DeviceKind { kSniffer, kBrindle };

// The fastest a simulated device is asked to send frames.
inline constexpr double kMostSimulatedFramesPerSecond = 100000;

struct SimulatedDeviceOptions {
    DeviceKind kind = DeviceKind::kSniffer;
    uint32_t seed = 1;
    double framesPerSecond = 20.0;
    // Brindle only: every "+DVRR" answers "+DERI=04" until "+DSMR=0015C8384100FFFF" came.
    bool brindleNeedsSetup = false;
    // Mean time between overflow bursts while frames flow; zero for none.
    std::chrono::milliseconds burstPeriod{30000};
};

// What a device has sent since power-up.
struct DeviceCounters {
    uint64_t commands = 0;  // command lines received
    uint64_t frames = 0;    // frame report lines
    uint64_t overflows = 0; // "+OVRF" lines
};

// A capture device as the program sees it through the serial line: the sniffer
// or the Brindle dongle, with a simulated 2.4 GHz neighbourhood around it. Pure
// logic: commands go in and replies come out at once; frames come out only as
// simulated time is moved on. Everything follows from the seed and the calls
// made, so the same calls give the same lines. Not thread-safe.
//
// While sniffing, frames are reported as "+MACF:" (sniffer) or "+PDAI:" (Brindle)
// followed by the stored bytes as upper-case hexadecimal pairs and CR LF: the PHY
// length byte L, the MAC frame without FCS, signal strength and status, L + 1
// pairs in all. The command sets are described in sniffer_commands.h and
// brindle_commands.h.
class SimulatedDevice {
public:
    explicit SimulatedDevice(const SimulatedDeviceOptions& options);
    SimulatedDevice(DeviceKind kind, uint32_t seed, double framesPerSecond,
                    bool brindleNeedsSetup = false);

    // One command line as the program sends it, with or without its closing CR;
    // returns the reply lines, each ending in CR LF.
    std::vector<std::string> command(std::string_view line);
    // Moves simulated time on; returns the frame and overflow reports of that time.
    std::vector<std::string> advance(std::chrono::milliseconds elapsed);

    DeviceKind kind() const { return kind_; }
    bool isSniffing() const { return radio_.sniffing(); }
    int channelIndex() const { return radio_.channelIndex(); }
    const DeviceCounters& counters() const { return counters_; }
    const sim::Neighbourhood& neighbourhood() const { return radio_.neighbourhood(); }

private:
    std::string reportLine(const sim::RadioReport& report) const;

    DeviceKind kind_;
    sim::SimRadio radio_;
    sim::BrindleCommands brindle_;
    DeviceCounters counters_;
};

} // namespace qlm

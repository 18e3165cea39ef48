#include "sim/simulated_device.h"

#include "sim/reply_text.h"
#include "sim/sniffer_commands.h"

namespace qlm {

namespace {

// The command without its closing CR and without any LF the sender added.
std::string_view commandText(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    while (!line.empty() && line.front() == '\n')
        line.remove_prefix(1);
    return line;
}

} // namespace

SimulatedDevice::SimulatedDevice(const SimulatedDeviceOptions& options)
    : kind_(options.kind), radio_(options.seed, options.framesPerSecond, options.burstPeriod),
      brindle_(options.brindleNeedsSetup) {}

SimulatedDevice::SimulatedDevice(DeviceKind kind, uint32_t seed, double framesPerSecond,
                                 bool brindleNeedsSetup)
    : SimulatedDevice(SimulatedDeviceOptions{kind, seed, framesPerSecond, brindleNeedsSetup}) {}

std::vector<std::string> SimulatedDevice::command(std::string_view line) {
    ++counters_.commands;
    const std::string_view text = commandText(line);
    if (kind_ == DeviceKind::kSniffer)
        return sim::answerSnifferCommand(text, radio_);
    return brindle_.answer(text, radio_);
}

std::vector<std::string> SimulatedDevice::advance(std::chrono::milliseconds elapsed) {
    std::vector<std::string> lines;
    for (const sim::RadioReport& report : radio_.advance(elapsed)) {
        ++(report.overflow ? counters_.overflows : counters_.frames);
        lines.push_back(reportLine(report));
    }
    return lines;
}

std::string SimulatedDevice::reportLine(const sim::RadioReport& report) const {
    if (report.overflow)
        return sim::line("+OVRF");
    const char* tag = kind_ == DeviceKind::kSniffer ? "+MACF:" : "+PDAI:";
    return sim::line(tag + sim::hexPairs(report.frame));
}

} // namespace qlm

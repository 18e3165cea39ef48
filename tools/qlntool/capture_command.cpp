// The capture command: detection, an optional scan, sniffing and intake on a real
// or simulated device without a window, then an export of what was captured.

#include "commands.h"

#include "link/channel_scan.h"
#include "link/device_search.h"
#include "link/posix_serial_port.h"
#include "link/sniffing.h"
#include "logfile/log_file.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace qlntool {
namespace {

struct CaptureOptions {
    std::string port;
    std::string output;
    bool brindle = false;
    bool scan = false;
    int channel = 0;  // 11 to 26 when given
    int seconds = -1;
};

bool readInteger(const std::string& text, int& value) {
    try {
        size_t end = 0;
        value = std::stoi(text, &end);
        return end == text.size();
    } catch (...) {
        return false;
    }
}

std::string parseCaptureArguments(const Arguments& arguments, CaptureOptions& options) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--brindle") {
            options.brindle = true;
        } else if (argument == "--scan") {
            options.scan = true;
        } else if (argument == "--port" && hasValue) {
            options.port = arguments[++i];
        } else if (argument == "-o" && hasValue) {
            options.output = arguments[++i];
        } else if (argument == "--channel" && hasValue) {
            if (!readInteger(arguments[++i], options.channel) || options.channel < 11 ||
                options.channel > 26)
                return "--channel takes a channel from 11 to 26";
        } else if (argument == "--seconds" && hasValue) {
            if (!readInteger(arguments[++i], options.seconds) || options.seconds < 0)
                return "--seconds takes a number of seconds";
        } else {
            return "unknown or incomplete option \"" + argument + "\" for capture";
        }
    }
    if (options.port.empty() || options.output.empty() || options.seconds < 0)
        return "capture needs --port, --seconds and -o";
    if (options.scan == (options.channel != 0))
        return "capture needs either --channel or --scan";
    return {};
}

// Runs the intake as the window's timer does: at most one line per 1 ms tick.
// Returns false when the device went away.
bool takeIn(qlm::Sniffing& sniffing, std::chrono::steady_clock::time_point end) {
    auto nextTick = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() < end) {
        if (sniffing.tick() == qlm::Sniffing::Tick::kFailed)
            return false;
        nextTick += std::chrono::milliseconds(1);
        std::this_thread::sleep_until(nextTick);
    }
    return true;
}

} // namespace

int captureCommand(const Arguments& arguments) {
    CaptureOptions options;
    if (const std::string error = parseCaptureArguments(arguments, options); !error.empty())
        return usageError(error);

    const qlm::StatusSink status = [](std::string_view text) {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    };
    qlm::PosixPortOpener opener;
    qlm::SnifferLink link(opener, status);
    qlm::DeviceDialog dialog(link, status);
    dialog.setBrindle(options.brindle);
    dialog.setPortName(options.port);
    qlm::Capture capture;
    qlm::Sniffing sniffing(dialog, capture);
    qlm::ChannelScan scan(dialog, capture.channels, sniffing);

    qlm::searchDevice(dialog);
    if (!link.isOpen())
        return fail("no device found on " + options.port);
    if (options.scan) {
        if (scan.scanAll() != qlm::ChannelScan::ScanAll::kSniffing)
            return fail("the scan found no channel to sniff on");
    } else {
        capture.channels.setSelectedChannel(options.channel - qlm::ChannelTable::kFirstChannelNumber);
        if (!sniffing.start())
            return fail("the device did not start sniffing");
    }

    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(options.seconds);
    const bool deviceStayed = takeIn(sniffing, end);
    sniffing.stop();
    link.close();

    // What was captured is written out even when the device went away.
    if (const qlm::FileResult result = qlm::exportLogFile(capture, options.output); !result)
        return fail(options.output + ": " + result.error);
    std::printf("frames: %d\npackets: %d\nerrors: %d\nnodes: %d\n", capture.frames.frameCount(),
                capture.statistics.packets(), capture.statistics.errors(),
                capture.nodes.count());
    return deviceStayed ? 0 : fail("the device went away during the capture");
}

} // namespace qlntool

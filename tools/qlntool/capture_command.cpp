// The capture command: detection, an optional scan, sniffing and intake on a real
// or simulated device without a window, then an export of what was captured.

#include "commands.h"

#include "logfile/partial_log.h"
#include "session/capture_session.h"
#include "session/session_failures.h"

#include <chrono>
#include <cerrno>
#include <csignal>
#include <cstring>
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

volatile std::sig_atomic_t interrupted = 0;

void requestEnd(int) { interrupted = 1; }

// Ctrl+C and SIGTERM end the capture as the end of its time does. A second one
// kills the tool at once (the partial log keeps what was captured).
void endOnInterrupt() {
    struct sigaction action {};
    action.sa_handler = requestEnd;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

// The capture's partial log, kept up to date once a second. A failure to write
// it is said once; the capture in memory goes on.
class Journal {
public:
    explicit Journal(bool wanted) : wanted_(wanted) {}

    qlm::FileResult start(const std::string& target, const qlm::ChannelTable& channels) {
        return wanted_ ? log_.start(target, channels) : qlm::FileResult::success();
    }
    // Starts the log again, with the channels as they are now.
    void restart(const qlm::ChannelTable& channels) {
        if (log_.isOpen())
            report(log_.restart(channels));
    }
    void update(const qlm::FrameStore& frames) {
        if (log_.isOpen())
            report(log_.append(frames));
    }
    void remove() { log_.remove(); }
    bool isOpen() const { return log_.isOpen(); }
    const std::string& path() const { return log_.path(); }

private:
    void report(const qlm::FileResult& result) {
        if (result)
            return;
        std::fprintf(stderr, "qlntool: %s: %s; capturing on in memory\n", log_.path().c_str(),
                     result.error.c_str());
        log_.remove();
    }

    bool wanted_;
    qlm::PartialLog log_;
};

// Runs the intake as the window's timer does: at most one line per 1 ms tick, the
// partial log brought up to date every second. Returns false when the device went
// away; an interrupt ends it like the end of its time.
bool takeIn(qlm::Sniffing& sniffing, const qlm::FrameStore& frames, Journal& journal,
            std::chrono::steady_clock::time_point end) {
    using std::chrono::steady_clock;
    auto nextTick = steady_clock::now();
    auto nextUpdate = nextTick + std::chrono::seconds(1);
    while (steady_clock::now() < end && !interrupted) {
        const qlm::Sniffing::Tick tick = sniffing.tick();
        if (tick == qlm::Sniffing::Tick::kFailed)
            return false;
        if (tick == qlm::Sniffing::Tick::kOutOfMemory)
            return true;  // the device is stopped; what was stored is exported
        if (steady_clock::now() >= nextUpdate) {
            journal.update(frames);
            nextUpdate += std::chrono::seconds(1);
        }
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

    // The output is checked, and the partial log started, before the device is
    // touched: a capture must not run for nothing.
    qlm::ExportTarget target;
    if (const qlm::FileResult result = qlm::inspectExportTarget(options.output, target); !result)
        return fail(options.output + ": " + result.error);
    const qlm::StatusSink status = [](std::string_view text) {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    };
    qlm::CaptureSession session(status);
    qlm::Capture& capture = session.capture();
    Journal journal(target.kind != qlm::ExportTarget::Kind::kInPlace);
    if (const qlm::FileResult result = journal.start(target.path, capture.channels); !result) {
        const bool leftBefore = result.error == std::strerror(EEXIST);
        const char* hint = leftBefore ? " (left by a capture cut short: import it or move it away)"
                                      : "";
        return fail(journal.path() + ": " + result.error + hint);
    }
    endOnInterrupt();

    session.conversation().setBrindle(options.brindle);
    session.scan().setCancelCheck([] { return interrupted != 0; });
    qlm::SnifferLink& link = session.link();
    qlm::Sniffing& sniffing = session.sniffing();

    const auto giveUp = [&](const std::string& message) {
        journal.remove();
        return fail(message);
    };
    const qlm::Identification found = session.choosePort(options.port);
    if (const std::string failure = qlm::connectionFailure(session, found, options.port);
        !failure.empty())
        return giveUp(failure);
    if (!interrupted) {
        if (options.scan) {
            const qlm::ChannelScan::ScanAll result = session.scanAll();
            if (const std::string failure = qlm::scanFailure(result, options.port, sniffing);
                !failure.empty())
                return giveUp(failure);
        } else {
            capture.channels.setSelectedChannel(options.channel -
                                                qlm::ChannelTable::kFirstChannelNumber);
            if (!sniffing.start())
                return giveUp(qlm::sniffingFailure(sniffing, options.port));
        }
    }

    bool deviceStayed = true;
    if (sniffing.sniffing()) {
        journal.restart(capture.channels);  // with the channels the scan found
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(options.seconds);
        deviceStayed = takeIn(sniffing, capture.frames, journal, end);
    }
    const bool wasSniffing = deviceStayed && link.isOpen();
    session.shutDown();
    const bool stopConfirmed = !wasSniffing || sniffing.stopConfirmed();

    // What was captured is written out even when the device went away; the partial
    // log holds it until the export has replaced it.
    journal.update(capture.frames);
    if (const qlm::FileResult result = session.exportLog(options.output); !result) {
        if (journal.isOpen())
            std::fprintf(stderr, "qlntool: the frames captured are in %s\n",
                         journal.path().c_str());
        return fail(options.output + ": " + result.error);
    }
    journal.remove();
    if (interrupted)
        std::fprintf(stderr, "qlntool: interrupted; the capture so far was exported\n");
    std::printf("frames: %d\npackets: %d\nerrors: %d\nnodes: %d\n", capture.frames.frameCount(),
                capture.statistics.packets(), capture.statistics.errors(),
                capture.nodes.count());
    if (!deviceStayed)
        return fail("the device went away during the capture");
    if (sniffing.ranOutOfMemory())
        return fail("the capture stopped for want of memory; what was stored was exported");
    if (!stopConfirmed)
        return fail("the device on " + options.port +
                    " never confirmed the stop; it may still be sniffing");
    return 0;
}

} // namespace qlntool

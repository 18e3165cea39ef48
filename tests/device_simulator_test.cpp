// The device dialogues against the simulated devices, reached through a
// pseudo-terminal and the real serial port code, as the program reaches a device.

#include "link/channel_scan.h"
#include "link/device_search.h"
#include "link/posix_serial_port.h"
#include "link/sniffing.h"
#include "sim/pty_server.h"
#include "sim/simulated_device.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace qlm::test {
namespace {

using namespace std::chrono_literals;

// A simulated device on a pseudo-terminal and the program's side of the link.
struct SimulatorBench {
    explicit SimulatorBench(SimulatedDeviceOptions options) : device(options), server(device) {
        std::string error;
        started = server.start(error);
        conversation.setPortName(server.slavePath());
        conversation.setBrindle(options.kind == DeviceKind::kBrindle);
    }
    ~SimulatorBench() {
        sniffing.stop();
        link.close();
        server.stop();
    }

    // Runs the intake for a while, one line per tick as the window's timer does.
    std::vector<Sniffing::Tick> takeIn(std::chrono::milliseconds duration) {
        std::vector<Sniffing::Tick> ticks;
        const auto end = std::chrono::steady_clock::now() + duration;
        while (std::chrono::steady_clock::now() < end) {
            const Sniffing::Tick tick = sniffing.tick();
            if (tick != Sniffing::Tick::kNothing)
                ticks.push_back(tick);
            if (tick == Sniffing::Tick::kFailed || tick == Sniffing::Tick::kIdle)
                break;
            link.waitForLine(1);
        }
        return ticks;
    }
    std::string port() const { return server.slavePath(); }

    SimulatedDevice device;
    PtyServer server;
    bool started = false;
    PosixPortOpener opener;
    std::vector<std::string> status;
    SnifferLink link{opener, [this](std::string_view text) { status.emplace_back(text); }};
    DeviceConversation conversation{link,
                                    [this](std::string_view text) { status.emplace_back(text); }};
    Capture capture;
    Sniffing sniffing{conversation, capture};
    ChannelScan scan{conversation, capture.channels, sniffing};
};

SimulatedDeviceOptions options(DeviceKind kind, double rate, std::chrono::milliseconds bursts) {
    SimulatedDeviceOptions result;
    result.kind = kind;
    result.seed = 5;
    result.framesPerSecond = rate;
    result.burstPeriod = bursts;
    return result;
}

TEST(DeviceSimulator, SnifferScanChoosesABeaconChannelAndEveryFrameSentIsStored) {
    SimulatorBench bench(options(DeviceKind::kSniffer, 300, 0ms));
    ASSERT_TRUE(bench.started);
    searchDevice(bench.conversation);
    ASSERT_TRUE(bench.link.isOpen());
    EXPECT_EQ(bench.status.back(), "Sniffer detected on " + bench.port() + ":");

    ASSERT_EQ(bench.scan.scanAll(), ChannelScan::ScanAll::kSniffing);
    const ChannelTable& channels = bench.capture.channels;
    int beaconChannels = 0;
    for (int i = 0; i < ChannelTable::kChannelCount; ++i) {
        EXPECT_TRUE(channels[i].energyMeasured()) << i;
        beaconChannels += channels[i].beacons != 0;
    }
    EXPECT_GE(beaconChannels, 2);
    EXPECT_EQ(channels.selectedChannel(), ChannelScan::bestChannel(channels));
    EXPECT_NE(channels[channels.selectedChannel()].beacons, 0);

    const std::vector<Sniffing::Tick> ticks = bench.takeIn(1500ms);
    bench.sniffing.stop();
    EXPECT_FALSE(ticks.empty());
    EXPECT_EQ(bench.status.back(), "Sniffing de-activated");
    // Reports on their way when the stop came in are stored too: nothing is lost.
    EXPECT_EQ(static_cast<uint64_t>(bench.capture.frames.frameCount()), bench.server.framesSent());
    EXPECT_EQ(bench.capture.statistics.packets(), bench.capture.frames.frameCount());
    EXPECT_GT(bench.capture.nodes.count(), 1);
}

TEST(DeviceSimulator, BrindleNeedingSetUpIsDetectedScannedAndSniffs) {
    SimulatedDeviceOptions brindle = options(DeviceKind::kBrindle, 300, 0ms);
    brindle.brindleNeedsSetup = true;
    SimulatorBench bench(brindle);
    ASSERT_TRUE(bench.started);
    searchDevice(bench.conversation);
    ASSERT_TRUE(bench.link.isOpen());
    EXPECT_EQ(bench.status.back(), "Brindle detected on " + bench.port() + ":");

    // A click on a channel cell scans that channel and sniffs on it.
    const int channel = 9;  // channel 20
    bench.scan.clickChannel(channel);
    EXPECT_TRUE(bench.sniffing.sniffing());
    EXPECT_NE(bench.capture.channels[channel].beacons, 0);
    EXPECT_TRUE(bench.capture.channels[channel].energyMeasured());
    bench.takeIn(1000ms);
    bench.scan.clickChannel(channel);  // the sniffed channel again: stop
    EXPECT_FALSE(bench.sniffing.sniffing());
    EXPECT_GT(bench.capture.frames.frameCount(), 0);
    EXPECT_EQ(static_cast<uint64_t>(bench.capture.frames.frameCount()), bench.server.framesSent());
}

TEST(DeviceSimulator, BrindleScanOfAllChannelsUsesEachChannelsMask) {
    SimulatorBench bench(options(DeviceKind::kBrindle, 100, 0ms));
    ASSERT_TRUE(bench.started);
    searchDevice(bench.conversation);
    ASSERT_TRUE(bench.link.isOpen());
    std::vector<int> shown;
    bench.scan.onBringIntoView([&](int channel) { shown.push_back(channel); });
    ASSERT_EQ(bench.scan.scanAll(), ChannelScan::ScanAll::kSniffing);
    // The device answers a mask that is not exactly its channel's with an error.
    for (int i = 0; i < ChannelTable::kChannelCount; ++i)
        EXPECT_TRUE(bench.capture.channels[i].energyMeasured()) << i;
    const int chosen = bench.capture.channels.selectedChannel();
    EXPECT_EQ(chosen, ChannelScan::bestChannel(bench.capture.channels));
    ASSERT_EQ(shown.size(), 17u);
    EXPECT_EQ(shown.back(), chosen);
    EXPECT_EQ(bench.status.back(), "Sniffing on " +
                                       std::to_string(ChannelTable::frequencyMHz(chosen)) +
                                       "MHz...");
}

TEST(DeviceSimulator, OverflowBurstIsDrainedAndTheCaptureGoesOn) {
    SimulatorBench bench(options(DeviceKind::kSniffer, 200, 400ms));
    ASSERT_TRUE(bench.started);
    bench.capture.channels.setSelectedChannel(4);
    ASSERT_TRUE(bench.sniffing.start());
    const std::vector<Sniffing::Tick> ticks = bench.takeIn(4000ms);
    bench.sniffing.stop();

    const auto overflow = std::find(ticks.begin(), ticks.end(), Sniffing::Tick::kOverflow);
    ASSERT_NE(overflow, ticks.end());
    EXPECT_NE(std::find(overflow, ticks.end(), Sniffing::Tick::kFrame), ticks.end());
    int overflowRecords = 0;
    for (const CapturedFrame& record : bench.capture.frames)
        overflowRecords += record.isOverflow();
    // An overflow report that comes while an earlier burst is drained goes with it.
    EXPECT_GE(overflowRecords, 1);
    EXPECT_LE(static_cast<uint64_t>(overflowRecords), bench.server.overflowsSent());
    // The frames of each burst were thrown away by the drain.
    EXPECT_LT(static_cast<uint64_t>(bench.capture.frames.frameCount() - overflowRecords),
              bench.server.framesSent());
}

TEST(DeviceSimulator, DeviceGoneMidCaptureKeepsTheFrames) {
    SimulatorBench bench(options(DeviceKind::kSniffer, 300, 0ms));
    ASSERT_TRUE(bench.started);
    bench.capture.channels.setSelectedChannel(4);
    ASSERT_TRUE(bench.sniffing.start());
    bench.takeIn(500ms);
    const int32_t before = bench.capture.frames.frameCount();
    EXPECT_GT(before, 0);
    bench.server.hangUp();
    const std::vector<Sniffing::Tick> ticks = bench.takeIn(5000ms);
    ASSERT_FALSE(ticks.empty());
    EXPECT_EQ(ticks.back(), Sniffing::Tick::kFailed);
    EXPECT_FALSE(bench.link.isOpen());
    EXPECT_EQ(bench.status.back(), "Read failure on " + bench.port() + ":");
    EXPECT_GE(bench.capture.frames.frameCount(), before);
}

TEST(DeviceSimulator, TheOtherKindOfDeviceIsNotDetected) {
    // The Brindle does not answer the sniffer's lone carriage return: the search
    // stays silent and leaves the port open.
    SimulatorBench brindle(options(DeviceKind::kBrindle, 10, 0ms));
    ASSERT_TRUE(brindle.started);
    brindle.conversation.setBrindle(false);
    searchDevice(brindle.conversation);
    EXPECT_TRUE(brindle.link.isOpen());
    EXPECT_EQ(brindle.status.back(), "Searching for sniffer on " + brindle.port() + ":");

    // The sniffer answers the version request with an error line, never "+DVRC".
    SimulatorBench sniffer(options(DeviceKind::kSniffer, 10, 0ms));
    ASSERT_TRUE(sniffer.started);
    sniffer.conversation.setBrindle(true);
    searchDevice(sniffer.conversation);
    EXPECT_EQ(sniffer.status.back(), "Searching for sniffer on " + sniffer.port() + ":");
}

} // namespace
} // namespace qlm::test

// The capture session at the desk: the "Simulator" entry served inside the
// program and reached through the serial path, a scan, the intake, an export and
// an import, each reported as what changed.

#include "session/capture_session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace qlm {
namespace {

using namespace std::chrono_literals;

struct SessionBench {
    SessionBench() {
        SimulatedDeviceOptions options;
        options.seed = 7;
        options.framesPerSecond = 200;
        options.burstPeriod = 0ms;
        session->simulator().setOptions(options);
    }
    // Ticks as the window's timer does until `frames` are stored or 5 s pass.
    void takeIn(int32_t frames) {
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (session->capture().frames.frameCount() < frames &&
               std::chrono::steady_clock::now() < end) {
            if (session->tick() == Sniffing::Tick::kNothing)
                session->link().waitForLine(1);
        }
    }

    std::vector<std::string> status;
    std::unique_ptr<CaptureSession> session = std::make_unique<CaptureSession>(
        [this](std::string_view text) { status.emplace_back(text); });
};

TEST(CaptureSession, SimulatorScanIntakeExportAndImportReportWhatChanged) {
    SessionBench bench;
    CaptureSession& session = *bench.session;
    session.takeChanges();

    // The Brindle is the kind expected by default, and the simulator serves one.
    ASSERT_EQ(session.choosePort(CaptureSession::kSimulatorEntry),
              Identification::kIdentified);
    EXPECT_EQ(session.chosenPort(), "Simulator");
    EXPECT_TRUE(session.simulator().running());
    EXPECT_EQ(session.conversation().portName(), session.simulator().path());
    EXPECT_EQ(bench.status.back(), "Brindle detected on " + session.simulator().path() + ":");

    ASSERT_EQ(session.scanAll(), ChannelScan::ScanAll::kSniffing);
    CaptureChange change = session.takeChanges();
    EXPECT_TRUE(change.channelsChanged);
    EXPECT_TRUE(change.newCapture);  // sniffing started a new capture

    bench.takeIn(20);
    change = session.takeChanges();
    ASSERT_GE(change.endNewFrame, 20);
    EXPECT_EQ(change.firstNewFrame, 0);
    EXPECT_TRUE(change.nodes.any());
    EXPECT_TRUE(change.countersChanged);

    char path[] = "/tmp/qlm_session_XXXXXX.qln";
    const int fd = ::mkstemps(path, 4);
    ASSERT_GE(fd, 0);
    ::close(fd);
    session.sniffing().stop();
    const int32_t captured = session.capture().frames.frameCount();
    ASSERT_TRUE(session.exportLog(path));

    // The import ends the link: no port, "Import" chosen, the simulator gone.
    session.prepareImport();
    ASSERT_TRUE(session.importLog(path));
    EXPECT_EQ(session.capture().frames.frameCount(), captured);
    EXPECT_EQ(session.chosenPort(), "");
    EXPECT_FALSE(session.link().isOpen());
    EXPECT_FALSE(session.simulator().running());
    change = session.takeChanges();
    EXPECT_TRUE(change.newCapture);
    EXPECT_EQ(change.endNewFrame, captured);
    EXPECT_TRUE(change.nodes.moved);

    // A file that cannot be read leaves the capture and the port as they were.
    const FileResult missing = session.importLog(std::string(path) + ".missing");
    EXPECT_FALSE(missing);
    EXPECT_EQ(session.capture().frames.frameCount(), captured);
    EXPECT_FALSE(session.takeChanges().any());
    std::remove(path);
}

TEST(CaptureSession, DeviceKindChangeServesTheSimulatorAgainAndShutDownStopsTheDevice) {
    SessionBench bench;
    CaptureSession& session = *bench.session;
    ASSERT_EQ(session.choosePort(CaptureSession::kSimulatorEntry),
              Identification::kIdentified);
    session.chooseDeviceKind(false);
    EXPECT_FALSE(session.link().isOpen());
    EXPECT_FALSE(session.brindle());
    EXPECT_EQ(session.conversation().portName(), session.simulator().path());

    // The next dialogue finds the sniffer on the new terminal.
    session.capture().channels.setSelectedChannel(4);
    ASSERT_TRUE(ensureOpen(session.conversation()));
    EXPECT_EQ(bench.status.back(), "Sniffer detected on " + session.simulator().path() + ":");
    ASSERT_TRUE(session.sniffing().start());
    bench.takeIn(1);
    session.shutDown();
    EXPECT_TRUE(session.sniffing().stopConfirmed());
    EXPECT_FALSE(session.link().isOpen());
    EXPECT_FALSE(session.simulator().running());

    // "Import" closes the port and searches nothing.
    EXPECT_EQ(session.choosePort(""), Identification::kRejected);
    EXPECT_FALSE(session.link().isOpen());
}

} // namespace
} // namespace qlm

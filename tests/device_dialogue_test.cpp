// The device dialogues over a scripted device: detection of both kinds, start and
// stop of sniffing, the intake of reports, and the channel scans.

#include "link/channel_scan.h"
#include "link/device_search.h"
#include "link/port_list.h"
#include "link/sniffing.h"
#include "address_space_limit.h"
#include "scripted_port.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include <string>
#include <vector>

namespace qlm::test {
namespace {

using Texts = std::vector<std::string>;

const std::string kPort = "ttyUSB0";

// The link, the dialogue state and a capture over one scripted device.
struct Bench {
    explicit Bench(bool brindle) : device(opener.attach(kPort)) {
        conversation.setBrindle(brindle);
        conversation.setPortName(kPort);
    }

    void replySniffer(bool answerReturn = true) {
        if (answerReturn)
            device.onCommand("\r", "OK\r\n");
        device.onCommand("AT+INIT\r", "+INIT:IEEE 802.Quorlanmirex sniffer\r\n");
        for (int channel = 0; channel < 16; ++channel)
            device.onCommand(std::string("AT+SNIF=") + "0123456789ABCDEF"[channel] + "\r",
                             "+SNIF:OK\r\n");
    }
    void replyBrindle() {
        device.onCommand("+DVRR\r", "+DVRC=0B400111 1.2\r\n");
        device.onCommand("+MSTR=000b\r", "+MSTC=00\r\n");
        device.onCommand("+MSTR=5100\r", "+MSTC=00\r\n");
        device.onCommand("+MSTR=5101\r", "+MSTC=00\r\n");
    }
    // The commands written since the last call.
    Texts newCommands() {
        const Texts all = device.commands();
        Texts fresh(all.begin() + static_cast<std::ptrdiff_t>(seen), all.end());
        seen = all.size();
        return fresh;
    }

    ScriptedOpener opener;
    ScriptedDevice& device;
    Texts status;
    SnifferLink link{opener, [this](std::string_view text) { status.emplace_back(text); }};
    DeviceConversation conversation{link,
                                    [this](std::string_view text) { status.emplace_back(text); }};
    Capture capture;
    ArrivalTime now{10, 20, 30, 400};
    Sniffing sniffing{conversation, capture, [this] { return now; }};
    size_t seen = 0;
};

TEST(DeviceSearch, SnifferIsDetectedByItsIdentityText) {
    Bench bench(false);
    bench.replySniffer();
    bench.device.onCommandOnce("\r", "whatever it says\r\n");
    searchDevice(bench.conversation);
    EXPECT_TRUE(bench.link.isOpen());
    EXPECT_EQ(bench.status, (Texts{"Searching for sniffer on ttyUSB0:",
                                   "Sniffer detected on ttyUSB0:"}));
    EXPECT_EQ(bench.newCommands(), (Texts{"\r", "AT+INIT\r"}));

    Bench wrongCase(false);
    wrongCase.device.onCommand("\r", "OK\r\n");
    wrongCase.device.onCommand("AT+INIT\r", "+INIT:IEEE 802.QuorlanmireX\r\n");
    searchDevice(wrongCase.conversation);
    EXPECT_FALSE(wrongCase.link.isOpen());
    EXPECT_EQ(wrongCase.status.back(), "Couldn't find sniffer on ttyUSB0:");
}

TEST(DeviceSearch, SilentDeviceLeavesThePortOpenAndMissingPortIsReported) {
    Bench silent(false);
    searchDevice(silent.conversation);
    EXPECT_TRUE(silent.link.isOpen());
    EXPECT_EQ(silent.status, (Texts{"Searching for sniffer on ttyUSB0:"}));
    EXPECT_TRUE(ensureOpen(silent.conversation));  // open: no second search
    EXPECT_EQ(silent.newCommands(), (Texts{"\r"}));

    Bench missing(false);
    missing.conversation.setPortName("ttyACM7");
    EXPECT_FALSE(ensureOpen(missing.conversation));
    EXPECT_EQ(missing.status, (Texts{"Couldn't open ttyACM7:"}));
    EXPECT_EQ(missing.link.openError(), "No such file or directory");
    EXPECT_EQ(searchDevice(missing.conversation), Identification::kRejected);
    missing.conversation.setPortName(kPort);
    missing.replySniffer();
    EXPECT_EQ(searchDevice(missing.conversation), Identification::kIdentified);
    EXPECT_EQ(missing.link.openError(), "");
    Bench quiet(false);
    EXPECT_EQ(searchDevice(quiet.conversation), Identification::kSilent);

    Bench import(false);
    import.conversation.setPortName("");
    EXPECT_FALSE(ensureOpen(import.conversation));
    EXPECT_TRUE(import.status.empty());
    EXPECT_EQ(import.device.portsOpened(), 0);
}

TEST(DeviceSearch, BrindleStartsItsMacFirstWhenAskedAndIgnoresOtherLines) {
    Bench bench(true);
    bench.device.onCommandOnce("+DVRR\r", "+MBNI=noise\r\n+DERI=04\r\n");
    bench.replyBrindle();
    bench.device.onCommand("+DSMR=0015C8384100FFFF\r", "+DSMC=00\r\n");
    searchDevice(bench.conversation);
    EXPECT_TRUE(bench.link.isOpen());
    EXPECT_EQ(bench.newCommands(), (Texts{"+DVRR\r", "+DSMR=0015C8384100FFFF\r", "+DVRR\r",
                                          "+MSTR=000b\r", "+MSTR=5100\r"}));
    EXPECT_EQ(bench.status.back(), "Brindle detected on ttyUSB0:");
}

TEST(DeviceSearch, BrindleRejections) {
    Bench wrongVersion(true);
    wrongVersion.device.onCommand("+DVRR\r", "+DVRC=0B400112\r\n");
    searchDevice(wrongVersion.conversation);
    EXPECT_FALSE(wrongVersion.link.isOpen());
    EXPECT_EQ(wrongVersion.status.back(), "Device on ttyUSB0: is not Brindle");

    Bench otherError(true);
    otherError.device.onCommand("+DVRR\r", "+DERI=05\r\n");
    searchDevice(otherError.conversation);
    EXPECT_FALSE(otherError.link.isOpen());
    EXPECT_EQ(otherError.status.back(), "Couldn't find Brindle on ttyUSB0:");
}

TEST(PortList, ImportFirstAndTheRememberedPortSelected) {
    EXPECT_EQ(makePortList({}, "").entries, (Texts{"Import"}));
    const PortList list = makePortList({"ttyS0", "ttyUSB0"}, "ttyUSB0");
    EXPECT_EQ(list.entries, (Texts{"Import", "ttyS0", "ttyUSB0"}));
    EXPECT_EQ(list.selected, 2);
    const PortList pty = makePortList({"ttyS0"}, "/dev/pts/4");
    EXPECT_EQ(pty.entries, (Texts{"Import", "ttyS0", "/dev/pts/4"}));
    EXPECT_EQ(pty.selected, 2);
    EXPECT_EQ(portOfEntry("Import"), "");
    EXPECT_EQ(portOfEntry("ttyS0"), "ttyS0");

    // Choosing "Import" closes the open port and opens none.
    Bench bench(false);
    bench.replySniffer();
    searchDevice(bench.conversation);
    ASSERT_TRUE(bench.link.isOpen());
    bench.capture.channels[3].beacons = 2;
    choosePort(bench.conversation, bench.sniffing, bench.capture.channels, "");
    EXPECT_FALSE(bench.link.isOpen());
    EXPECT_EQ(bench.capture.channels[3].beacons, 0);
    EXPECT_EQ(bench.device.portsOpened(), 1);
}

TEST(Sniffing, StartSendsTheChannelOfEachDeviceKind) {
    Bench sniffer(false);
    sniffer.replySniffer();
    sniffer.capture.channels.setSelectedChannel(10);
    ASSERT_TRUE(sniffer.sniffing.start());
    Texts commands = sniffer.newCommands();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.back(), "AT+SNIF=A\r");
    EXPECT_EQ(sniffer.status.back(), "Sniffing on 2455MHz...");

    Bench brindle(true);
    brindle.replyBrindle();
    brindle.device.onCommand("+MSTR=0015\r", "+MSTC=00\r\n");
    brindle.capture.channels.setSelectedChannel(10);
    ASSERT_TRUE(brindle.sniffing.start());
    commands = brindle.newCommands();
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(Texts(commands.end() - 2, commands.end()), (Texts{"+MSTR=0015\r", "+MSTR=5101\r"}));

    // Without a selected channel nothing starts.
    Bench none(false);
    none.replySniffer();
    EXPECT_FALSE(none.sniffing.start());
    EXPECT_EQ(none.device.portsOpened(), 0);
}

// Only the confirmation starts a capture; a refusal keeps the one in memory and
// names the reply.
TEST(Sniffing, ARefusedStartIsAFailureThatNamesTheReply) {
    const uint8_t frame[] = {0x05, 0x02, 0x00, 0x07, 0x40, 0x80};
    struct Case {
        bool brindle;
        std::string command;
        std::string reply;
        std::string shown;
    } cases[] = {
        {false, "AT+SNIF=4\r", "+ERRR\r\n", "+ERRR"},
        {false, "AT+SNIF=4\r", "OK\r\n", "OK"},
        {false, "AT+SNIF=4\r", "+ERR\x01\xF0" + std::string(60, 'x') + "\r\n",
         "+ERR??" + std::string(34, 'x') + "..."},
        {true, "+MSTR=000F\r", "+ERRR\r\n", "+ERRR"},
        {true, "+MSTR=000F\r", "+MSTC=E800\r\n", "+MSTC=E800"},
        {true, "+MSTR=5101\r", "+MSTC=E851\r\n", "+MSTC=E851"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.reply);
        Bench bench(test.brindle);
        bench.device.onCommand(test.command, test.reply);  // the first reaction wins
        test.brindle ? bench.replyBrindle() : bench.replySniffer();
        bench.device.onCommand("+MSTR=000F\r", "+MSTC=00\r\n");
        bench.capture.frames.appendFrame(bench.now, frame);
        bench.capture.statistics.update(false);
        bench.capture.channels.setSelectedChannel(4);
        EXPECT_FALSE(bench.sniffing.start());
        EXPECT_FALSE(bench.sniffing.sniffing());
        EXPECT_EQ(bench.sniffing.refusal(), test.shown);
        EXPECT_EQ(bench.status.back(), "Device on ttyUSB0: refused to sniff (" + test.shown + ")");
        EXPECT_EQ(bench.capture.frames.frameCount(), 1);
        EXPECT_EQ(bench.capture.statistics.packets(), 1);
        EXPECT_EQ(bench.sniffing.tick(), Sniffing::Tick::kIdle);
    }
}

TEST(Sniffing, IntakeStoresReportsOfTheCurrentKindOneLinePerTick) {
    Bench bench(false);
    bench.replySniffer();
    bench.capture.channels.setSelectedChannel(4);
    ASSERT_TRUE(bench.sniffing.start());
    ASSERT_TRUE(bench.capture.frames.empty());

    bench.device.sendLine("+MACF:0B0102030405060708090A0B");  // 12 bytes
    bench.device.sendLine("+PDAI:050203040506");              // the other kind
    bench.device.sendLine("+MACF:00ABC");                     // odd digit count
    bench.device.sendLine("+MACF:");                          // no bytes
    bench.device.sendLine("+MACF:" + std::string(400, 'F'));  // 200 pairs
    auto tickUntil = [&](Sniffing::Tick wanted) {
        for (int i = 0; i < 50; ++i) {
            bench.link.waitForLine(200);
            const Sniffing::Tick tick = bench.sniffing.tick();
            if (tick == wanted)
                return true;
            if (tick != Sniffing::Tick::kNothing)
                return false;
        }
        return false;
    };
    for (int frame = 0; frame < 4; ++frame)
        ASSERT_TRUE(tickUntil(Sniffing::Tick::kFrame)) << frame;

    const FrameStore& frames = bench.capture.frames;
    ASSERT_EQ(frames.frameCount(), 4);
    EXPECT_EQ(frames[0].length, 12);
    EXPECT_EQ(frames[0].data[0], 0x0B);
    EXPECT_EQ(frames[0].data[11], 0x0B);
    EXPECT_EQ(frames[0].hour, 10);
    EXPECT_EQ(frames[0].millisecond, 400);
    EXPECT_EQ(frames[1].length, 3);
    EXPECT_EQ(frames[1].data[2], 0x00);  // the lone digit paired with the CR
    EXPECT_EQ(frames[2].length, 0);
    EXPECT_EQ(frames[3].length, 192);
    EXPECT_EQ(bench.capture.statistics.packets(), 4);
    EXPECT_EQ(bench.capture.statistics.errors(), 3);  // 00, no bytes, FF
    EXPECT_NE(frames[0].frameClass, 0);
}

TEST(Sniffing, OverflowDrainsTheBurstAndAQuietPollEndsIt) {
    Bench bench(true);
    bench.replyBrindle();
    bench.device.onCommand("+MSTR=0010\r", "+MSTC=00\r\n");
    bench.capture.channels.setSelectedChannel(5);
    ASSERT_TRUE(bench.sniffing.start());

    std::string burst = "+OVRF\r\n";
    for (int i = 0; i < 20; ++i)
        burst += "+PDAI:05020304EC85\r\n";
    bench.device.send(burst);
    ASSERT_TRUE(bench.link.waitForLine(1500));
    EXPECT_EQ(bench.sniffing.tick(), Sniffing::Tick::kOverflow);
    EXPECT_EQ(bench.status.back(), "Overflow, packets lost");
    bench.device.sendLine("+PDAI:05020304EC86");
    ASSERT_TRUE(bench.link.waitForLine(1500));
    EXPECT_EQ(bench.sniffing.tick(), Sniffing::Tick::kFrame);

    const FrameStore& frames = bench.capture.frames;
    ASSERT_EQ(frames.frameCount(), 2);
    EXPECT_TRUE(frames[0].isOverflow());
    EXPECT_EQ(frames[1].data[5], 0x86);
    EXPECT_EQ(bench.capture.statistics.packets(), 1);
}

TEST(Sniffing, StopStoresTheReportsStillOnTheirWay) {
    Bench bench(false);
    bench.device.onCommandOnce("\r", "OK\r\n");  // the device search
    bench.device.onCommandOnce("\r", "OK\r\n");  // start stops the device first
    // The frames the device sent before it took the stop command in come first.
    bench.device.onCommandOnce("\r", "+MACF:0502030405EC85\r\n+MACF:0502030406EC85\r\nOK\r\n");
    bench.replySniffer();
    bench.capture.channels.setSelectedChannel(0);
    ASSERT_TRUE(bench.sniffing.start());
    EXPECT_EQ(bench.sniffing.stop(), 2);
    EXPECT_TRUE(bench.sniffing.stopConfirmed());
    EXPECT_FALSE(bench.sniffing.sniffing());
    EXPECT_EQ(bench.capture.frames.frameCount(), 2);
    EXPECT_EQ(bench.status.back(), "Sniffing de-activated");
    EXPECT_EQ(bench.sniffing.tick(), Sniffing::Tick::kIdle);

    // Stopping without an open port touches no port, and confirms nothing.
    Bench closed(false);
    closed.sniffing.stop();
    EXPECT_EQ(closed.device.portsOpened(), 0);
    EXPECT_FALSE(closed.sniffing.stopConfirmed());

    // A sniffer that falls silent does not confirm the stop.
    Bench silent(false);
    silent.replySniffer();
    silent.capture.channels.setSelectedChannel(0);
    ASSERT_TRUE(silent.sniffing.start());
    ASSERT_TRUE(silent.device.waitUntilRead());
    silent.device.setWriteMode(ScriptedDevice::WriteMode::kRefuse);
    silent.sniffing.stop();
    EXPECT_FALSE(silent.sniffing.stopConfirmed());
    EXPECT_FALSE(silent.sniffing.sniffing());
}

#if defined(__SANITIZE_THREAD__)
constexpr bool kThreadSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr bool kThreadSanitizer = true;
#else
constexpr bool kThreadSanitizer = false;
#endif
#else
constexpr bool kThreadSanitizer = false;
#endif

// The store is filled to the end of a limited address space; the next report
// finds no room.
TEST(Sniffing, AStoreThatCannotGrowStopsTheDeviceAndKeepsWhatWasStored) {
    if (kThreadSanitizer)
        GTEST_SKIP() << "the sanitizer's own mappings need address space beyond any limit";
    Bench bench(false);
    bench.replySniffer();
    bench.capture.channels.setSelectedChannel(0);
    ASSERT_TRUE(bench.sniffing.start());
    bench.newCommands();
    const uint8_t frame[] = {0x05, 0x02, 0x03, 0x04, 0x05, 0xEC, 0x85};
    AddressSpaceLimit limit(16 << 20);
    ASSERT_TRUE(limit.set());
    while (bench.capture.frames.appendFrame(bench.now, frame)) {
    }
    // Room for the dialogue's small needs, none for another step of the store.
    limit.widen(64 << 10);
    const int32_t stored = bench.capture.frames.frameCount();
    bench.device.sendLine("+MACF:0502030405EC85");
    Sniffing::Tick tick = Sniffing::Tick::kNothing;
    for (int i = 0; i < 50 && tick == Sniffing::Tick::kNothing; ++i) {
        bench.link.waitForLine(100);
        tick = bench.sniffing.tick();
    }
    limit.lift();
    EXPECT_EQ(tick, Sniffing::Tick::kOutOfMemory);
    EXPECT_FALSE(bench.sniffing.sniffing());
    EXPECT_TRUE(bench.sniffing.ranOutOfMemory());
    EXPECT_EQ(bench.capture.frames.frameCount(), stored);
    EXPECT_EQ(bench.status.back(),
              "Out of memory after " + std::to_string(stored) + " frames: the rest was not read");
    // The device was told to stop.
    EXPECT_EQ(bench.newCommands(), (Texts{"\r", "AT+INIT\r"}));
    EXPECT_TRUE(bench.sniffing.stopConfirmed());
    EXPECT_EQ(bench.sniffing.tick(), Sniffing::Tick::kIdle);
}

TEST(Sniffing, DeviceGoneMidCaptureKeepsTheFramesAndReportsIt) {
    Bench bench(false);
    bench.replySniffer();
    bench.capture.channels.setSelectedChannel(0);
    ASSERT_TRUE(bench.sniffing.start());
    bench.device.sendLine("+MACF:0502030405EC85");
    bench.device.fail();
    ASSERT_TRUE(bench.link.waitForLine(1500));
    EXPECT_EQ(bench.sniffing.tick(), Sniffing::Tick::kFrame);
    Sniffing::Tick tick = Sniffing::Tick::kNothing;
    for (int i = 0; i < 50 && tick == Sniffing::Tick::kNothing; ++i) {
        bench.link.waitForLine(100);
        tick = bench.sniffing.tick();
    }
    EXPECT_EQ(tick, Sniffing::Tick::kFailed);
    EXPECT_FALSE(bench.link.isOpen());
    EXPECT_FALSE(bench.sniffing.sniffing());
    EXPECT_EQ(bench.status.back(), "Read failure on ttyUSB0:");
    EXPECT_EQ(bench.capture.frames.frameCount(), 1);
}

// A sniffer whose channels 15 and 20 (indexes 4 and 9) carry beacons of the same
// best level, channel 25 a weaker one.
void replySnifferScans(ScriptedDevice& device) {
    for (int i = 0; i < 16; ++i) {
        const char digit = "0123456789ABCDEF"[i];
        device.onCommand(std::string("AT+ESCN=") + digit + "\r", "+ESCN:0B,0,E0\r\n");
        std::string beacons = "+ASCN:OK\r\n";
        const auto beacon = [](const char* level) {
            // Character 9 '0' marks a beacon; the peak reading stands at 36 and 37.
            std::string line = "+BCNI:0B,0,PAN=1A2B,COORD=0000,PS=";
            line.resize(36, '.');
            return line + level + "\r\n";
        };
        if (i == 4 || i == 9)
            beacons += beacon("F0") + beacon("10");
        if (i == 14)
            beacons += beacon("05");
        device.onCommand(std::string("AT+ASCN=") + digit + "\r", beacons + "+DONE\r\n");
    }
}

TEST(ChannelScan, ScanAllChoosesTheLowestOfEqualBestChannelsAndSniffs) {
    Bench bench(false);
    bench.replySniffer();
    replySnifferScans(bench.device);
    ChannelScan scan(bench.conversation, bench.capture.channels, bench.sniffing);
    std::vector<int> repainted;
    scan.onChannelScanned([&](int channel) { repainted.push_back(channel); });

    EXPECT_EQ(scan.scanAll(), ChannelScan::ScanAll::kSniffing);
    EXPECT_EQ(repainted.size(), 16u);
    const ChannelTable& channels = bench.capture.channels;
    EXPECT_EQ(channels.selectedChannel(), 4);
    EXPECT_EQ(channels[4].beacons, 2);
    EXPECT_EQ(channels[4].level, 0x10);
    EXPECT_EQ(channels[14].level, 5);
    EXPECT_EQ(channels[0].beacons, 0);
    EXPECT_EQ(channels[0].level, ChannelEntry::kNoLevel);
    EXPECT_EQ(channels[7].energy, -32);
    EXPECT_TRUE(bench.sniffing.sniffing());
    EXPECT_EQ(bench.device.commands().back(), "AT+SNIF=4\r");
    const Texts commands = bench.device.commands();
    for (const char digit : std::string("0123456789ABCDEF")) {
        const std::string energy = std::string("AT+ESCN=") + digit + "\r";
        const std::string active = std::string("AT+ASCN=") + digit + "\r";
        EXPECT_EQ(std::count(commands.begin(), commands.end(), energy), 1) << energy;
        EXPECT_EQ(std::count(commands.begin(), commands.end(), active), 1) << active;
    }

    // No beacons anywhere: nothing is chosen and nothing sniffed.
    Bench quiet(false);
    quiet.replySniffer();
    for (int i = 0; i < 16; ++i) {
        const char digit = "0123456789ABCDEF"[i];
        quiet.device.onCommand(std::string("AT+ESCN=") + digit + "\r", "+ESCN:0B,0,20\r\n");
        quiet.device.onCommand(std::string("AT+ASCN=") + digit + "\r", "+ASCN:OK\r\n+DONE\r\n");
    }
    ChannelScan quietScan(quiet.conversation, quiet.capture.channels, quiet.sniffing);
    EXPECT_EQ(quietScan.scanAll(), ChannelScan::ScanAll::kNothingFound);
    EXPECT_EQ(quiet.capture.channels.selectedChannel(), -1);
    EXPECT_FALSE(quiet.sniffing.sniffing());

    Bench import(false);
    import.conversation.setPortName("");
    ChannelScan importScan(import.conversation, import.capture.channels, import.sniffing);
    EXPECT_EQ(importScan.scanAll(), ChannelScan::ScanAll::kImportInstead);

    // Without a port the survey is forgotten and nothing is chosen.
    Bench noPort(false);
    noPort.conversation.setPortName("ttyACM9");
    noPort.capture.channels.setSelectedChannel(3);
    noPort.capture.channels[3].beacons = 1;
    ChannelScan noPortScan(noPort.conversation, noPort.capture.channels, noPort.sniffing);
    EXPECT_EQ(noPortScan.scanAll(), ChannelScan::ScanAll::kNoPort);
    EXPECT_EQ(noPort.capture.channels.selectedChannel(), -1);
    EXPECT_EQ(noPort.capture.channels[3].beacons, 0);
}

// A device that, once it was sent `trigger`, sends lines without pause until
// the test ends.
class Chatter {
public:
    Chatter(ScriptedDevice& device, std::string trigger, std::string line)
        : thread_([this, &device, trigger = std::move(trigger), line = std::move(line)] {
              const auto triggered = [&] {
                  const Texts commands = device.commands();
                  return std::find(commands.begin(), commands.end(), trigger) != commands.end();
              };
              while (!stop_.load() && !triggered())
                  std::this_thread::sleep_for(std::chrono::milliseconds(1));
              while (!stop_.load()) {
                  device.sendLine(line);
                  std::this_thread::sleep_for(std::chrono::milliseconds(2));
              }
          }) {}
    ~Chatter() {
        stop_.store(true);
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(ChannelScan, ADeviceTalkingPastTheLimitEndsTheFullScanAtOnce) {
    for (const bool brindle : {false, true}) {
        SCOPED_TRACE(brindle ? "Brindle" : "sniffer");
        Bench bench(brindle);
        brindle ? bench.replyBrindle() : bench.replySniffer();
        ASSERT_EQ(searchDevice(bench.conversation), Identification::kIdentified);
        bench.conversation.setDialogueLimit(std::chrono::milliseconds(300));
        bench.newCommands();
        // From the first energy scan on, lines the scans read past: no "+DONE", no
        // "+MSCC", no beacon.
        Chatter chatter(bench.device,
                        brindle ? "+MSCR=000000000000000800080000\r" : "AT+ESCN=0\r",
                        "+BCNI:0B,1,PAN=1A2B,COORD=0000,PS=" + std::string(30, '.'));
        ChannelScan scan(bench.conversation, bench.capture.channels, bench.sniffing);
        EXPECT_EQ(scan.scanAll(), ChannelScan::ScanAll::kNotAnswering);
        EXPECT_EQ(bench.status.back(), "Device on ttyUSB0: is not answering as expected");
        const Texts commands = bench.newCommands();
        const std::string second = brindle ? "+MSCR=000000000000000800100000\r" : "AT+ESCN=1\r";
        EXPECT_EQ(std::count(commands.begin(), commands.end(), second), 0) << "scanned on";
        EXPECT_FALSE(bench.sniffing.sniffing());
        EXPECT_EQ(bench.capture.channels.selectedChannel(), -1);
    }
}

TEST(ChannelScan, MissingRepliesFailTheirChannelOnlyAndNoAnswerAtAllIsSaid) {
    Bench bench(false);
    bench.replySniffer();
    for (int i = 0; i < 16; ++i) {
        const char digit = "0123456789ABCDEF"[i];
        bench.device.onCommand(std::string("AT+ESCN=") + digit + "\r", "+ESCN:0B,0,20\r\n");
        // Channel 11 never ends its active scan.
        bench.device.onCommand(std::string("AT+ASCN=") + digit + "\r",
                               i == 0 ? "+ASCN:OK\r\n" : "+ASCN:OK\r\n+DONE\r\n");
    }
    ChannelScan scan(bench.conversation, bench.capture.channels, bench.sniffing);
    EXPECT_EQ(scan.scanAll(), ChannelScan::ScanAll::kNothingFound);
    const Texts commands = bench.device.commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "AT+ASCN=F\r"), 1);
    EXPECT_EQ(bench.status.back(), "Scan complete");

    // A device that answers detection and then nothing.
    Bench mute(false);
    mute.replySniffer();
    ASSERT_EQ(searchDevice(mute.conversation), Identification::kIdentified);
    mute.device.setWriteMode(ScriptedDevice::WriteMode::kRefuse);
    ChannelScan muteScan(mute.conversation, mute.capture.channels, mute.sniffing);
    EXPECT_EQ(muteScan.scanAll(), ChannelScan::ScanAll::kNoAnswer);

    // The cancel check is asked before every channel.
    Bench cancelled(false);
    cancelled.replySniffer();
    replySnifferScans(cancelled.device);
    ChannelScan cancelledScan(cancelled.conversation, cancelled.capture.channels,
                              cancelled.sniffing);
    int asked = 0;
    cancelledScan.setCancelCheck([&] { return ++asked == 3; });
    EXPECT_EQ(cancelledScan.scanAll(), ChannelScan::ScanAll::kCancelled);
    const Texts scanned = cancelled.device.commands();
    EXPECT_EQ(std::count(scanned.begin(), scanned.end(), "AT+ESCN=1\r"), 1);
    EXPECT_EQ(std::count(scanned.begin(), scanned.end(), "AT+ESCN=2\r"), 0);
    EXPECT_FALSE(cancelled.sniffing.sniffing());
}

TEST(ChannelScan, ABeaconLineTooShortForItsReadingEndsTheChannelsScan) {
    Bench bench(false);
    bench.replySniffer();
    bench.device.onCommand("AT+ESCN=4\r", "+ESCN:0B,0,E0\r\n");
    bench.device.onCommand("AT+ASCN=4\r", "+ASCN:OK\r\n+BCNI:0B,0\r\n+DONE\r\n");
    ChannelScan scan(bench.conversation, bench.capture.channels, bench.sniffing);
    scan.scanChannel(4);
    EXPECT_EQ(bench.capture.channels[4].energy, -32);
    EXPECT_EQ(bench.capture.channels[4].beacons, 0);
    EXPECT_EQ(bench.capture.channels[4].level, ChannelEntry::kNoLevel);
    EXPECT_EQ(bench.status.back(), "Scanning 2425MHz channel...");
}

TEST(ChannelScan, BrindleScanOfOneChannelAndShortReplies) {
    Bench bench(true);
    bench.replyBrindle();
    // Channel 26: mask 1 << 26 written least significant byte first.
    std::string energy = "+MSCC=00,ENERGY";
    energy.resize(30, '.');  // the reading stands at 30 and 31
    bench.device.onCommand("+MSCR=000000000000000800000004\r", energy + "D3\r\n");
    const std::string beacon =
        "+MBNI=" + std::string(52, '.') + "3C\r\n";  // link quality at 58 and 59
    bench.device.onCommand("+MSCR=000000000000010800000004\r",
                           beacon + "+MBNI=" + std::string(52, '.') + "50\r\n+MSCC=0002\r\n");
    ChannelScan scan(bench.conversation, bench.capture.channels, bench.sniffing);
    scan.scanChannel(15);
    const ChannelEntry& entry = bench.capture.channels[15];
    EXPECT_EQ(entry.energy, static_cast<int8_t>(0xD3));
    EXPECT_EQ(entry.beacons, 2);
    EXPECT_EQ(entry.level, 0x50);
    EXPECT_EQ(bench.status.back(), "Scan complete");

    // An energy reply that ends before its reading stops the scan of the channel.
    bench.device.onCommand("+MSCR=000000000000000800080000\r", "+MSCC=00,ENERGY\r\n");
    scan.scanChannel(0);
    EXPECT_EQ(bench.capture.channels[0].energy, ChannelEntry::kEnergyNotMeasured);
    EXPECT_EQ(bench.status.back(), "Scanning 2405MHz channel...");
}

TEST(ChannelScan, ClickOnTheSniffedChannelStopsSniffing) {
    Bench bench(false);
    bench.replySniffer();
    replySnifferScans(bench.device);
    ChannelScan scan(bench.conversation, bench.capture.channels, bench.sniffing);
    scan.clickChannel(9);
    EXPECT_TRUE(bench.sniffing.sniffing());
    EXPECT_EQ(bench.capture.channels.selectedChannel(), 9);
    EXPECT_EQ(bench.capture.channels[9].beacons, 2);
    scan.clickChannel(9);
    EXPECT_FALSE(bench.sniffing.sniffing());
    EXPECT_EQ(bench.capture.channels.selectedChannel(), -1);
    EXPECT_EQ(bench.status.back(), "Sniffing de-activated");
}

} // namespace
} // namespace qlm::test

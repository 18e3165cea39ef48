// The simulated device's two command sets, line for line as the program's
// detection, sniffing and scan dialogues read them: fields at the character
// positions they are read from, and each reply where the dialogue waits for it.

#include "sim/simulated_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace qlm {
namespace {

using Lines = std::vector<std::string>;
using std::chrono::milliseconds;

constexpr std::array<int, 4> kPanIndexes = {0, 4, 9, 14}; // channels 11, 15, 20 and 25

bool isPanChannel(int index) {
    return std::find(kPanIndexes.begin(), kPanIndexes.end(), index) != kPanIndexes.end();
}

std::string digitCommand(const char* name, int index) {
    return std::string(name) + "0123456789ABCDEF"[index] + "\r";
}

bool endsInCrLf(const std::string& line) {
    return line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1; // the devices send upper case only
}

// The pair at `position` as a signed byte, when both digits stand before the CR LF.
std::optional<int> readingAt(const std::string& line, size_t position) {
    if (!endsInCrLf(line) || position + 2 > line.size() - 2)
        return std::nullopt;
    const int high = hexDigit(line[position]);
    const int low = hexDigit(line[position + 1]);
    if (high < 0 || low < 0)
        return std::nullopt;
    return static_cast<int8_t>(high << 4 | low);
}

// Every line a well-formed reply: CR LF at its end and nowhere else.
void expectLines(const Lines& lines) {
    for (const std::string& line : lines) {
        EXPECT_TRUE(endsInCrLf(line)) << line;
        EXPECT_EQ(line.find_first_of("\r\n"), line.size() - 2) << line;
    }
}

bool allStartWith(const Lines& lines, const std::string& tag) {
    return std::all_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.rfind(tag, 0) == 0; });
}

// The lowest reading on a channel with a PAN is above the highest elsewhere.
void expectPansStandOut(const std::array<int, 16>& readings) {
    int lowestPan = 127;
    int highestOther = -128;
    for (int i = 0; i < 16; ++i) {
        if (isPanChannel(i))
            lowestPan = std::min(lowestPan, readings[i]);
        else
            highestOther = std::max(highestOther, readings[i]);
        EXPECT_GE(readings[i] - 45, -100) << "channel index " << i;
        EXPECT_LE(readings[i] - 45, -30) << "channel index " << i;
    }
    EXPECT_GT(lowestPan, highestOther);
}

// ---------------------------------------------------------------------------------
// Sniffer

TEST(SimulatedSniffer, IdentifiesItselfAsDetectionExpects) {
    SimulatedDevice device(DeviceKind::kSniffer, 1, 20);
    const Lines idle = device.command("\r");
    ASSERT_EQ(idle.size(), 1u);
    EXPECT_GE(idle[0][0], 0x21); // the reader drops lines that begin below 32
    const Lines identity = device.command("AT+INIT\r");
    ASSERT_EQ(identity.size(), 1u);
    EXPECT_EQ(identity[0].substr(0, 27), "+INIT:IEEE 802.Quorlanmirex");
    expectLines(idle);
    expectLines(identity);
    EXPECT_EQ(device.counters().commands, 2u);
}

TEST(SimulatedSniffer, SniffsTheChosenChannelUntilTheNextCommand) {
    SimulatedDevice device(DeviceKind::kSniffer, 2, 50);
    const Lines started = device.command("AT+SNIF=4\r");
    ASSERT_EQ(started.size(), 1u);
    expectLines(started);
    EXPECT_TRUE(device.isSniffing());
    EXPECT_EQ(device.channelIndex(), 4);
    const Lines frames = device.advance(milliseconds(2000));
    EXPECT_GT(frames.size(), 50u);
    EXPECT_TRUE(allStartWith(frames, "+MACF:"));

    // Stop sniffing sends a lone CR, then drains: the line must go quiet.
    EXPECT_EQ(device.command("\r").size(), 1u);
    EXPECT_FALSE(device.isSniffing());
    EXPECT_TRUE(device.advance(milliseconds(2000)).empty());

    device.command("AT+SNIF=9\r");
    EXPECT_FALSE(device.advance(milliseconds(2000)).empty());
    device.command("AT+INIT\r");
    EXPECT_TRUE(device.advance(milliseconds(2000)).empty());

    // Channel 12 has no network on it.
    device.command("AT+SNIF=1\r");
    EXPECT_TRUE(device.isSniffing());
    EXPECT_TRUE(device.advance(milliseconds(10000)).empty());
}

TEST(SimulatedSniffer, EnergyScanPutsTheReadingAtCharacters11And12) {
    SimulatedDevice device(DeviceKind::kSniffer, 3, 20);
    std::array<int, 16> readings{};
    for (int i = 0; i < 16; ++i) {
        const Lines reply = device.command(digitCommand("AT+ESCN=", i));
        ASSERT_EQ(reply.size(), 1u) << i;
        expectLines(reply);
        const std::optional<int> reading = readingAt(reply[0], 11);
        ASSERT_TRUE(reading.has_value()) << reply[0];
        readings[i] = *reading;
    }
    expectPansStandOut(readings);
}

// Reads an active scan as the scan dialogue does: the first line is skipped, every
// line whose character 9 is '0' is a beacon with its peak signal at 36-37, up to
// the line that begins with "+DONE".
struct SnifferScan {
    int beacons = 0;
    int bestLevel = -54;
    bool done = false;
};

SnifferScan readSnifferScan(const Lines& reply) {
    SnifferScan scan;
    for (size_t i = 1; i < reply.size() && !scan.done; ++i) {
        const std::string& line = reply[i];
        if (line.rfind("+DONE", 0) == 0) {
            scan.done = i + 1 == reply.size();
            continue;
        }
        EXPECT_EQ(line[9], '0') << line;
        const std::optional<int> level = readingAt(line, 36);
        EXPECT_TRUE(level.has_value()) << line;
        ++scan.beacons;
        scan.bestLevel = std::max(scan.bestLevel, level.value_or(-54));
    }
    return scan;
}

TEST(SimulatedSniffer, ActiveScanReportsTheBeaconsOfEachPan) {
    SimulatedDevice device(DeviceKind::kSniffer, 4, 20);
    for (int i = 0; i < 16; ++i) {
        const Lines reply = device.command(digitCommand("AT+ASCN=", i));
        expectLines(reply);
        ASSERT_GE(reply.size(), 2u);
        const SnifferScan scan = readSnifferScan(reply);
        EXPECT_TRUE(scan.done) << "the last line ends the scan, channel index " << i;
        if (!isPanChannel(i)) {
            EXPECT_EQ(scan.beacons, 0) << i;
            continue;
        }
        EXPECT_GT(scan.beacons, 0) << i;
        EXPECT_GE(scan.bestLevel - 45, -95) << i;
        EXPECT_LE(scan.bestLevel - 45, -40) << i;
    }
}

TEST(SimulatedSniffer, RefusesUnknownCommandsAndBadChannelDigits) {
    SimulatedDevice device(DeviceKind::kSniffer, 5, 20);
    for (const char* command :
         {"AT+SNIF=G\r", "AT+SNIF=\r", "AT+SNIF=12\r", "AT+SNIFF\r", "at+init\r", "+DVRR\r"}) {
        EXPECT_EQ(device.command(command), Lines{"+ERRR\r\n"}) << command;
        EXPECT_FALSE(device.isSniffing()) << command;
    }
}

// ---------------------------------------------------------------------------------
// Brindle

TEST(SimulatedBrindle, AnswersTheDetectionDialogueAfterItsSetUp) {
    SimulatedDevice device(DeviceKind::kBrindle, 6, 20, true);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const Lines refused = device.command("+DVRR\r");
        ASSERT_EQ(refused.size(), 1u);
        EXPECT_EQ(refused[0].substr(0, 8), "+DERI=04");
    }
    const Lines setUp = device.command("+DSMR=0015C8384100FFFF\r");
    ASSERT_EQ(setUp.size(), 1u);
    EXPECT_EQ(setUp[0].substr(0, 5), "+DSMC");

    const Lines version = device.command("+DVRR\r");
    ASSERT_EQ(version.size(), 1u);
    EXPECT_EQ(version[0].substr(0, 5), "+DVRC");
    EXPECT_EQ(version[0].substr(6, 8), "0B400111");
    for (const char* command : {"+MSTR=000b\r", "+MSTR=5100\r"}) {
        const Lines confirmed = device.command(command);
        ASSERT_EQ(confirmed.size(), 1u) << command;
        EXPECT_EQ(confirmed[0].substr(0, 5), "+MSTC") << command;
        expectLines(confirmed);
    }
    EXPECT_EQ(device.channelIndex(), 0);
    EXPECT_FALSE(device.isSniffing());
}

TEST(SimulatedBrindle, AnswersTheVersionAtOnceWithoutSetUp) {
    SimulatedDevice device(DeviceKind::kBrindle, 6, 20);
    const Lines version = device.command("+DVRR\r");
    ASSERT_EQ(version.size(), 1u);
    EXPECT_EQ(version[0], "+DVRC=0B400111\r\n");
}

TEST(SimulatedBrindle, PromiscuousModeStartsAndStopsFrames) {
    SimulatedDevice device(DeviceKind::kBrindle, 7, 50);
    device.command("+MSTR=000F\r");
    EXPECT_TRUE(device.advance(milliseconds(2000)).empty());
    EXPECT_EQ(device.command("+MSTR=5101\r")[0].substr(0, 5), "+MSTC");
    const Lines frames = device.advance(milliseconds(2000));
    EXPECT_GT(frames.size(), 50u);
    EXPECT_TRUE(allStartWith(frames, "+PDAI:"));

    // A new channel while promiscuous: the frames go on, from the other PAN.
    device.command("+MSTR=0014\r");
    EXPECT_EQ(device.channelIndex(), 9);
    EXPECT_FALSE(device.advance(milliseconds(2000)).empty());

    EXPECT_EQ(device.command("+MSTR=5100\r")[0].substr(0, 5), "+MSTC");
    EXPECT_FALSE(device.isSniffing());
    EXPECT_TRUE(device.advance(milliseconds(2000)).empty());
}

TEST(SimulatedBrindle, TunesToTheChannelNumberOfEachStartCommand) {
    SimulatedDevice device(DeviceKind::kBrindle, 8, 20);
    for (int i = 15; i >= 0; --i) {
        char command[16];
        std::snprintf(command, sizeof command, "+MSTR=00%02X\r", i + 11);
        ASSERT_EQ(device.command(command).size(), 1u);
        EXPECT_EQ(device.channelIndex(), i) << command;
    }
}

// The channel masks as the scan sends them: bit (channel) of a 32-bit value, its
// four bytes least significant first.
constexpr std::array<const char*, 16> kMaskTexts = {
    "00080000", "00100000", "00200000", "00400000", "00800000", "00000100", "00000200", "00000400",
    "00000800", "00001000", "00002000", "00004000", "00008000", "00000001", "00000002", "00000004"};

TEST(SimulatedBrindle, EnergyScanReadsTheMaskOfEveryChannel) {
    SimulatedDevice device(DeviceKind::kBrindle, 9, 20);
    std::array<int, 16> readings{};
    for (int i = 0; i < 16; ++i) {
        const Lines reply =
            device.command(std::string("+MSCR=0000000000000008") + kMaskTexts[i] + "\r");
        ASSERT_EQ(reply.size(), 1u) << i;
        expectLines(reply);
        ASSERT_GE(reply[0].size(), 34u) << reply[0];
        EXPECT_EQ(readingAt(reply[0], 28), i + 11) << "channel of " << kMaskTexts[i];
        const std::optional<int> reading = readingAt(reply[0], 30);
        ASSERT_TRUE(reading.has_value()) << reply[0];
        readings[i] = *reading;
    }
    expectPansStandOut(readings);
}

TEST(SimulatedBrindle, ActiveScanReportsBeaconsThenTheirCount) {
    SimulatedDevice device(DeviceKind::kBrindle, 10, 20);
    for (int i = 0; i < 16; ++i) {
        const Lines reply =
            device.command(std::string("+MSCR=0000000000000108") + kMaskTexts[i] + "\r");
        expectLines(reply);
        ASSERT_FALSE(reply.empty());
        const std::string& confirm = reply.back();
        EXPECT_EQ(confirm.substr(0, 5), "+MSCC") << i;
        const Lines beacons(reply.begin(), reply.end() - 1);
        EXPECT_TRUE(allStartWith(beacons, "+MBNI")) << i;
        EXPECT_EQ(readingAt(confirm, 8), static_cast<int>(beacons.size())) << confirm;
        EXPECT_EQ(beacons.empty(), !isPanChannel(i)) << i;
        for (const std::string& beacon : beacons) {
            const std::optional<int> quality = readingAt(beacon, 58);
            ASSERT_TRUE(quality.has_value()) << beacon;
            EXPECT_GE(*quality - 10, 0) << beacon;
            EXPECT_LE(*quality - 10, 100) << beacon;
        }
    }
}

TEST(SimulatedBrindle, RefusesWhatItDoesNotKnow) {
    SimulatedDevice device(DeviceKind::kBrindle, 11, 20);
    EXPECT_TRUE(device.command("\r").empty());
    EXPECT_EQ(device.command("+DVRQ\r"), Lines{"+ERRR\r\n"});
    EXPECT_EQ(device.command("AT+INIT\r"), Lines{"+ERRR\r\n"});
    EXPECT_EQ(device.command("+MSTR=00G1\r"), Lines{"+ERRR\r\n"});

    // Out of the band, or not one channel: the channel stays, nothing is scanned.
    device.command("+MSTR=0011\r");
    for (const char* command : {"+MSTR=000A\r", "+MSTR=001B\r", "+MSTR=5102\r"}) {
        ASSERT_EQ(device.command(command).size(), 1u);
        EXPECT_EQ(device.channelIndex(), 6) << command;
        EXPECT_FALSE(device.isSniffing()) << command;
    }
    for (const char* mask : {"00180000", "00000000", "00040000", "00000008"}) {
        const Lines reply = device.command(std::string("+MSCR=0000000000000008") + mask + "\r");
        ASSERT_EQ(reply.size(), 1u) << mask;
        EXPECT_FALSE(readingAt(reply[0], 30).has_value()) << mask;
    }
}

} // namespace
} // namespace qlm

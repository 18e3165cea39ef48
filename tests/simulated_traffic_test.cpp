// The frames the simulated device reports while it sniffs: the report lines,
// the stored bytes in them walked layer by layer by a reference decoder of its
// own, the rate they come at, overflow bursts, and determinism for a seed.

#include "capture/captured_frame.h"
#include "capture/frame_addresses.h"
#include "sim/simulated_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace qlm {
namespace {

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;
using std::chrono::milliseconds;

constexpr std::array<int, 3> kPanIndexes = {4, 9, 14};

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The bytes of a frame report: the tag, a separator at character 5, upper-case
// hex pairs from character 6, CR LF; as many pairs as the length byte says plus one.
Bytes frameBytes(const std::string& line, const std::string& tag) {
    EXPECT_EQ(line.substr(0, 6), tag) << line;
    EXPECT_GE(line.size(), 10u) << line;
    EXPECT_EQ(line.substr(line.size() - 2), "\r\n") << line;
    const std::string pairs = line.substr(6, line.size() - 8);
    EXPECT_EQ(pairs.size() % 2, 0u) << line;
    Bytes bytes;
    for (size_t i = 0; i + 1 < pairs.size(); i += 2) {
        const int high = hexDigit(pairs[i]);
        const int low = hexDigit(pairs[i + 1]);
        EXPECT_TRUE(high >= 0 && low >= 0) << line;
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    if (!bytes.empty()) {
        EXPECT_EQ(bytes.size(), bytes[0] + 1u) << line;
    }
    EXPECT_LE(bytes.size(), static_cast<size_t>(CapturedFrame::kMaxBytes)) << line;
    return bytes;
}

// Sniffs one channel for a while and returns the report lines.
Lines sniff(SimulatedDevice& device, int index, milliseconds duration) {
    if (device.kind() == DeviceKind::kSniffer) {
        device.command(std::string("AT+SNIF=") + "0123456789ABCDEF"[index] + "\r");
    } else {
        char tune[16];
        std::snprintf(tune, sizeof tune, "+MSTR=00%02X\r", index + 11);
        device.command(tune);
        device.command("+MSTR=5101\r");
    }
    return device.advance(duration);
}

std::vector<Bytes> framesOf(const Lines& lines, const std::string& tag) {
    std::vector<Bytes> frames;
    for (const std::string& line : lines)
        if (line != "+OVRF\r\n")
            frames.push_back(frameBytes(line, tag));
    return frames;
}

// ---------------------------------------------------------------------------------
// Reference decoder: lays a frame out field by field and names what it carries.
// Every layout it walks must end exactly before the two status bytes.

class LayoutWalker {
public:
    LayoutWalker(const Bytes& frame, std::set<std::string>& seen) : f_(frame), seen_(seen) {}

    void walk() {
        const int length = f_[0];
        if (length == 0 || length >= 128) {
            seen_.insert("PHY error");
            return;
        }
        end_ = length - 1;
        mac(length);
    }

private:
    int at(int position) const {
        EXPECT_LT(position, static_cast<int>(f_.size()));
        return position < static_cast<int>(f_.size()) ? f_[static_cast<size_t>(position)] : 0;
    }
    int u16(int position) const { return at(position) | at(position + 1) << 8; }

    int headerEnd() const {
        CapturedFrame record{};
        record.length = static_cast<int32_t>(f_.size());
        std::memcpy(record.data, f_.data(), f_.size());
        return 1 + readFrameAddresses(record).headerLength;
    }

    void mac(int length) {
        const int type = at(1) & 0x07;
        const int position = headerEnd();
        EXPECT_LE(position, end_) << "MAC header runs into the status bytes";
        const bool crcGood = (at(length) & 0x80) != 0;
        if (!crcGood)
            seen_.insert("CRC failed");
        if (type > 3) {
            seen_.insert("reserved frame type");
        } else if (at(1) & 0x08) {
            seen_.insert("MAC secured");
        } else if (crcGood) {
            payload(type, position);
        }
    }

    void payload(int type, int position) {
        if (type == 0)
            beacon(position);
        else if (type == 1)
            nwk(position);
        else if (type == 2)
            ack();
        else
            command(position);
    }

    void ack() {
        seen_.insert("MAC ack");
        EXPECT_EQ(f_[0], 5);
    }

    void command(int position) {
        static const std::map<int, int> sizes = {{1, 2}, {2, 4}, {3, 2}, {4, 1}, {5, 1},
                                                 {6, 1}, {7, 1}, {8, 8}, {9, 2}};
        const int id = at(position);
        seen_.insert("MAC command " + std::to_string(id));
        ASSERT_TRUE(sizes.count(id)) << id;
        EXPECT_EQ(end_ - position, sizes.at(id)) << "MAC command " << id;
    }

    void beacon(int position) {
        seen_.insert("beacon");
        const int slots = at(position + 2) & 0x07;
        if (slots > 0)
            seen_.insert("beacon with GTS");
        position += 3 + (slots > 0 ? 1 + 3 * slots : 0);
        const int pending = at(position);
        if (pending & 0x77)
            seen_.insert("beacon with pending addresses");
        position += 1 + 2 * (pending & 0x07) + 8 * ((pending >> 4) & 0x07);
        const int zigbee = end_ - position;
        EXPECT_TRUE(zigbee == 3 || zigbee == 14) << "beacon payload of " << zigbee;
    }

    void nwk(int position) {
        ASSERT_GE(end_ - position, 8) << "short NWK header";
        if (at(position + 1) & 0x02) {
            seen_.insert("NWK secured");
            return;
        }
        if ((at(position) & 0x03) == 1) {
            nwkCommand(position + 8);
            return;
        }
        seen_.insert("NWK data");
        aps(position + 8);
    }

    void nwkCommand(int position) {
        static const std::map<int, int> sizes = {{1, 6}, {2, 8}, {3, 4}, {4, 2}};
        const int id = at(position);
        seen_.insert("NWK command " + std::to_string(id));
        ASSERT_TRUE(sizes.count(id)) << id;
        EXPECT_EQ(end_ - position, sizes.at(id)) << "NWK command " << id;
    }

    void aps(int position) {
        const int control = at(position);
        const int kind = control & 0x03;
        const bool indirect = (control & 0x0C) == 0x04;
        const bool toBinding = (control & 0x10) != 0;
        if (kind == 1) {
            seen_.insert("APS command");
            return;
        }
        int p = position + 1 + (indirect && toBinding ? 0 : 1) + 1;
        const int profile = u16(p);
        p += 2 + (indirect && !toBinding ? 0 : 1);
        if (kind == 2) {
            seen_.insert("APS ack");
            EXPECT_EQ(p, end_) << "APS acknowledgement size";
            return;
        }
        seen_.insert("APS data");
        if (profile == 0x0000)
            seen_.insert("ZDO");
        if (profile == 0xC1EE)
            seen_.insert("MailBox");
        af(p);
    }

    void af(int p) {
        static const std::map<int, int> valueSizes = {{0, 0}, {1, 1},  {2, 1},  {3, 2},
                                                      {4, 2}, {11, 2}, {12, 4}, {13, 4}};
        const int header = at(p++);
        const bool keyValue = header >> 4 == 1;
        seen_.insert(keyValue ? "AF key-value" : "AF message");
        for (int i = 0; i < (header & 0x0F); ++i) {
            if (keyValue) {
                const int command = at(p + 1) & 0x0F;
                const int type = at(p + 1) >> 4;
                p += 4 + (command >= 8 && command <= 10 ? 1 : 0);
                p += type >= 14 ? 1 + at(p) : valueSizes.at(type);
            } else {
                p += 2 + at(p + 1);
            }
        }
        EXPECT_EQ(p, end_) << "AF transactions do not end at the frame's end";
    }

    const Bytes& f_;
    std::set<std::string>& seen_;
    int end_ = 0; // position of the signal-strength byte
};

bool asksForAck(const Bytes& frame) {
    return frame[0] >= 5 && frame[0] < 128 && (frame[1] & 0x07) <= 3 && (frame[1] & 0x20);
}

bool sameTransmission(const Bytes& a, const Bytes& b) {
    return a.size() >= 4 && b.size() >= 4 &&
           std::equal(a.begin(), a.begin() + 4, b.begin(), b.begin() + 4);
}

// A frame that asks for an acknowledgement is followed by it, or by its retry
// (the same length, frame control and sequence number); only the third retry
// may go unanswered.
void expectAnswered(const std::vector<Bytes>& frames, size_t i) {
    const Bytes& next = frames[i + 1];
    const bool ack = next[0] == 5 && (next[1] & 0x07) == 2;
    const bool retry = sameTransmission(next, frames[i]);
    const bool lastRetry = i >= 3 && sameTransmission(frames[i - 3], frames[i]) &&
                           sameTransmission(frames[i - 2], frames[i]) &&
                           sameTransmission(frames[i - 1], frames[i]);
    EXPECT_TRUE(ack || retry || lastRetry) << "frame " << i << " is not answered";
}

// An acknowledgement follows the frame it acknowledges and repeats its number.
void expectAcknowledgementsMatch(const std::vector<Bytes>& frames) {
    for (size_t i = 0; i + 1 < frames.size(); ++i)
        if (asksForAck(frames[i]))
            expectAnswered(frames, i);
    for (size_t i = 1; i < frames.size(); ++i) {
        const Bytes& ack = frames[i];
        if (ack[0] != 5 || (ack[1] & 0x07) != 2)
            continue;
        const Bytes& acked = frames[i - 1];
        ASSERT_GE(acked.size(), 4u);
        EXPECT_TRUE(acked[1] & 0x20) << "acknowledged frame " << i << " asked for none";
        EXPECT_EQ(ack[3], acked[3]) << "sequence number of acknowledgement " << i;
    }
}

TEST(SimulatedTraffic, FramesOfEveryPanAreLaidOutWhole) {
    SimulatedDevice device(DeviceKind::kSniffer, 21, 50);
    std::set<std::string> everything;
    for (int index : kPanIndexes) {
        const std::vector<Bytes> frames =
            framesOf(sniff(device, index, milliseconds(600000)), "+MACF:");
        std::set<std::string> seen;
        for (const Bytes& frame : frames)
            LayoutWalker(frame, seen).walk();
        expectAcknowledgementsMatch(frames);
        for (const char* common : {"beacon", "MAC ack", "CRC failed", "PHY error"})
            EXPECT_TRUE(seen.count(common)) << common << " on channel index " << index;
        everything.insert(seen.begin(), seen.end());
    }
    for (const char* feature : {"beacon with GTS", "beacon with pending addresses",
                                "MAC secured",     "MAC command 1",
                                "MAC command 2",   "MAC command 3",
                                "MAC command 4",   "MAC command 5",
                                "MAC command 6",   "MAC command 7",
                                "MAC command 8",   "MAC command 9",
                                "NWK data",        "NWK command 1",
                                "NWK command 2",   "NWK command 3",
                                "NWK command 4",   "NWK secured",
                                "APS data",        "APS ack",
                                "APS command",     "ZDO",
                                "AF key-value",    "AF message",
                                "MailBox",         "reserved frame type"})
        EXPECT_TRUE(everything.count(feature)) << feature;
}

TEST(SimulatedTraffic, BrindleReportsTheSameKindOfFrames) {
    SimulatedDevice device(DeviceKind::kBrindle, 22, 50);
    const std::vector<Bytes> frames = framesOf(sniff(device, 14, milliseconds(60000)), "+PDAI:");
    EXPECT_GT(frames.size(), 2500u);
    std::set<std::string> seen;
    for (const Bytes& frame : frames)
        LayoutWalker(frame, seen).walk();
    expectAcknowledgementsMatch(frames);
    EXPECT_TRUE(seen.count("beacon with GTS"));
}

TEST(SimulatedTraffic, ComesAtTheRequestedRate) {
    for (const double rate : {5.0, 50.0, 400.0}) {
        SimulatedDeviceOptions options;
        options.seed = 23;
        options.framesPerSecond = rate;
        options.burstPeriod = milliseconds(0);
        SimulatedDevice device(options);
        const Lines lines = sniff(device, 4, milliseconds(10000));
        const double expected = rate * 10;
        EXPECT_GE(lines.size(), expected * (rate < 10 ? 0.8 : 0.95)) << rate;
        EXPECT_LE(lines.size(), expected * (rate < 10 ? 1.2 : 1.05)) << rate;
        EXPECT_EQ(device.counters().frames, lines.size()) << rate;
        EXPECT_EQ(device.counters().overflows, 0u) << rate;
    }
}

Lines session(uint32_t seed, milliseconds step) {
    SimulatedDevice device(DeviceKind::kSniffer, seed, 30);
    Lines lines = device.command("AT+ESCN=4\r");
    for (const char* command : {"AT+ASCN=9\r", "AT+SNIF=4\r"}) {
        const Lines reply = device.command(command);
        lines.insert(lines.end(), reply.begin(), reply.end());
    }
    for (milliseconds elapsed(0); elapsed < milliseconds(60000); elapsed += step) {
        const Lines reports = device.advance(step);
        lines.insert(lines.end(), reports.begin(), reports.end());
    }
    return lines;
}

TEST(SimulatedTraffic, IsTheSameForASeedHoweverTimeIsCut) {
    const Lines whole = session(24, milliseconds(60000));
    EXPECT_GT(whole.size(), 1500u);
    EXPECT_EQ(session(24, milliseconds(60000)), whole);
    EXPECT_EQ(session(24, milliseconds(7)), whole);
    EXPECT_NE(session(25, milliseconds(60000)), whole);
}

struct TimedLine {
    int ms;
    std::string text;
};

// An overflow report opens a burst: many frames close together, then a pause
// long enough for the program's drain to end.
void expectBurstAfter(const std::vector<TimedLine>& lines, size_t overflow) {
    size_t last = overflow;
    int frames = 0;
    while (last + 1 < lines.size() && lines[last + 1].ms - lines[last].ms <= 10 &&
           lines[last + 1].text != "+OVRF\r\n") {
        ++last;
        ++frames;
    }
    EXPECT_GE(frames, 20) << "burst at " << lines[overflow].ms << " ms";
    EXPECT_LE(lines[last].ms - lines[overflow].ms, 200);
    if (last + 1 < lines.size()) {
        EXPECT_GE(lines[last + 1].ms - lines[last].ms, 100) << "quiet after the burst";
    }
}

TEST(SimulatedTraffic, OverflowOpensABurstOfFrames) {
    SimulatedDeviceOptions options;
    options.seed = 26;
    options.framesPerSecond = 10;
    options.burstPeriod = milliseconds(3000);
    SimulatedDevice device(options);
    device.command("AT+SNIF=9\r");
    std::vector<TimedLine> lines;
    for (int ms = 1; ms <= 30000; ++ms)
        for (std::string& line : device.advance(milliseconds(1)))
            lines.push_back({ms, std::move(line)});
    int overflows = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].text != "+OVRF\r\n")
            continue;
        ++overflows;
        expectBurstAfter(lines, i);
    }
    EXPECT_GE(overflows, 5);
    EXPECT_EQ(device.counters().overflows, static_cast<uint64_t>(overflows));
    EXPECT_EQ(device.counters().frames, lines.size() - overflows);
}

} // namespace
} // namespace qlm

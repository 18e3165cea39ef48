#include "logfile/column_reader.h"
#include "logfile/log_reader.h"

#include "address_space_limit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace qlm {
namespace {

// A log text from lines, each ended by CR LF.
std::string logOf(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (std::string_view line : lines) {
        text.append(line);
        text.append("\r\n");
    }
    return text;
}

struct Imported {
    Capture capture;
    explicit Imported(const std::string& text) { readLog(capture, text); }
    const CapturedFrame& frame(int32_t index) const { return capture.frames[index]; }
};

TEST(LogReader, TakesWellFormedFrameLines) {
    Imported log(logOf({
        "+FRAM:00,00,00,000,05,02,00,0E,EC,E4",
        "+fram:23,59,59,999,03,01,02,03,04,05",  // lower-case tag; two bytes too many
    }));
    ASSERT_EQ(log.capture.frames.frameCount(), 2);
    const CapturedFrame& first = log.frame(0);
    EXPECT_EQ(first.hour, 0);
    EXPECT_EQ(first.millisecond, 0);
    EXPECT_EQ(first.length, 6);
    EXPECT_EQ(first.data[3], 0x0E);
    EXPECT_EQ(first.data[5], 0xE4);
    EXPECT_EQ(first.rowWidth, -1);
    const CapturedFrame& second = log.frame(1);
    EXPECT_EQ(second.hour, 23);
    EXPECT_EQ(second.second, 59);
    EXPECT_EQ(second.millisecond, 999);
    EXPECT_EQ(second.length, 4);  // the extra bytes are lost
    EXPECT_EQ(second.data[3], 0x03);
    EXPECT_EQ(log.capture.statistics.packets(), 2);
    EXPECT_EQ(log.capture.statistics.errors(), 0);
}

TEST(LogReader, DropsIncompleteFrameLinesButCountsThem) {
    Imported log(logOf({
        "+FRAM:09,05,03,007,05,02,00,0E,EC",  // L = 5 with four bytes
        "+FRAM:09,05,03,007",                 // overflow marker
        "+FRAM:09,05,03,007,00",              // PHY length 0: taken, an error
        "+FRAM:09,05,03,007,80,02,00",        // L above 127: counted, not taken
        "+FRAM:09,05,??,007,02,AA,BB",        // time field unreadable
        "+FRAM:09,05,03,007,02,AA,?B",        // byte unreadable
        "+FRAM:-1,05,03,007,02,AA,BB",        // negative time
        " +FRAM:09,05,03,007,02,AA,BB",       // blank before the tag: not a tag line
        "+FRAM:09,05,03,007,02,AA,BB",        // the one good line
    }));
    ASSERT_EQ(log.capture.frames.frameCount(), 2);
    EXPECT_EQ(log.frame(0).length, 1);
    EXPECT_EQ(log.frame(1).length, 3);
    EXPECT_EQ(log.frame(1).data[2], 0xBB);
    EXPECT_EQ(log.capture.statistics.packets(), 8);
    EXPECT_EQ(log.capture.statistics.errors(), 2);  // the marker and the length 0
    EXPECT_EQ(log.capture.statistics.errorRateText(), "25.000% error rate");
}

TEST(LogReader, NeverReadsAFieldFromTheNextLine) {
    // Without the line bound, the bytes of the short line would be completed
    // from the digits at the same columns of the line after it.
    Imported log("+FRAM:09,05,03,007,03,01,02\n19,05,03,007,03,01,02,03,04\r\n");
    EXPECT_EQ(log.capture.frames.frameCount(), 0);
    Imported unterminated("+FRAM:09,05,03,007,02,01,02");
    EXPECT_EQ(unterminated.capture.frames.frameCount(), 1);
}

TEST(LogReader, ReadsNumbersTheWayAFormattedScanDoes) {
    Imported log(logOf({
        "+FRAM: 9,\t5,03,  7,02,a, bC",  // blanks before numbers, one digit, mixed case
        "+FRAM:09,05,03,007,02,123,BB",  // a longer number keeps its low byte
    }));
    ASSERT_EQ(log.capture.frames.frameCount(), 1);
    EXPECT_EQ(log.frame(0).hour, 9);
    EXPECT_EQ(log.frame(0).minute, 5);
    EXPECT_EQ(log.frame(0).millisecond, 7);
    EXPECT_EQ(log.frame(0).data[1], 0x0A);
    EXPECT_EQ(log.frame(0).data[2], 0xBC);
}

TEST(LogReader, RestoresChannelsAndTheSelectedChannel) {
    Imported log(logOf({
        "+CHAN:2405,E0,02,37,00",
        "+CHAN:2410,2D,00,CA,FF",
        "+CHAN:2480,??,01,??,00",
        "+CHAN:2400,10,10,10,FF",  // no such channel
        "+CHAN:2485,10,10,10,FF",
        "+CHAN:2415,10,10,10",     // no marker: ignored
    }));
    const ChannelTable& channels = log.capture.channels;
    EXPECT_EQ(channels[0].energy, -32);
    EXPECT_EQ(channels[0].beacons, 2);
    EXPECT_EQ(channels[0].level, 0x37);
    EXPECT_EQ(channels[1].energy, 0x2D);
    EXPECT_EQ(channels[1].level, -54);
    EXPECT_EQ(channels.selectedChannel(), 1);
    // Unreadable readings take the value E0, read back as a signed byte.
    EXPECT_EQ(channels[15].energy, -32);
    EXPECT_EQ(channels[15].beacons, 1);
    EXPECT_EQ(channels[15].level, -32);
    EXPECT_EQ(channels[2].energy, ChannelEntry::kEnergyNotMeasured);
    EXPECT_EQ(channels[2].beacons, 0);

    Imported none(logOf({"+CHAN:2405,E0,02,37,00", "+CHAN:2410,2D,00,CA,00"}));
    EXPECT_EQ(none.capture.channels.selectedChannel(), -1);
}

TEST(LogReader, EntersNodesWithTheirNamesAndKnownFields) {
    Imported log(logOf({
        "+NODE:\"Hub\",FF,FF,FF,FF,??,??,??,??,??,??,??,??,??",
        "+NODE:\"Lamp\",34,12,01,00,11,22,33,44,55,66,77,88,5A",
        "+NODE:\"Nowhere\",??,??,??,??,??,??,??,??,??,??,??,??,??",
        "+NODE:\"Half\",34,??,02,00,11,22,33,44,55,66,77,??,??",
        "+NODE:\"Broken",
    }));
    const NodeTable& nodes = log.capture.nodes;
    ASSERT_EQ(nodes.count(), 5);
    EXPECT_EQ(nodes.name(0), "Hub");  // the broadcast entry renamed
    EXPECT_EQ(nodes.name(1), "Lamp");
    EXPECT_EQ(nodes.entry(1).pan, 0x1234);
    EXPECT_EQ(nodes.entry(1).shortAddress, 0x0001);
    EXPECT_EQ(nodes.entry(1).extended, 0x8877665544332211ull);
    EXPECT_EQ(nodes.entry(1).linkQuality, 0x5A);
    EXPECT_EQ(nodes.name(2), "Nowhere");
    EXPECT_FALSE(nodes.entry(2).knows(kAddressFlags | kLinkQualityKnown));
    // A pair with one unreadable value and an incomplete extended address stay
    // unknown; a short address alone matches no entry and adds one.
    EXPECT_EQ(nodes.name(3), "Half");
    EXPECT_EQ(nodes.entry(3).flags & (kAddressFlags | kLinkQualityKnown), kShortKnown);
    EXPECT_EQ(nodes.entry(3).shortAddress, 0x0002);
    EXPECT_EQ(nodes.name(4), "Unnamed 4");
}

TEST(LogReader, NodeLineWithoutQuotedNameReadsFieldsTwoPastTheColon) {
    Imported log(logOf({"+NODE:,34,12,01,00,??,??,??,??,??,??,??,??,??"}));
    ASSERT_EQ(log.capture.nodes.count(), 2);
    EXPECT_EQ(log.capture.nodes.name(1), "");
    EXPECT_EQ(log.capture.nodes.entry(1).pan, 0x1234);
}

TEST(LogReader, AttributesFramesAfterReadingAndNamesUnlistedNodes) {
    // A data frame from short 0001 to FFFF in PAN 1234, intra-PAN.
    const std::string frame = "+FRAM:10,00,00,000,0B,41,88,01,34,12,FF,FF,01,00,EC,E4";
    Capture capture;
    readLog(capture, logOf({frame}));
    ASSERT_EQ(capture.nodes.count(), 2);
    const int64_t firstNumber = capture.nodes.nextDefaultNameNumber() - 1;
    EXPECT_EQ(capture.nodes.name(1), "Node " + std::to_string(firstNumber));
    EXPECT_EQ(capture.frames[0].macSourceNode, 1);
    EXPECT_EQ(capture.frames[0].macDestNode, 0);
    EXPECT_EQ(capture.frames[0].frameClass, kClassNwk);

    // The counter is not reset by a new import; a listed node keeps its name.
    readLog(capture, logOf({frame}));
    EXPECT_EQ(capture.nodes.name(1), "Node " + std::to_string(firstNumber + 1));
    readLog(capture, logOf({"+NODE:\"Lamp\",34,12,01,00,??,??,??,??,??,??,??,??,??", frame}));
    EXPECT_EQ(capture.nodes.count(), 2);
    EXPECT_EQ(capture.nodes.name(1), "Lamp");
}

TEST(LogReader, ANodeLineThatMergesAttributesTheFramesReadSoFar) {
    // Two frames from 0001 in PAN 1234 (link quality 100, then 0); "c" shows that
    // "a" and "b" are one device.
    Imported log(logOf({
        "+FRAM:10,00,00,000,0B,41,88,01,34,12,FF,FF,01,00,30,64",
        "+FRAM:10,00,00,001,0B,41,88,02,34,12,FF,FF,01,00,30,00",
        "+NODE:\"a\",34,12,07,00,??,??,??,??,??,??,??,??,??",
        "+NODE:\"b\",34,12,08,00,E2,01,02,03,04,05,06,07,??",
        "+NODE:\"c\",34,12,07,00,E2,01,02,03,04,05,06,07,??",
    }));
    const NodeTable& nodes = log.capture.nodes;
    ASSERT_EQ(nodes.count(), 3);
    EXPECT_EQ(nodes.name(1), "c");
    EXPECT_EQ(nodes.entry(1).shortAddress, 0x0008);  // the duplicate's short address
    EXPECT_EQ(nodes.entry(1).extended, 0x07060504030201E2ull);
    // The merge's pass folds 100 and 0, the import's own pass 100 and 0 again.
    const int32_t source = log.frame(0).macSourceNode;
    ASSERT_EQ(source, 2);
    EXPECT_EQ(log.frame(1).macSourceNode, source);
    EXPECT_EQ(nodes.entry(source).linkQuality, 0x51);
}

TEST(LogReader, AFullTableNeitherGrowsNorRenamesTheBroadcastEntry) {
    std::string text;
    char line[96];
    for (int i = 1; i < NodeTable::kMaxEntries; ++i) {
        std::snprintf(line, sizeof line,
                      "+NODE:\"n%d\",34,12,%02X,%02X,??,??,??,??,??,??,??,??,??\n", i, i & 0xFF,
                      i >> 8);
        text.append(line);
    }
    text.append(logOf({
        "+NODE:\"stranger\",99,99,01,00,??,??,??,??,??,??,??,??,??",
        "+NODE:\"nobody\",??,??,??,??,??,??,??,??,??,??,??,??,??",
        "+NODE:\"renamed\",34,12,05,00,??,??,??,??,??,??,??,??,??",
        "+FRAM:10,00,00,000,0B,41,88,01,55,55,FF,FF,01,00,30,64",
    }));
    auto log = std::make_unique<Imported>(text);
    const NodeTable& nodes = log->capture.nodes;
    EXPECT_EQ(nodes.count(), NodeTable::kMaxEntries);
    EXPECT_EQ(nodes.name(0), "General");
    EXPECT_EQ(nodes.name(5), "renamed");  // a line that finds its entry still names it
    EXPECT_EQ(log->frame(0).macSourceNode, 0);  // a frame from a new address goes to General
}

TEST(LogReader, CountsTheLinesThatAreLogLines) {
    Capture capture;
    EXPECT_EQ(readLog(capture, "").logLines, 0);
    EXPECT_EQ(readLog(capture, std::string(4096, '\0')).logLines, 0);
    // UTF-16: "+INFO:" with a zero byte after every character.
    EXPECT_EQ(readLog(capture, std::string("\xFF\xFE+\0I\0N\0F\0O\0:\0\r\0\n\0", 18)).logLines, 0);
    EXPECT_EQ(readLog(capture, "hello\n+ABCD:x\n +INFO:\n").logLines, 0);
    EXPECT_EQ(readLog(capture, logOf({"+info:", "+DATE:", "+CHAN:", "+FRAM:", "+NODE:", "+X"}))
                  .logLines,
              5);
}

TEST(LogReader, ReplacesThePreviousCapture) {
    Capture capture;
    readLog(capture, logOf({"+CHAN:2410,2D,00,CA,FF", "+FRAM:09,05,03,007,02,AA,BB",
                            "+NODE:\"Lamp\",34,12,01,00,??,??,??,??,??,??,??,??,??"}));
    readLog(capture, logOf({"+INFO:anything", "+DATE:whenever"}));
    EXPECT_EQ(capture.frames.frameCount(), 0);
    EXPECT_EQ(capture.frames.frameCapacity(), 0);
    EXPECT_EQ(capture.nodes.count(), 1);
    EXPECT_EQ(capture.nodes.name(0), "General");
    EXPECT_EQ(capture.channels.selectedChannel(), -1);
    EXPECT_EQ(capture.channels[1].energy, ChannelEntry::kEnergyNotMeasured);
    // Without frame lines the texts are rewritten to say 0.
    EXPECT_EQ(capture.statistics.packets(), 0);
    EXPECT_EQ(capture.statistics.packetsText(), "0 packets");
}

TEST(LogReader, SurvivesArbitraryBytes) {
    std::string text = logOf({"+FRAM:", "+FRAM:99999999999999999999999,05,03,007,01,AA",
                              "+NODE:\"", "+NODE:", "+CHAN:-9223372036854775808,1,1,1,1",
                              "+NODE:\"x\",-8000000000000000,-8000000000000000,,,,", "+"});
    for (int i = 0; i < 256; ++i)
        text.push_back(static_cast<char>(i));
    text.append("\n+FRAM:01,02,03,004,01,A");  // ends without a line feed
    Capture capture;
    readLog(capture, text);
    ASSERT_EQ(capture.frames.frameCount(), 1);
    EXPECT_EQ(capture.frames[0].data[1], 0x0A);
}

// The formatted scan as it reads: blanks, a sign, then every digit up to the
// first other character, saturating at the 64-bit limits.
std::optional<int64_t> scanNumber(std::string_view line, size_t column, int base, size_t& end) {
    size_t i = column;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
        ++i;
    const bool negative = i < line.size() && line[i] == '-';
    if (i < line.size() && (line[i] == '-' || line[i] == '+'))
        ++i;
    const size_t first = i;
    __int128 magnitude = 0;
    for (; i < line.size() && ColumnReader::digitValue(line[i]) >= 0 &&
           ColumnReader::digitValue(line[i]) < base;
         ++i)
        magnitude = std::min<__int128>(magnitude * base + ColumnReader::digitValue(line[i]),
                                       __int128{1} << 64);
    if (i == first)
        return std::nullopt;
    end = i;
    if (negative)
        return static_cast<int64_t>(std::max<__int128>(-magnitude, INT64_MIN));
    return static_cast<int64_t>(std::min<__int128>(magnitude, INT64_MAX));
}

TEST(ColumnReader, ReadsEveryColumnOfLongRunsAsTheFormattedScanDoes) {
    std::mt19937 random(7);
    const std::string_view alphabet = "0000000001f9aFG -+,\t";
    for (int round = 0; round < 2000; ++round) {
        std::string line;
        const size_t length = random() % 80;
        while (line.size() < length) {
            const char c = alphabet[random() % alphabet.size()];
            line.append(random() % 8 == 0 ? 1 + random() % 30 : 1, c);  // runs of one character
        }
        const ColumnReader reader(line);
        for (size_t column = 0; column <= line.size() + 1; ++column) {
            SCOPED_TRACE(::testing::Message() << '"' << line << "\" at " << column);
            size_t end = 0;
            EXPECT_EQ(reader.hexAt(column), scanNumber(line, column, 16, end));
            EXPECT_EQ(reader.decimalAt(column), scanNumber(line, column, 10, end));
            const std::optional<int64_t> hex = scanNumber(line, column, 16, end);
            EXPECT_EQ(reader.hexByteAt(column), hex ? static_cast<int>(*hex & 0xFF) : -1);
            int64_t first = 0;
            int64_t second = 0;
            std::optional<int64_t> expectedSecond;
            if (hex && end < line.size() && line[end] == ',')
                expectedSecond = scanNumber(line, end + 1, 16, end);
            ASSERT_EQ(reader.hexPairAt(column, first, second), expectedSecond.has_value());
            if (expectedSecond) {
                EXPECT_EQ(first, *hex);
                EXPECT_EQ(second, *expectedSecond);
            }
        }
    }
}

TEST(LogReader, FrameBytesInAMegabyteOfDigitsReadAsTheirScan) {
    // Every byte field starts inside one run of zeros ending in 1: each reads 1.
    std::string line = "+FRAM:00,00,00,000,05,";
    line.append(1 << 20, '0');
    line.append("1");
    Imported log(line);
    ASSERT_EQ(log.capture.frames.frameCount(), 1);
    EXPECT_EQ(log.frame(0).length, 6);
    for (int i = 1; i < 6; ++i)
        EXPECT_EQ(log.frame(0).data[i], 1);
}

TEST(LogReader, SaysSoWhenMemoryRunsOutForFrames) {
    std::string text;
    for (int i = 0; i < 400'000; ++i)
        text.append("+FRAM:00,00,00,000,00\n");
    auto capture = std::make_unique<Capture>();
    // Room for the log but not for 400,000 records of 236 bytes.
    test::AddressSpaceLimit limit(32 << 20);
    ASSERT_TRUE(limit.set());
    const bool complete = readLog(*capture, text).complete;
    limit.lift();
    EXPECT_FALSE(complete);
    EXPECT_GT(capture->frames.frameCount(), 0);
    EXPECT_LT(capture->frames.frameCount(), 400'000);
    // The reading stopped at the line that found no room, counted as read.
    EXPECT_EQ(capture->statistics.packets(), capture->frames.frameCount() + 1);
}

} // namespace
} // namespace qlm

namespace qlm {
namespace {

TEST(LogReader, ReportsTheShareReadAndReadsTheSameWithOrWithoutProgress) {
    std::string text;
    for (int i = 0; i < 140'000; ++i)
        text += "+FRAM:10,00,00,000,05,02,00,0E,EC,E4\r\n";
    auto quiet = std::make_unique<Capture>();
    readLog(*quiet, text);
    auto watched = std::make_unique<Capture>();
    std::vector<double> shares;
    readLog(*watched, text, [&](double share) { shares.push_back(share); });

    ASSERT_EQ(shares.size(), 3u);  // after 65536 and 131072 lines, and at the end
    EXPECT_NEAR(shares[0], 65535.0 / 140'000, 1e-6);
    EXPECT_LT(shares[0], shares[1]);
    EXPECT_EQ(shares[2], 1.0);
    EXPECT_EQ(watched->frames.frameCount(), quiet->frames.frameCount());
    EXPECT_EQ(watched->statistics.packets(), 140'000);
    EXPECT_EQ(watched->nodes.count(), quiet->nodes.count());
}

} // namespace
} // namespace qlm

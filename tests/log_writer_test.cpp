#include "logfile/log_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qlm {
namespace {

constexpr std::string_view kDate = "Tue Mar  7 09:05:12 2006";

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "every line ends with CR LF";
        if (end == std::string::npos)
            break;
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string written(const Capture& capture) {
    StringSink sink;
    EXPECT_TRUE(writeLog(capture, kDate, sink));
    return sink.text;
}

TEST(LogWriter, EmptyCaptureHasHeaderChannelsAndBroadcastNode) {
    Capture capture;
    const std::vector<std::string> lines = linesOf(written(capture));
    ASSERT_EQ(lines.size(), 1u + 1u + 16u + 1u);
    EXPECT_EQ(lines[0].rfind("+INFO:IEEE 802.15.2 Sniffer Log   ", 0), 0u);
    EXPECT_EQ(lines[1], "+DATE:Tue Mar  7 09:05:12 2006");
    EXPECT_EQ(lines[2], "+CHAN:2405,80,00,CA,00");
    EXPECT_EQ(lines[17], "+CHAN:2480,80,00,CA,00");
    EXPECT_EQ(lines[18], "+NODE:\"General\",FF,FF,FF,FF,??,??,??,??,??,??,??,??,??");
}

TEST(LogWriter, ChannelLinesWriteLowBytesAndTheSelection) {
    Capture capture;
    capture.channels[3].energy = -32;
    capture.channels[3].beacons = 300;
    capture.channels[3].level = 0x37;
    capture.channels.setSelectedChannel(3);
    const std::vector<std::string> lines = linesOf(written(capture));
    EXPECT_EQ(lines[2 + 3], "+CHAN:2420,E0,2C,37,FF");
    EXPECT_EQ(lines[2 + 4], "+CHAN:2425,80,00,CA,00");
}

TEST(LogWriter, FrameLinesHaveFixedTimeColumnsAndOneFieldPerByte) {
    Capture capture;
    const uint8_t ack[] = {0x05, 0x02, 0x00, 0x0E, 0xEC, 0xE4};
    capture.frames.appendFrame({9, 5, 3, 7}, ack);
    capture.frames.appendOverflow({23, 59, 59, 999});
    capture.frames.appendFrame({0, 0, 0, 0}, {});
    const std::vector<std::string> lines = linesOf(written(capture));
    ASSERT_EQ(lines.size(), 1u + 1u + 16u + 3u + 1u);
    EXPECT_EQ(lines[18], "+FRAM:09,05,03,007,05,02,00,0E,EC,E4");
    // An overflow marker and a frame without bytes are the tag and the time alone:
    // 18 characters, 20 with CR LF.
    EXPECT_EQ(lines[19], "+FRAM:23,59,59,999");
    EXPECT_EQ(lines[20], "+FRAM:00,00,00,000");
    EXPECT_EQ(lines[18][19], '0');  // first byte at column 19
}

TEST(LogWriter, NodeLinesHaveFixedWidthFieldsWhetherKnownOrNot) {
    Capture capture;
    NodeAddress node;
    node.setPan(0x1234);
    node.setExtended(0x8877665544332211ull);
    node.setLinkQuality(0x1A5);
    const int32_t index = capture.nodes.findOrAdd(node);
    capture.nodes.rename(index, "Kitchen");
    const std::vector<std::string> lines = linesOf(written(capture));
    const std::string& line = lines.back();
    EXPECT_EQ(line, "+NODE:\"Kitchen\",34,12,??,??,11,22,33,44,55,66,77,88,1A5");
    const size_t quote = line.find('"', 7);
    EXPECT_EQ(line.substr(quote + 2, 5), "34,12");
    EXPECT_EQ(line.substr(quote + 8, 5), "??,??");
    EXPECT_EQ(line.substr(quote + 14, 2), "11");
    EXPECT_EQ(line.substr(quote + 32, 5), "77,88");
    EXPECT_EQ(line.substr(quote + 38), "1A5");
}

TEST(LogWriter, QuotesAndLineBreaksInNodeNamesAreReplacedInTheTable) {
    Capture capture;
    capture.nodes.rename(0, "He said \"hi\"");
    replaceQuotesInNodeNames(capture.nodes);
    EXPECT_EQ(capture.nodes.name(0), "He said 'hi'");
    EXPECT_EQ(linesOf(written(capture)).back().rfind("+NODE:\"He said 'hi'\",FF,FF,FF,FF,", 0), 0u);
    capture.nodes.rename(0, "Kitchen\r\nlamp");
    replaceQuotesInNodeNames(capture.nodes);
    EXPECT_EQ(capture.nodes.name(0), "Kitchen  lamp");
}

TEST(LogWriter, LargeCapturesArriveInOrderAcrossChunks) {
    Capture capture;
    uint8_t bytes[128];
    for (int i = 0; i < 128; ++i)
        bytes[i] = static_cast<uint8_t>(i);
    bytes[0] = 127;
    for (int i = 0; i < 5000; ++i)
        capture.frames.appendFrame({1, 2, 3, i % 1000}, bytes);
    capture.nodes.rename(0, std::string(3u << 20, 'x'));  // a name longer than a chunk
    const std::string text = written(capture);
    const std::vector<std::string> lines = linesOf(text);
    ASSERT_EQ(lines.size(), 1u + 1u + 16u + 5000u + 1u);
    EXPECT_EQ(lines[18 + 4321].substr(0, 25), "+FRAM:01,02,03,321,7F,01,");
    EXPECT_EQ(lines[18 + 4321].size(), 19u + 3u * 128u - 1u);
    EXPECT_EQ(lines.back().size(), (3u << 20) + 47u);
}

class FailingSink : public LogTextSink {
public:
    bool write(std::string_view) override { return ++calls > 1 ? false : true; }
    int calls = 0;
};

TEST(LogWriter, StopsAtTheFirstFailedWrite) {
    Capture capture;
    uint8_t bytes[128] = {127};
    for (int i = 0; i < 20000; ++i)
        capture.frames.appendFrame({1, 2, 3, 4}, bytes);
    FailingSink sink;
    EXPECT_FALSE(writeLog(capture, kDate, sink));
    EXPECT_EQ(sink.calls, 2);
}

} // namespace
} // namespace qlm

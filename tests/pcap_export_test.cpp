// pcap and pcapng export of IEEE 802.15.4 TAP packets: the FCS, the TAP header,
// the dating of times of day, and the files as an independent reader (tshark)
// sees them.

#include "logfile/log_date.h"
#include "pcap/capture_clock.h"
#include "pcap/capture_files.h"
#include "pcap/packet_file_reader.h"
#include "pcap/pcapng_blocks.h"
#include "pcap/frame_packet.h"
#include "pcap/fcs.h"
#include "pcap/pcap_export.h"
#include "pcap/pcap_import.h"
#include "logfile/log_writer.h"
#include "pcap/tap_header.h"

#include "command_output.h"
#include "test_frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace qlm {
namespace {

using test::MacFrame;
using test::run;

TEST(Fcs, IsTheItuCrc16SentLowByteFirst) {
    const std::string check = "123456789";
    EXPECT_EQ(ieee802154Fcs({reinterpret_cast<const uint8_t*>(check.data()), check.size()}),
              0x2189);
    EXPECT_EQ(ieee802154Fcs({}), 0x0000);  // (Wireshark's agreement is checked below)

    // Four bytes a step agree with a bit at a time, at every length and remainder.
    std::vector<uint8_t> bytes;
    for (size_t length = 0; length <= 131; ++length) {
        uint16_t bitwise = 0;
        for (uint8_t byte : bytes)
            for (int bit = 0; bit < 8; ++bit)
                bitwise = ((bitwise ^ (byte >> bit)) & 1) != 0
                              ? static_cast<uint16_t>((bitwise >> 1) ^ 0x8408)
                              : static_cast<uint16_t>(bitwise >> 1);
        ASSERT_EQ(ieee802154Fcs(bytes), bitwise) << length << " bytes";
        bytes.push_back(static_cast<uint8_t>(length * 37 + 11));
    }
}

TEST(TapHeader, WritesAndReadsItsTlvsAndRefusesHeadersThatRunPastThePacket) {
    std::string header;
    TapFields fields;
    fields.rssDbm = -61.0f;
    fields.channel = 15;
    fields.lqi = 100;
    appendTapHeader(header, fields);
    ASSERT_EQ(header.size() % 4, 0u);
    std::vector<uint8_t> packet(header.begin(), header.end());
    packet.push_back(0x41);  // a MAC byte after the header
    size_t length = 0;
    const std::optional<TapFields> read = readTapHeader(packet, length);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(length, header.size());
    EXPECT_TRUE(read->fcsIncluded);
    EXPECT_EQ(read->rssDbm, -61.0f);
    EXPECT_EQ(read->channel, 15);
    EXPECT_EQ(read->lqi, 100);

    std::vector<uint8_t> shortPacket(packet.begin(), packet.begin() + 10);
    EXPECT_FALSE(readTapHeader(shortPacket, length).has_value());  // its length runs past
    std::vector<uint8_t> badTlv = {0, 0, 8, 0, 1, 0, 200, 0};      // a TLV past the header
    EXPECT_FALSE(readTapHeader(badTlv, length).has_value());
    std::vector<uint8_t> unknown = {0, 0, 12, 0, 77, 0, 3, 0, 1, 2, 3, 0};
    ASSERT_TRUE(readTapHeader(unknown, length).has_value());  // unknown TLVs are skipped
    EXPECT_FALSE(readTapHeader(unknown, length)->fcsIncluded);
}

TEST(CaptureClock, StepsADayWhereTheTimeOfDayGoesBackMoreThanAnHour) {
    CaptureClock clock({2026, 12, 9});
    const int64_t first = clock.next({23, 59, 59, 500});
    const int64_t later = clock.next({23, 30, 0, 0});  // back half an hour: same day
    const int64_t next = clock.next({0, 0, 0, 250});   // past midnight
    EXPECT_EQ(first - later, (29 * 60 + 59) * 1'000'000LL + 500'000);
    EXPECT_EQ(next - first, 750'000);
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

struct ExportedCapture {
    ExportedCapture() {
        capture = std::make_unique<Capture>();
        auto add = [&](const test::Bytes& bytes, ArrivalTime time) {
            EXPECT_TRUE(test::append(capture->frames, bytes, time));
        };
        add(MacFrame(test::kTypeData).sequence(0x11).destShort(0x1234, 0xFFFF).srcShort(0x0001)
                .rssi(0x10).status(0xE4),
            {10, 0, 0, 0});
        EXPECT_TRUE(capture->frames.appendOverflow({10, 0, 0, 100}));
        add(MacFrame(test::kTypeData).sequence(0x12).destShort(0x1234, 0x0001).srcShort(0x0002)
                .rssi(0xF0).status(0x55),  // CRC failed
            {10, 0, 1, 0});
        // A PHY error with a whole header, then one too short for a packet and an
        // overflow after the last packet.
        add(test::Bytes{0x80, 0x41, 0x88, 0x20, 0x34, 0x12, 0xFF, 0xFF, 0x01, 0x00, 0x20, 0x11},
            {10, 0, 2, 0});
        add(test::Bytes{0x80, 0x41}, {10, 0, 3, 0});
        EXPECT_TRUE(capture->frames.appendOverflow({10, 0, 3, 500}));
        capture->channels.setSelectedChannel(4);
        capture->attributeFrom(0);
    }
    std::unique_ptr<Capture> capture;
};

std::string tshark() { return TSHARK_PATH; }

TEST(PcapExport, TsharkReadsThePcapngAsTheGridShowsTheFrames) {
    ASSERT_FALSE(tshark().empty()) << "tshark is needed (scripts/setup installs it)";
    ExportedCapture exported;
    char path[] = "/tmp/qlm_export_XXXXXX.pcapng";
    const int fd = ::mkstemps(path, 7);
    ASSERT_GE(fd, 0);
    ::close(fd);
    PcapExportCounts counts;
    ASSERT_TRUE(exportPcapFile(*exported.capture, path, PcapFormat::kPcapng, {2026, 12, 9},
                               counts));
    EXPECT_EQ(counts.packets, 3);
    EXPECT_EQ(counts.overflows, 2);
    EXPECT_EQ(counts.phyErrors, 2);

    const std::vector<std::string> rows = linesOf(run(
        tshark() + " -r " + path +
        " -T fields -E separator=, -e wpan.seq_no -e wpan.src16 -e wpan-tap.ch_num"
        " -e wpan-tap.rss -e wpan-tap.lqi -e wpan.fcs_ok -e frame.comment 2>/dev/null"));
    ASSERT_EQ(rows.size(), 3u) << run(tshark() + " -r " + path + " 2>&1");
    EXPECT_EQ(rows[0], "17,0x0001,15,-29,100,1,");  // RSSI byte 0x10 is -29 dBm; LQI 0xE4 & 0x7F
    EXPECT_EQ(rows[1].substr(0, rows[1].find(",Sniffer")), "18,0x0002,15,-61,85,0");
    EXPECT_NE(rows[1].find("Sniffer buffers overflowed, frames were lost (at 10:00:00.100)"),
              std::string::npos);
    EXPECT_NE(rows[2].find("PHY error: length byte 0x80"), std::string::npos);
    // Every packet is a whole TAP packet; what makes none is in comments.
    EXPECT_EQ(run(tshark() + " -r " + path + " -Y _ws.malformed 2>/dev/null"), "");
    std::remove(path);
}

TEST(PcapExport, ClassicPcapSkipsWhatItCannotCarryAndSaysHowMany) {
    ASSERT_FALSE(tshark().empty());
    ExportedCapture exported;
    char path[] = "/tmp/qlm_export_XXXXXX.pcap";
    const int fd = ::mkstemps(path, 5);
    ASSERT_GE(fd, 0);
    ::close(fd);
    PcapExportCounts counts;
    ASSERT_TRUE(
        exportPcapFile(*exported.capture, path, PcapFormat::kPcap, {2026, 12, 9}, counts));
    EXPECT_EQ(counts.packets, 2);
    EXPECT_EQ(counts.phyErrors, 2);
    EXPECT_EQ(counts.overflows, 2);
    const std::vector<std::string> rows = linesOf(
        run(tshark() + " -r " + path + " -T fields -e wpan.seq_no -e wpan.fcs_ok 2>/dev/null"));
    EXPECT_EQ(rows, (std::vector<std::string>{"17\t1", "18\t0"}));
    std::remove(path);
}

// The "+FRAM:" lines of a capture as a log would hold them.
std::vector<std::string> frameLines(const Capture& capture) {
    StringSink sink;
    writeLog(capture, "Wed Dec 09 10:00:00 2026", sink);
    std::vector<std::string> lines;
    for (const std::string& line : linesOf(sink.text))
        if (line.starts_with("+FRAM:"))
            lines.push_back(line);
    return lines;
}

TEST(PcapImport, ThePcapngOfALogReadsBackIntoTheSameFrameLines) {
    auto original = std::make_unique<Capture>();
    ASSERT_TRUE(importLogFile(*original, EXAMPLE_PATH));
    // Records the example lacks: a report cut short and PHY errors without status bytes.
    ASSERT_TRUE(
        test::append(original->frames, {0x14, 0x41, 0x88, 0x07, 0x30, 0xE4}, {9, 59, 0, 1}));
    ASSERT_TRUE(test::append(original->frames, {0x80, 0x41}, {9, 59, 0, 2}));
    ASSERT_TRUE(test::append(original->frames, {0x00}, {9, 59, 0, 3}));
    ASSERT_TRUE(original->frames.appendOverflow({9, 59, 0, 4}));
    StringSink pcapng;
    PcapExportCounts written;
    ASSERT_TRUE(writePcap(*original, PcapFormat::kPcapng, {2006, 3, 14}, pcapng, written));

    auto back = std::make_unique<Capture>();
    PcapImportCounts read;
    std::string error;
    ASSERT_TRUE(readPcapCapture(
        *back, {reinterpret_cast<const uint8_t*>(pcapng.text.data()), pcapng.text.size()}, read,
        error));
    EXPECT_EQ(read.message(), "");
    EXPECT_EQ(frameLines(*back), frameLines(*original));
    // Nodes are found again from the frames (a pcapng carries no node names).
    EXPECT_GT(back->nodes.count(), 10);
    int32_t overflows = 0;
    for (const CapturedFrame& record : back->frames)
        overflows += record.isOverflow() ? 1 : 0;
    EXPECT_GE(overflows, 1);
    EXPECT_EQ(back->statistics.packets(), back->frames.frameCount() - overflows);

    // Classic pcap carries the frames that are whole and well received.
    StringSink classic;
    ASSERT_TRUE(writePcap(*original, PcapFormat::kPcap, {2006, 3, 14}, classic, written));
    ASSERT_TRUE(readPcapCapture(
        *back, {reinterpret_cast<const uint8_t*>(classic.text.data()), classic.text.size()}, read,
        error));
    EXPECT_EQ(back->frames.frameCount(), written.packets);
}

TEST(PcapImport, BadFilesAreSkippedOrReportedAndNeverReadPastTheirEnd) {
    auto capture = std::make_unique<Capture>();
    PcapImportCounts counts;
    std::string error;
    const std::vector<uint8_t> text = {'+', 'I', 'N', 'F', 'O'};
    EXPECT_FALSE(readPcapCapture(*capture, text, counts, error));
    EXPECT_EQ(error, "not a pcap or pcapng file");

    ExportedCapture exported;
    StringSink file;
    PcapExportCounts written;
    ASSERT_TRUE(writePcap(*exported.capture, PcapFormat::kPcapng, {2026, 12, 9}, file, written));
    const std::vector<uint8_t> whole(file.text.begin(), file.text.end());
    // Every cut of the file reads without error and stops inside the cut.
    for (size_t cut = 4; cut < whole.size(); cut += 3) {
        const std::vector<uint8_t> part(whole.begin(), whole.begin() + static_cast<long>(cut));
        ASSERT_TRUE(readPcapCapture(*capture, part, counts, error)) << cut;
        EXPECT_LE(capture->frames.frameCount(), 4) << cut;
    }
    // A time stamp beyond what a signed count holds still gives a time of day.
    std::string huge;
    pcapng::appendSectionHeader(huge, "test");
    pcapng::appendInterface(huge, {kLinkTypeIeee802154NoFcs, 65535, "a", "b", 6});
    const std::vector<uint8_t> frame = {0x41, 0x88, 0x01};
    pcapng::appendEnhancedPacket(huge, {0, ~uint64_t{0}, frame, 3, {}, 0});
    ASSERT_TRUE(readPcapCapture(
        *capture, {reinterpret_cast<const uint8_t*>(huge.data()), huge.size()}, counts, error));
    ASSERT_EQ(capture->frames.frameCount(), 1);
    EXPECT_GE(capture->frames[0].millisecond, 0);
    EXPECT_GE(capture->frames[0].hour, 0);

    // A first block that cannot be read leaves the capture as it was.
    ASSERT_TRUE(readPcapCapture(*capture, whole, counts, error));
    const int32_t before = capture->frames.frameCount();
    for (const size_t at : {4, 8}) {
        std::vector<uint8_t> damaged = whole;
        damaged[at] = static_cast<uint8_t>(damaged[at] + 1);  // a length not of 4s; a magic
        EXPECT_FALSE(readPcapCapture(*capture, damaged, counts, error)) << at;
        EXPECT_EQ(error, "Damaged pcapng block at byte 0: the rest of the file was not read");
        EXPECT_EQ(capture->frames.frameCount(), before);
    }
}

std::string hexDump(const std::vector<uint8_t>& bytes) {
    std::string text = "0000 ";
    char pair[4];
    for (uint8_t byte : bytes) {
        std::snprintf(pair, sizeof pair, " %02x", byte);
        text += pair;
    }
    return text + "\n";
}

TEST(PcapImport, ReadsFilesMadeByText2pcapAndMergecapOfLinkTypes195And230) {
    ASSERT_FALSE(tshark().empty()) << "tshark and its tools are needed (scripts/setup)";
    const std::string tools = tshark().substr(0, tshark().rfind('/') + 1);
    const test::Bytes record =
        MacFrame(test::kTypeData).sequence(0x42).destShort(0x1234, 0xFFFF).srcShort(0x0007);
    // The MAC frame between the length byte and the two status bytes.
    const std::vector<uint8_t> mac(record.begin() + 1, record.end() - 2);
    std::vector<uint8_t> withFcs = mac;
    const uint16_t fcs = ieee802154Fcs(mac);
    withFcs.push_back(static_cast<uint8_t>(fcs & 0xFF));
    withFcs.push_back(static_cast<uint8_t>(fcs >> 8));
    std::vector<uint8_t> badFcs = withFcs;
    badFcs.back() ^= 0x01;

    char folder[] = "/tmp/qlm_pcap_XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string base = folder;
    const auto write = [](const std::string& path, const std::string& text) {
        FILE* file = std::fopen(path.c_str(), "w");
        std::fputs(text.c_str(), file);
        std::fclose(file);
    };
    write(base + "/fcs.txt", hexDump(withFcs) + hexDump(badFcs));
    write(base + "/nofcs.txt", hexDump(mac));
    run(tools + "text2pcap -q -l 195 " + base + "/fcs.txt " + base + "/fcs.pcapng");
    run(tools + "text2pcap -q -F pcap -l 230 " + base + "/nofcs.txt " + base + "/nofcs.pcap");
    run(tools + "mergecap -w " + base + "/both.pcapng " + base + "/fcs.pcapng " + base +
        "/nofcs.pcap");

    auto capture = std::make_unique<Capture>();
    PcapImportCounts counts;
    ASSERT_TRUE(importPcapFile(*capture, base + "/both.pcapng", counts));
    ASSERT_EQ(capture->frames.frameCount(), 3);
    int checkedGood = 0;
    int notGood = 0;
    for (const CapturedFrame& frame : capture->frames) {
        ASSERT_EQ(frame.length, static_cast<int32_t>(mac.size() + 3));
        EXPECT_EQ(frame.data[0], mac.size() + 2);
        EXPECT_TRUE(std::equal(mac.begin(), mac.end(), frame.data + 1));
        EXPECT_EQ(frame.data[frame.length - 2], kUnknownRssiByte);
        const bool good = (frame.data[frame.length - 1] & 0x80) != 0;
        (good ? checkedGood : notGood) += 1;
    }
    EXPECT_EQ(checkedGood, 1);  // only the 195 frame whose FCS is right
    EXPECT_EQ(notGood, 2);      // the wrong FCS, and the 230 frame nobody checked
    EXPECT_EQ(capture->nodes.count(), 2);  // General and 0007
    run("rm -rf " + base);
}

TEST(PcapExport, TsharkCountsTheExampleAndAgreesOnItsSequenceNumbers) {
    ASSERT_FALSE(tshark().empty());
    auto capture = std::make_unique<Capture>();
    ASSERT_TRUE(importLogFile(*capture, EXAMPLE_PATH));
    char path[] = "/tmp/qlm_example_XXXXXX.pcapng";
    const int fd = ::mkstemps(path, 7);
    ASSERT_GE(fd, 0);
    ::close(fd);
    PcapExportCounts counts;
    ASSERT_TRUE(exportPcapFile(*capture, path, PcapFormat::kPcapng, {2006, 3, 14}, counts));
    const std::vector<std::string> sequences =
        linesOf(run(tshark() + " -r " + path + " -T fields -e wpan.seq_no 2>/dev/null"));
    ASSERT_EQ(static_cast<int64_t>(sequences.size()), counts.packets);
    int32_t packet = 0;
    for (const CapturedFrame& frame : capture->frames) {
        if (!carriesFrame(frame))  // overflows and reports too short: comments
            continue;
        ASSERT_LT(static_cast<size_t>(packet), sequences.size());
        const std::string& seen = sequences[static_cast<size_t>(packet++)];
        if (frame.length > 4 && !isPhyErrorLength(frame.data[0]) && !seen.empty()) {
            EXPECT_EQ(std::stoi(seen), frame.data[3]) << "packet " << packet;
        }
    }
    std::remove(path);
}

TEST(CaptureFiles, KindByExtensionAndTheDayALogBeganOn) {
    EXPECT_EQ(captureFileKind("a/b.pcapng"), CaptureFileKind::kPcapng);
    EXPECT_EQ(captureFileKind("B.PCAP"), CaptureFileKind::kPcap);
    EXPECT_EQ(captureFileKind("log.qln"), CaptureFileKind::kLog);
    EXPECT_EQ(captureFileKind("folder.pcap/log"), CaptureFileKind::kLog);
    EXPECT_EQ(parseLogDate("Tue Mar  7 09:05:12 2006"), (CivilDate{2006, 3, 7}));
    EXPECT_EQ(parseLogDate("Wed Dec 09 10:00:00 2026"), (CivilDate{2026, 12, 9}));
    EXPECT_FALSE(parseLogDate("Tue Xyz  7 09:05:12 2006").has_value());
    EXPECT_FALSE(parseLogDate("Tue Mar").has_value());

    // The example began on 2006-03-07; its pcapng is dated so, unless told otherwise.
    auto capture = std::make_unique<Capture>();
    ASSERT_TRUE(importCaptureFile(*capture, EXAMPLE_PATH));
    ASSERT_EQ(capture->date, (CivilDate{2006, 3, 7}));
    const auto firstPacketDay = [](const std::string& path) {
        LargeBuffer file;
        EXPECT_TRUE(readWholeFile(path, file));
        const std::string_view bytes = file.view();
        int64_t first = -1;
        PacketFileProblems problems;
        std::string error;
        readPacketFile({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()},
                       [&first](const FilePacket& packet) {
                           if (first < 0)
                               first = packet.microseconds;
                           return true;
                       },
                       problems, error);
        const auto seconds = static_cast<std::time_t>(first / 1'000'000);
        std::tm local{};
        localtime_r(&seconds, &local);
        return CivilDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
    };
    char path[] = "/tmp/qlm_dated_XXXXXX.pcapng";
    const int fd = ::mkstemps(path, 7);
    ASSERT_GE(fd, 0);
    ::close(fd);
    ASSERT_TRUE(exportCaptureFile(*capture, path));
    EXPECT_EQ(firstPacketDay(path), (CivilDate{2006, 3, 7}));
    ASSERT_TRUE(exportCaptureFile(*capture, path, CivilDate{2020, 1, 2}));
    EXPECT_EQ(firstPacketDay(path), (CivilDate{2020, 1, 2}));
    std::remove(path);
}

} // namespace
} // namespace qlm

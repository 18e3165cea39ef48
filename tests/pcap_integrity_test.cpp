// What packet files must never do: lose records (runs of overflows, reports too
// short for a packet, a store that cannot grow, a damaged block), invent them
// (empty packets, times out of range), or write what a reader takes for a
// malformed packet or a wrapped time.

#include "logfile/log_writer.h"
#include "pcap/capture_files.h"
#include "pcap/frame_packet.h"
#include "pcap/packet_file_reader.h"
#include "pcap/packet_stream.h"
#include "pcap/pcap_export.h"
#include "pcap/pcap_import.h"
#include "pcap/pcapng_blocks.h"

#include "address_space_limit.h"
#include "command_output.h"
#include "test_frames.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <algorithm>
#include <optional>
#include <memory>
#include <span>
#include <string>
#include <unistd.h>
#include <vector>

namespace qlm {
namespace {

using test::MacFrame;
using test::run;

std::span<const uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// Whether two stores hold the same records: kind, time, length and bytes.
::testing::AssertionResult sameRecords(const FrameStore& a, const FrameStore& b) {
    if (a.frameCount() != b.frameCount())
        return ::testing::AssertionFailure()
               << a.frameCount() << " records against " << b.frameCount();
    for (int32_t i = 0; i < a.frameCount(); ++i) {
        const CapturedFrame& x = a[i];
        const CapturedFrame& y = b[i];
        const bool same = x.length == y.length && x.hour == y.hour && x.minute == y.minute &&
                          x.second == y.second && x.millisecond == y.millisecond &&
                          (x.length <= 0 ||
                           std::equal(x.data, x.data + x.length, y.data));
        if (!same)
            return ::testing::AssertionFailure()
                   << "record " << i << ": length " << x.length << " at " << x.hour << ":"
                   << x.minute << ":" << x.second << "." << x.millisecond << " against length "
                   << y.length << " at " << y.hour << ":" << y.minute << ":" << y.second << "."
                   << y.millisecond;
    }
    return ::testing::AssertionSuccess();
}

// The capture written as pcapng and read back.
std::unique_ptr<Capture> throughPcapng(const Capture& capture, PcapImportCounts& read,
                                       std::string* file = nullptr) {
    StringSink sink;
    PcapExportCounts written;
    EXPECT_TRUE(writePcap(capture, PcapFormat::kPcapng, capture.date.value_or(CivilDate{2026, 12, 9}),
                          sink, written));
    auto back = std::make_unique<Capture>();
    std::string error;
    EXPECT_TRUE(readPcapCapture(*back, {reinterpret_cast<const uint8_t*>(sink.text.data()),
                                        sink.text.size()},
                                read, error))
        << error;
    if (file != nullptr)
        *file = std::move(sink.text);
    return back;
}

std::string temporaryFile(const std::string& suffix) {
    std::string path = "/tmp/qlm_integrity_XXXXXX" + suffix;
    const int fd = ::mkstemps(path.data(), static_cast<int>(suffix.size()));
    if (fd >= 0)
        ::close(fd);
    return path;
}

const test::Bytes kDataFrame =
    MacFrame(test::kTypeData).sequence(0x21).destShort(0x1234, 0xFFFF).srcShort(0x0001)
        .rssi(0x10).status(0xE4);

TEST(PacketFiles, RunsOfOverflowsAndReportsTooShortForAPacketComeBackAsTheyWere) {
    auto original = std::make_unique<Capture>();
    FrameStore& frames = original->frames;
    for (int i = 0; i < 2001; ++i)  // more comment than one option can hold
        ASSERT_TRUE(frames.appendOverflow({9, i / 60000 % 60, i / 1000 % 60, i % 1000}));
    ASSERT_TRUE(test::append(frames, kDataFrame, {10, 0, 0, 0}));
    for (const test::Bytes& report : {test::Bytes{}, test::Bytes{0x80}, test::Bytes{0x80, 0x41},
                                      test::Bytes{0x05, 0x02, 0x1F, 0xE4},
                                      test::Bytes{0x05, 0x41, 0x88, 0x1F, 0xE4}})
        ASSERT_TRUE(test::append(frames, report, {10, 0, 1, 7}));
    ASSERT_TRUE(test::append(frames, kDataFrame, {10, 0, 2, 0}));
    for (int i = 0; i < 300; ++i)  // after the last packet
        ASSERT_TRUE(frames.appendOverflow({10, 0, 3, i}));
    ASSERT_TRUE(test::append(frames, test::Bytes{0x00}, {10, 0, 4, 0}));

    // A PHY error of the most bytes a record holds, and a report with more bytes
    // than its length byte says.
    test::Bytes longest(CapturedFrame::kMaxBytes, 0x5A);
    longest[0] = 0xC0;
    ASSERT_TRUE(test::append(frames, longest, {10, 0, 5, 0}));
    test::Bytes overlong = kDataFrame;
    overlong.insert(overlong.end() - 2, {0x01, 0x02, 0x03});
    ASSERT_TRUE(test::append(frames, overlong, {10, 0, 6, 0}));

    PcapImportCounts read;
    std::string file;
    const auto back = throughPcapng(*original, read, &file);
    EXPECT_EQ(read.message(), "");
    EXPECT_TRUE(sameRecords(back->frames, frames));

    // tshark reads the packets whole, and the block with the last comments.
    const std::string path = temporaryFile(".pcapng");
    std::FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(file.data(), 1, file.size(), out);
    std::fclose(out);
    EXPECT_EQ(run(std::string(TSHARK_PATH) + " -r " + path + " -T fields -e wpan.seq_no "
                                             "2>&1 | grep -v 'Running as user'"),
              "33\n33\n90\n33\n");
    // Payloads may be what ZigBee's decoders cannot read, but no frame is cut.
    EXPECT_EQ(run(std::string(TSHARK_PATH) + " -r " + path +
                  " -T fields -e _ws.malformed 2>/dev/null | grep -c 802.15.4"),
              "0\n");
    std::remove(path.c_str());
}

// A pcapng of two sections of ten packets each; `offsets` gets where each block
// begins.
std::string twoSections(std::vector<size_t>& offsets) {
    std::string file;
    for (int section = 0; section < 2; ++section) {
        offsets.push_back(file.size());
        pcapng::appendSectionHeader(file, "test");
        offsets.push_back(file.size());
        pcapng::appendInterface(file, {kLinkTypeIeee802154NoFcs, 65535, "a", "b", 6});
        for (int i = 0; i < 10; ++i) {
            offsets.push_back(file.size());
            const uint8_t frame[] = {0x41, 0x88, static_cast<uint8_t>(section * 10 + i)};
            pcapng::appendEnhancedPacket(file, {0, uint64_t{1'700'000'000'000'000}, frame, 3, {}, 0});
        }
    }
    return file;
}

TEST(PacketFiles, ADamagedBlockSaysWhereTheReadingStoppedAndKeepsWhatCameBefore) {
    std::vector<size_t> offsets;
    const std::string whole = twoSections(offsets);
    const size_t secondSection = offsets[12];
    const size_t fifteenthPacket = offsets[18];
    struct Damage {
        size_t at;           // the byte changed
        uint8_t value;
        size_t block;        // the block named
        int32_t framesKept;
    } damages[] = {
        {secondSection + 8, 0x00, secondSection, 10},      // its byte-order magic
        {secondSection + 4, 0x0D, secondSection, 10},      // its length, not of 4s
        {fifteenthPacket + 4, 0x05, fifteenthPacket, 14},  // a packet's length below 12
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.at);
        std::string file = whole;
        file[damage.at] = static_cast<char>(damage.value);
        if (damage.value == 0x05)
            file.replace(damage.at + 1, 3, 3, '\0');
        auto capture = std::make_unique<Capture>();
        PcapImportCounts counts;
        std::string error;
        ASSERT_TRUE(readPcapCapture(*capture, bytesOf(file), counts, error));
        EXPECT_EQ(capture->frames.frameCount(), damage.framesKept);
        EXPECT_TRUE(counts.partial());
        EXPECT_EQ(counts.message(), "Damaged pcapng block at byte " + std::to_string(damage.block) +
                                        ": the rest of the file was not read");
    }

    // The import says it too, and the result tells qlntool to fail.
    std::string file = whole;
    file[secondSection + 8] = 0;
    const std::string path = temporaryFile(".pcapng");
    std::FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(file.data(), 1, file.size(), out);
    std::fclose(out);
    auto capture = std::make_unique<Capture>();
    const FileResult result = importCaptureFile(*capture, path);
    EXPECT_TRUE(result);
    EXPECT_TRUE(result.partial);
    EXPECT_EQ(result.warning, "Damaged pcapng block at byte " + std::to_string(secondSection) +
                                  ": the rest of the file was not read");
    std::remove(path.c_str());
}

TEST(PacketFiles, PacketsWithoutBytesAreSkippedAndCounted) {
    std::string file;
    pcap::appendFileHeader(file, kLinkTypeIeee802154NoFcs, 65535);
    const uint8_t frame[] = {0x02, 0x00, 0x07};
    for (int i = 0; i < 5; ++i)
        pcap::appendRecord(file, 1'000'000, {}, 0);
    pcap::appendRecord(file, 2'000'000, frame, 3);
    auto capture = std::make_unique<Capture>();
    PcapImportCounts counts;
    std::string error;
    ASSERT_TRUE(readPcapCapture(*capture, bytesOf(file), counts, error));
    EXPECT_EQ(capture->frames.frameCount(), 1);
    EXPECT_EQ(counts.empty, 5);
    EXPECT_FALSE(counts.partial());
    EXPECT_EQ(counts.message(), "Skipped: 5 packets without bytes");
}

TEST(PacketFiles, ATimeInACommentOutsideTheDayKeepsThePacketsTime) {
    std::string file;
    pcapng::appendSectionHeader(file, "test");
    pcapng::appendInterface(file, {kLinkTypeIeee802154NoFcs, 65535, "a", "b", 6});
    const std::string overflow = kOverflowComment;
    const std::string shortReport = kShortReportComment;
    const std::vector<std::string> comments = {
        overflow + " (at 00:40000000:00)", overflow + " (at 24:00:00.000)",
        overflow + " (at 12:60:00.000)",   overflow + " (at 1:02:03.004)",
        overflow + " (at 23:59:59.999)",   shortReport + " (at 99:00:00.000): 80 41",
    };
    const uint8_t frame[] = {0x02, 0x00, 0x07};
    pcapng::appendEnhancedPacket(file, {0, uint64_t{1'700'000'000'000'000}, frame, 3, comments, 0});
    auto capture = std::make_unique<Capture>();
    PcapImportCounts counts;
    std::string error;
    ASSERT_TRUE(readPcapCapture(*capture, bytesOf(file), counts, error));
    ASSERT_EQ(capture->frames.frameCount(), 7);
    const ArrivalTime packet = capture->frames[6].arrival();
    for (const int i : {0, 1, 2, 3, 5}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(capture->frames[i].hour, packet.hour);
        EXPECT_EQ(capture->frames[i].minute, packet.minute);
        EXPECT_EQ(capture->frames[i].second, packet.second);
        EXPECT_EQ(capture->frames[i].millisecond, packet.millisecond);
    }
    EXPECT_EQ(capture->frames[4].hour, 23);
    EXPECT_EQ(capture->frames[4].millisecond, 999);
    EXPECT_EQ(capture->frames[5].length, 2);
    EXPECT_EQ(capture->frames[5].data[1], 0x41);
}

// Sets the time zone for a test and puts the old one back.
class TimeZone {
public:
    explicit TimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ"))
            old_ = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~TimeZone() {
        if (old_)
            ::setenv("TZ", old_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> old_;
};

TEST(PacketFiles, DatesAFormatCannotHoldAreRefusedAndNeverWrap) {
    auto capture = std::make_unique<Capture>();
    ASSERT_TRUE(test::append(capture->frames, kDataFrame, {1, 0, 0, 0}));
    const std::string classic = temporaryFile(".pcap");
    const std::string next = temporaryFile(".pcapng");
    {
        const TimeZone utc("UTC");
        const FileResult late = exportCaptureFile(*capture, classic, CivilDate{2200, 1, 1});
        EXPECT_FALSE(late);
        EXPECT_EQ(late.error, "Classic pcap holds no time after 2106-02-07 06:28:15 UTC; the "
                              "capture, dated from 2200-01-01, runs past it (pcapng holds it)");
        EXPECT_TRUE(exportCaptureFile(*capture, next, CivilDate{2200, 1, 1}));
        EXPECT_TRUE(exportCaptureFile(*capture, classic, CivilDate{2106, 2, 7}));
    }
    // 01:00 on the first day of 1970, two hours east of Greenwich, is 1969 there.
    const TimeZone east("UTC-2");
    for (const std::string& path : {classic, next}) {
        const FileResult early = exportCaptureFile(*capture, path, CivilDate{1970, 1, 1});
        EXPECT_FALSE(early) << path;
        EXPECT_EQ(early.error, "pcap and pcapng hold no time before 1970-01-01 00:00:00 UTC; the "
                               "capture, dated from 1970-01-01, begins before it");
    }
    // The stream itself never wraps such a time round to a huge one.
    PacketStream stream(PcapFormat::kPcapng, {1970, 1, 1}, 15);
    std::string file;
    PacketStream::appendHeader(PcapFormat::kPcapng, file);
    stream.append(capture->frames[0], file);
    int64_t stamp = -1;
    PacketFileProblems problems;
    std::string error;
    readPacketFile(bytesOf(file),
                   [&stamp](const FilePacket& packet) {
                       stamp = packet.microseconds;
                       return true;
                   },
                   problems, error);
    EXPECT_EQ(stamp, 0);
    std::remove(classic.c_str());
    std::remove(next.c_str());
}

// On the day the clocks go forward, times after the change come back as they
// were, an hour closer to those before than the clock says.
TEST(PacketFiles, ADayTheClocksChangeOnComesBackAsItWas) {
    const TimeZone central("CET-1CEST,M3.5.0,M10.5.0/3");
    auto capture = std::make_unique<Capture>();
    capture->date = CivilDate{2026, 3, 29};
    ASSERT_TRUE(test::append(capture->frames, kDataFrame, {1, 30, 0, 0}));
    ASSERT_TRUE(test::append(capture->frames, kDataFrame, {3, 30, 0, 0}));
    ASSERT_TRUE(capture->frames.appendOverflow({3, 45, 0, 0}));
    ASSERT_TRUE(test::append(capture->frames, kDataFrame, {23, 0, 0, 0}));
    PcapImportCounts read;
    std::string file;
    const auto back = throughPcapng(*capture, read, &file);
    EXPECT_TRUE(sameRecords(back->frames, capture->frames));
    std::vector<int64_t> stamps;
    PacketFileProblems problems;
    std::string error;
    readPacketFile(bytesOf(file),
                   [&stamps](const FilePacket& packet) {
                       if (!packet.commentsOnly)
                           stamps.push_back(packet.microseconds);
                       return true;
                   },
                   problems, error);
    ASSERT_EQ(stamps.size(), 3u);
    EXPECT_EQ(stamps[1] - stamps[0], int64_t{3600} * 1'000'000);
}

// A run of records without a packet longer than a megabyte of comments is
// written in several blocks and read back whole.
TEST(PacketFiles, ALongRunWithoutPacketsIsSplitIntoBlocks) {
    auto capture = std::make_unique<Capture>();
    for (int i = 0; i < 25'000; ++i)
        ASSERT_TRUE(test::append(capture->frames, test::Bytes{0x80, 0x41},
                                 {11, i / 60000, i / 1000 % 60, i % 1000}));
    PcapImportCounts read;
    std::string file;
    const auto back = throughPcapng(*capture, read, &file);
    EXPECT_TRUE(sameRecords(back->frames, capture->frames));
    int blocks = 0;
    for (size_t at = 0; at + 8 <= file.size();) {
        uint32_t type = 0;
        uint32_t length = 0;
        std::memcpy(&type, file.data() + at, 4);
        std::memcpy(&length, file.data() + at + 4, 4);
        blocks += type == pcapng::kInterfaceStatistics;
        EXPECT_LE(length, 2u << 20);
        at += length;
    }
    EXPECT_GE(blocks, 2);
}

TEST(PacketFiles, AStoreThatCannotGrowEndsTheImportWithWhatWasRead) {
    std::string file;
    pcap::appendFileHeader(file, kLinkTypeIeee802154NoFcs, 65535);
    const uint8_t frame[] = {0x02, 0x00, 0x07};
    for (int i = 0; i < 400'000; ++i)
        pcap::appendRecord(file, 1'000'000 + uint64_t(i), frame, 3);
    auto capture = std::make_unique<Capture>();
    PcapImportCounts counts;
    std::string error;
    // Room for the file but not for 400,000 records of 236 bytes.
    test::AddressSpaceLimit limit(32 << 20);
    ASSERT_TRUE(limit.set());
    const bool read = readPcapCapture(*capture, bytesOf(file), counts, error);
    limit.lift();
    ASSERT_TRUE(read);
    const int32_t kept = capture->frames.frameCount();
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, 400'000);
    EXPECT_TRUE(counts.partial());
    EXPECT_EQ(counts.message(),
              "Out of memory after " + std::to_string(kept) + " frames: the rest was not read");
    EXPECT_EQ(capture->statistics.packets(), kept);
}

} // namespace
} // namespace qlm

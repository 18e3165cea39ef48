#include "pcap/pcap_import.h"

#include "capture/hex_pair.h"
#include "capture/reception_status.h"
#include "pcap/fcs.h"
#include "pcap/frame_packet.h"
#include "pcap/tap_header.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <climits>
#include <ctime>
#include <vector>

namespace qlm {
namespace {

constexpr size_t kMaxMacLength = 125;  // a length byte of at most 127 with the two FCS bytes

// Local times of day of time stamps. Looking the zone up is the dearest part
// of reading a packet, so it is done once per minute of time stamps.
class LocalClock {
public:
    ArrivalTime timeOfDay(int64_t microseconds) {
        int64_t seconds = microseconds / 1'000'000;
        int64_t rest = microseconds % 1'000'000;
        if (rest < 0) {  // before 1970, or beyond a signed count: rounded down
            rest += 1'000'000;
            --seconds;
        }
        int64_t minute = seconds / 60;
        int64_t second = seconds % 60;
        if (second < 0) {
            second += 60;
            --minute;
        }
        if (minute != cachedMinute_) {
            const auto start = static_cast<std::time_t>(minute * 60);
            std::tm local{};
            localtime_r(&start, &local);
            cachedMinute_ = minute;
            cached_ = {local.tm_hour, local.tm_min, local.tm_sec, 0};
        }
        ArrivalTime time = cached_;
        time.second += static_cast<int32_t>(second);
        time.millisecond = static_cast<int32_t>(rest / 1000);
        if (time.second >= 60) {  // a zone offset with seconds: looked up whole
            const auto when = static_cast<std::time_t>(seconds);
            std::tm local{};
            localtime_r(&when, &local);
            time = {local.tm_hour, local.tm_min, local.tm_sec, time.millisecond};
        }
        return time;
    }

private:
    int64_t cachedMinute_ = INT64_MIN;
    ArrivalTime cached_;
};

// " (at HH:MM:SS.mmm)" at the start of `text`, as the export writes it after a
// comment's prefix; none when it is not there or names no time of day.
std::optional<ArrivalTime> commentTime(std::string_view text) {
    constexpr std::string_view kForm = " (at 00:00:00.000)";
    if (text.size() < kForm.size())
        return std::nullopt;
    int fields[4] = {};
    int field = 0;
    for (size_t i = 0; i < kForm.size(); ++i) {
        const char c = text[i];
        if (kForm[i] != '0') {
            if (c != kForm[i])
                return std::nullopt;
            if (c == ':' || c == '.')
                ++field;
            continue;
        }
        if (c < '0' || c > '9')
            return std::nullopt;
        fields[field] = fields[field] * 10 + (c - '0');
    }
    if (fields[0] > 23 || fields[1] > 59 || fields[2] > 59)
        return std::nullopt;
    return ArrivalTime{fields[0], fields[1], fields[2], fields[3]};
}

// The bytes of a short report's comment after its colon: " none", or
// hexadecimal pairs each after one blank. False when the text is anything else.
bool shortReportBytes(std::string_view text, std::vector<uint8_t>& bytes) {
    bytes.clear();
    if (text == " none")
        return true;
    while (!text.empty()) {
        if (text.size() < 3 || text[0] != ' ' || bytes.size() == CapturedFrame::kMaxBytes)
            return false;
        const int high = hexDigitValue(text[1]);
        const int low = hexDigitValue(text[2]);
        if (high < 0 || low < 0)
            return false;
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
        text.remove_prefix(3);
    }
    return !bytes.empty();
}

// "<prefix>: length byte 0xNN, M bytes stored..." of a PHY-error or cut-report
// comment: the record's own length byte and stored length.
bool storedShape(std::string_view line, int& lengthByte, int& stored) {
    for (std::string_view prefix : {kPhyErrorComment, kCutReportComment}) {
        if (!line.starts_with(prefix))
            continue;
        const std::string text(line.substr(prefix.size()));
        int byte = 0;
        int count = 0;
        if (std::sscanf(text.c_str(), ": length byte 0x%x, %d bytes stored", &byte, &count) != 2 ||
            byte < 0 || byte > 0xFF || count < 1 || count > CapturedFrame::kMaxBytes)
            return false;
        lengthByte = byte;
        stored = count;
        return true;
    }
    return false;
}

class PacketImport {
public:
    PacketImport(Capture& capture, PcapImportCounts& counts) : capture_(capture), counts_(counts) {}

    // False once the store cannot grow: the reading stops there.
    bool take(const FilePacket& packet) {
        const ArrivalTime time = clock_.timeOfDay(packet.microseconds);
        int lengthByte = -1;
        int stored = -1;
        for (size_t start = 0; start < packet.comment.size();) {
            size_t end = packet.comment.find('\n', start);
            end = end == std::string::npos ? packet.comment.size() : end;
            const std::string_view line(packet.comment.data() + start, end - start);
            if (!takeCommentRecord(line, time))
                return false;
            storedShape(line, lengthByte, stored);
            start = end + 1;
        }
        if (packet.commentsOnly)
            return true;
        if (packet.data.empty()) {
            ++counts_.empty;
            return true;
        }
        Fields fields;
        if (!readFields(packet, fields)) {
            // Older exports carried comments on such packets; otherwise it is empty.
            if (fields.empty && packet.comment.empty())
                ++counts_.empty;
            return true;
        }
        if (fields.mac.size() > kMaxMacLength && lengthByte < 0) {
            ++counts_.tooLong;
            return true;
        }
        return store(time, fields, lengthByte, stored);
    }

    // The channel the first packet that named one was taken on.
    std::optional<uint16_t> channel() const { return channel_; }

private:
    struct Fields {
        std::span<const uint8_t> mac;
        uint8_t rssiByte = kUnknownRssiByte;
        uint8_t lqi = 0;
        bool crcGood = false;
        bool empty = false;  // a TAP header and nothing after it
    };

    // A record the export kept in a comment: an overflow, or a report too short
    // for a packet. It has its own time of day, else the packet's.
    bool takeCommentRecord(std::string_view line, const ArrivalTime& packetTime) {
        if (line.starts_with(kOverflowComment)) {
            const std::optional<ArrivalTime> time =
                commentTime(line.substr(std::string_view(kOverflowComment).size()));
            return kept(capture_.frames.appendOverflow(time.value_or(packetTime)));
        }
        if (!line.starts_with(kShortReportComment))
            return true;
        line.remove_prefix(std::string_view(kShortReportComment).size());
        const std::optional<ArrivalTime> time = commentTime(line);
        // The bytes follow the colon after the time, whether or not that names one.
        const size_t timeEnd = line.starts_with(" (at ") ? line.find(')') : 0;
        const size_t colon = timeEnd == std::string_view::npos ? timeEnd : line.find(':', timeEnd);
        if (colon == std::string_view::npos || !shortReportBytes(line.substr(colon + 1), bytes_)) {
            ++counts_.malformed;
            return true;
        }
        if (!kept(capture_.frames.appendFrame(time.value_or(packetTime), bytes_)))
            return false;
        counted(bytes_.empty() || isPhyErrorLength(bytes_[0]));
        return true;
    }

    bool kept(bool stored) {
        if (!stored)
            counts_.outOfMemory = true;
        return stored;
    }

    void counted(bool error) {
        ++counts_.frames;
        capture_.statistics.update(error);
    }

    bool readFields(const FilePacket& packet, Fields& fields) {
        std::span<const uint8_t> payload = packet.data;
        bool fcsIncluded = false;
        switch (packet.linkType) {
        case kLinkTypeIeee802154Tap: {
            size_t headerLength = 0;
            const std::optional<TapFields> tap = readTapHeader(payload, headerLength);
            if (!tap) {
                ++counts_.malformed;
                return false;
            }
            payload = payload.subspan(headerLength);
            fcsIncluded = tap->fcsIncluded;
            if (tap->channel && !channel_)
                channel_ = tap->channel;
            if (tap->rssDbm && std::isfinite(*tap->rssDbm))
                fields.rssiByte = static_cast<uint8_t>(static_cast<int8_t>(
                    std::clamp(std::lround(*tap->rssDbm) + long{kSignalStrengthOffsetDbm}, -128L, 127L)));
            if (tap->lqi)
                fields.lqi = static_cast<uint8_t>(*tap->lqi & kCorrelationMask);
            fields.empty = payload.empty() && !fcsIncluded;
            break;
        }
        case kLinkTypeIeee802154WithFcs:
            fcsIncluded = true;
            break;
        case kLinkTypeIeee802154NoFcs:
            break;
        default:
            ++counts_.otherLinkTypes;
            return false;
        }
        if (fields.empty)
            return false;
        if (fcsIncluded) {
            if (payload.size() < 2) {
                ++counts_.malformed;
                return false;
            }
            const std::span<const uint8_t> mac = payload.first(payload.size() - 2);
            const uint16_t fcs =
                static_cast<uint16_t>(payload[payload.size() - 2] | payload.back() << 8);
            fields.crcGood = ieee802154Fcs(mac) == fcs;
            payload = mac;
        }
        fields.mac = payload;
        return true;
    }

    bool store(const ArrivalTime& time, const Fields& fields, int lengthByte, int stored) {
        uint8_t bytes[CapturedFrame::kMaxBytes];
        const size_t limit = lengthByte >= 0 ? CapturedFrame::kMaxBytes - 3 : kMaxMacLength;
        const size_t macLength = std::min(fields.mac.size(), limit);
        size_t length = macLength + 3;
        bytes[0] = static_cast<uint8_t>(macLength + 2);
        std::memcpy(bytes + 1, fields.mac.data(), macLength);
        bytes[length - 2] = fields.rssiByte;
        bytes[length - 1] = static_cast<uint8_t>(fields.lqi | (fields.crcGood ? kCrcGood : 0));
        if (lengthByte >= 0) {
            // A record the export described: its own length byte, and without
            // status bytes when it had none.
            bytes[0] = static_cast<uint8_t>(lengthByte);
            if (stored < 3)
                length = std::min<size_t>(1 + macLength, static_cast<size_t>(stored));
        }
        if (!kept(capture_.frames.appendFrame(time, {bytes, length})))
            return false;
        counted(isPhyErrorLength(bytes[0]));
        return true;
    }

    Capture& capture_;
    PcapImportCounts& counts_;
    LocalClock clock_;
    std::optional<uint16_t> channel_;
    std::vector<uint8_t> bytes_;
};

} // namespace

std::string PcapImportCounts::message() const {
    std::string stopped;
    if (outOfMemory)
        stopped = outOfMemoryMessage(recordsKept);
    else if (damagedAt)
        stopped = damagedBlockMessage(*damagedAt);
    std::string text;
    const auto add = [&text](int64_t count, const char* what) {
        if (count > 0)
            text += (text.empty() ? "" : ", ") + std::to_string(count) + " " + what;
    };
    add(otherLinkTypes, "packets of other link types");
    add(tooLong, "frames longer than 127 bytes");
    add(malformed, "unreadable packets or blocks");
    add(empty, "packets without bytes");
    if (truncated)
        text += text.empty() ? "the file ends inside a packet" : "; the file ends inside a packet";
    if (!text.empty())
        text = "Skipped: " + text;
    if (stopped.empty() || text.empty())
        return stopped + text;
    return stopped + "; " + text;
}

bool readPcapCapture(Capture& capture, std::span<const uint8_t> file, PcapImportCounts& counts,
                     std::string& error) {
    counts = {};
    if (!isPacketFile(file)) {
        error = "not a pcap or pcapng file";
        return false;
    }
    if (pcapngStartsDamaged(file)) {
        error = damagedBlockMessage(0);
        return false;
    }
    capture.reset();
    // Address space for as many records as the file could hold packets, so the
    // store never moves while it fills; pages are used only as records come.
    constexpr size_t kSmallestPacketBytes = 16;  // a classic record's header
    capture.frames.expect(static_cast<int32_t>(
        std::min<size_t>(file.size() / kSmallestPacketBytes, INT32_MAX)));
    PacketImport import(capture, counts);
    PacketFileProblems problems;
    readPacketFile(file, [&import](const FilePacket& packet) { return import.take(packet); },
                   problems, error, &counts.secrets);
    counts.malformed += problems.malformed;
    counts.truncated = problems.truncated;
    counts.damagedAt = problems.damagedAt;
    counts.recordsKept = capture.frames.frameCount();
    if (const std::optional<uint16_t> channel = import.channel())
        capture.channels.setSelectedChannel(*channel - ChannelTable::kFirstChannelNumber);
    if (capture.statistics.packets() == 0)
        capture.statistics.resetAndShow();
    capture.attributeFrom(0);
    return true;
}

FileResult importPcapFile(Capture& capture, const std::string& path, PcapImportCounts& counts) {
    LargeBuffer contents;
    if (!readWholeFile(path, contents))
        return FileResult::failure(errno);
    const std::string_view text = contents.view();
    std::string error;
    if (!readPcapCapture(capture,
                         {reinterpret_cast<const uint8_t*>(text.data()), text.size()}, counts,
                         error)) {
        FileResult result;
        result.ok = false;
        result.error = error;
        return result;
    }
    FileResult result = FileResult::success();
    result.warning = counts.message();
    result.partial = counts.partial();
    return result;
}

} // namespace qlm

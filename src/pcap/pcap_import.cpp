#include "pcap/pcap_import.h"

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

namespace qlm {
namespace {

constexpr size_t kMaxMacLength = 125;  // a length byte of at most 127 with the two FCS bytes
constexpr uint8_t kCrcGood = 0x80;

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

// "... (at HH:MM:SS.mmm)" of an overflow comment written by the export.
bool overflowTime(std::string_view line, ArrivalTime& time) {
    if (!line.starts_with(kOverflowComment))
        return false;
    const size_t at = line.find("(at ");
    if (at == std::string_view::npos)
        return true;  // the time of the packet it is on
    const std::string text(line.substr(at));
    std::sscanf(text.c_str(), "(at %d:%d:%d.%d)", &time.hour, &time.minute, &time.second,
                &time.millisecond);
    return true;
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

    void take(const FilePacket& packet) {
        const ArrivalTime time = clock_.timeOfDay(packet.microseconds);
        int lengthByte = -1;
        int stored = -1;
        size_t start = 0;
        while (start <= packet.comment.size() && !packet.comment.empty()) {
            size_t end = packet.comment.find('\n', start);
            end = end == std::string::npos ? packet.comment.size() : end;
            const std::string_view line(packet.comment.data() + start, end - start);
            ArrivalTime overflowAt = time;
            if (overflowTime(line, overflowAt))
                capture_.frames.appendOverflow(overflowAt);
            storedShape(line, lengthByte, stored);
            start = end + 1;
        }
        Fields fields;
        if (!readFields(packet, fields))
            return;
        if (fields.mac.size() > kMaxMacLength && lengthByte < 0) {
            ++counts_.tooLong;
            return;
        }
        store(time, fields, lengthByte, stored);
    }

private:
    struct Fields {
        std::span<const uint8_t> mac;
        uint8_t rssiByte = kUnknownRssiByte;
        uint8_t lqi = 0;
        bool crcGood = false;
        bool empty = false;  // a packet carrying only comments
    };

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
                    std::clamp(std::lround(*tap->rssDbm) + 45, -128L, 127L)));
            if (tap->lqi)
                fields.lqi = static_cast<uint8_t>(*tap->lqi & 0x7F);
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

    void store(const ArrivalTime& time, const Fields& fields, int lengthByte, int stored) {
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
        if (!capture_.frames.appendFrame(time, {bytes, length}))
            return;
        ++counts_.frames;
        capture_.statistics.update(isPhyErrorLength(bytes[0]));
    }

public:
    // The channel the first packet that named one was taken on.
    std::optional<uint16_t> channel() const { return channel_; }

private:
    Capture& capture_;
    PcapImportCounts& counts_;
    LocalClock clock_;
    std::optional<uint16_t> channel_;
};

} // namespace

std::string PcapImportCounts::message() const {
    std::string text;
    const auto add = [&text](int64_t count, const char* what) {
        if (count > 0)
            text += (text.empty() ? "" : ", ") + std::to_string(count) + " " + what;
    };
    add(otherLinkTypes, "packets of other link types");
    add(tooLong, "frames longer than 127 bytes");
    add(malformed, "unreadable packets or blocks");
    if (truncated)
        text += text.empty() ? "the file ends inside a packet" : "; the file ends inside a packet";
    return text.empty() ? text : "Skipped: " + text;
}

bool readPcapCapture(Capture& capture, std::span<const uint8_t> file, PcapImportCounts& counts,
                     std::string& error) {
    counts = {};
    if (!isPacketFile(file)) {
        error = "not a pcap or pcapng file";
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
    readPacketFile(file, [&import](const FilePacket& packet) { import.take(packet); }, problems,
                   error);
    counts.malformed += problems.malformed;
    if (const std::optional<uint16_t> channel = import.channel())
        capture.channels.setSelectedChannel(*channel - ChannelTable::kFirstChannelNumber);
    counts.truncated = problems.truncated;
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
    return result;
}

} // namespace qlm

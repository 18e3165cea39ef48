#include "logfile/log_reader.h"

#include "logfile/column_reader.h"
#include "logfile/log_date.h"

#include <algorithm>
#include <cstring>

namespace qlm {
namespace {

// Columns of the fixed-layout fields.
constexpr size_t kTimeColumns[4] = {6, 9, 12, 15};
// Largest time values that fit the columns the writer gives them. A wider value
// would shift every later column of the line when written back, so a frame
// carrying one could not be read again; such lines are dropped like unreadable ones.
constexpr int64_t kTimeLimits[4] = {99, 99, 99, 999};
constexpr size_t kLengthByteColumn = 19;
constexpr size_t kFirstDataByteColumn = 22;
constexpr size_t kNodeNameColumn = 6;

enum class LineTag { Header, Channel, Frame, Node, Other };

LineTag tagOf(std::string_view line) {
    if (line.size() < 5 || line[0] != '+')
        return LineTag::Other;
    char tag[4];
    for (int i = 0; i < 4; ++i) {
        const char c = line[static_cast<size_t>(i) + 1];
        tag[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    if (std::memcmp(tag, "FRAM", 4) == 0)
        return LineTag::Frame;
    if (std::memcmp(tag, "CHAN", 4) == 0)
        return LineTag::Channel;
    if (std::memcmp(tag, "NODE", 4) == 0)
        return LineTag::Node;
    if (std::memcmp(tag, "INFO", 4) == 0 || std::memcmp(tag, "DATE", 4) == 0)
        return LineTag::Header;
    return LineTag::Other;
}

// Energy and level readings are signed bytes: E0 reads back as -32.
int32_t signedByte(int64_t value) { return static_cast<int8_t>(static_cast<uint8_t>(value)); }

// A 16-bit value written as its low byte, then its high byte.
uint16_t littleEndian16(int64_t low, int64_t high) {
    return static_cast<uint16_t>(static_cast<uint64_t>(high) * 256 + static_cast<uint64_t>(low));
}

class LogReader {
public:
    explicit LogReader(Capture& capture) : capture_(capture) {}

    bool framesLost() const { return framesLost_; }
    int64_t logLines() const { return logLines_; }

    void readLine(std::string_view line) {
        const LineTag tag = tagOf(line);
        logLines_ += tag != LineTag::Other;
        switch (tag) {
        case LineTag::Frame:
            readFrameLine(ColumnReader(line));
            break;
        case LineTag::Channel:
            readChannelLine(ColumnReader(line));
            break;
        case LineTag::Node:
            readNodeLine(ColumnReader(line));
            break;
        case LineTag::Header:  // informational, but for the day the capture began
            if (line.size() > 6 && (line[1] == 'D' || line[1] == 'd')) {
                if (const std::optional<CivilDate> date = parseLogDate(line.substr(6)))
                    capture_.date = date;
            }
            break;
        case LineTag::Other:
            break;
        }
    }

private:
    // "+CHAN:%04ld,%02lX,%02lX,%02lX,%02lX": frequency, energy, beacons, level and
    // the selected-channel marker. Unreadable readings take the value E0.
    void readChannelLine(const ColumnReader& line) {
        const int64_t frequency = line.decimalAt(6).value_or(0);
        const int64_t energy = line.hexAt(11).value_or(0xE0);
        const int64_t beacons = line.hexAt(14).value_or(0xE0);
        const int64_t level = line.hexAt(17).value_or(0xE0);
        const int64_t marker = line.hexAt(20).value_or(-1);
        if (frequency <= 0 || marker < 0)
            return;
        const int64_t index = (frequency - 2405) / 5;  // truncates toward zero
        if (index < 0 || index >= ChannelTable::kChannelCount)
            return;
        ChannelEntry& entry = capture_.channels[static_cast<int>(index)];
        entry.energy = signedByte(energy);
        entry.beacons = static_cast<uint8_t>(beacons);
        entry.level = signedByte(level);
        if (marker != 0)
            capture_.channels.setSelectedChannel(static_cast<int>(index));
    }

    // "+FRAM:hh,mm,ss,mmm" then ",%02lX" per byte, the first being the length
    // byte L. Counted in the statistics whatever it holds; stored only when the
    // time is complete, L lies in 0 to 127 and all L further bytes are there.
    void readFrameLine(const ColumnReader& line) {
        const std::optional<int64_t> lengthByte = line.hexAt(kLengthByteColumn);
        capture_.statistics.update(!lengthByte || *lengthByte == 0);

        ArrivalTime time;
        int32_t* fields[4] = {&time.hour, &time.minute, &time.second, &time.millisecond};
        for (int i = 0; i < 4; ++i) {
            const std::optional<int64_t> value = line.decimalAt(kTimeColumns[i]);
            if (!value || *value < 0 || *value > kTimeLimits[i])
                return;
            *fields[i] = static_cast<int32_t>(*value);
        }
        if (!lengthByte || *lengthByte < 0 || *lengthByte > 127)
            return;

        const int length = static_cast<int>(*lengthByte);
        uint8_t bytes[128];
        bytes[0] = static_cast<uint8_t>(length);
        for (int k = 0; k < length; ++k) {
            const int value = line.hexByteAt(kFirstDataByteColumn + 3 * static_cast<size_t>(k));
            if (value < 0)
                return;
            bytes[k + 1] = static_cast<uint8_t>(value);
        }
        if (!capture_.frames.appendFrame(time, std::span<const uint8_t>(bytes, length + 1)))
            framesLost_ = true;
    }

    // "+NODE:\"name\"" then PAN, short address, extended address and link quality
    // at fixed offsets from the closing quote; "??" fields are unknown.
    void readNodeLine(const ColumnReader& line) {
        std::string name;
        size_t quote = kNodeNameColumn - 1;  // no quoted name: fields start two past the colon
        NodeAddress address;
        if (line.at(kNodeNameColumn) == '"') {
            const size_t closing = line.line().find('"', kNodeNameColumn + 1);
            if (closing == std::string_view::npos) {
                name = "Unnamed " + std::to_string(capture_.nodes.count());
                enterNode(address, std::move(name));
                return;
            }
            name = line.line().substr(kNodeNameColumn + 1, closing - kNodeNameColumn - 1);
            quote = closing;
        }
        int64_t low = 0;
        int64_t high = 0;
        if (line.hexPairAt(quote + 2, low, high))
            address.setPan(littleEndian16(low, high));
        if (line.hexPairAt(quote + 8, low, high))
            address.setShort(littleEndian16(low, high));
        uint64_t extended = 0;
        bool extendedComplete = true;
        for (size_t pair = 0; pair < 4 && extendedComplete; ++pair) {
            extendedComplete = line.hexPairAt(quote + 14 + 6 * pair, low, high);
            extended |= uint64_t{static_cast<uint8_t>(low)} << (16 * pair);
            extended |= uint64_t{static_cast<uint8_t>(high)} << (16 * pair + 8);
        }
        if (extendedComplete)
            address.setExtended(extended);
        if (const std::optional<int64_t> quality = line.hexAt(quote + 38))
            address.setLinkQuality(static_cast<int32_t>(*quality));
        enterNode(address, std::move(name));
    }

    // A line that finds no entry of its own in a full table is skipped: it must
    // not rename the broadcast entry.
    void enterNode(const NodeAddress& address, std::string name) {
        const int32_t index = capture_.findOrAddNode(address);
        if (index >= 0)
            capture_.nodes.rename(index, std::move(name));
    }

    Capture& capture_;
    bool framesLost_ = false;  // the store could not grow for a frame
    int64_t logLines_ = 0;
};

} // namespace

// Calls `take` with every line of the text, without its line feed, until it
// returns false. The last line needs none.
template <typename Take> void forEachLine(std::string_view text, Take take) {
    size_t start = 0;
    while (start < text.size()) {
        const void* found = std::memchr(text.data() + start, '\n', text.size() - start);
        const size_t end = found ? static_cast<size_t>(static_cast<const char*>(found) - text.data())
                                 : text.size();
        if (!take(text.substr(start, end - start)))
            return;
        start = end + 1;
    }
}

// Lines that may hold a frame (long enough to carry a length byte), counted so
// the store can set its address space aside once.
int32_t countFrameLines(std::string_view text) {
    int64_t count = 0;
    forEachLine(text, [&](std::string_view line) {
        count += line.size() > kLengthByteColumn && tagOf(line) == LineTag::Frame;
        return true;
    });
    return static_cast<int32_t>(std::min<int64_t>(count, INT32_MAX));
}

LogReadResult readLog(Capture& capture, std::string_view text, const ReadProgress& progress) {
    constexpr uint32_t kLinesBetweenReports = 65536;
    capture.reset();
    capture.frames.expect(countFrameLines(text));
    LogReader reader(capture);
    uint32_t lines = 0;
    forEachLine(text, [&](std::string_view line) {
        reader.readLine(line);
        if (progress && ++lines % kLinesBetweenReports == 0)
            progress(static_cast<double>(line.data() - text.data()) /
                     static_cast<double>(text.size()));
        return !reader.framesLost();
    });
    if (progress)
        progress(1.0);
    if (capture.statistics.packets() == 0)
        capture.statistics.resetAndShow();  // no "+FRAM:" line: the texts still say 0
    capture.attributeFrom(0);
    return {!reader.framesLost(), reader.logLines()};
}

} // namespace qlm

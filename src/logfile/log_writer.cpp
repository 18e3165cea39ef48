#include "logfile/log_writer.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace qlm {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

} // namespace

// Collects lines and hands them to the sink in large chunks. Lines are formatted
// straight into the buffer: room() guarantees the space a line needs.
class LogWriter::Buffer {
public:
    static constexpr size_t kChunk = size_t{1} << 20;

    explicit Buffer(LogTextSink& sink) : sink_(sink), capacity_(kChunk), data_(new char[kChunk]) {}

    // A pointer with at least `bytes` free behind it, or null after a failed write.
    char* room(size_t bytes) {
        if (failed_)
            return nullptr;
        if (used_ + bytes > capacity_ && !flush())
            return nullptr;
        if (bytes > capacity_) {  // a node name longer than a chunk
            capacity_ = bytes;
            data_.reset(new char[capacity_]);
        }
        return data_.get() + used_;
    }
    void commit(const char* end) { used_ = static_cast<size_t>(end - data_.get()); }

    bool flush() {
        if (!failed_ && used_ > 0)
            failed_ = !sink_.write(std::string_view(data_.get(), used_));
        used_ = 0;
        return !failed_;
    }

private:
    LogTextSink& sink_;
    size_t capacity_;
    std::unique_ptr<char[]> data_;
    size_t used_ = 0;
    bool failed_ = false;
};

namespace {

using OutputBuffer = LogWriter::Buffer;

char* putText(char* out, std::string_view text) {
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

char* putHexByte(char* out, uint32_t value) {
    out[0] = kHexDigits[(value >> 4) & 0x0F];
    out[1] = kHexDigits[value & 0x0F];
    return out + 2;
}

// "%0NX" for an unsigned value: at least `width` digits, more when needed.
char* putHex(char* out, uint32_t value, int width) {
    char digits[8];
    int count = 0;
    do {
        digits[count++] = kHexDigits[value & 0x0F];
        value >>= 4;
    } while (value != 0);
    for (int i = count; i < width; ++i)
        *out++ = '0';
    while (count > 0)
        *out++ = digits[--count];
    return out;
}

// "%0Nd" for a value that the caller knows to be small and not negative; other
// values are written in full with a sign.
char* putDecimal(char* out, int64_t value, int width) {
    char digits[24];
    int count = 0;
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        *out++ = '-';
    for (int i = count; i < width; ++i)
        *out++ = '0';
    while (count > 0)
        *out++ = digits[--count];
    return out;
}

char* putLineEnd(char* out) {
    out[0] = '\r';
    out[1] = '\n';
    return out + 2;
}

void writeChannelLine(OutputBuffer& output, const ChannelTable& channels, int index) {
    char* out = output.room(64);
    if (out == nullptr)
        return;
    const ChannelEntry& entry = channels[index];
    out = putText(out, "+CHAN:");
    out = putDecimal(out, ChannelTable::frequencyMHz(index), 4);
    for (int32_t value : {entry.energy, entry.beacons, entry.level}) {
        *out++ = ',';
        out = putHexByte(out, static_cast<uint32_t>(value));
    }
    out = putText(out, channels.selectedChannel() == index ? ",FF" : ",00");
    output.commit(putLineEnd(out));
}

void writeFrameLine(OutputBuffer& output, const CapturedFrame& frame) {
    char* out = output.room(96 + 3 * CapturedFrame::kMaxBytes);
    if (out == nullptr)
        return;
    out = putText(out, "+FRAM:");
    out = putDecimal(out, frame.hour, 2);
    *out++ = ',';
    out = putDecimal(out, frame.minute, 2);
    *out++ = ',';
    out = putDecimal(out, frame.second, 2);
    *out++ = ',';
    out = putDecimal(out, frame.millisecond, 3);
    const int32_t bytes = std::clamp<int32_t>(frame.length, 0, CapturedFrame::kMaxBytes);
    for (int32_t i = 0; i < bytes; ++i) {
        *out++ = ',';
        out = putHexByte(out, frame.data[i]);
    }
    output.commit(putLineEnd(out));
}

char* putOptionalU16(char* out, bool known, uint16_t value) {
    if (!known)
        return putText(out, ",??,??");
    *out++ = ',';
    out = putHexByte(out, value & 0xFF);
    *out++ = ',';
    return putHexByte(out, value >> 8);
}

void writeNodeLine(OutputBuffer& output, const NodeTable& nodes, int32_t index) {
    const std::string& name = nodes.name(index);
    char* out = output.room(name.size() + 96);
    if (out == nullptr)
        return;
    const NodeEntry& entry = nodes.entry(index);
    out = putText(out, "+NODE:\"");
    out = putText(out, name);
    *out++ = '"';
    out = putOptionalU16(out, entry.knows(kPanKnown), entry.pan);
    out = putOptionalU16(out, entry.knows(kShortKnown), entry.shortAddress);
    for (int byte = 0; byte < 8; ++byte) {
        *out++ = ',';
        if (entry.knows(kExtendedKnown))
            out = putHexByte(out, static_cast<uint32_t>(entry.extended >> (8 * byte)));
        else
            out = putText(out, "??");
    }
    *out++ = ',';
    if (entry.knows(kLinkQualityKnown))
        out = putHex(out, static_cast<uint32_t>(entry.linkQuality), 2);
    else
        out = putText(out, "??");
    output.commit(putLineEnd(out));
}

void writeTextLine(OutputBuffer& output, std::string_view text) {
    if (char* out = output.room(text.size()))
        output.commit(putText(out, text));
}

} // namespace

void replaceQuotesInNodeNames(NodeTable& nodes) {
    for (int32_t i = 0; i < nodes.count(); ++i) {
        if (nodes.name(i).find_first_of("\"\r\n") == std::string::npos)
            continue;
        std::string name = nodes.name(i);
        std::replace(name.begin(), name.end(), '"', '\'');
        std::replace(name.begin(), name.end(), '\r', ' ');
        std::replace(name.begin(), name.end(), '\n', ' ');
        nodes.rename(i, std::move(name));
    }
}

LogWriter::LogWriter(LogTextSink& sink) : buffer_(std::make_unique<Buffer>(sink)) {}
LogWriter::~LogWriter() = default;

void LogWriter::writeHeader(const ChannelTable& channels, std::string_view dateText) {
    writeTextLine(*buffer_, kLogInfoLine);
    writeTextLine(*buffer_, "+DATE:");
    writeTextLine(*buffer_, dateText);
    writeTextLine(*buffer_, "\r\n");
    for (int index = 0; index < ChannelTable::kChannelCount; ++index)
        writeChannelLine(*buffer_, channels, index);
}

void LogWriter::writeFrames(const FrameStore& frames, int32_t first, int32_t end) {
    for (int32_t index = std::max(first, 0); index < end && index < frames.frameCount(); ++index)
        writeFrameLine(*buffer_, frames[index]);
}

void LogWriter::writeNodes(const NodeTable& nodes) {
    for (int32_t index = 0; index < nodes.count(); ++index)
        writeNodeLine(*buffer_, nodes, index);
}

bool LogWriter::flush() { return buffer_->flush(); }

bool writeLog(const Capture& capture, std::string_view dateText, LogTextSink& sink) {
    LogWriter writer(sink);
    writer.writeHeader(capture.channels, dateText);
    writer.writeFrames(capture.frames, 0, capture.frames.frameCount());
    writer.writeNodes(capture.nodes);
    return writer.flush();
}

} // namespace qlm

#pragma once

#include "capture/capture.h"

#include <memory>
#include <string>
#include <string_view>

namespace qlm {

// Where log text goes, in chunks, in order. Returns false when it could not
// take a chunk; writing stops there.
class LogTextSink {
public:
    virtual ~LogTextSink() = default;
    virtual bool write(std::string_view chunk) = 0;
};

// Text kept in memory, for a file built whole before it is used.
class StringSink : public LogTextSink {
public:
    bool write(std::string_view chunk) override {
        text.append(chunk);
        return true;
    }
    std::string text;
};

// The address written at the end of the "+INFO:" line.
inline constexpr std::string_view kLogInfoLine =
    "+INFO:IEEE 802.15.2 Sniffer Log   https://quorlanmirex.example.org\r\n";

// Node names are written between double quotes on one line, so a name may not
// contain a double quote or a line break: in the table's names every double quote
// becomes a single quote, and every CR or LF a space (a name with a line break
// would otherwise come back as "Unnamed" without its addresses).
void replaceQuotesInNodeNames(NodeTable& nodes);

// Writes the lines of a log, part by part and in order, each ended by CR LF.
// Lines are collected and handed to the sink in chunks; after the sink failed
// once, nothing more is written.
class LogWriter {
public:
    explicit LogWriter(LogTextSink& sink);
    ~LogWriter();

    // "+INFO:", "+DATE:" with the given 24-character date, and sixteen "+CHAN:".
    void writeHeader(const ChannelTable& channels, std::string_view dateText);
    // One "+FRAM:" per record from `first` up to `end`.
    void writeFrames(const FrameStore& frames, int32_t first, int32_t end);
    // One "+NODE:" per node entry.
    void writeNodes(const NodeTable& nodes);
    // Hands what is collected to the sink; false once the sink failed.
    bool flush();

    class Buffer;  // the collected text, formatted in place

private:
    std::unique_ptr<Buffer> buffer_;
};

// Writes the capture as a log: the header lines, one "+FRAM:" per stored record
// and one "+NODE:" per node entry. Returns false when the sink failed.
bool writeLog(const Capture& capture, std::string_view dateText, LogTextSink& sink);

} // namespace qlm

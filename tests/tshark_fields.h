#pragma once

// Comparing our cells with the fields tshark decodes from the same frames.

#include "capture/capture.h"
#include "dissect/cell_recorder.h"
#include "dissect/field_column.h"
#include "pcap/pcap_export.h"
#include "security/ring_key.h"

#include "command_output.h"
#include "zigbee_frames.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace qlm::test {

// How a tshark field is written next to how our cell writes the same value.
enum class Form { kHex, kDecimal, kEui64, kBytes };

// A caption in a column, or in either of two (a security header of either layer),
// and the tshark fields (one, or two joined by '+') that hold the same values.
struct FieldPair {
    FieldColumn column;
    const char* caption;
    const char* tsharkField;
    Form form;
    FieldColumn otherColumn = column;
};

// Our value written as tshark writes it.
inline std::string asTshark(std::string_view value, Form form) {
    std::string text(value);
    switch (form) {
    case Form::kHex: return std::to_string(std::strtoull(text.c_str(), nullptr, 16));
    case Form::kDecimal: return text;
    case Form::kEui64: {
        std::string out;
        for (size_t i = 0; i < text.size(); i += 2)
            out += (i > 0 ? ":" : "") + text.substr(i, 2);
        for (char& c : out)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return out;
    }
    case Form::kBytes: {
        std::string out;
        for (char c : text)
            if (c != ' ')
                out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return out;
    }
    }
    return text;
}

// tshark's numbers in decimal: "0x1234" becomes "4660".
inline std::string tsharkValue(const std::string& value, Form form) {
    if (form == Form::kHex && value.rfind("0x", 0) == 0)
        return std::to_string(std::strtoull(value.c_str(), nullptr, 16));
    return value;
}

inline std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    for (std::string part; std::getline(stream, part, separator);)
        parts.push_back(part);
    if (!text.empty() && text.back() == separator)
        parts.emplace_back();
    return parts;
}

// The tshark command's options that print the fields of `pairs`, one row a
// packet; `fields` gets the tshark field names in the order printed.
template <size_t N>
std::string tsharkFieldOptions(const FieldPair (&pairs)[N], std::vector<std::string>& fields) {
    std::string options = " -T fields -E 'separator=;' -E occurrence=a -E aggregator=,";
    for (const FieldPair& pair : pairs)
        for (const std::string& field : split(pair.tsharkField, '+')) {
            fields.push_back(field);
            options += " -e " + field;
        }
    return options;
}

// Compares one row of ours with tshark's fields for the same packet; the number
// of values compared.
template <size_t N>
int compareRow(const CellRecorder& row, const std::string& tsharkRow,
               const FieldPair (&pairs)[N], size_t fieldCount, const std::string& frameName) {
    const std::vector<std::string> fields = split(tsharkRow, ';');
    EXPECT_EQ(fields.size(), fieldCount) << tsharkRow;
    if (fields.size() != fieldCount)
        return 0;
    int compared = 0;
    size_t field = 0;
    for (const FieldPair& pair : pairs) {
        std::vector<std::string> ours;
        for (size_t c = 0; c < row.size(); ++c)
            if ((row[c].column == pair.column || row[c].column == pair.otherColumn) &&
                row[c].caption == pair.caption)
                ours.push_back(asTshark(row[c].value, pair.form));
        std::vector<std::string> theirs;
        for (size_t n = split(pair.tsharkField, '+').size(); n > 0; --n, ++field)
            for (const std::string& value : split(fields[field], ','))
                if (!value.empty())
                    theirs.push_back(tsharkValue(value, pair.form));
        EXPECT_EQ(ours, theirs) << frameName << ", " << pair.tsharkField;
        compared += static_cast<int>(theirs.size());
    }
    return compared;
}

inline std::string tsharkPath() {
    const std::string path = TSHARK_PATH;
    EXPECT_FALSE(path.empty()) << "tshark is needed (scripts/setup installs it)";
    return path;
}

// The tshark option that gives it a ZigBee key.
inline std::string tsharkKey(const Key128& key, const char* label) {
    return " -o 'uat:zigbee_pc_keys:\"" + keyHex(key) + "\",\"Normal\",\"" + label + "\"'";
}

// Writes the capture to a new pcapng file; its path, empty when that failed.
inline std::string writeTemporaryPcapng(const Capture& capture) {
    char path[] = "/tmp/qlm_tshark_XXXXXX.pcapng";
    const int fd = ::mkstemps(path, 7);
    if (fd < 0)
        return {};
    ::close(fd);
    PcapExportCounts counts;
    if (!exportPcapFile(capture, path, PcapFormat::kPcapng, {2026, 12, 10}, counts))
        return {};
    return path;
}

// What tshark makes of the capture written to pcapng: one row a packet with
// `options` (fields, keys; no rows without), and the packets it calls malformed.
struct TsharkReading {
    std::vector<std::string> rows;
    std::string malformed;
};

inline TsharkReading readWithTshark(const Capture& capture, const std::string& options) {
    TsharkReading reading;
    const std::string path = writeTemporaryPcapng(capture);
    EXPECT_FALSE(path.empty());
    if (path.empty())
        return reading;
    const std::string tshark = tsharkPath() + " -r " + path;
    if (!options.empty())
        reading.rows = split(run(tshark + options + " 2>/dev/null"), '\n');
    reading.malformed = run(tshark + " -Y _ws.malformed 2>/dev/null");
    std::remove(path.c_str());
    return reading;
}

// The MAC frames carrying `payloads`, as a capture whose nodes are attributed.
inline std::unique_ptr<Capture> captureOf(const std::vector<Bytes>& payloads) {
    auto capture = std::make_unique<Capture>();
    for (const Bytes& payload : payloads)
        EXPECT_TRUE(append(capture->frames, macData(payload)));
    capture->attributeFrom(0);
    return capture;
}

} // namespace qlm::test

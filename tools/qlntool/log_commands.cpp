// Commands over log files: info, convert and nodes.

#include "commands.h"
#include "decoding_options.h"

#include "capture/capture.h"
#include "dissect/cell_recorder.h"
#include "logfile/log_file.h"
#include "pcap/capture_files.h"
#include "session/key_secrets.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace qlntool {
namespace {

std::string hex16(bool known, uint16_t value) {
    if (!known)
        return "-";
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

std::string extendedText(const qlm::NodeEntry& entry) {
    if (!entry.knows(qlm::kExtendedKnown))
        return "-";
    char text[20];
    std::snprintf(text, sizeof text, "%016llX", static_cast<unsigned long long>(entry.extended));
    return text;
}

std::string linkQualityText(const qlm::NodeEntry& entry) {
    if (!entry.knows(qlm::kLinkQualityKnown))
        return "-";
    char text[24];
    std::snprintf(text, sizeof text, "%.2d%%", entry.linkQuality);
    return text;
}

// A name as one column: backslash, tab, CR and LF written as \\, \t, \r and \n.
std::string columnText(const std::string& name) {
    std::string text;
    for (const char c : name) {
        switch (c) {
        case '\\': text += "\\\\"; break;
        case '\t': text += "\\t"; break;
        case '\r': text += "\\r"; break;
        case '\n': text += "\\n"; break;
        default: text += c;
        }
    }
    return text;
}

// The file arguments, with the decoding options taken out; false with `error`
// set when an option is wrong.
bool splitArguments(const Arguments& arguments, std::vector<std::string>& files,
                    DecodingOptions& decoding, std::string& error) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (takeDecodingOption(arguments, i, decoding, error)) {
            if (!error.empty())
                return false;
        } else {
            files.push_back(arguments[i]);
        }
    }
    return true;
}

// Frames with a secured ZigBee PRO layer, and those of them a key opened.
struct SecurityCounts {
    int secured = 0;
    int decrypted = 0;
};

SecurityCounts countSecured(const qlm::Capture& capture, const DecodingOptions& decoding,
                            const std::string& path) {
    qlm::Decryption decryption;
    prepareDecryption(decryption, decoding, capture, path);
    qlm::ColumnFlags columns;
    columns.set(qlm::FieldColumn::kNwkDecryption, true);
    columns.set(qlm::FieldColumn::kAplDecryption, true);
    qlm::FrameDissector dissector(columns);
    configureDissector(dissector, decoding, decryption);
    SecurityCounts counts;
    qlm::CellRecorder cells;
    for (int32_t index = 0; index < capture.frames.frameCount(); ++index) {
        cells.clear();
        dissector.dissect(capture.frames, index, cells);
        bool opened = false;
        for (size_t i = 0; i < cells.size(); ++i)
            opened = opened || cells[i].value == "OK";
        counts.secured += cells.size() > 0 ? 1 : 0;
        counts.decrypted += opened ? 1 : 0;
    }
    return counts;
}

} // namespace

std::unique_ptr<qlm::Capture> importOrReport(const std::string& path, bool& partial,
                                             DecodingOptions* decoding) {
    auto capture = std::make_unique<qlm::Capture>();
    if (decoding != nullptr)
        capture->learnsIeeeAddresses = !decoding->classic;
    const qlm::FileResult result = qlm::importCaptureFile(
        *capture, path, nullptr, decoding != nullptr ? &decoding->fileSecrets : nullptr);
    partial = result.partial;
    if (!result) {
        fail(path + ": " + result.error);
        return nullptr;
    }
    if (!result.warning.empty())
        std::fprintf(stderr, "qlntool: %s: %s\n", path.c_str(), result.warning.c_str());
    return capture;
}

int infoCommand(const Arguments& arguments) {
    std::vector<std::string> files;
    DecodingOptions decoding;
    if (std::string error; !splitArguments(arguments, files, decoding, error))
        return usageError(error);
    if (files.size() != 1)
        return usageError("info takes one log file");
    bool partial = false;
    const auto capture = importOrReport(files[0], partial, &decoding);
    if (!capture)
        return 1;
    std::printf("frames: %d\npackets: %d\nerrors: %d\nnodes: %d\n", capture->frames.frameCount(),
                capture->statistics.packets(), capture->statistics.errors(),
                capture->nodes.count());
    if (!decoding.classic) {
        const SecurityCounts security = countSecured(*capture, decoding, files[0]);
        std::printf("secured: %d\ndecrypted: %d\n", security.secured, security.decrypted);
    }
    return partial ? 1 : 0;
}

// "YYYY-MM-DD", a real calendar day.
std::optional<qlm::CivilDate> readDate(const std::string& text) {
    qlm::CivilDate date;
    char end = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &date.year, &date.month, &date.day, &end) != 3 ||
        date.year < 1970 || date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31)
        return std::nullopt;
    return date;
}

int convertCommand(const Arguments& arguments) {
    std::vector<std::string> files;
    std::optional<qlm::CivilDate> firstDay;
    DecodingOptions decoding;
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string error;
        if (takeDecodingOption(arguments, i, decoding, error)) {
            if (!error.empty())
                return usageError(error);
        } else if (arguments[i] == "--date" && i + 1 < arguments.size()) {
            firstDay = readDate(arguments[++i]);
            if (!firstDay)
                return usageError("--date takes a day as YYYY-MM-DD");
        } else {
            files.push_back(arguments[i]);
        }
    }
    if (files.size() != 2)
        return usageError("convert takes an input and an output file (.qln, .pcap or .pcapng)");
    bool partial = false;
    const auto capture = importOrReport(files[0], partial, &decoding);
    if (!capture)
        return 1;
    std::vector<qlm::ZigbeeSecret> secrets;
    if (!decoding.classic && qlm::captureFileKind(files[1]) == qlm::CaptureFileKind::kPcapng) {
        qlm::Decryption decryption;
        prepareDecryption(decryption, decoding, *capture, files[0]);
        secrets = qlm::secretsOf(decryption.ring(), qlm::keysUsed(decryption, capture->frames));
    }
    const qlm::FileResult result = qlm::exportCaptureFile(*capture, files[1], firstDay, secrets);
    if (!result)
        return fail(files[1] + ": " + result.error);
    if (!result.warning.empty())
        std::fprintf(stderr, "qlntool: %s: %s\n", files[1].c_str(), result.warning.c_str());
    return partial ? 1 : 0;
}

int nodesCommand(const Arguments& arguments) {
    std::vector<std::string> files;
    DecodingOptions decoding;
    if (std::string error; !splitArguments(arguments, files, decoding, error))
        return usageError(error);
    if (files.size() != 1)
        return usageError("nodes takes one log file");
    bool partial = false;
    const auto capture = importOrReport(files[0], partial, &decoding);
    if (!capture)
        return 1;
    std::printf("index\tname\tPAN\tshort\textended\tLQI\n");
    const qlm::NodeTable& nodes = capture->nodes;
    for (int32_t i = 0; i < nodes.count(); ++i) {
        const qlm::NodeEntry& entry = nodes.entry(i);
        std::printf("%d\t%s\t%s\t%s\t%s\t%s\n", i, columnText(nodes.name(i)).c_str(),
                    hex16(entry.knows(qlm::kPanKnown), entry.pan).c_str(),
                    hex16(entry.knows(qlm::kShortKnown), entry.shortAddress).c_str(),
                    extendedText(entry).c_str(), linkQualityText(entry).c_str());
    }
    return partial ? 1 : 0;
}

} // namespace qlntool

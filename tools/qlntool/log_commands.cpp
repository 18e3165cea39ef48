// Commands over log files: info, convert and nodes.

#include "commands.h"

#include "capture/capture.h"
#include "logfile/log_file.h"

#include <cstdio>
#include <memory>

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

} // namespace

std::unique_ptr<qlm::Capture> importOrReport(const std::string& path) {
    auto capture = std::make_unique<qlm::Capture>();
    const qlm::FileResult result = qlm::importLogFile(*capture, path);
    if (!result) {
        fail(path + ": " + result.error);
        return nullptr;
    }
    if (!result.warning.empty())
        std::fprintf(stderr, "qlntool: %s: %s\n", path.c_str(), result.warning.c_str());
    return capture;
}

int infoCommand(const Arguments& arguments) {
    if (arguments.size() != 1)
        return usageError("info takes one log file");
    const auto capture = importOrReport(arguments[0]);
    if (!capture)
        return 1;
    std::printf("frames: %d\npackets: %d\nerrors: %d\nnodes: %d\n", capture->frames.frameCount(),
                capture->statistics.packets(), capture->statistics.errors(),
                capture->nodes.count());
    return 0;
}

int convertCommand(const Arguments& arguments) {
    if (arguments.size() != 2)
        return usageError("convert takes an input and an output log file");
    const auto capture = importOrReport(arguments[0]);
    if (!capture)
        return 1;
    const qlm::FileResult result = qlm::exportLogFile(*capture, arguments[1]);
    if (!result)
        return fail(arguments[1] + ": " + result.error);
    return 0;
}

int nodesCommand(const Arguments& arguments) {
    if (arguments.size() != 1)
        return usageError("nodes takes one log file");
    const auto capture = importOrReport(arguments[0]);
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
    return 0;
}

} // namespace qlntool

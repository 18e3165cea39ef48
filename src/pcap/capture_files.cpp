#include "pcap/capture_files.h"

#include "pcap/pcap_export.h"
#include "pcap/pcap_import.h"
#include "pcap/packet_times.h"

#include <algorithm>
#include <cctype>

namespace qlm {

CaptureFileKind captureFileKind(const std::string& path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos)
        return CaptureFileKind::kLog;
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == "pcap")
        return CaptureFileKind::kPcap;
    if (extension == "pcapng")
        return CaptureFileKind::kPcapng;
    return CaptureFileKind::kLog;
}

FileResult importCaptureFile(Capture& capture, const std::string& path,
                             const std::function<void(double share)>& progress,
                             std::vector<ZigbeeSecret>* secrets) {
    if (captureFileKind(path) == CaptureFileKind::kLog)
        return importLogFile(capture, path, progress);
    PcapImportCounts counts;
    FileResult result = importPcapFile(capture, path, counts);
    if (secrets != nullptr)
        *secrets = std::move(counts.secrets);
    return result;
}

FileResult exportCaptureFile(Capture& capture, const std::string& path,
                             std::optional<CivilDate> firstDay,
                             std::span<const ZigbeeSecret> secrets) {
    const CaptureFileKind kind = captureFileKind(path);
    if (kind == CaptureFileKind::kLog)
        return exportLogFile(capture, path);
    const CivilDate day = firstDay ? *firstDay : capture.date ? *capture.date : localToday();
    PcapExportCounts counts;
    const PcapFormat format = kind == CaptureFileKind::kPcap ? PcapFormat::kPcap
                                                             : PcapFormat::kPcapng;
    if (std::string problem = packetTimesProblem(capture.frames, format, day); !problem.empty())
        return {false, std::move(problem), {}, false};
    FileResult result = exportPcapFile(capture, path, format, day, counts, secrets);
    if (result && format == PcapFormat::kPcap && counts.phyErrors + counts.overflows > 0)
        result.warning = "Classic pcap cannot carry " + std::to_string(counts.phyErrors) +
                         " PHY-error frames and " + std::to_string(counts.overflows) +
                         " overflow records: they were left out (pcapng keeps them)";
    return result;
}

} // namespace qlm

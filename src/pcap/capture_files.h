#pragma once

#include "capture/capture.h"
#include "logfile/log_file.h"
#include "pcap/zigbee_secret.h"

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qlm {

// The kind of capture file a path names, by its extension: ".pcap" and
// ".pcapng" (any case) are packet files, everything else a ".qln" log.
enum class CaptureFileKind { kLog, kPcap, kPcapng };
CaptureFileKind captureFileKind(const std::string& path);

// Imports a log or a packet file, by its kind. What a packet file's import
// skipped is the result's warning, and the ZigBee keys a pcapng file carries go
// to `secrets` when given.
// `progress` is told the share of a log read (a packet file reads too fast to need it).
FileResult importCaptureFile(Capture& capture, const std::string& path,
                             const std::function<void(double share)>& progress = nullptr,
                             std::vector<ZigbeeSecret>* secrets = nullptr);

// Exports to a log or a packet file, by its kind. A packet file is dated from
// `firstDay` when given, else from the capture's own day, else today; what
// classic pcap cannot carry is counted in the result's warning. A pcapng file
// carries `secrets`.
FileResult exportCaptureFile(Capture& capture, const std::string& path,
                             std::optional<CivilDate> firstDay = std::nullopt,
                             std::span<const ZigbeeSecret> secrets = {});

} // namespace qlm

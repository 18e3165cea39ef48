#pragma once

#include "capture/capture.h"
#include "logfile/log_file.h"
#include "pcap/packet_stream.h"
#include "pcap/zigbee_secret.h"

#include <string>

namespace qlm {

// The capture as a pcapng or classic pcap file of link type 283, one packet per
// frame, dated from `firstDay`, written to the sink in chunks. pcapng keeps
// everything: a PHY-error frame is a packet with a comment saying so, an
// overflow record a comment on the packet after it (a packet of its own at the
// end). Classic pcap cannot, and skips them; the counts say how many. A pcapng
// file carries `secrets` in Decryption Secrets Blocks before its packets.
bool writePcap(const Capture& capture, PcapFormat format, CivilDate firstDay, LogTextSink& sink,
               PcapExportCounts& counts, std::span<const ZigbeeSecret> secrets = {});

// Writes the file as the log export does (never leaving a damaged file behind).
FileResult exportPcapFile(const Capture& capture, const std::string& path, PcapFormat format,
                          CivilDate firstDay, PcapExportCounts& counts,
                          std::span<const ZigbeeSecret> secrets = {});

} // namespace qlm

#include "pcap/pcap_export.h"

#include "pcap/pcapng_blocks.h"

namespace qlm {
namespace {

constexpr size_t kChunk = 1 << 20;

} // namespace

bool writePcap(const Capture& capture, PcapFormat format, CivilDate firstDay, LogTextSink& sink,
               PcapExportCounts& counts, std::span<const ZigbeeSecret> secrets) {
    const int selected = capture.channels.selectedChannel();
    const int channel = selected >= 0 ? selected + ChannelTable::kFirstChannelNumber : -1;
    PacketStream stream(format, firstDay, channel);
    std::string out;
    PacketStream::appendHeader(format, out);
    if (format == PcapFormat::kPcapng)
        for (const ZigbeeSecret& secret : secrets)
            pcapng::appendDecryptionSecrets(out,
                                            secret.layer == ZigbeeSecret::Layer::kNetwork
                                                ? pcapng::kSecretsZigbeeNwkKey
                                                : pcapng::kSecretsZigbeeApsKey,
                                            secret.key);
    for (const CapturedFrame& record : capture.frames) {
        stream.append(record, out);
        if (out.size() >= kChunk) {
            counts = stream.counts();
            if (!sink.write(out))
                return false;
            out.clear();
        }
    }
    stream.appendWaitingComments(out);
    counts = stream.counts();
    return out.empty() || sink.write(out);
}

FileResult exportPcapFile(const Capture& capture, const std::string& path, PcapFormat format,
                          CivilDate firstDay, PcapExportCounts& counts,
                          std::span<const ZigbeeSecret> secrets) {
    return writeExportFile(path, [&](LogTextSink& sink) {
        return writePcap(capture, format, firstDay, sink, counts, secrets);
    });
}

} // namespace qlm

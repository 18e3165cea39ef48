#include "pcap/frame_packet.h"

#include "capture/reception_status.h"
#include "pcap/fcs.h"
#include "pcap/tap_header.h"

#include <algorithm>
#include <cstdio>
#include <span>

namespace qlm {
namespace {

constexpr int kStatusBytes = 2;
constexpr int kSmallestFrame = 3;  // frame control and sequence number

// The bytes between the length byte and the status bytes; all after the length
// byte when the status bytes are missing.
int macLengthOf(const CapturedFrame& frame) {
    const int stored = frame.length;
    return stored >= 1 + kStatusBytes ? stored - 1 - kStatusBytes : std::max(0, stored - 1);
}

} // namespace

bool carriesFrame(const CapturedFrame& frame) {
    return !frame.isOverflow() && macLengthOf(frame) >= kSmallestFrame;
}

bool appendFramePacket(std::string& out, const CapturedFrame& frame, int channel,
                       std::string& comment) {
    comment.clear();
    if (frame.isOverflow())
        return false;
    const int stored = frame.length;
    const uint8_t lengthByte = stored > 0 ? frame.data[0] : 0;
    const bool statusStored = stored >= 1 + kStatusBytes;
    const bool phyError = isPhyErrorLength(lengthByte) || !statusStored;

    TapFields fields;
    if (statusStored) {
        fields.rssDbm = static_cast<float>(signalStrengthDbm(frame.data[stored - 2]));
        fields.lqi = static_cast<uint8_t>(frame.data[stored - 1] & kCorrelationMask);
    }
    if (channel >= 11 && channel <= 26)
        fields.channel = static_cast<uint16_t>(channel);
    appendTapHeader(out, fields);

    const int macLength = macLengthOf(frame);
    const std::span<const uint8_t> mac(frame.data + 1, static_cast<size_t>(macLength));
    out.append(reinterpret_cast<const char*>(mac.data()), mac.size());
    // The sniffer's CRC result, as it reported it, for every frame with status bytes.
    const bool crcGood = statusStored && (frame.data[stored - 1] & kCrcGood) != 0;
    const uint16_t fcs = crcGood ? ieee802154Fcs(mac) : static_cast<uint16_t>(~ieee802154Fcs(mac));
    out.push_back(static_cast<char>(fcs & 0xFF));
    out.push_back(static_cast<char>(fcs >> 8));

    // The length byte and the bytes stored, where the packet cannot say them.
    const bool cut = !phyError && stored != lengthByte + 1;
    if (phyError || cut) {
        char text[128];
        std::snprintf(text, sizeof text, "%s: length byte 0x%02X, %d bytes stored%s",
                      phyError ? kPhyErrorComment : kCutReportComment, lengthByte, stored,
                      phyError ? "; the radio received this frame badly" : "");
        comment = text;
    }
    return true;
}

} // namespace qlm

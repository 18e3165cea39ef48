#pragma once

#include "capture/captured_frame.h"

#include <string>

namespace qlm {

// One record as a packet of link type 283 (IEEE 802.15.4 TAP): the TAP header
// with FCS type, signal strength, channel and link quality, the MAC frame, and
// its FCS. The sniffer reports the CRC result instead of the FCS, so the FCS is
// the MAC frame's real CRC when the CRC was good and a wrong one when it failed:
// a reader flags exactly the frames the grid shows as errors.
constexpr uint16_t kLinkTypeIeee802154Tap = 283;
constexpr uint16_t kLinkTypeIeee802154WithFcs = 195;
constexpr uint16_t kLinkTypeIeee802154NoFcs = 230;

inline constexpr const char* kOverflowComment = "Sniffer buffers overflowed, frames were lost";
inline constexpr const char* kPhyErrorComment = "PHY error";
inline constexpr const char* kCutReportComment = "Frame report cut short";
// A record too short to hold a frame, kept whole in a comment instead of a packet:
// "Frame report too short for a packet (at HH:MM:SS.mmm): 80 41" (its stored
// bytes, the length byte first; "none" when it has none).
inline constexpr const char* kShortReportComment = "Frame report too short for a packet";

// Whether a record holds a frame a reader can take as one: at least the frame
// control and sequence number (three bytes) between the length byte and the
// status bytes. A shorter one would be a packet of an FCS and a byte or two,
// which readers take for a malformed packet.
bool carriesFrame(const CapturedFrame& frame);

// `channel` is the IEEE 802.15.4 channel number (11 to 26), or -1 when unknown.
// Returns false for an overflow record. A frame whose length byte is 0 or above
// 127, or too short to hold its status bytes, becomes a packet of the bytes
// between them and a comment saying so in `comment` (with its length byte and
// stored length, so that a reader can rebuild it); so does a frame whose stored
// length disagrees with its length byte.
bool appendFramePacket(std::string& out, const CapturedFrame& frame, int channel,
                       std::string& comment);

} // namespace qlm

#pragma once

#include "capture/frame_bytes.h"
#include "capture/security_header_fields.h"

#include <cstdint>

namespace qlm {

// ZigBee NWK frame types (bits 0-1 of the frame control's first byte).
enum NwkFrameType : uint8_t { kNwkData = 0, kNwkCommand = 1, kNwkReserved = 2, kNwkInterPan = 3 };

// Frame control, first byte.
constexpr uint8_t kNwkFrameTypeMask = 0x03;
// Frame control, second byte. ZigBee 2004 defines the security bit alone.
constexpr uint8_t kNwkMulticast = 0x01;
constexpr uint8_t kNwkSecurity = 0x02;
constexpr uint8_t kNwkSourceRoute = 0x04;
constexpr uint8_t kNwkExtendedDestination = 0x08;
constexpr uint8_t kNwkExtendedSource = 0x10;
constexpr uint8_t kNwkEndDeviceInitiator = 0x20;

// The protocol version of ZigBee 2006 and ZigBee PRO.
constexpr uint8_t kNwkVersionPro = 2;

// How to lay out a NWK header: always as ZigBee 2004 does, or as its protocol
// version says (version 2 as ZigBee 2006/PRO, any other as ZigBee 2004).
enum class NwkLayout : uint8_t { kZigBee2004, kByVersion };

// A frame's NWK header as its frame control lays it out: where each field lies
// and where the NWK payload begins. Worked out from the frame-control bytes and
// the counts the header holds (source-route relays, auxiliary header); whether
// the fields were captured is the reader's question. A field the frame does not
// carry has position -1.
struct NwkHeaderFields {
    int start = -1;        // position of the first frame-control byte
    uint8_t control = 0;   // frame control, first byte
    uint8_t flags = 0;     // frame control, second byte
    bool pro = false;      // laid out as ZigBee 2006/PRO
    int destinationAt = -1;
    int sourceAt = -1;
    int radiusAt = -1;
    int sequenceAt = -1;
    // ZigBee 2006/PRO only.
    int extendedDestinationAt = -1;
    int extendedSourceAt = -1;
    int multicastControlAt = -1;
    int sourceRouteAt = -1;  // the relay count; the relay index and the relay list follow
    int relayCount = 0;
    SecurityHeaderFields security;  // present when the frame is secured
    int payloadAt = -1;    // the first byte after the header (and the auxiliary header)

    uint8_t frameType() const { return control & kNwkFrameTypeMask; }
    uint8_t protocolVersion() const { return control >> 2 & 0x0F; }
    uint8_t discoverRoute() const { return control >> 6; }
    bool secured() const { return (flags & kNwkSecurity) != 0; }
    bool interPan() const { return pro && frameType() == kNwkInterPan; }
};

// The NWK header that begins at `start`, the first byte of a MAC data frame's payload.
NwkHeaderFields readNwkHeader(const FrameBytes& bytes, int start,
                              NwkLayout layout = NwkLayout::kZigBee2004);

} // namespace qlm

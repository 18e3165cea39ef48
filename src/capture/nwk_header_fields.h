#pragma once

#include "capture/frame_bytes.h"

#include <cstdint>

namespace qlm {

// ZigBee NWK frame types (bits 0-1 of the frame control's first byte).
enum NwkFrameType : uint8_t { kNwkData = 0, kNwkCommand = 1, kNwkReserved = 2, kNwkInterPan = 3 };

// Frame control, first byte.
constexpr uint8_t kNwkFrameTypeMask = 0x03;
// Frame control, second byte.
constexpr uint8_t kNwkSecurity = 0x02;

// A frame's NWK header as its frame control lays it out: where each field lies
// and where the NWK payload begins. Worked out from the frame-control bytes
// alone; whether the fields were captured is the reader's question.
struct NwkHeaderFields {
    int start = -1;        // position of the first frame-control byte
    uint8_t control = 0;   // frame control, first byte
    uint8_t flags = 0;     // frame control, second byte
    int destinationAt = -1;
    int sourceAt = -1;
    int radiusAt = -1;
    int sequenceAt = -1;
    int payloadAt = -1;    // the first byte after the header

    uint8_t frameType() const { return control & kNwkFrameTypeMask; }
    uint8_t protocolVersion() const { return control >> 2 & 0x0F; }
    uint8_t discoverRoute() const { return control >> 6; }
    bool secured() const { return (flags & kNwkSecurity) != 0; }
};

// The NWK header that begins at `start`, the first byte of a MAC data frame's payload.
NwkHeaderFields readNwkHeader(const FrameBytes& bytes, int start);

} // namespace qlm

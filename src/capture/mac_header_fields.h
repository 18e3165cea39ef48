#pragma once

#include "capture/frame_bytes.h"
#include "capture/mac_identifiers.h"

namespace qlm {

// Where an address of the MAC header lies. A field the frame does not carry has
// position -1; an intra-PAN frame's source carries no PAN identifier.
struct MacAddressField {
    int panAt = -1;
    int at = -1;
    int size = 0;  // 2 for a short address, 8 for an extended one

    bool present() const { return at >= 0; }
    bool extended() const { return size == 8; }
};

// A frame's MAC header as its frame control lays it out: the flags, where each
// addressing field lies and where the payload begins. Worked out from the two
// frame-control bytes alone; whether the fields were captured is the reader's
// question (`FrameBytes::holds`).
struct MacHeaderFields {
    uint8_t control = 0;     // frame control, first byte (position 1)
    uint8_t addressing = 0;  // frame control, second byte (position 2)
    MacAddressField destination;
    MacAddressField source;
    int payloadAt = 4;       // the first byte after the header

    uint8_t frameType() const { return control & kMacFrameTypeMask; }
    bool secured() const { return (control & kMacSecurityEnabled) != 0; }
    bool intraPan() const { return (control & kMacIntraPan) != 0; }
    uint8_t destinationMode() const { return addressing & kMacDestinationModeMask; }
    uint8_t sourceMode() const { return addressing & kMacSourceModeMask; }
};

MacHeaderFields readMacHeader(const FrameBytes& bytes);

// The MAC sequence number (position 3), -1 when the record does not hold it.
inline int macSequenceNumber(const FrameBytes& bytes) {
    return bytes.holds(3, 1) ? bytes.at(3) : -1;
}

} // namespace qlm

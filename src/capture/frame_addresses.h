#pragma once

#include "capture/captured_frame.h"
#include "capture/mac_identifiers.h"
#include "capture/node_address.h"

namespace qlm {

// What attribution reads from a frame's MAC header: the two nodes at either end
// of the hop, and how long the header is.
struct FrameAddresses {
    NodeAddress source;       // with the link quality of the frame
    NodeAddress destination;  // never with a link quality
    uint8_t frameType = 0;
    bool secured = false;     // MAC security: the payload is ciphertext
    int headerLength = 3;     // MAC header bytes after the length byte (3 when not read)
};

// Reads the addressing fields (and, for coordinator realignment and association
// response commands, the addresses they assign) of a frame. Bytes beyond the
// frame's stored length read as 0.
FrameAddresses readFrameAddresses(const CapturedFrame& frame);

} // namespace qlm

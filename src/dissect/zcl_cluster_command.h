#pragma once

#include "dissect/frame_decoding.h"

#include <cstdint>

namespace qlm {

// The fields of a cluster-specific ZCL command at the cursor, as the tables
// describe them, in the ZCL group. A command without a description shows its
// fields as hex.
void decodeClusterCommand(FrameDecoding& d, uint16_t cluster, bool toClient, uint8_t command);

} // namespace qlm

#pragma once

#include "dissect/frame_decoding.h"

#include <cstdint>

namespace qlm {

// The records of a profile-wide ZCL command at the cursor, to the end of the ZCL
// payload, each a group of cells; a record cut short, or one of a data type
// whose values cannot be laid out, ends them.
void decodeGlobalCommand(FrameDecoding& d, uint8_t command, uint16_t cluster);

} // namespace qlm

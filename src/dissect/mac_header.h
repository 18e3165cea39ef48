#pragma once

#include "dissect/frame_decoding.h"

namespace qlm {

// The IEEE 802.15.4 (2003) MAC header: frame control, sequence number and the
// addressing fields, then the payload by frame type (beacon, command, and data for
// the ZigBee layers). Leaves the cursor where decoding stopped.
void decodeMacHeader(FrameDecoding& decoding);

} // namespace qlm

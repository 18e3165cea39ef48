#pragma once

#include "dissect/frame_decoding.h"

#include <cstdint>

namespace qlm {

// The payload of a ZigBee PRO device-profile frame (cluster `cluster`) at the
// cursor: the transaction sequence number and the fields of the common requests
// and responses, in the AF group. A cluster the table does not describe shows
// its fields as hex; the AF hex run follows from where the decoding ended.
void decodeZdpFrame(FrameDecoding& d, uint16_t cluster);

} // namespace qlm

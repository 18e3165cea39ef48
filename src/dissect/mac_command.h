#pragma once

#include "dissect/frame_decoding.h"

namespace qlm {

// An unsecured MAC command (identifiers 1 to 9 of IEEE 802.15.4-2003) with its
// fields. Leaves the cursor after the last byte it decoded.
void decodeMacCommand(FrameDecoding& decoding);

} // namespace qlm

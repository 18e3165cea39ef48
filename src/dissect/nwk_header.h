#pragma once

#include "dissect/frame_decoding.h"

namespace qlm {

// The ZigBee network frame of a MAC data frame, from the cursor on the first byte
// of the MAC payload: the NWK header, then the NWK command or the APL frame it
// carries, then the NWK hex run. Sets the decoding's NWK start.
void decodeNwkFrame(FrameDecoding& d);

} // namespace qlm

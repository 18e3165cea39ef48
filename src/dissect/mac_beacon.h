#pragma once

#include "dissect/frame_decoding.h"

namespace qlm {

// The payload of an unsecured beacon: superframe spec, GTS fields and
// pending addresses. Leaves the cursor after the last pending address.
void decodeBeaconPayload(FrameDecoding& decoding);

} // namespace qlm

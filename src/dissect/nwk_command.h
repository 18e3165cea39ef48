#pragma once

#include "dissect/frame_decoding.h"

namespace qlm {

// The payload of an unencrypted NWK command frame, from the cursor on the command
// identifier: route request, route reply, route error and leave. Other commands show
// no cell; the cursor then stands after the identifier.
void decodeNwkCommand(FrameDecoding& d);

} // namespace qlm

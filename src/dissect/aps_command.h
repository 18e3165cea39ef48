#pragma once

#include "dissect/frame_decoding.h"

namespace qlm {

// The ZigBee 2006/PRO APS command at the cursor: the identifier, then for the
// security services (transport key, update device, remove device, request key,
// switch key, tunnel, verify key, confirm key) their name and fields, all in the
// APL "Command" column.
void decodeApsCommand(FrameDecoding& d);

} // namespace qlm

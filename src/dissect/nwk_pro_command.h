#pragma once

#include "dissect/frame_decoding.h"

namespace qlm {

// The NWK command of a ZigBee 2006/PRO frame at the cursor, its cells in the NWK
// "Command" column; an identifier it does not know gives no cell.
void decodeProNwkCommand(FrameDecoding& d);

} // namespace qlm

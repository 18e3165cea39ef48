#pragma once

#include "capture/nwk_header_fields.h"
#include "dissect/frame_decoding.h"

namespace qlm {

// The APS frame of a ZigBee 2006/PRO NWK data frame, from the cursor on its frame
// control byte: the header with its 16-bit cluster, group address, APS counter,
// extended header and auxiliary security header, the ZDO cluster name, an APS
// command, then the APL hex run. A secured frame is opened when a key fits; the
// NWK header that carries it may name its sender.
void decodeProApsFrame(FrameDecoding& d, const NwkHeaderFields& nwk);

} // namespace qlm

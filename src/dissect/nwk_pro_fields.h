#pragma once

#include "capture/nwk_header_fields.h"
#include "dissect/frame_decoding.h"

namespace qlm {

// The fields a ZigBee 2006/PRO NWK header carries after the sequence number: the
// destination and source IEEE addresses, the multicast control and the source
// route, each when the frame control says so. The cursor moves past them. False
// when the frame ends inside one.
bool decodeProHeaderFields(FrameDecoding& d, const NwkHeaderFields& header);

} // namespace qlm

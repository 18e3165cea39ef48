#pragma once

#include "capture/security_header_fields.h"
#include "dissect/frame_decoding.h"

namespace qlm {

// The columns and colour of one layer's security cells.
struct SecurityColumns {
    FieldColumn header;
    FieldColumn mic;
    CellStyle style;
    Layer layer;
};

// The auxiliary security header at the cursor: security control (level, key
// identifier, extended nonce), frame counter, the sender's IEEE address and the
// key sequence number, as the header carries them. The cursor moves past it.
// False when the frame ends inside it.
bool decodeSecurityHeader(FrameDecoding& d, const SecurityHeaderFields& header,
                          const SecurityColumns& columns);

// The message integrity code, the last bytes before the status bytes. False when
// the frame is too short to hold one after `payloadAt`.
bool decodeMic(FrameDecoding& d, const SecurityHeaderFields& header, int payloadAt,
               const SecurityColumns& columns);

} // namespace qlm

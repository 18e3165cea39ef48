#pragma once

#include "capture/security_header_fields.h"
#include "dissect/frame_decoding.h"

namespace qlm {

// The columns and colour of one layer's security cells.
struct SecurityColumns {
    FieldColumn header;
    FieldColumn decryption;
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

// The message integrity code, the last bytes of the layer. False when the layer
// is too short to hold one after `payloadAt`.
bool decodeMic(FrameDecoding& d, const SecurityHeaderFields& header, int payloadAt,
               const SecurityColumns& columns);

// Opens a secured layer with the keys of the decoding context, and says in a
// "Decr" cell whether a key did. From an opened layer on, the decoders read the
// plaintext, and the layer's bytes end at its MIC. Without keys to try (ZigBee
// 2004 decoding) there is no cell and nothing opens.
bool openSecuredLayer(FrameDecoding& d, const SecuredLayer& layer, const SecurityColumns& columns);

} // namespace qlm

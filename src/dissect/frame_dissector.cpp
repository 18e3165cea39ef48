#include "dissect/frame_dissector.h"

#include "dissect/frame_decoding.h"
#include "dissect/hex_run.h"
#include "dissect/mac_header.h"
#include "dissect/prologue.h"

namespace qlm {

void FrameDissector::dissect(const CapturedFrame& frame, const CapturedFrame* previous,
                             int32_t index, CellSink& sink) const {
    CellEmitter out(columns_, sink);
    FrameDecoding decoding(frame, index, out, context_);
    if (!decodePrologue(decoding, previous, index))
        return;

    decodeMacHeader(decoding);
    // The frame's own runs show its bytes as received, a decrypted payload or not.
    decoding.source = FrameBytes::of(frame);

    const int macRunStart = decoding.nwkStart >= 0 ? decoding.nwkStart : decoding.cursor;
    emitHexRun(decoding, FieldColumn::kMacHexPayload, CellBrush::kWhite, macRunStart);
    emitHexRun(decoding, FieldColumn::kPhyHexPayload, CellBrush::kGrey, 0);
    decodeTail(decoding);
}

} // namespace qlm

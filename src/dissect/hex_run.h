#pragma once

#include "dissect/frame_decoding.h"

namespace qlm {

// One cell per byte, captioned with its position, from `start` up to and including
// position L (the PHY length byte) or the last stored byte, whichever comes first;
// a gap follows when a cell was drawn. The decoding's cursor is not moved, so what
// one hex run shows never depends on another column.
void emitHexRun(FrameDecoding& decoding, FieldColumn column, CellBrush brush, int start);

} // namespace qlm

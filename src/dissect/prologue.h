#pragma once

#include "dissect/frame_decoding.h"

namespace qlm {

// The start of every row: frame number, time of arrival, time since the previous
// record, preamble and start-of-frame delimiter, then the PHY length, or the red
// cell that ends the row of an overflow record or of a frame with length byte 0.
// Returns whether the row goes on to the MAC header.
bool decodePrologue(FrameDecoding& decoding, const CapturedFrame* previous, int32_t index);

// The end of every row that went on: signal strength, link quality and the CRC
// result that the sniffer sends in place of the frame check sequence.
void decodeTail(FrameDecoding& decoding);

} // namespace qlm

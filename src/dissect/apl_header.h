#pragma once

#include "dissect/frame_decoding.h"

namespace qlm {

// The APS frame of an unencrypted NWK data frame, from the cursor on its frame
// control byte: the header, the ZDO or MailBox cluster cell, the AF frame of a data
// frame, then the APL hex run.
void decodeAplFrame(FrameDecoding& d);

} // namespace qlm

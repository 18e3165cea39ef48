#pragma once

#include "dissect/frame_decoding.h"

namespace qlm {

// The AF frame of an unencrypted APS data frame, from the cursor on its header byte:
// the header, every transaction (key-value pairs, messages, MailBox frames when
// `mailBoxFrame` and the decoding's MailBox option are set), then the AF hex run.
// Returns the start of the last transaction decoded, -1 when there was none.
int decodeAfFrame(FrameDecoding& d, bool mailBoxFrame);

} // namespace qlm

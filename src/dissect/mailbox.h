#pragma once

#include "dissect/frame_decoding.h"

namespace qlm {

// One message transaction of a MailBox frame, from the cursor on its message length
// byte: the length, the MailBox command and the command's fields. The cursor ends
// after the last field decoded.
void decodeMailBoxMessage(FrameDecoding& d);

} // namespace qlm

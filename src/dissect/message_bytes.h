#pragma once

#include "dissect/frame_decoding.h"

#include <string_view>

namespace qlm {

// The bytes of an AF message (or of a MailBox frame's data or custom payload) at the
// cursor as one "Message" cell of hexadecimal items, with a gap before and after it
// when that column is shown; the cursor moves past them. Returns false, with the
// field shown cut short, when the bytes were not all captured.
bool emitMessageBytes(FrameDecoding& d, std::string_view caption, int length);

} // namespace qlm

#pragma once

#include "capture/capture.h"

#include <string_view>

namespace qlm {

// Replaces the capture by the contents of a log's text: the capture is reset,
// every line is taken or skipped (field by field, never reading past its line),
// every "+FRAM:" line is counted in the statistics, and at the end every stored
// frame is attributed to its nodes. Any text is accepted; nothing in it can stop
// the reading before its end. Returns false when memory ran out for some frames:
// the capture then holds those that fit.
bool readLog(Capture& capture, std::string_view text);

} // namespace qlm

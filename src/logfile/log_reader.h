#pragma once

#include "capture/capture.h"

#include <functional>
#include <string_view>

namespace qlm {

// What reading a log found.
struct LogReadResult {
    // False when the store could not grow for a frame: the reading stopped there,
    // and the capture holds the frames read before.
    bool complete = true;
    // Lines with one of the log's tags ("+INFO:", "+DATE:", "+CHAN:", "+FRAM:",
    // "+NODE:"); none means the text is not a log at all.
    int64_t logLines = 0;
};

// Told the share of a log's text read so far (0 to 1), every 64K lines and once
// more before the frames are attributed.
using ReadProgress = std::function<void(double share)>;

// Replaces the capture by the contents of a log's text: the capture is reset,
// every line is taken or skipped (field by field, never reading past its line),
// every "+FRAM:" line is counted in the statistics, and at the end every stored
// frame is attributed to its nodes. Any text is accepted; nothing in it can stop
// the reading before its end, only a store that cannot grow.
LogReadResult readLog(Capture& capture, std::string_view text,
                      const ReadProgress& progress = nullptr);

} // namespace qlm

#pragma once

#include "capture/captured_frame.h"
#include "capture/frame_bytes.h"

#include <algorithm>
#include <array>

namespace qlm {

// A copy of a frame's bytes with a secured payload replaced by its plaintext, at
// the same positions; the decoders read it through `view` as they read a record.
struct PlainFrame {
    std::array<uint8_t, CapturedFrame::kMaxBytes> bytes{};
    int size = 0;

    void copy(const FrameBytes& from) {
        size = std::min<int>(from.size(), static_cast<int>(bytes.size()));
        if (size > 0)
            std::copy_n(from.span(0, size).begin(), size, bytes.begin());
    }
    FrameBytes view() const { return {bytes.data(), size}; }
};

} // namespace qlm

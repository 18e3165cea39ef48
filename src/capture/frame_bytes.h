#pragma once

#include "capture/captured_frame.h"

#include <cstdint>
#include <span>

namespace qlm {

// A frame's bytes by position, as the record holds them or with a payload
// replaced by its plaintext (positions then stay those of the record). Reads
// outside the bytes give 0; `holds` says whether a field lies inside them.
class FrameBytes {
public:
    FrameBytes() = default;
    FrameBytes(const uint8_t* data, int size) : data_(data), size_(size > 0 ? size : 0) {}
    static FrameBytes of(const CapturedFrame& frame) { return {frame.data, frame.length}; }

    int size() const { return size_; }
    bool holds(int position, int count) const {
        return position >= 0 && count >= 0 && position <= size_ - count;
    }

    uint8_t at(int position) const { return holds(position, 1) ? data_[position] : 0; }
    uint16_t le16(int position) const {
        return static_cast<uint16_t>(at(position) | at(position + 1) << 8);
    }
    uint32_t le32(int position) const {
        return le16(position) | static_cast<uint32_t>(le16(position + 2)) << 16;
    }
    uint64_t le64(int position) const {
        return le32(position) | static_cast<uint64_t>(le32(position + 4)) << 32;
    }
    // A short (2-byte) or extended (8-byte) address.
    uint64_t address(int position, int size) const {
        return size == 8 ? le64(position) : le16(position);
    }

    // The bytes of a field that `holds` has accepted.
    std::span<const uint8_t> span(int position, int count) const {
        return {data_ + position, static_cast<size_t>(count)};
    }

private:
    const uint8_t* data_ = nullptr;
    int size_ = 0;
};

} // namespace qlm

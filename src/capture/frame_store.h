#pragma once

#include "capture/captured_frame.h"
#include "capture/large_buffer.h"

#include <cstddef>
#include <span>
#include <string>

namespace qlm {

// The records of one capture in arrival order, in one contiguous array that grows
// by 1000 records at a time. Frames are addressed by index; the number shown to
// the user is the index plus 1. Records are only appended, and the store is only
// emptied as a whole. An append may move the array, so nobody keeps pointers into
// it across one.
class FrameStore {
public:
    static constexpr int32_t kGrowthStep = 1000;

    FrameStore() = default;
    FrameStore(const FrameStore&) = delete;
    FrameStore& operator=(const FrameStore&) = delete;

    // Appends a frame. More than 192 bytes are cut to the first 192, so nothing is
    // ever written past the record. Returns false, with the store unchanged, when
    // the array cannot be grown.
    bool appendFrame(const ArrivalTime& time, std::span<const uint8_t> bytes);
    // Appends the marker of a sniffer buffer overflow: length -1, no bytes.
    bool appendOverflow(const ArrivalTime& time);
    // Says that up to `frames` records may follow, so that growing to them moves
    // nothing. Uses no memory: the store still grows by 1000 records at a time.
    void expect(int32_t frames);
    // Releases the array: no records, no capacity.
    void clear();
    // Every record's row width back to "not laid out", for a change that alters
    // what a row shows.
    void forgetRowWidths();
    // Grows with every clear(), so an observer can tell a new capture from more
    // frames of the same one.
    uint64_t clears() const { return clears_; }

    int32_t frameCount() const { return frameCount_; }
    int32_t frameCapacity() const { return frameCapacity_; }
    bool empty() const { return frameCount_ == 0; }
    bool contains(int32_t index) const { return index >= 0 && index < frameCount_; }

    const CapturedFrame& operator[](int32_t index) const { return records()[index]; }
    CapturedFrame& operator[](int32_t index) { return records()[index]; }
    const CapturedFrame* begin() const { return records(); }
    const CapturedFrame* end() const { return records() + frameCount_; }

private:
    // The records live in memory_, which may move when it grows (even when the
    // growth then fails), so their address is always taken from it.
    CapturedFrame* records() const { return reinterpret_cast<CapturedFrame*>(memory_.data()); }
    CapturedFrame* appendRecord(const ArrivalTime& time);
    bool grow();

    LargeBuffer memory_;
    int32_t frameCount_ = 0;
    int32_t frameCapacity_ = 0;
    uint64_t clears_ = 0;
};

// What an import or the intake says when the store could not grow: "Out of
// memory after N frames: the rest was not read".
std::string outOfMemoryMessage(int64_t frames);

} // namespace qlm

#include "capture/frame_store.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <type_traits>

namespace qlm {

static_assert(std::is_trivially_copyable_v<CapturedFrame>,
              "records are moved wholesale when the store grows");

bool FrameStore::grow() {
    if (frameCapacity_ > std::numeric_limits<int32_t>::max() - kGrowthStep)
        return false;
    const int32_t capacity = frameCapacity_ + kGrowthStep;
    if (!memory_.reserve(static_cast<size_t>(capacity) * sizeof(CapturedFrame)))
        return false;  // the old array stays in place
    frameCapacity_ = capacity;
    return true;
}

void FrameStore::expect(int32_t frames) {
    if (frames > frameCapacity_)
        memory_.reserveAddressSpace(static_cast<size_t>(frames) * sizeof(CapturedFrame));
}

CapturedFrame* FrameStore::appendRecord(const ArrivalTime& time) {
    if (frameCount_ >= frameCapacity_ && !grow())
        return nullptr;
    CapturedFrame& frame = records()[frameCount_];
    frame.hour = time.hour;
    frame.minute = time.minute;
    frame.second = time.second;
    frame.millisecond = time.millisecond;
    frame.macSourceNode = CapturedFrame::kNoNode;
    frame.macDestNode = CapturedFrame::kNoNode;
    frame.nwkSourceNode = CapturedFrame::kNoNode;
    frame.nwkDestNode = CapturedFrame::kNoNode;
    frame.frameClass = kClassPhyError;
    frame.rowWidth = -1;
    return &frame;
}

bool FrameStore::appendFrame(const ArrivalTime& time, std::span<const uint8_t> bytes) {
    CapturedFrame* frame = appendRecord(time);
    if (frame == nullptr)
        return false;
    const size_t kept = std::min<size_t>(bytes.size(), CapturedFrame::kMaxBytes);
    frame->length = static_cast<int32_t>(kept);
    if (kept > 0)
        std::memcpy(frame->data, bytes.data(), kept);
    std::memset(frame->data + kept, 0, CapturedFrame::kMaxBytes - kept);
    ++frameCount_;
    return true;
}

bool FrameStore::appendOverflow(const ArrivalTime& time) {
    CapturedFrame* frame = appendRecord(time);
    if (frame == nullptr)
        return false;
    frame->length = CapturedFrame::kOverflowLength;
    std::memset(frame->data, 0, CapturedFrame::kMaxBytes);
    ++frameCount_;
    return true;
}

void FrameStore::clear() {
    memory_.release();
    frameCount_ = 0;
    frameCapacity_ = 0;
    ++clears_;
}

void FrameStore::forgetRowWidths() {
    CapturedFrame* record = records();
    for (int32_t i = 0; i < frameCount_; ++i)
        record[i].rowWidth = -1;
}

std::string outOfMemoryMessage(int64_t frames) {
    return "Out of memory after " + std::to_string(frames) + " frames: the rest was not read";
}

} // namespace qlm

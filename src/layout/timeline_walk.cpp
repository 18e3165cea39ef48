#include "layout/timeline_walk.h"

#include <algorithm>

namespace qlm {
namespace {

constexpr int64_t kDayMs = 86'400'000;
constexpr int kNameBoxEdge = 74;
constexpr int kCurrentColumn = 43;

int64_t clockMs(const CapturedFrame& frame) {
    return ((int64_t{frame.hour} * 3600 + frame.minute * 60 + frame.second) * 1000) +
           frame.millisecond;
}

} // namespace

int64_t captureTime(const FrameStore& frames, int32_t index) {
    const int64_t time = clockMs(frames[index]) - clockMs(frames[0]);
    return time < 0 ? time + kDayMs : time;
}

void walkTimeline(const FrameStore& frames, const FrameClassFilter& filter, int32_t current,
                  int width, int64_t timeScale, std::vector<TimelineFrame>& out) {
    out.clear();
    if (!frames.contains(current) || timeScale < 1)
        return;
    const int64_t now = captureTime(frames, current);
    const auto xOf = [&](int32_t index) {
        return (captureTime(frames, index) - now) / timeScale + width - kCurrentColumn;
    };
    int32_t first = current;
    while (first > 0 && xOf(first - 1) > kNameBoxEdge)
        --first;
    for (int32_t index = first; index < frames.frameCount(); ++index) {
        const int64_t x = xOf(index);
        if (x > width)
            break;
        if (x > kNameBoxEdge && filter.passes(frames, index))
            out.push_back({index, static_cast<int>(x)});
    }
}

namespace {

bool sameMarks(const CapturedFrame& a, const CapturedFrame& b) {
    const bool aShort = a.length <= 1;
    const bool bShort = b.length <= 1;
    if (aShort || bShort)
        return aShort == bShort;
    return a.macSourceNode == b.macSourceNode && a.macDestNode == b.macDestNode &&
           a.nwkSourceNode == b.nwkSourceNode && a.nwkDestNode == b.nwkDestNode;
}

} // namespace

void dropCoveredFrames(const FrameStore& frames, std::vector<TimelineFrame>& drawn) {
    size_t kept = 0;
    for (size_t i = 0; i < drawn.size(); ++i) {
        bool covered = false;
        for (size_t j = i + 1; j < drawn.size() && drawn[j].x == drawn[i].x && !covered; ++j)
            covered = sameMarks(frames[drawn[i].index], frames[drawn[j].index]);
        if (!covered)
            drawn[kept++] = drawn[i];
    }
    drawn.resize(kept);
}

void TimelineMarks::add(const PixelRect& area, int32_t frame) {
    if (count_ < kCapacity)
        ++count_;
    marks_[static_cast<size_t>(count_ - 1)] = {area, frame};
}

int32_t TimelineMarks::frameAt(int x, int y) const {
    for (int i = count_ - 1; i >= 0; --i)
        if (marks_[static_cast<size_t>(i)].area.contains(x, y))
            return marks_[static_cast<size_t>(i)].frame;
    return -1;
}

} // namespace qlm

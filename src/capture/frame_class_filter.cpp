#include "capture/frame_class_filter.h"

namespace qlm {
namespace {

bool isValidClass(int32_t frameClass) {
    return frameClass >= kClassPhyError && frameClass <= kClassApl;
}

} // namespace

bool FrameClassFilter::isSelected(int32_t frameClass) const {
    return isValidClass(frameClass) ? selected_[frameClass - 1] : selected_[0];
}

void FrameClassFilter::setSelected(int32_t frameClass, bool selected) {
    if (isValidClass(frameClass))
        selected_[frameClass - 1] = selected;
}

bool FrameClassFilter::passes(const FrameStore& frames, int32_t index) const {
    if (!frames.contains(index) || frames[index].isOverflow())
        return selected_[0];
    return isSelected(frames[index].frameClass);
}

} // namespace qlm

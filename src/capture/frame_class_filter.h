#pragma once

#include "capture/frame_store.h"

#include <array>

namespace qlm {

// The "Frame Select" filter: one boolean per frame class, all selected at start.
class FrameClassFilter {
public:
    static constexpr std::array<const char*, kFrameClassCount> kEntryNames = {
        "PHY Errors", "MAC Beacon", "MAC Command", "MAC Ack", "NWK", "APL"};

    bool isSelected(int32_t frameClass) const;
    void setSelected(int32_t frameClass, bool selected);

    // Whether the frame at the index is shown. Overflow records, frames without a
    // valid class and indexes outside the store follow the "PHY Errors" choice.
    bool passes(const FrameStore& frames, int32_t index) const;

private:
    std::array<bool, kFrameClassCount> selected_ = {true, true, true, true, true, true};
};

} // namespace qlm

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace qlm {

// What is known about one 2.4 GHz channel from the last scans. The readings are
// signed 8-bit values kept in 32-bit fields.
struct ChannelEntry {
    static constexpr int32_t kEnergyNotMeasured = 128;
    static constexpr int32_t kNoLevel = -54;

    int32_t energy = kEnergyNotMeasured;  // energy-detect reading r, shown as r - 45 dBm
    int32_t level = kNoLevel;  // best beacon reading: peak signal (sniffer) or link quality
    int32_t beacons = 0;       // networks found by the last active scan

    bool energyMeasured() const { return (energy & 0xFF) != 0x80; }
    bool operator==(const ChannelEntry&) const = default;
};

// The sixteen channels 11 to 26 (index 0 to 15) and the one selected for sniffing.
class ChannelTable {
public:
    static constexpr int kChannelCount = 16;
    static constexpr int kFirstChannelNumber = 11;

    static constexpr int32_t frequencyMHz(int index) { return 2405 + 5 * index; }

    // All sixteen entries back to "nothing measured". The selection is kept.
    void reset();

    ChannelEntry& operator[](int index) { return entries_[static_cast<size_t>(index)]; }
    const ChannelEntry& operator[](int index) const { return entries_[static_cast<size_t>(index)]; }

    int selectedChannel() const { return selected_; }
    // An index from 0 to 15, or -1 for none; anything else selects none.
    void setSelectedChannel(int index);

    bool operator==(const ChannelTable&) const = default;

private:
    std::array<ChannelEntry, kChannelCount> entries_{};
    int selected_ = -1;
};

// The channel strip's scroll position (in cells) that brings channel `index` into
// view when `visibleCells` cells fit in the window: unchanged when the channel is
// already visible (or the index is negative), else the channel becomes the first
// visible cell when it lies to the left and the last one when it lies to the right.
int stripPositionShowing(int index, int position, int visibleCells);

} // namespace qlm

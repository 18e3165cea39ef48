#pragma once

#include "capture/frame_store.h"
#include "dissect/frame_dissector.h"
#include "layout/cell_geometry.h"

#include <optional>
#include <string>
#include <vector>

namespace qlm {

// One hoverable cell of a paint: where it was drawn, and which cell of which
// record it is (its position among the cells of that record's row).
struct HoverCell {
    PixelRect area;
    int32_t frame = -1;
    int32_t cell = 0;
};

// The cells drawn in one paint, so that the mouse finds a cell without laying
// anything out again. A fixed table of 5000 entries, reused every paint; cells
// beyond the 5000th are drawn but cannot be hovered. No sentence is written
// while painting: the explanation of the cell under a resting mouse is written
// by explainCell(), whole.
class HoverList {
public:
    static constexpr int kCapacity = 5000;

    HoverList() : entries_(kCapacity) {}

    void clear() { count_ = 0; }
    int size() const { return count_; }
    bool full() const { return count_ == kCapacity; }
    // Adds a cell unless the table is full.
    void add(const HoverCell& cell);

    // The first cell, in drawing order, that contains the point.
    std::optional<HoverCell> cellAt(int x, int y) const;
    const HoverCell& at(int index) const { return entries_[index]; }

private:
    std::vector<HoverCell> entries_;
    int count_ = 0;
};

// The explanation of a hovered cell, decoded again from its record with the
// dissector that drew it; empty when the record or the cell no longer exists.
std::string explainCell(const FrameDissector& dissector, const FrameStore& frames,
                        const HoverCell& cell);

} // namespace qlm

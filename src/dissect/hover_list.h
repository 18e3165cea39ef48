#pragma once

#include "dissect/cell_geometry.h"
#include "dissect/sentence.h"

#include <optional>
#include <string_view>
#include <vector>

namespace qlm {

// The cells drawn in one paint with their explanations, so that the mouse finds a
// cell's sentence without decoding anything. A fixed table of 5000 entries, reused
// every paint; cells beyond the 5000th are drawn but cannot be hovered.
class HoverList {
public:
    static constexpr int kCapacity = 5000;
    static constexpr int kExplanationCapacity = 250;  // longer sentences are cut

    HoverList() : entries_(kCapacity) {}

    void clear() { count_ = 0; }
    int size() const { return count_; }
    bool full() const { return count_ == kCapacity; }
    // Adds a cell unless the table is full.
    void add(const PixelRect& area, const Sentence& explanation);

    // The explanation of the first cell, in drawing order, that contains the point.
    std::optional<std::string_view> explanationAt(int x, int y) const;
    PixelRect area(int index) const { return entries_[index].area; }
    std::string_view explanation(int index) const {
        return {entries_[index].text, entries_[index].length};
    }

private:
    struct Entry {
        PixelRect area;
        unsigned char length;
        char text[kExplanationCapacity];
    };

    std::vector<Entry> entries_;
    int count_ = 0;
};

} // namespace qlm

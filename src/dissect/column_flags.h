#pragma once

#include "dissect/field_column.h"

#include <bitset>

namespace qlm {

// One visibility boolean per column: a cell is produced only when its column is set.
class ColumnFlags {
public:
    static ColumnFlags none() { return ColumnFlags(); }
    static ColumnFlags all();
    // The selection the window starts with: every column but "Frame #", "Preamble"
    // and the five "Hex payload" columns.
    static ColumnFlags startup();

    bool visible(FieldColumn column) const { return bits_[index(column)]; }
    void set(FieldColumn column, bool visible) { bits_[index(column)] = visible; }

    bool operator==(const ColumnFlags&) const = default;

private:
    static size_t index(FieldColumn column) { return static_cast<size_t>(column); }

    std::bitset<kFieldColumnCount> bits_;
};

} // namespace qlm

#pragma once

#include "layout/text_measure.h"

#include <array>
#include <cstdint>

namespace qlm {

// Text widths from a table of character advances per cell font, filled once
// from the real font's metrics: texts are one Latin-1 byte per character, so a
// width is the sum of its characters' advances, with no allocation per cell.
class AdvanceTableMeasure : public TextMeasure {
public:
    using Advances = std::array<int, 256>;

    AdvanceTableMeasure(const Advances& plain, const Advances& bold)
        : plain_(plain), bold_(bold) {}

    int textWidth(std::string_view text, CellFont font) const override {
        const Advances& advances = font == CellFont::kBold ? bold_ : plain_;
        int width = 0;
        for (char c : text)
            width += advances[static_cast<uint8_t>(c)];
        return width;
    }

private:
    Advances plain_;
    Advances bold_;
};

} // namespace qlm

#pragma once

#include <string_view>

namespace qlm {

// The two cell fonts: plain for values and plain captions, bold for emphasised captions.
enum class CellFont : unsigned char { kPlain, kBold };

// Widths of single-line texts in pixels, as the painting surface would draw them.
class TextMeasure {
public:
    virtual ~TextMeasure() = default;
    virtual int textWidth(std::string_view text, CellFont font) const = 0;
};

// The cell fonts are fixed-pitch ("COURIER"), so a text's width is its length
// times the font's character advance; texts are one byte per character.
class FixedPitchMeasure : public TextMeasure {
public:
    FixedPitchMeasure(int plainAdvance, int boldAdvance)
        : plainAdvance_(plainAdvance), boldAdvance_(boldAdvance) {}

    int textWidth(std::string_view text, CellFont font) const override {
        return static_cast<int>(text.size()) *
               (font == CellFont::kBold ? boldAdvance_ : plainAdvance_);
    }

private:
    int plainAdvance_;
    int boldAdvance_;
};

} // namespace qlm

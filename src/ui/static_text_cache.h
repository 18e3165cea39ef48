#pragma once

#include <QFont>
#include <QStaticText>

#include <string>
#include <string_view>
#include <unordered_map>

namespace qlm::ui {

// Laid-out texts of one font, kept across paints: the grid's captions and
// values repeat from row to row (captions, hex bytes, "No", "Yes"), so a paint
// lays out only the texts it has not seen, and drawing a known one allocates
// nothing. Bounded: it starts again once it holds 8192 texts.
class StaticTextCache {
public:
    explicit StaticTextCache(const QFont& font) : font_(font) {}

    const QStaticText& operator[](std::string_view text);
    const QFont& font() const { return font_; }

private:
    static constexpr size_t kCapacity = 8192;

    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };

    QFont font_;
    std::unordered_map<std::string, QStaticText, Hash, std::equal_to<>> texts_;
};

// Draws a cached text centred in a rectangle, on one line.
void drawCentred(QPainter& painter, const QStaticText& text, int left, int top, int right,
                 int bottom);

} // namespace qlm::ui

#include "dissect/sentence.h"

#include <algorithm>
#include <cstring>

namespace qlm {
namespace {

// Flags, width, precision and length modifiers that may stand between '%' and
// the conversion character.
bool isConversionModifier(char c) {
    return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == ' ' || c == '#' ||
           c == 'l' || c == 'h';
}

} // namespace

template <typename Put> void Sentence::expand(Put&& put) const {
    const char* p = pattern_.data();
    const char* const end = p + pattern_.size();
    int nextArgument = 0;
    while (p < end) {
        const auto* percent = static_cast<const char*>(std::memchr(p, '%', end - p));
        if (percent == nullptr) {
            put(std::string_view(p, static_cast<size_t>(end - p)));
            return;
        }
        put(std::string_view(p, static_cast<size_t>(percent - p)));
        p = percent + 1;
        if (p < end && *p == '%') {
            put(std::string_view("%"));
            ++p;
            continue;
        }
        while (p < end && isConversionModifier(*p))
            ++p;
        if (p < end)
            ++p;  // the conversion character
        if (nextArgument < argumentCount_)
            put(arguments_[nextArgument++]);
    }
}

void Sentence::appendTo(std::string& out) const {
    expand([&out](std::string_view piece) { out.append(piece); });
}

std::string Sentence::text() const {
    std::string out;
    appendTo(out);
    return out;
}

size_t Sentence::writeTo(char* out, size_t capacity) const {
    size_t written = 0;
    expand([&](std::string_view piece) {
        const size_t n = std::min(piece.size(), capacity - written);
        std::memcpy(out + written, piece.data(), n);
        written += n;
    });
    return written;
}

} // namespace qlm

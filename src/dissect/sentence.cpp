#include "dissect/sentence.h"

#include <algorithm>
#include <cstring>

namespace qlm {
namespace {

// Flags, width, precision and length modifiers that may stand between '%' and
// the conversion character.
bool isConversionModifier(char c) { return std::strchr("0123456789.-+ #lh", c) != nullptr; }

} // namespace

template <typename Put> void Sentence::expand(Put&& put) const {
    const char* p = pattern_;
    int nextArgument = 0;
    while (*p != '\0') {
        const char* percent = std::strchr(p, '%');
        if (percent == nullptr) {
            put(std::string_view(p));
            return;
        }
        put(std::string_view(p, static_cast<size_t>(percent - p)));
        p = percent + 1;
        if (*p == '%') {
            put(std::string_view("%"));
            ++p;
            continue;
        }
        while (*p != '\0' && isConversionModifier(*p))
            ++p;
        if (*p != '\0')
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

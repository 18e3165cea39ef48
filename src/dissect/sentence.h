#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qlm {

// An explanation sentence kept as its printf-style pattern and the texts that
// fill it, and written out only when someone needs the words (the recorder, the
// hover list). Laying out and painting a row therefore formats no sentences.
//
// Every conversion in the pattern ("%s", "%ld", "%02lX", ...) takes the next
// argument text as it stands, so callers pass values already formatted; "%%" is
// a percent sign. Arguments must outlive the sentence, which lives for one cell.
class Sentence {
public:
    constexpr Sentence() = default;
    constexpr explicit Sentence(std::string_view pattern) : pattern_(pattern) {}
    constexpr Sentence(std::string_view pattern, std::string_view first)
        : pattern_(pattern), arguments_{first, {}}, argumentCount_(1) {}
    constexpr Sentence(std::string_view pattern, std::string_view first, std::string_view second)
        : pattern_(pattern), arguments_{first, second}, argumentCount_(2) {}

    void appendTo(std::string& out) const;
    std::string text() const;
    // Writes as much of the sentence as fits into out (no terminating NUL) and
    // returns the number of characters written.
    size_t writeTo(char* out, size_t capacity) const;

private:
    template <typename Put> void expand(Put&& put) const;

    std::string_view pattern_;
    std::string_view arguments_[2];
    uint8_t argumentCount_ = 0;
};

} // namespace qlm

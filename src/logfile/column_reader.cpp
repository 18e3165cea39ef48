#include "logfile/column_reader.h"

namespace qlm {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

} // namespace

std::optional<int64_t> ColumnReader::numberAt(size_t column, int base) const {
    size_t end = 0;
    return numberAt(column, base, end);
}

// A number too large for 64 bits saturates, as the C library's conversions do;
// callers check the range they accept.
std::optional<int64_t> ColumnReader::numberAt(size_t column, int base, size_t& end) const {
    size_t i = column;
    while (i < line_.size() && isBlank(line_[i]))
        ++i;
    bool negative = false;
    if (i < line_.size() && (line_[i] == '+' || line_[i] == '-')) {
        negative = line_[i] == '-';
        ++i;
    }
    const size_t firstDigit = i;
    constexpr uint64_t kLimit = uint64_t{1} << 63;  // magnitude of the most negative value
    uint64_t magnitude = 0;
    for (; i < line_.size(); ++i) {
        const int d = digitValue(line_[i]);
        if (d < 0 || d >= base)
            break;
        magnitude = magnitude > (kLimit - static_cast<uint64_t>(d)) / static_cast<uint64_t>(base)
                        ? kLimit
                        : magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
    }
    if (i == firstDigit)
        return std::nullopt;
    end = i;
    if (negative)
        return magnitude == kLimit ? INT64_MIN : -static_cast<int64_t>(magnitude);
    return magnitude >= kLimit ? INT64_MAX : static_cast<int64_t>(magnitude);
}

bool ColumnReader::hexPairAt(size_t column, int64_t& first, int64_t& second) const {
    size_t end = 0;
    const std::optional<int64_t> a = numberAt(column, 16, end);
    if (!a || at(end) != ',')
        return false;
    const std::optional<int64_t> b = numberAt(end + 1, 16);
    if (!b)
        return false;
    first = *a;
    second = *b;
    return true;
}

} // namespace qlm

#include "logfile/column_reader.h"

#include <algorithm>

namespace qlm {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Digits a value of 63 bits can need: more of them, led by a nonzero one, saturate.
size_t significantDigits(int base) { return base == 16 ? 16 : 19; }

} // namespace

size_t ColumnReader::skipBlanks(size_t column) const {
    if (column >= blanksFrom_ && column < blanksTo_)
        return blanksTo_;
    size_t i = column;
    while (i < line_.size() && isBlank(line_[i]))
        ++i;
    if (i > column) {
        blanksFrom_ = column;
        blanksTo_ = i;
    }
    return i;
}

const ColumnReader::DigitRun& ColumnReader::digitRunAt(size_t column, int base) const {
    if (base == digits_.base && column >= digits_.from && column < digits_.to)
        return digits_;
    size_t i = column;
    for (; i < line_.size(); ++i) {
        const int d = digitValue(line_[i]);
        if (d < 0 || d >= base)
            break;
    }
    digits_ = DigitRun{column, i, -1, base};
    const size_t tail = i - std::min(i - column, significantDigits(base));
    for (size_t p = tail; p > column && digits_.lastHighDigit < 0; --p)
        if (line_[p - 1] != '0')
            digits_.lastHighDigit = static_cast<ptrdiff_t>(p - 1);
    return digits_;
}

// A number too large for 64 bits saturates, as the C library's conversions do;
// callers check the range they accept.
std::optional<int64_t> ColumnReader::numberAt(size_t column, int base, size_t* end) const {
    size_t i = skipBlanks(column);
    bool negative = false;
    if (i < line_.size() && (line_[i] == '+' || line_[i] == '-')) {
        negative = line_[i] == '-';
        ++i;
    }
    const DigitRun& run = digitRunAt(i, base);
    if (run.to == i)
        return std::nullopt;
    if (end != nullptr)
        *end = run.to;
    constexpr uint64_t kLimit = uint64_t{1} << 63;  // magnitude of the most negative value
    uint64_t magnitude = run.lastHighDigit >= static_cast<ptrdiff_t>(i) ? kLimit : 0;
    // The digits ahead of the last significant ones are zeros here.
    for (size_t p = std::max(i, run.to - std::min(run.to - i, significantDigits(base)));
         p < run.to && magnitude < kLimit; ++p) {
        const auto d = static_cast<uint64_t>(digitValue(line_[p]));
        const auto b = static_cast<uint64_t>(base);
        magnitude = magnitude > (kLimit - d) / b ? kLimit : magnitude * b + d;
    }
    if (negative)
        return magnitude == kLimit ? INT64_MIN : -static_cast<int64_t>(magnitude);
    return magnitude >= kLimit ? INT64_MAX : static_cast<int64_t>(magnitude);
}

bool ColumnReader::hexPairAt(size_t column, int64_t& first, int64_t& second) const {
    size_t end = 0;
    const std::optional<int64_t> a = numberAt(column, 16, &end);
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

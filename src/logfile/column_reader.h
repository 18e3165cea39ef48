#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace qlm {

// Value of each character as a hexadecimal digit, -1 for a non-digit.
inline constexpr std::array<int8_t, 256> kHexDigitValues = [] {
    std::array<int8_t, 256> values{};
    for (int c = 0; c < 256; ++c) {
        values[c] = c >= '0' && c <= '9'   ? static_cast<int8_t>(c - '0')
                    : c >= 'A' && c <= 'F' ? static_cast<int8_t>(c - 'A' + 10)
                    : c >= 'a' && c <= 'f' ? static_cast<int8_t>(c - 'a' + 10)
                                           : static_cast<int8_t>(-1);
    }
    return values;
}();

// Reads numbers at fixed columns of one log line, the way a formatted scan would:
// blanks (space, tab, CR) skipped, an optional sign, then digits up to the first
// character that is not one. A field with no digit (for example "??", or a column
// past the end of the line) cannot be read. Nothing is ever read beyond the line,
// so a short line never borrows digits from the next one.
class ColumnReader {
public:
    explicit ColumnReader(std::string_view line) : line_(line) {}

    std::string_view line() const { return line_; }
    size_t size() const { return line_.size(); }
    char at(size_t column) const { return column < line_.size() ? line_[column] : '\0'; }

    std::optional<int64_t> decimalAt(size_t column) const {
        // The common case, digits right at the column, without the general scan.
        int64_t value = 0;
        size_t i = column;
        for (; i < line_.size() && i < column + 4 && line_[i] >= '0' && line_[i] <= '9'; ++i)
            value = value * 10 + (line_[i] - '0');
        if (i > column && (i == line_.size() || line_[i] < '0' || line_[i] > '9'))
            return value;
        return numberAt(column, 10);
    }
    std::optional<int64_t> hexAt(size_t column) const { return numberAt(column, 16); }

    // The low 8 bits of a hex field, or -1 when it cannot be read: a frame byte.
    // The common case of exactly two digits is read directly.
    int hexByteAt(size_t column) const {
        if (column + 2 <= line_.size()) {
            const int high = digitValue(line_[column]);
            const int low = digitValue(line_[column + 1]);
            if ((high | low) >= 0 &&
                (column + 2 == line_.size() || digitValue(line_[column + 2]) < 0))
                return high * 16 + low;
        }
        const std::optional<int64_t> value = hexAt(column);
        return value ? static_cast<int>(static_cast<uint64_t>(*value) & 0xFF) : -1;
    }

    // Two hex numbers separated by a comma ("%lx,%lx"); the end column of the
    // first number is found by reading it. Both must be read.
    bool hexPairAt(size_t column, int64_t& first, int64_t& second) const;

    // Value of a digit character in base 16, or -1 (bases up to 16 share the table).
    static int digitValue(char c) { return kHexDigitValues[static_cast<unsigned char>(c)]; }

private:
    // The number at `column`; its end column goes to `end` when asked for.
    std::optional<int64_t> numberAt(size_t column, int base, size_t* end = nullptr) const;
    size_t skipBlanks(size_t column) const;

    // A run of digits of one base. Only its last few digits can hold a value that
    // fits 64 bits: a number starting at or before `lastHighDigit` (the last
    // nonzero digit ahead of them, -1 when none) saturates.
    struct DigitRun {
        size_t from = 0;
        size_t to = 0;
        ptrdiff_t lastHighDigit = -1;
        int base = 0;
    };
    const DigitRun& digitRunAt(size_t column, int base) const;

    std::string_view line_;
    // Fields at neighbouring columns of one long run of blanks or digits would
    // each walk to the run's end. The last runs walked are remembered, so reading
    // a line takes time in proportion to its length whatever it holds.
    mutable size_t blanksFrom_ = 0;
    mutable size_t blanksTo_ = 0;
    mutable DigitRun digits_;
};

} // namespace qlm

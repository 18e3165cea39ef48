#pragma once

// The shapes the decoders' protocol tables are written in: one bit of a field byte
// with its two readings, and the values of a coded field with their sentences.

#include "dissect/frame_decoding.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qlm {

// A field value and its sentence, for tables indexed by the field's bits.
struct ValueSentence {
    std::string_view value;
    std::string_view explanation;
};

// One bit of a field byte: caption, then value and sentence for set and for clear.
// A sentence may take the value as its one argument.
struct FlagField {
    uint8_t mask;
    std::string_view caption;
    std::string_view setValue;
    std::string_view setExplanation;
    std::string_view clearValue;
    std::string_view clearExplanation;
};

inline void emitFlag(FrameDecoding& d, FieldColumn column, CellStyle style, const FlagField& field,
                     uint8_t byte) {
    const bool set = (byte & field.mask) != 0;
    const std::string_view value = set ? field.setValue : field.clearValue;
    d.out.cell(column, style, field.caption, value,
               Sentence(set ? field.setExplanation : field.clearExplanation, value));
}

// A byte of flags at the cursor, one cell per flag, cut short under the first flag's
// caption; the cursor moves past it.
template <size_t N>
bool emitFlagByte(FrameDecoding& d, FieldColumn column, CellStyle style,
                  const FlagField (&flags)[N]) {
    if (!d.fieldAtCursor(1, column, flags[0].caption))
        return false;
    const uint8_t byte = d.byte(d.cursor);
    for (const FlagField& flag : flags)
        emitFlag(d, column, style, flag, byte);
    d.cursor += 1;
    return true;
}

// A value of a one-byte field with its sentence; the last entry of a table stands
// for every value not listed.
struct CodedValue {
    int code;
    std::string_view value;
    std::string_view explanation;
};

constexpr int kOtherValues = -1;

template <size_t N> const CodedValue& lookUp(const CodedValue (&table)[N], uint8_t code) {
    for (const CodedValue& entry : table)
        if (entry.code == code)
            return entry;
    return table[N - 1];
}

// A one-byte coded field at the cursor, its value and sentence from the table; the
// cursor moves past it. False, with the field cut short, when it was not captured.
template <size_t N>
bool emitCodedField(FrameDecoding& d, FieldColumn column, CellStyle style,
                    std::string_view caption, const CodedValue (&table)[N]) {
    if (!d.fieldAtCursor(1, column, caption))
        return false;
    const CodedValue& entry = lookUp(table, d.byte(d.cursor));
    d.out.cell(column, style, caption, entry.value, Sentence(entry.explanation));
    d.cursor += 1;
    return true;
}

} // namespace qlm

#include "dissect/hex_field.h"

#include "dissect/short_text.h"

namespace qlm {

bool emitHexField(FrameDecoding& d, FieldColumn column, CellStyle style, std::string_view caption,
                  int size, std::string_view pattern) {
    if (!d.fieldAtCursor(size, column, caption))
        return false;
    const ShortText value =
        size == 1 ? ShortText::hexByte(d.byte(d.cursor)) : ShortText::hex16(d.le16(d.cursor));
    d.cursor += size;
    d.out.cell(column, style, caption, value, Sentence(pattern, value));
    return true;
}

bool emitNamedHexField(FrameDecoding& d, FieldColumn column, CellStyle style,
                       std::string_view caption, int size, std::string_view name,
                       std::string_view pattern, std::string_view namedPattern) {
    if (!d.fieldAtCursor(size, column, caption))
        return false;
    const ShortText value =
        size == 1 ? ShortText::hexByte(d.byte(d.cursor)) : ShortText::hex16(d.le16(d.cursor));
    d.cursor += size;
    d.out.cell(column, style, caption, value,
               name.empty() ? Sentence(pattern, value) : Sentence(namedPattern, value, name));
    return true;
}

bool emitIeeeField(FrameDecoding& d, FieldColumn column, CellStyle style,
                   std::string_view caption, std::string_view pattern) {
    if (!d.fieldAtCursor(8, column, caption))
        return false;
    const ShortText address = ShortText::hex64(d.le64(d.cursor));
    d.cursor += 8;
    d.out.cell(column, style, caption, address, Sentence(pattern, address));
    return true;
}

} // namespace qlm
